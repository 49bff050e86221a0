#include "case_folding.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <array>

#include "file_descriptor.h"

namespace hosei {

namespace {

// statfs's f_type of the file systems that fold case for every folder.
constexpr std::array<unsigned long, 6> kFoldingFileSystems = {
    0x4d44,      // FAT (msdos, vfat)
    0x2011BAB0,  // exFAT
    0xFF534D42,  // CIFS
    0xFE534D42,  // SMB2/3
    0x517B,      // SMB
    0x5346544E,  // NTFS through the kernel's old driver, which folds case
};

#ifndef FS_CASEFOLD_FL
#define FS_CASEFOLD_FL 0x40000000
#endif

}  // namespace

bool FolderFoldsCase(const std::string& folder) {
  struct statfs info {};
  if (::statfs(folder.c_str(), &info) != 0) return false;
  for (const unsigned long type : kFoldingFileSystems)
    if (static_cast<unsigned long>(info.f_type) == type) return true;
  const FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  int flags = 0;
  return directory.valid() && ::ioctl(directory.get(), FS_IOC_GETFLAGS, &flags) == 0 &&
         (flags & FS_CASEFOLD_FL) != 0;
}

std::string FoldedName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

}  // namespace hosei

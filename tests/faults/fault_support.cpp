#include "fault_support.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace hosei::test {

namespace fs = std::filesystem;

namespace {

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Once per process: a private mount namespace, so the mounts vanish with the process.
void EnterOwnMountNamespace() {
  static const bool entered = [] {
    if (::unshare(CLONE_NEWNS) != 0) return false;
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
  }();
  (void)entered;  // without one, mounts are still undone by their destructors
}

}  // namespace

Snapshot TakeSnapshot(const fs::path& folder) {
  Snapshot snapshot;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(folder, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    // Lexically: a link that points at itself cannot be resolved, and need not be.
    const fs::path relative = it->path().lexically_relative(folder);
    const auto status = it->symlink_status();
    std::string entry;
    if (fs::is_symlink(status))
      entry = "link to " + fs::read_symlink(it->path()).string();
    else if (fs::is_directory(status))
      entry = "folder";
    else if (fs::is_fifo(status))
      entry = "fifo";
    else if (fs::is_regular_file(status))
      entry = "file " + Contents(it->path());
    else
      entry = "other";
    snapshot[relative.string()] = entry;
  }
  return snapshot;
}

std::string DescribeDifference(const Snapshot& before, const Snapshot& after) {
  std::string text;
  for (const auto& [name, entry] : before) {
    const auto found = after.find(name);
    if (found == after.end())
      text += "removed: " + name + "\n";
    else if (found->second != entry)
      text += "changed: " + name + "\n";
  }
  for (const auto& [name, entry] : after)
    if (!before.count(name)) text += "added: " + name + "\n";
  return text;
}

bool RunningAsRoot() { return ::geteuid() == 0; }

TestMount::~TestMount() { ::umount2(folder_.c_str(), MNT_DETACH); }

std::unique_ptr<TestMount> TestMount::SmallDisk(const fs::path& folder, std::size_t bytes,
                                                std::string& whyNot) {
  if (!RunningAsRoot()) {
    whyNot = "a small disk needs a tmpfs mount, which only root may make";
    return nullptr;
  }
  EnterOwnMountNamespace();
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
  if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    whyNot = std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<TestMount>(new TestMount(folder));
}

std::unique_ptr<TestMount> TestMount::ReadOnly(const fs::path& folder, std::string& whyNot) {
  if (!RunningAsRoot()) {
    whyNot = "a read-only bind mount needs root";
    return nullptr;
  }
  EnterOwnMountNamespace();
  if (::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    whyNot = std::string("cannot bind-mount here: ") + std::strerror(errno);
    return nullptr;
  }
  auto mount = std::unique_ptr<TestMount>(new TestMount(folder));
  if (::mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
    whyNot = std::string("cannot make the bind mount read-only: ") + std::strerror(errno);
    return nullptr;
  }
  return mount;
}

ReadOnlyByPermissions::ReadOnlyByPermissions(fs::path folder) : folder_(std::move(folder)) {
  fs::permissions(folder_,
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

ReadOnlyByPermissions::~ReadOnlyByPermissions() {
  std::error_code ignored;
  fs::permissions(folder_, fs::perms::owner_write, fs::perm_options::add, ignored);
}

bool ReadOnlyByPermissions::effective() const { return ::access(folder_.c_str(), W_OK) != 0; }

std::uint64_t FreeBytes(const fs::path& path) {
  struct statvfs info {};
  if (::statvfs(path.c_str(), &info) != 0) return 0;
  return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

}  // namespace hosei::test

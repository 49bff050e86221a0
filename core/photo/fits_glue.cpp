#include "fits_glue.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "cfitsio_library.h"
#include "photo_source.h"
#include "positioned_io.h"

namespace hosei {

namespace {

char kPrefix[] = "hoseifd://";  // not const: cfitsio takes it as char*

// What the driver knows of one open file. cfitsio seeks, then reads or writes, so the
// position is the driver's own; the descriptor's offset is never touched.
struct Slot {
  int fd = -1;
  LONGLONG position = 0;
  LONGLONG dropWritesFrom = LLONG_MAX;
};

// The files open through the driver, by handle. Handles come from a counter rather than from
// the descriptor number, so that a file name is never reused while cfitsio might remember it
// (cfitsio shares one open file between opens of the same name).
std::mutex slotsMutex;
std::unordered_map<int, Slot> slots;
int lastHandle = 0;

thread_local int systemError = 0;

int NewHandle(int fd) {
  std::lock_guard lock(slotsMutex);
  do lastHandle = lastHandle == INT_MAX ? 1 : lastHandle + 1;
  while (slots.count(lastHandle));
  slots[lastHandle] = Slot{fd};
  return lastHandle;
}

// Elements of an unordered_map stay where they are while others come and go, and one file
// is only ever used by one thread at a time.
Slot* Find(int handle) {
  std::lock_guard lock(slotsMutex);
  const auto found = slots.find(handle);
  return found == slots.end() ? nullptr : &found->second;
}

void Forget(int handle) {
  std::lock_guard lock(slotsMutex);
  slots.erase(handle);
}

int HandleOf(const char* name) {
  int handle = 0;
  for (const char* c = name; *c; ++c) {
    if (*c < '0' || *c > '9' || handle > INT_MAX / 10 - 1) return -1;
    handle = handle * 10 + (*c - '0');
  }
  return handle;
}

int NoWork() { return 0; }
int NoWorkOn(int) { return 0; }
int NoOptions(int* options) {
  *options = 0;
  return 0;
}
int Version(int* version) {
  *version = 1;
  return 0;
}

int Attach(char* name, int* handle) {
  const int h = HandleOf(name);
  if (h <= 0 || !Find(h)) return FILE_NOT_OPENED;
  *handle = h;
  return 0;
}
int Open(char* name, int, int* handle) { return Attach(name, handle); }
int Create(char* name, int* handle) { return Attach(name, handle); }

int Close(int handle) {
  Forget(handle);
  return 0;
}

int Size(int handle, LONGLONG* size) {
  const Slot* slot = Find(handle);
  struct stat info {};
  if (!slot || ::fstat(slot->fd, &info) != 0) {
    systemError = slot ? errno : EBADF;
    return READ_ERROR;
  }
  *size = info.st_size;
  return 0;
}

int Truncate(int handle, LONGLONG size) {
  const Slot* slot = Find(handle);
  if (!slot || ::ftruncate(slot->fd, size) != 0) {
    systemError = slot ? errno : EBADF;
    return WRITE_ERROR;
  }
  return 0;
}

int Seek(int handle, LONGLONG offset) {
  Slot* slot = Find(handle);
  if (!slot) return SEEK_ERROR;
  slot->position = offset;
  return 0;
}

int Read(int handle, void* buffer, long bytes) {
  Slot* slot = Find(handle);
  if (!slot || bytes < 0) return READ_ERROR;
  const long long got =
      ReadAt(slot->fd, static_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(bytes),
             static_cast<std::uint64_t>(slot->position));
  if (got < 0) {
    systemError = errno;
    return READ_ERROR;
  }
  slot->position += got;
  if (got == 0 && bytes > 0) return END_OF_FILE;
  return got == bytes ? 0 : READ_ERROR;
}

int Write(int handle, void* buffer, long bytes) {
  Slot* slot = Find(handle);
  if (!slot || bytes < 0) return WRITE_ERROR;
  const LONGLONG kept = std::clamp<LONGLONG>(slot->dropWritesFrom - slot->position, 0, bytes);
  if (const int error =
          WriteAt(slot->fd, static_cast<const std::uint8_t*>(buffer),
                  static_cast<std::size_t>(kept), static_cast<std::uint64_t>(slot->position))) {
    systemError = error;
    return WRITE_ERROR;
  }
  slot->position += bytes;
  return 0;
}

int RegisterDriver() {
  // cfitsio registers its own drivers on first use; doing it first keeps them in its table
  // ahead of this one, as when any other program calls it.
  if (const int status = Cfitsio().initialise()) return status;
  return Cfitsio().registerDriver(kPrefix, NoWork, NoWork, NoWorkOn, NoOptions, Version, nullptr,
                                  Open, Create, Truncate, Close, nullptr, Size, NoWorkOn, Seek,
                                  Read, Write);
}

int DriverStatus() {
  static const int status = RegisterDriver();
  return status;
}

template <typename Call>
int WithDescriptor(int fd, FitsFile& file, Call call) {
  if (const int status = DriverStatus()) return status;
  const int handle = NewHandle(fd);
  const std::string name = kPrefix + std::to_string(handle);
  fitsfile* opened = nullptr;
  int status = 0;
  call(&opened, name.c_str(), &status);
  if (status) {
    // cfitsio closes what it opened on failure; a handle it never attached stays here.
    Forget(handle);
    return status;
  }
  file.reset(opened);
  return 0;
}

}  // namespace

void FitsFileCloser::operator()(fitsfile* file) const {
  int status = 0;
  fits_close_file(file, &status);
}

int OpenFitsDescriptor(int fd, FitsFile& file) {
  return WithDescriptor(fd, file, [](fitsfile** f, const char* name, int* status) {
    fits_open_file(f, name, READONLY, status);
  });
}

int CreateFitsDescriptor(int fd, FitsFile& file) {
  return WithDescriptor(fd, file, [](fitsfile** f, const char* name, int* status) {
    fits_create_file(f, name, status);
  });
}

void DropFitsWritesFrom(fitsfile* file, LONGLONG from) {
  if (Slot* slot = Find(file->Fptr->filehandle)) slot->dropWritesFrom = from;
}

int FitsSystemError() { return systemError; }

void ClearFitsSystemError() { systemError = 0; }

std::string FitsStatusText(int status) {
  char text[FLEN_STATUS] = {};
  fits_get_errstatus(status, text);
  return text;
}

FileError FitsReadFailure(const std::string& path, int status, ProblemDetail what,
                          std::vector<std::string> values) {
  const int error = systemError;
  systemError = 0;
  if (error) return FileError{FileProblem::kReadFailed, path, std::strerror(error)};
  values.push_back(FitsStatusText(status));
  return CorruptPhoto(path, what, std::move(values));
}

FileError FitsWriteFailure(const std::string& path, int status, ProblemDetail what,
                           std::vector<std::string> values) {
  const int error = systemError;
  systemError = 0;
  if (error) return CannotWritePhoto(path, error);
  values.push_back(FitsStatusText(status));
  return CannotWritePhoto(path, what, std::move(values));
}

}  // namespace hosei

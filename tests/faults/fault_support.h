#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hosei::test {

// Everything in a folder and below it: relative name -> kind and content. Two snapshots are
// equal only if no file was added, removed or changed, hidden temporary files included.
using Snapshot = std::map<std::string, std::string>;
Snapshot TakeSnapshot(const std::filesystem::path& folder);
// The differences, one per line, for a failure message.
std::string DescribeDifference(const Snapshot& before, const Snapshot& after);

// A mount made for one test and undone when it goes out of scope. Only root may mount; a
// test that needs one skips elsewhere. Mounts are made in a mount namespace of the test
// process's own where the system allows it, so a test that dies leaves none behind.
class TestMount {
 public:
  ~TestMount();
  TestMount(const TestMount&) = delete;
  TestMount& operator=(const TestMount&) = delete;

  // A memory-backed file system of `bytes` bytes on `folder`, for a disk that fills up.
  static std::unique_ptr<TestMount> SmallDisk(const std::filesystem::path& folder,
                                              std::size_t bytes, std::string& whyNot);
  // `folder` itself, made read-only even for root.
  static std::unique_ptr<TestMount> ReadOnly(const std::filesystem::path& folder,
                                             std::string& whyNot);

 private:
  explicit TestMount(std::filesystem::path folder) : folder_(std::move(folder)) {}
  std::filesystem::path folder_;
};

bool RunningAsRoot();

// Folders and files below `folder` made read-only by permission bits, for a user other
// than root; restored on destruction.
class ReadOnlyByPermissions {
 public:
  explicit ReadOnlyByPermissions(std::filesystem::path folder);
  ~ReadOnlyByPermissions();
  ReadOnlyByPermissions(const ReadOnlyByPermissions&) = delete;
  ReadOnlyByPermissions& operator=(const ReadOnlyByPermissions&) = delete;
  // False when the permissions do not stop this user from writing anyway.
  bool effective() const;

 private:
  std::filesystem::path folder_;
};

// Free space where `path` lies, in bytes.
std::uint64_t FreeBytes(const std::filesystem::path& path);

}  // namespace hosei::test

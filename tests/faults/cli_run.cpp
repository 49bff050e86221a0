#include "cli_run.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace hosei::test {

namespace {

// A temporary file for one captured stream, removed when the run is read.
class Capture {
 public:
  Capture() {
    path_ = (std::filesystem::temp_directory_path() / "hosei-faults-XXXXXX").string();
    fd_ = ::mkstemp(path_.data());
  }
  ~Capture() {
    if (fd_ >= 0) ::close(fd_);
    ::unlink(path_.c_str());
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  int fd() const { return fd_; }
  std::string text() const {
    std::ifstream in(path_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace

int CliRun::errLines() const { return static_cast<int>(std::count(err.begin(), err.end(), '\n')); }

CliRun RunCli(const std::vector<std::string>& arguments, std::chrono::seconds limit) {
  Capture out, err;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out.fd(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err.fd(), STDERR_FILENO);
  const std::string program = HOSEI_CLI_PATH;
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  CliRun run;
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;

  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  rusage usage{};
  for (;;) {
    const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    if (done < 0) return run;
    if (std::chrono::steady_clock::now() > deadline) {
      run.timedOut = true;
      ::kill(pid, SIGKILL);
      ::wait4(pid, &status, 0, &usage);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.peakMemoryKiB = usage.ru_maxrss;
  run.out = out.text();
  run.err = err.text();
  return run;
}

bool RunningUnderSanitizers() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#endif
#endif
  return std::getenv("HOSEI_SANITIZED") != nullptr;
}

}  // namespace hosei::test

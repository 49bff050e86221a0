// hosei-cli under signals, slow pipes and unusual file systems: what a batch on a camera
// card, in a container or under a user's Ctrl-C meets.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "photo_test_support.h"

namespace hosei::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;
const auto npos = std::string::npos;

// hosei-cli started with its standard output on a pipe that the test reads when it wants
// to, so that the program can be caught writing or mid-batch.
class RunningCli {
 public:
  explicit RunningCli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), HOSEI_CLI_PATH);
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return;
    err_ = std::tmpfile();
    std::vector<char*> argv;
    for (auto& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(::open("/dev/null", O_RDONLY), 0);
      ::dup2(pipeEnds[1], 1);
      ::dup2(::fileno(err_), 2);
      ::close(pipeEnds[0]);
      ::alarm(60);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(pipeEnds[1]);
    out_ = pipeEnds[0];
  }
  ~RunningCli() {
    if (running()) ::kill(pid_, SIGKILL), ::waitpid(pid_, nullptr, 0);
    if (out_ >= 0) ::close(out_);
    if (err_) std::fclose(err_);
  }

  void signal(int number) const { ::kill(pid_, number); }
  bool running() {
    if (status_ < 0) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
    }
    return status_ < 0;
  }
  // The exit code, 128 + the signal for a process ended by one, or -1 when it is still
  // running after `limit`.
  int exitCodeWithin(std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (running() && Clock::now() < end) std::this_thread::sleep_for(5ms);
    if (running()) return -1;
    return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
  }
  // Bytes written to the pipe and not yet read.
  int waiting() const {
    int bytes = 0;
    ::ioctl(out_, FIONREAD, &bytes);
    return bytes;
  }
  // Blocks until the program has filled the pipe and stopped writing: it is then inside a
  // write that cannot go on until the pipe is read.
  bool awaitFullPipe() {
    int last = -1;
    for (int steady = 0; steady < 20; std::this_thread::sleep_for(10ms)) {
      const int now = waiting();
      steady = now == last && now > 0 ? steady + 1 : 0;
      last = now;
      if (!running()) return false;
    }
    return true;
  }
  std::string readLine() {
    std::string line;
    char c = 0;
    while (::read(out_, &c, 1) == 1 && c != '\n') line += c;
    return line;
  }
  std::string readAll() {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(out_, buffer, sizeof buffer)) > 0;)
      text.append(buffer, static_cast<std::size_t>(n));
    return text;
  }
  std::string err() const { return ReadErr(err_); }

 private:
  static std::string ReadErr(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
      text.append(buffer, n);
    return text;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  std::FILE* err_ = nullptr;
  int status_ = -1;
};

// `count` names for one small bitmap, enough lines to fill a pipe.
std::vector<std::string> ManyNames(const ScratchFolder& folder, int count) {
  const fs::path first = folder / "p0.bmp";
  WriteFile(first, Sized(8, 8).bytes());
  std::vector<std::string> names = {first.string()};
  for (int i = 1; i < count; ++i) {
    const fs::path link = folder / ("p" + std::to_string(i) + ".bmp");
    fs::create_hard_link(first, link);
    names.push_back(link.string());
  }
  return names;
}

std::size_t Count(const std::string& text, char c) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), c));
}

std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  return names;
}

// Every result in `folder` is whole, no temporary file is left, and every result written
// was told on standard output.
void ExpectOnlyWholeResultsEachTold(const fs::path& folder, const std::string& out,
                                    std::uintmax_t wholeSize) {
  std::size_t results = 0;
  for (const std::string& name : Listing(folder)) {
    EXPECT_NE(name[0], '.') << name;
    if (name.find("_.bmp") == npos) continue;
    ++results;
    EXPECT_EQ(fs::file_size(folder / name), wholeSize) << name;
  }
  EXPECT_EQ(Count(out, '\n'), results);
}

// A slow reader of standard output is no write error: the program waits for it, and a
// signal that comes meanwhile still ends the run cleanly once the pipe is read.
TEST(Signals, ASlowPipeIsWaitedForThroughASignal) {
  ScratchFolder folder;
  RunningCli cli(ManyNames(folder, 1500));
  ASSERT_TRUE(cli.awaitFullPipe()) << "the batch ended before its lines filled the pipe";
  cli.signal(SIGTERM);
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(cli.running()) << "the write was abandoned: " << cli.err();
  const std::string out = cli.readAll();
  EXPECT_EQ(cli.exitCodeWithin(10s), 128 + SIGTERM);
  EXPECT_EQ(cli.err().find("standard output"), npos) << cli.err();
  ExpectOnlyWholeResultsEachTold(folder.path(), out, fs::file_size(folder / "p0.bmp"));
}

// The first Ctrl-C asks the run to stop cleanly; a user who presses it again does not
// wait, even for a program stuck writing to a pipe nobody reads.
TEST(Signals, ASecondCtrlCEndsTheProcessAtOnce) {
  ScratchFolder folder;
  RunningCli cli(ManyNames(folder, 1500));
  ASSERT_TRUE(cli.awaitFullPipe());
  cli.signal(SIGINT);
  std::this_thread::sleep_for(100ms);
  ASSERT_TRUE(cli.running()) << "the first Ctrl-C did not wait for the pipe: " << cli.err();
  cli.signal(SIGINT);
  EXPECT_EQ(cli.exitCodeWithin(2s), 128 + SIGINT);
}

// Ctrl-C mid-batch, once the first file is told: the files being written are abandoned, the
// finished ones told, and the process ends by the signal, leaving only whole results.
TEST(Signals, AnInterruptedBatchLeavesOnlyWholeResultsEachTold) {
  ScratchFolder folder;
  const fs::path first = folder / "p0.bmp";
  WriteFile(first, Sized(2000, 1500).bytes());
  std::vector<std::string> arguments = {"--jobs", "2", first.string()};
  constexpr int kFiles = 30;
  for (int i = 1; i < kFiles; ++i) {
    fs::create_hard_link(first, folder / ("p" + std::to_string(i) + ".bmp"));
    arguments.push_back((folder / ("p" + std::to_string(i) + ".bmp")).string());
  }
  RunningCli cli(arguments);
  const std::string firstLine = cli.readLine();
  ASSERT_NE(firstLine.find(" → "), npos) << cli.err();
  cli.signal(SIGINT);
  const std::string out = firstLine + "\n" + cli.readAll();
  EXPECT_EQ(cli.exitCodeWithin(10s), 128 + SIGINT);
  EXPECT_LT(Count(out, '\n'), static_cast<std::size_t>(kFiles)) << "nothing was interrupted";
  ExpectOnlyWholeResultsEachTold(folder.path(), out, fs::file_size(first));
}

// A signal while a photo is decoded whole (a progressive JPEG is, before its first row)
// ends the run within a fraction of the decoding time, not after it.
TEST(Signals, AStopIsHeardWhileAPictureIsDecoded) {
  ScratchFolder folder;
  const fs::path photo = folder / "big.jpg";
  JpegLayout progressive;
  progressive.progressive = true;
  WriteJpeg(photo.string(), RandomPicture(4000, 3000, 3, 7), progressive);

  auto started = Clock::now();
  ASSERT_EQ(RunProgram({HOSEI_CLI_PATH, "--quiet", photo.string()}).exitCode, 0);
  const auto whole = Clock::now() - started;
  fs::remove(folder / "big_.jpg");

  RunningCli cli({"--quiet", photo.string()});
  std::this_thread::sleep_for(std::chrono::duration_cast<std::chrono::milliseconds>(whole / 10));
  started = Clock::now();
  cli.signal(SIGTERM);
  EXPECT_EQ(cli.exitCodeWithin(60s), 128 + SIGTERM);
  const auto stopping = Clock::now() - started;
  EXPECT_LT(stopping, whole / 3) << "the whole run took "
                                 << std::chrono::duration<double>(whole).count() << " s";
  EXPECT_FALSE(fs::exists(folder / "big_.jpg"));
}

// Whether this process may make mount namespaces (root, or a user namespace allowed).
bool CanUnshareMounts() {
  return RunProgram({"/usr/bin/unshare", "-m", "/bin/true"}).exitCode == 0;
}

// In a container or chroot without /proc, results are still written whole and leave
// nothing behind.
TEST(FileSystems, ResultsAreWrittenWithoutProc) {
  if (!CanUnshareMounts()) GTEST_SKIP() << "mount namespaces are not allowed here";
  // The sanitizers' runtime reads /proc/self/maps as the program starts.
  if (std::getenv("HOSEI_SANITIZED")) GTEST_SKIP() << "sanitizers need /proc";
  ScratchFolder folder;
  const fs::path source = folder / "p.bmp";
  WriteFile(source, Sized(64, 48).bytes());
  const std::string command = std::string("mount -t tmpfs none /proc && exec ") + HOSEI_CLI_PATH +
                              " --quiet " + source.string();
  const ProgramRun run = RunProgram({"/usr/bin/unshare", "-m", "/bin/sh", "-c", command});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(fs::file_size(folder / "p_.bmp"), fs::file_size(source));
  EXPECT_EQ(Listing(folder.path()).size(), 2u);
}

// A camera card's file system takes IMG.JPG and img.jpg for one file: the second source of
// that name is reported, never written over the first's result.
TEST(FileSystems, NamesThatDifferInCaseAreOneResultOnACard) {
  if (!CanUnshareMounts() || !fs::exists("/sbin/mkfs.vfat"))
    GTEST_SKIP() << "no mount namespaces or no mkfs.vfat here";
  ScratchFolder folder;
  const fs::path image = folder / "card.img", card = folder / "card";
  fs::create_directories(card);
  fs::create_directories(folder / "a");
  fs::create_directories(folder / "b");
  WriteJpeg((folder / "a" / "IMG.JPG").string(), RandomPicture(64, 48, 3, 1));
  WriteJpeg((folder / "b" / "img.jpg").string(), RandomPicture(64, 48, 3, 2));
  {
    std::FILE* file = std::fopen(image.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(::ftruncate(::fileno(file), 8 << 20), 0);
    std::fclose(file);
  }
  ASSERT_EQ(RunProgram({"/sbin/mkfs.vfat", image.string()}).exitCode, 0);
  const std::string command = "mount -o loop " + image.string() + " " + card.string() +
                              " || exit 77; " + HOSEI_CLI_PATH + " --jobs 1 --output-dir " +
                              card.string() + " " + (folder / "a" / "IMG.JPG").string() + " " +
                              (folder / "b" / "img.jpg").string();
  const ProgramRun run = RunProgram({"/usr/bin/unshare", "-m", "/bin/sh", "-c", command});
  if (run.exitCode == 77) GTEST_SKIP() << "vfat cannot be mounted here: " << run.err;
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(Count(run.out, '\n'), 1u) << run.out;
  EXPECT_NE(run.out.find("IMG.JPG"), npos) << "the first source's result was not kept";
  EXPECT_NE(run.err.find("img.jpg"), npos) << run.err;
}

// Without --jobs, as many files at once as the process may use CPUs, as the help says.
TEST(Jobs, DefaultFollowsTheCpusTheProcessMayUse) {
  const struct {
    const char* cpus;
    const char* says;
  } cases[] = {{"0", "here 1)"}, {"0,1", "here 2)"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cpus);
    if (std::string(c.cpus) == "0,1" && std::thread::hardware_concurrency() < 2)
      GTEST_SKIP() << "one CPU only";
    const ProgramRun run = RunProgram({"/usr/bin/taskset", "-c", c.cpus, HOSEI_CLI_PATH, "--help"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(c.says), npos);
  }
}

}  // namespace
}  // namespace hosei::test

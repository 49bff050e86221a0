#include "batch.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <set>
#include <system_error>
#include <thread>
#include <variant>

#include "case_folding.h"
#include "centre_move.h"
#include "estimate.h"
#include "execute.h"
#include "file_names.h"
#include "formatted.h"
#include "gettext.h"
#include "interrupt.h"
#include "problem_words.h"
#include "progress_bar.h"

namespace hosei {

namespace {

namespace fs = std::filesystem;

// Abandons a file being written once an interrupt has come.
class StopOnInterrupt : public ExecuteObserver {
 public:
  bool stopRequested() const override { return ReceivedInterrupt() != 0; }
};

class BarObserver : public StopOnInterrupt {
 public:
  BarObserver(ProgressBar& bar, std::string label) : bar_(bar), label_(std::move(label)) {}
  void pictureAccepted(int /*width*/, int height) override {
    total_ = height;
    bar_.show(label_, 0, total_);
  }
  void rowsDone(int row) override { bar_.show(label_, row, total_); }

 private:
  ProgressBar& bar_;
  std::string label_;
  int total_ = 0;
};

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The note told when the centre answers do not fit the picture, shown only if the file is
// then done.
std::string UnusableCentreNote(const std::string& file, const CentreAnswers& answers,
                               const CentreMoveRule& rule) {
  return "hosei-cli: " +
         Formatted(
             _("%s: the centre %s,%s cannot be used, so the picture's own centre is used "
               "(x %s to %s, y %s to %s; the picture's centre itself cannot be given)"),
             {file, Shortened(answers.x), Shortened(answers.y), std::to_string(rule.lowX),
              std::to_string(rule.highX), std::to_string(rule.lowY), std::to_string(rule.highY)}) +
         "\n";
}

// One existing file, whatever path (link or other spelling) leads to it.
struct FileIdentity {
  dev_t device;
  ino_t inode;
  auto operator<=>(const FileIdentity&) const = default;
};

// The file a path leads to now; nothing when it cannot be reached, `problem` then saying why.
std::optional<FileIdentity> IdentityOf(const std::string& path, int* problem = nullptr) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (problem) *problem = errno;
    return std::nullopt;
  }
  return FileIdentity{info.st_dev, info.st_ino};
}

// Where a result lands, so that two spellings of one folder ("out", "./out/") compare
// equal, and two names that differ only in case do too where the folder's file system
// takes them for one file (a camera card); a folder that cannot be resolved is compared
// as spelt. Each folder is resolved and asked about case once: a card of thousands of
// photos would otherwise cost several system calls per name.
class Places {
 public:
  std::string of(const std::string& result) {
    const fs::path path(result);
    const fs::path parent = path.has_parent_path() ? path.parent_path() : ".";
    auto [at, fresh] = folders_.try_emplace(parent.string());
    if (fresh) {
      std::error_code error;
      at->second.canonical = fs::canonical(parent, error);
      at->second.resolved = !error;
      at->second.foldsCase = at->second.resolved && FolderFoldsCase(at->second.canonical.string());
    }
    const Folder& folder = at->second;
    if (!folder.resolved) return path.lexically_normal().string();
    const std::string name = path.filename().string();
    return (folder.canonical / (folder.foldsCase ? FoldedName(name) : name)).string();
  }

 private:
  struct Folder {
    fs::path canonical;
    bool resolved = false;
    bool foldsCase = false;
  };
  std::map<std::string, Folder> folders_;
};

// One file of the command line, what it is to become and, once done, what became of it.
struct Task {
  std::string file;
  FileKind kind = FileKind::kOther;      // what the file held when the run was planned
  std::optional<FileIdentity> identity;  // the file named, as it was before the run
  std::optional<std::string> result;     // nothing: no result name can be formed
  int sharesResultWith = -1;             // the nearest earlier task with the same result
  FileError knownError;                  // decided before the run: the file is not done

  std::string outLine, errLines;  // the lines to show, in input order
  bool failed = false;
  bool resultTaken = false;  // this task or an earlier one has written the shared result
  bool done = false;         // guarded by Tasks::mutex
};

struct Tasks {
  std::vector<Task> list;
  int outProblem = 0;  // why the lines first failed to reach standard output; main thread only
  std::mutex mutex;
  std::condition_variable finished;

  void markDone(Task& task) {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      task.done = true;
    }
    finished.notify_all();
  }
  void awaitDone(const Task& task) {
    std::unique_lock<std::mutex> lock(mutex);
    finished.wait(lock, [&task] { return task.done; });
  }
};

// Every file's result, decided before anything is written: which files share a result,
// and which files are missing only to be written by this run (those are reported as the
// missing files they were, never corrected again in the same run, whatever the order in
// which the files get done). A file named again for the same result, as overlapping globs
// name it, keeps only its first place: correcting it again would only clash with its own
// result. A link under another name still gets a result of its own.
std::vector<Task> Plan(const CommandLine& line) {
  std::vector<Task> tasks;
  std::map<std::string, int> lastWithPlace;
  std::vector<int> missing;
  std::set<std::pair<FileIdentity, std::string>> named;
  Places places;
  for (const std::string& file : line.files) {
    Task task;
    task.file = file;
    int problem = 0;
    task.identity = IdentityOf(file, &problem);
    if (KindOfFile(file, task.kind)) task.kind = FileKind::kOther;
    task.result = ResultFileFor(file, task.kind, line.outputDir);
    if (task.identity && task.result &&
        !named.emplace(*task.identity, places.of(*task.result)).second)
      continue;
    if (!task.identity) {
      task.knownError = FileError{FileProblem::kCannotOpen, file, std::strerror(problem)};
      missing.push_back(static_cast<int>(tasks.size()));
    }
    if (task.result) {
      auto [at, fresh] = lastWithPlace.try_emplace(places.of(*task.result), 0);
      if (!fresh) task.sharesResultWith = at->second;
      at->second = static_cast<int>(tasks.size());
    } else {
      task.knownError = FileError{FileProblem::kNameTooShort, file, {}};
    }
    tasks.push_back(std::move(task));
  }
  for (const int i : missing) {
    Task& task = tasks[static_cast<std::size_t>(i)];
    if (task.knownError.problem == FileProblem::kCannotOpen &&
        !lastWithPlace.count(places.of(task.file)))
      task.knownError = {};  // Execute tells what is wrong with it
  }
  return tasks;
}

// The line refusing the command when a result would replace another file named on the
// command line, compared as files (through links), not as spelt; empty when none would.
// A result that is its own source is left to Execute, which refuses that file alone.
std::string OverwriteRefusal(const std::vector<Task>& tasks) {
  std::map<FileIdentity, std::size_t> firstNamed;
  for (std::size_t i = 0; i < tasks.size(); ++i)
    if (tasks[i].identity) firstNamed.try_emplace(*tasks[i].identity, i);
  for (const Task& task : tasks) {
    if (!task.result) continue;
    const auto result = IdentityOf(*task.result);  // a result not yet there cannot clash
    if (!result || result == task.identity) continue;
    const auto other = firstNamed.find(*result);
    if (other == firstNamed.end()) continue;
    return "hosei-cli: " +
           Formatted(_("the result of %s, %s, would overwrite %s, named on the command line, so "
                       "nothing is written (write into another folder with --output-dir, or "
                       "leave the earlier results out)"),
                     {task.file, *task.result, tasks[other->second].file}) +
           "\n";
  }
  return {};
}

struct RunSettings {
  const CommandLine& line;
  const Parameters& parameters;
  HeldFields held;  // what --estimate and --auto keep as given
};

HeldFields HeldOf(const CommandLine& line, const Parameters& parameters) {
  HeldFields held;
  held.texts = line.fields;
  held.values = parameters;
  held.fields = line.givenFields;
  held.centre = line.centre;
  return held;
}

// The estimate of the mode the command line asks for, with its fields filled into `fields`
// and its centre's answers into `centre`. Nothing when the file cannot be read (`error`
// saying why) or its picture gives no estimate; `options` are the estimate as options.
struct FileEstimate {
  bool nothingToCorrect = true;
  std::string options;
  FieldTexts fields;
  std::optional<CentreAnswers> centre;
};

FileError EstimateOf(const std::string& file, const RunSettings& settings, FileEstimate& found) {
  EstimateResult result;
  if (FileError error = EstimateFromFile(file, settings.line.fields.mode, result, settings.held))
    return error;
  found.fields = settings.line.fields;
  found.centre = settings.line.centre;
  const auto take = [&found](const auto& estimate) {
    found.nothingToCorrect = estimate.nothingToCorrect;
    found.options = CommandLineOptions(estimate);
    ApplyEstimate(estimate, found.fields);
  };
  if (result.vignetting) {
    take(*result.vignetting);
    found.centre = result.vignetting->centre;
  } else if (result.fog) {
    take(*result.fog);
  } else {
    return FileError{FileProblem::kUnsupportedPhoto, file, {}, ProblemDetail::kNoEstimate, {}};
  }
  return {};
}

// --estimate: one line for the file, nothing written.
void EstimateTask(Task& task, const RunSettings& settings) {
  FileEstimate found;
  if (FileError error = EstimateOf(task.file, settings, found)) {
    task.failed = true;
    task.errLines = "hosei-cli: " + FileErrorLine(error) + "\n";
    return;
  }
  task.outLine = task.file + ": " + found.options + "\n";
}

// Corrects one file and keeps the lines that tell of it. A file whose result an earlier one
// shares waits for that one and is done only when the result is still not written.
void RunTask(Tasks& tasks, Task& task, const RunSettings& settings, ExecuteObserver* observer) {
  const auto fail = [&task](const std::string& line) {
    task.failed = true;
    task.errLines = "hosei-cli: " + line + "\n";
  };
  if (ReceivedInterrupt()) return;  // not begun: nothing to tell
  if (settings.line.estimate) {
    EstimateTask(task, settings);
    return;
  }
  if (!task.result) {
    fail(FileErrorLine(task.knownError));
    return;
  }
  if (task.sharesResultWith >= 0) {
    const Task& earlier = tasks.list[static_cast<std::size_t>(task.sharesResultWith)];
    tasks.awaitDone(earlier);
    if (earlier.resultTaken) {
      // Two sources of one name sent into one folder: keep the first result.
      task.resultTaken = true;
      fail(Formatted(_("%s: the result %s was written from another file in this run, so it is "
                       "not overwritten"),
                     {task.file, *task.result}));
      return;
    }
  }
  if (task.knownError) {
    fail(FileErrorLine(task.knownError));
    return;
  }

  ExecuteJob job;
  job.currentFile = task.file;
  job.kind = task.kind;
  job.parameters = settings.parameters;
  job.centreAnswers = settings.line.centre;
  std::string estimated;  // --auto: the estimate, told beside the done line
  if (settings.line.autoCorrect) {
    FileEstimate found;
    if (FileError error = EstimateOf(task.file, settings, found)) {
      fail(FileErrorLine(error));
      return;
    }
    if (found.nothingToCorrect) {
      if (!settings.line.quiet)
        task.outLine =
            Formatted(_("%s: no correction needed (estimate %s)"), {task.file, found.options}) +
            "\n";
      return;
    }
    const auto read = ReadParameters(found.fields);
    if (const auto* refusal = std::get_if<Refusal>(&read)) {
      fail(task.file + ": " +
           RefusalLine(OptionOf(refusal->field), refusal->text, AcceptedWords(refusal->field)));
      return;
    }
    job.parameters = std::get<Parameters>(read);
    job.centreAnswers = found.centre;
    estimated = "  " + found.options;
  }
  job.resultFile = *task.result;
  job.jpegQuality = settings.line.jpegQuality;

  const auto started = std::chrono::steady_clock::now();
  ExecuteOutcome outcome;
  try {
    outcome = Execute(job, observer);
  } catch (const std::bad_alloc&) {
    outcome.error = FileError{FileProblem::kOutOfMemory, task.file, {}};
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
  if (!outcome.succeeded()) {
    fail(FileErrorLine(outcome.error));
    return;
  }
  if (outcome.unusableCentre)
    task.errLines = UnusableCentreNote(task.file, *job.centreAnswers, *outcome.unusableCentre);
  task.resultTaken = true;
  if (!settings.line.quiet) {
    char line[64];
    // TRANSLATORS: after a done file: its width x height in dots, and the seconds it took.
    std::snprintf(line, sizeof line, _("  %d×%d  %.3f s"), outcome.width, outcome.height,
                  took.count());
    task.outLine = task.file + " → " + outcome.resultFile + line + estimated + "\n";
  }
}

// Shows what became of a task, always from the main thread and in input order. The line
// leaves the buffer at once, so that a batch interrupted with its output piped keeps the
// lines of the files it finished.
void Report(Tasks& tasks, const Task& task, std::FILE* out, std::FILE* err) {
  std::fputs(task.errLines.c_str(), err);
  std::fputs(task.outLine.c_str(), out);
  // A failed write drops the buffer, so only now is the reason known.
  if (std::fflush(out) != 0 && !tasks.outProblem) tasks.outProblem = errno;
}

// One file after the other on this thread, the bar following each file's rows.
void RunInOrder(Tasks& tasks, const RunSettings& settings, ProgressBar& bar, std::FILE* out,
                std::FILE* err) {
  for (Task& task : tasks.list) {
    BarObserver observer(bar, std::string(FileTitle(task.file)));
    RunTask(tasks, task, settings, &observer);
    tasks.markDone(task);
    bar.clear();
    Report(tasks, task, out, err);
  }
}

// `threads` files at once; the lines still come in input order, each as soon as it and
// every file before it are done, the bar counting files.
void RunAtOnce(Tasks& tasks, const RunSettings& settings, int threads, ProgressBar& bar,
               std::FILE* out, std::FILE* err) {
  std::atomic<std::size_t> next{0};
  StopOnInterrupt observer;  // shared: it keeps nothing
  const auto work = [&] {
    for (std::size_t i; (i = next++) < tasks.list.size();) {
      RunTask(tasks, tasks.list[i], settings, &observer);
      tasks.markDone(tasks.list[i]);
    }
  };
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    try {
      workers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // the system will not start more: go on with those there are
    }
  }
  if (workers.empty()) work();
  const int total = static_cast<int>(tasks.list.size());
  for (int i = 0; i < total; ++i) {
    const Task& task = tasks.list[static_cast<std::size_t>(i)];
    bar.show(std::string(FileTitle(task.file)), i, total);
    tasks.awaitDone(task);
    bar.clear();
    Report(tasks, task, out, err);
  }
  for (std::thread& worker : workers) worker.join();
}

}  // namespace

int RunBatch(const CommandLine& line, std::FILE* out, std::FILE* err, bool showProgress) {
  const auto read = ReadParameters(line.fields);
  if (const auto* refusal = std::get_if<Refusal>(&read)) {
    std::fprintf(err, "hosei-cli: %s\n",
                 RefusalLine(OptionOf(refusal->field), refusal->text, AcceptedWords(refusal->field))
                     .c_str());
    return kUsageOrRefused;
  }
  if (!line.estimate && !line.outputDir.empty() && !IsFolder(line.outputDir)) {
    std::fprintf(err, "hosei-cli: %s\n",
                 Formatted(_("%s: no such folder: %s"), {"--output-dir", line.outputDir}).c_str());
    return kUsageOrRefused;
  }
  const Parameters parameters = std::get<Parameters>(read);

  Tasks tasks;
  tasks.list = Plan(line);
  // An estimate writes nothing, so it overwrites nothing either.
  if (const std::string refusal = line.estimate ? "" : OverwriteRefusal(tasks.list);
      !refusal.empty()) {
    std::fputs(refusal.c_str(), err);
    return kUsageOrRefused;
  }

  ProgressBar bar(err, showProgress && !line.quiet);
  const RunSettings settings{line, parameters, HeldOf(line, parameters)};
  const int jobs = static_cast<int>(std::min<std::size_t>(
      static_cast<std::size_t>(line.jobs > 0 ? line.jobs : DefaultJobs()), tasks.list.size()));
  if (jobs <= 1)
    RunInOrder(tasks, settings, bar, out, err);
  else
    RunAtOnce(tasks, settings, jobs, bar, out, err);

  int status = kAllDone;
  for (const Task& task : tasks.list)
    if (task.failed) status = kSomeFailed;
  return CheckedOutput(out, err, status, tasks.outProblem);
}

int CheckedOutput(std::FILE* out, std::FILE* err, int status, int problem) {
  errno = 0;
  if (std::fflush(out) == 0 && !std::ferror(out)) return status;
  problem = problem ? problem : errno ? errno : EIO;
  std::fprintf(
      err, "hosei-cli: %s\n",
      Formatted(_("cannot write to standard output: %s"), {std::strerror(problem)}).c_str());
  std::clearerr(out);  // told once
  return status == kAllDone ? kSomeFailed : status;
}

}  // namespace hosei

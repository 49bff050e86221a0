#include "batch.h"

#include <sys/stat.h>

#include <chrono>
#include <set>
#include <variant>

#include "bitmap_file.h"
#include "centre_move.h"
#include "execute.h"
#include "file_names.h"
#include "progress_bar.h"
#include "tables.h"

namespace hosei {

namespace {

class BarObserver : public ExecuteObserver {
 public:
  BarObserver(ProgressBar& bar, std::string label) : bar_(bar), label_(std::move(label)) {}
  void headerAccepted(const BitmapHeader& header) override {
    total_ = static_cast<int>(header.height);
    bar_.show(label_, 0, total_);
  }
  void rowsDone(int row) override { bar_.show(label_, row, total_); }

 private:
  ProgressBar& bar_;
  std::string label_;
  int total_ = 0;
};

// Typed values are echoed in messages; a pasted page of text is cut to a readable length.
std::string Shortened(const std::string& text) {
  constexpr std::size_t kShown = 40;
  if (CharacterCount(text) <= kShown) return text;
  return *WithoutLastCharacters(text, CharacterCount(text) - kShown) + "…";
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The centre the dialog would give this image for the two answers. When the rule sends it
// back to the image centre, `note` says so; it is shown only if the file is then done.
std::optional<MovedCentre> CentreFor(const std::string& file, const CentreAnswers& answers,
                                     std::string& note) {
  BitmapHeader header;
  if (ReadBitmapHeader(file, header)) return std::nullopt;  // Execute reports the file
  const auto rule = CentreMoveRuleFor(header.width, header.height);
  if (!rule) return std::nullopt;
  auto centre = CentreFromAnswers(*rule, answers.x, answers.y);
  if (!centre) {
    note = "hosei-cli: " + file + ": 中心 " + Shortened(answers.x) + "," + Shortened(answers.y) +
           " は使えないため画像の中心で補正します（x " + std::to_string(rule->lowX) + "～" +
           std::to_string(rule->highX) + "、y " + std::to_string(rule->lowY) + "～" +
           std::to_string(rule->highY) + "、画像の中心そのものは指定できません）\n";
  }
  return centre;
}

}  // namespace

int RunBatch(const CommandLine& line, std::FILE* out, std::FILE* err, bool showProgress) {
  const auto read = ReadParameters(line.fields);
  if (const auto* refusal = std::get_if<Refusal>(&read)) {
    std::fprintf(err, "hosei-cli: %s \"%s\" は受け付けられません（受け付ける値: %s）\n",
                 OptionOf(refusal->field), Shortened(refusal->text).c_str(),
                 refusal->accepted.c_str());
    return kUsageOrRefused;
  }
  if (!line.outputDir.empty() && !IsFolder(line.outputDir)) {
    std::fprintf(err, "hosei-cli: --output-dir のフォルダがありません: %s\n",
                 line.outputDir.c_str());
    return kUsageOrRefused;
  }
  const Parameters parameters = std::get<Parameters>(read);
  BuildTables();

  ProgressBar bar(err, showProgress && !line.quiet);
  std::set<std::string> written;
  int failed = 0;
  for (const std::string& file : line.files) {
    ExecuteJob job;
    job.currentFile = file;
    job.parameters = parameters;
    if (!line.outputDir.empty()) {
      const auto result = ResultFileNameIn(line.outputDir, file);
      job.resultFile = result.value_or("");
      if (!result) {
        ++failed;
        std::fprintf(err, "hosei-cli: %s\n",
                     DescribeFileError({FileProblem::kNameTooShort, file, {}}).c_str());
        continue;
      }
    }
    const std::string resultName =
        job.resultFile.empty() ? ResultFileName(file).value_or("") : job.resultFile;
    if (!resultName.empty() && written.count(resultName)) {
      // Two sources of one name sent into one folder: keep the first result.
      ++failed;
      std::fprintf(
          err, "hosei-cli: %s: 結果 %s はこの実行で別のファイルから書かれたため上書きしません\n",
          file.c_str(), resultName.c_str());
      continue;
    }
    std::string centreNote;
    if (line.centre && parameters.mode == Mode::kVignetting)
      job.movedCentre = CentreFor(file, *line.centre, centreNote);

    BarObserver observer(bar, std::string(FileTitle(file)));
    const auto started = std::chrono::steady_clock::now();
    const ExecuteOutcome outcome = Execute(job, &observer);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    bar.clear();
    if (!outcome.succeeded()) {
      ++failed;
      std::fprintf(err, "hosei-cli: %s\n", DescribeFileError(outcome.error).c_str());
      continue;
    }
    std::fputs(centreNote.c_str(), err);
    written.insert(outcome.resultFile);
    if (!line.quiet)
      std::fprintf(out, "%s → %s  %d×%d  %.3f 秒\n", file.c_str(), outcome.resultFile.c_str(),
                   outcome.width, outcome.height, took.count());
  }
  return failed ? kSomeFailed : kAllDone;
}

}  // namespace hosei

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

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The centre the dialog would give this image for the two answers; says so when the rule
// sends it back to the image centre.
std::optional<MovedCentre> CentreFor(const std::string& file, const CentreAnswers& answers,
                                     std::FILE* err) {
  BitmapHeader header;
  if (ReadBitmapHeader(file, header)) return std::nullopt;  // Execute reports the file
  const auto rule = CentreMoveRuleFor(header.width, header.height);
  if (!rule) return std::nullopt;
  auto centre = CentreFromAnswers(*rule, answers.x, answers.y);
  if (!centre) {
    std::fprintf(err,
                 "hosei-cli: %s: 中心 %s,%s は使えないため画像の中心で補正します"
                 "（x %d～%d、y %d～%d、画像の中心そのものは指定できません）\n",
                 file.c_str(), answers.x.c_str(), answers.y.c_str(), rule->lowX, rule->highX,
                 rule->lowY, rule->highY);
  }
  return centre;
}

}  // namespace

int RunBatch(const CommandLine& line, std::FILE* out, std::FILE* err, bool showProgress) {
  const auto read = ReadParameters(line.fields);
  if (const auto* refusal = std::get_if<Refusal>(&read)) {
    std::fprintf(err, "hosei-cli: %s \"%s\" は受け付けられません（受け付ける値: %s）\n",
                 OptionOf(refusal->field), refusal->text.c_str(), refusal->accepted.c_str());
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
    if (line.centre && parameters.mode == Mode::kVignetting)
      job.movedCentre = CentreFor(file, *line.centre, err);

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
    written.insert(outcome.resultFile);
    if (!line.quiet)
      std::fprintf(out, "%s → %s  %d×%d  %.3f 秒\n", file.c_str(), outcome.resultFile.c_str(),
                   outcome.width, outcome.height, took.count());
  }
  return failed ? kSomeFailed : kAllDone;
}

}  // namespace hosei

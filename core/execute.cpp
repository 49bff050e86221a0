#include "execute.h"

#include <new>

#include "bitmap_pipeline.h"
#include "bitmap_source.h"
#include "deep_corrector.h"
#include "file_kind.h"
#include "file_names.h"
#include "photo_file.h"
#include "photo_pipeline.h"
#include "pixel_corrector.h"
#include "result_file.h"

namespace hosei {

namespace {

std::optional<std::string> ResultFileOfKind(const std::string& currentFile, FileKind kind,
                                            const std::string& folder) {
  if (!IsPhoto(kind))
    return folder.empty() ? ResultFileName(currentFile) : ResultFileNameIn(folder, currentFile);
  if (folder.empty()) return PhotoResultFileName(currentFile);
  return FolderWithSlash(folder) + PhotoResultFileName(FileTitle(currentFile));
}

// The centre of a vignetting run, now that the picture's size is known.
std::optional<MovedCentre> CentreOf(const ExecuteJob& job, ExecuteOutcome& outcome) {
  if (!job.centreAnswers || job.parameters.mode != Mode::kVignetting) return job.movedCentre;
  const auto rule = CentreMoveRuleFor(outcome.width, outcome.height);
  if (!rule) return std::nullopt;
  auto centre = CentreFromAnswers(*rule, job.centreAnswers->x, job.centreAnswers->y);
  if (!centre) outcome.unusableCentre = rule;
  return centre;
}

// The picture is accepted: its size is reported, and a result that would replace the
// source is refused before anything is written.
FileError Accept(const ExecuteJob& job, ExecuteObserver* observer, int width, int height,
                 ExecuteOutcome& outcome) {
  outcome.width = width;
  outcome.height = height;
  if (observer) observer->pictureAccepted(width, height);
  if (IsSameFile(job.currentFile, outcome.resultFile))
    return FileError{FileProblem::kResultIsSource, outcome.resultFile, {}};
  return {};
}

FileError ExecuteBitmap(const ExecuteJob& job, ExecuteObserver* observer, ExecuteOutcome& outcome) {
  BitmapSource source;
  if (FileError error = BitmapSource::open(job.currentFile, source)) return error;
  if (FileError error = Accept(job, observer, source.width(), source.height(), outcome))
    return error;
  const PixelCorrector corrector(job.parameters, outcome.width, outcome.height,
                                 CentreOf(job, outcome));
  ResultFile result;
  if (FileError error = result.create(outcome.resultFile, PermissionsFollowing(job.currentFile)))
    return error;
  if (FileError error = result.write(source.headerRegion().data(), source.headerRegion().size()))
    return error;
  if (FileError error = CorrectBitmapRows(source, corrector, result, observer)) return error;
  return result.commit();
}

FileError ExecutePhoto(const ExecuteJob& job, ExecuteObserver* observer, ExecuteOutcome& outcome) {
  std::unique_ptr<PhotoReader> reader;
  if (FileError error = OpenPhoto(job.currentFile, reader, observer)) return error;
  if (FileError error = Accept(job, observer, reader->width(), reader->height(), outcome))
    return error;
  const auto centre = CentreOf(job, outcome);
  std::unique_ptr<RowCorrector> corrector;
  if (IsDeep(reader->sampleType()))
    corrector = std::make_unique<DeepCorrector>(
        job.parameters, outcome.width, outcome.height, centre, reader->sampleType(),
        reader->givesStoredRows() ? ChannelOrder::kRedFirst : ChannelOrder::kBlueFirst);
  else
    corrector =
        std::make_unique<PixelCorrector>(job.parameters, outcome.width, outcome.height, centre);
  ResultFile result;
  if (FileError error = result.create(outcome.resultFile, PermissionsFollowing(job.currentFile)))
    return error;
  std::unique_ptr<PhotoWriter> writer;
  if (FileError error = reader->createWriter(result.descriptor(), outcome.resultFile,
                                             PhotoWriteOptions{job.jpegQuality}, writer))
    return error;
  if (FileError error = CorrectPhotoRows(*reader, *corrector, *writer, observer)) return error;
  if (FileError error = writer->finish()) return error;
  return result.commit();
}

}  // namespace

ExecuteOutcome Execute(const ExecuteJob& job, ExecuteObserver* observer) {
  ExecuteOutcome outcome;
  // A file that cannot even be opened is reported by the bitmap reader, as it always was.
  FileKind kind = FileKind::kOther;
  if (job.kind)
    kind = *job.kind;
  else if (KindOfFile(job.currentFile, kind))
    kind = FileKind::kOther;

  if (job.resultFile.empty()) {
    const auto result = ResultFileOfKind(job.currentFile, kind, {});
    if (!result) {
      outcome.error = FileError{FileProblem::kNameTooShort, job.currentFile, {}};
      return outcome;
    }
    outcome.resultFile = *result;
  } else {
    outcome.resultFile = job.resultFile;
  }

  try {
    outcome.error = IsPhoto(kind) ? ExecutePhoto(job, observer, outcome)
                                  : ExecuteBitmap(job, observer, outcome);
  } catch (const std::bad_alloc&) {
    outcome.error = FileError{FileProblem::kOutOfMemory, {}, {}};
  }
  if (outcome.error.problem == FileProblem::kOutOfMemory ||
      outcome.error.problem == FileProblem::kStopped)
    outcome.error.path = job.currentFile;
  return outcome;
}

std::optional<std::string> ResultFileFor(const std::string& currentFile,
                                         const std::string& folder) {
  FileKind kind = FileKind::kOther;
  if (KindOfFile(currentFile, kind)) kind = FileKind::kOther;
  return ResultFileOfKind(currentFile, kind, folder);
}

std::optional<std::string> ResultFileFor(const std::string& currentFile, FileKind kind,
                                         const std::string& folder) {
  return ResultFileOfKind(currentFile, kind, folder);
}

}  // namespace hosei

#pragma once

#include <string>
#include <vector>

namespace hosei {

// What went wrong with a file, as a value: each front end words it in its own language.
enum class FileProblem {
  kNone,
  kCannotOpen,      // missing, no permission, ...
  kNotRegularFile,  // a folder, a device, a pipe
  kReadFailed,
  kNot24BitBitmap,    // failed the accept test
  kBeyondLowWords,    // accepted, but offset, width or height above 65535, or top-down
  kZeroSize,          // accepted, but width or height is 0
  kOffsetOutOfRange,  // accepted, but the pixel data offset is below 54 or 32768 and more
  kTruncated,         // shorter than offset + height * padded row length
  kOutOfMemory,
  kNameTooShort,      // fewer than four characters to replace by the result suffix
  kCannotWrite,       // result or display copy could not be written
  kResultIsSource,    // the file to write is the file being read
  kStopped,           // abandoned at the caller's request; nothing written
  kUnsupportedPhoto,  // a JPEG, PNG or TIFF of a kind hosei cannot correct; detail says why
  kCorruptPhoto,      // a JPEG, PNG or TIFF that its library cannot decode; detail says why
};

// Why a photo is refused or could not be written, beyond its FileProblem. A detail's
// wording quotes FileError::values in order (numbers, names, a library's own message).
enum class ProblemDetail {
  kNone,
  // Any photo, or the engine's own consistency checks.
  kNotAPhoto,
  kSideOutOfRange,         // values: the largest side
  kFloatOutOfRange,        // samples outside 0..1
  kFloatOutOfRangeOrNaN,   // samples outside 0..1, NaN or infinities among them
  kDeepRowsIntoEightBit,   // values: the format's name
  kEightBitRowsIntoDeep,   // values: the format's name (a 16-bit result)
  kEightBitRowsIntoFloat,  // values: the format's name
  kEightBitPicture,        // deep rows asked of an 8-bit picture
  kEightBitWriter,         // deep rows given to an 8-bit writer
  kStoredRowsUnsupported,  // stored rows asked of a reader or writer that cannot take them
  kPastLastRow,
  kRowsBeyondHeight,
  kRowsMissing,
  kNoEstimate,  // the picture gives no estimate
  // JPEG
  kJpegTooManySegments,
  kJpegMetadataTooLarge,
  kJpegTruncated,
  kJpegProgressiveTooLarge,
  kJpegNotEightBit,        // values: libjpeg's message
  kJpegCodingUnsupported,  // values: libjpeg's message
  kJpegTooLarge,
  kJpegHeightLater,
  kJpegCorrupt,  // values: libjpeg's message
  kJpegCmyk,
  kJpegColourSpace,
  kJpegNoQuantTable,
  kJpegRowUnreadable,
  kJpegCannotWrite,  // values: libjpeg's message
  kJpegQuantOutOfRange,
  // PNG
  kPngTruncated,
  kPngCorrupt,  // values: libpng's message
  kPngKindUnsupported,
  kPngInterlacedTooLarge,
  kPngCrcMismatch,  // values: the chunk's type
  kPngChunksBroken,
  kPngNoHeaderFirst,
  kPngTwoHeaders,
  kPngHeaderBroken,
  kPngAnimated,
  kPngUnknownCritical,  // values: the chunk's type
  kPngTooManyChunks,
  kPngMetadataTooLarge,
  kPngNoImageData,
  kPngCannotWrite,    // values: libpng's message
  kPngDepthMismatch,  // values: the result's bits, the rows' bits
  // TIFF
  kTiffCorrupt,  // values: libtiff's message
  kTiffHeaderTruncated,
  kBigTiff,
  kTiffTooManyTags,  // values: the most tags
  kTiffMetadataTooLarge,
  kTiffTagBroken,  // values: " Name" or "", the tag's number
  kTiffSeveralPages,
  kTiffSubImages,
  kTiffColourModel,
  kTiffExtraChannels,
  kTiffPlanar,
  kTiffCompression,  // values: the compression's number
  kTiffFloatBits,    // values: the bits
  kTiffSignedOrComplex,
  kTiffIntegerBits,  // values: the bits
  kTiffDeepPremultiplied,
  kTiffPredictor,  // values: the predictor's number
  kTiffZeroTile,
  kTiffTileTooLarge,
  kTiffRowLength,
  kTiffExifBroken,
  kTiffGpsBroken,
  kTiffCannotCreate,     // values: libtiff's message
  kTiffExifCannotWrite,  // values: libtiff's message
  kTiffGpsCannotWrite,   // values: libtiff's message
  kTiffCannotWrite,      // values: libtiff's message
  kTiffTagsCannotWrite,  // values: libtiff's message
  // FITS
  kFitsDataAfterLastUnit,
  kFitsTooManyExtensions,  // values: the most extensions
  kFitsExtensionSizeUnreadable,
  kFitsExtensionTruncated,
  kFitsTooManyCards,  // values: the most cards
  kFitsHeaderCutBeforeEnd,
  kFitsUnreadable,  // values: cfitsio's message
  kFitsTileCompressed,
  kFitsLibraryMissing,  // values: the loader's reason
  kFitsNoImage,
  kFitsRepeatedCards,
  kFitsRandomGroups,
  kFitsImageUnreadable,  // values: cfitsio's message
  kFitsDataTruncated,
  kFitsBitpix,  // values: the BITPIX
  kFitsLayout,
  kFitsKeyUnreadable,     // values: the keyword, cfitsio's message
  kFitsHeaderUnreadable,  // values: cfitsio's message
  kFitsSigned16,
  kFitsScaled,
  kFitsNoRoomForHistory,
  kFitsCannotWrite,          // values: cfitsio's message
  kFitsCardCannotBeWritten,  // values: the keyword, cfitsio's message
};

struct FileError {
  FileProblem problem = FileProblem::kNone;
  std::string path;
  // strerror text where the system reported one
  std::string systemMessage;
  ProblemDetail detail = ProblemDetail::kNone;
  std::vector<std::string> values = {};  // what the detail's wording quotes, in order

  explicit operator bool() const { return problem != FileProblem::kNone; }
};

}  // namespace hosei

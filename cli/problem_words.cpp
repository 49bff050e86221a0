#include "problem_words.h"

#include "formatted.h"
#include "gettext.h"
#include "parameter_table.h"

namespace hosei {

namespace {

// What is wrong with a photo; %s quotes FileError::values in order.
const char* DetailPattern(ProblemDetail detail) {
  switch (detail) {
    case ProblemDetail::kNone:
      return "";
    case ProblemDetail::kNotAPhoto:
      return N_("neither JPEG, PNG, TIFF nor FITS");
    case ProblemDetail::kSideOutOfRange:
      return N_("width or height not within 1 to %s");
    case ProblemDetail::kFloatOutOfRange:
      return N_("floating-point samples outside 0 to 1");
    case ProblemDetail::kFloatOutOfRangeOrNaN:
      return N_("floating-point samples outside 0 to 1 (NaN and infinities included)");
    case ProblemDetail::kDeepRowsIntoEightBit:
      return N_("16-bit or floating-point rows cannot be written into an 8-bit %s");
    case ProblemDetail::kEightBitRowsIntoDeep:
      return N_("8-bit rows cannot be written into a 16-bit %s");
    case ProblemDetail::kEightBitRowsIntoFloat:
      return N_("8-bit rows cannot be written into a floating-point %s");
    case ProblemDetail::kEightBitPicture:
      return N_("the picture has 8 bits a channel");
    case ProblemDetail::kEightBitWriter:
      return N_("the photo being written has 8 bits a channel");
    case ProblemDetail::kStoredRowsUnsupported:
      return N_("the photo's rows cannot be taken as stored");
    case ProblemDetail::kPastLastRow:
      return N_("no rows can be read past the last");
    case ProblemDetail::kRowsBeyondHeight:
      return N_("more rows than the photo's height cannot be written");
    case ProblemDetail::kRowsMissing:
      return N_("too few rows were written");
    case ProblemDetail::kNoEstimate:
      return N_("nothing can be estimated from this picture");
    case ProblemDetail::kJpegTooManySegments:
      return N_("too many JPEG metadata segments");
    case ProblemDetail::kJpegMetadataTooLarge:
      return N_("JPEG metadata too large");
    case ProblemDetail::kJpegTruncated:
      return N_("the JPEG data ends too soon");
    case ProblemDetail::kJpegProgressiveTooLarge:
      return N_("progressive JPEG too large (decoding it needs more than 1 GiB of memory)");
    case ProblemDetail::kJpegNotEightBit:
      return N_("not an 8-bit JPEG: %s");
    case ProblemDetail::kJpegCodingUnsupported:
      return N_("a JPEG of this coding cannot be read: %s");
    case ProblemDetail::kJpegTooLarge:
      return N_("a JPEG wider or higher than 65500 cannot be read");
    case ProblemDetail::kJpegHeightLater:
      return N_("a JPEG whose height comes later (DNL) cannot be read");
    case ProblemDetail::kJpegCorrupt:
      return N_("the JPEG data is broken: %s");
    case ProblemDetail::kJpegCmyk:
      return N_("CMYK JPEGs cannot be done");
    case ProblemDetail::kJpegColourSpace:
      return N_("JPEGs of this colour space cannot be done");
    case ProblemDetail::kJpegNoQuantTable:
      return N_("a JPEG quantisation table is missing");
    case ProblemDetail::kJpegRowUnreadable:
      return N_("a JPEG row cannot be read");
    case ProblemDetail::kJpegCannotWrite:
      return N_("a JPEG of this form cannot be written: %s");
    case ProblemDetail::kJpegQuantOutOfRange:
      return N_("a JPEG with quantisation table values outside 1 to 255 cannot be written");
    case ProblemDetail::kPngTruncated:
      return N_("the PNG data ends too soon");
    case ProblemDetail::kPngCorrupt:
      return N_("the PNG data is broken: %s");
    case ProblemDetail::kPngKindUnsupported:
      return N_("PNGs of this kind cannot be done");
    case ProblemDetail::kPngInterlacedTooLarge:
      return N_("interlaced PNG too large (decoding it needs more than 1 GiB of memory)");
    case ProblemDetail::kPngCrcMismatch:
      return N_("the CRC of the PNG chunk %s does not match");
    case ProblemDetail::kPngChunksBroken:
      return N_("the PNG's chunks are broken");
    case ProblemDetail::kPngNoHeaderFirst:
      return N_("the PNG does not start with an IHDR chunk");
    case ProblemDetail::kPngTwoHeaders:
      return N_("the PNG has two IHDR chunks");
    case ProblemDetail::kPngHeaderBroken:
      return N_("the PNG's IHDR chunk is broken");
    case ProblemDetail::kPngAnimated:
      return N_("animated PNGs cannot be done");
    case ProblemDetail::kPngUnknownCritical:
      return N_("the PNG has an unknown critical chunk %s");
    case ProblemDetail::kPngTooManyChunks:
      return N_("too many PNG chunks");
    case ProblemDetail::kPngMetadataTooLarge:
      return N_("PNG metadata too large");
    case ProblemDetail::kPngNoImageData:
      return N_("the PNG has no pixel data (IDAT)");
    case ProblemDetail::kPngCannotWrite:
      return N_("the PNG cannot be written: %s");
    case ProblemDetail::kPngDepthMismatch:
      return N_("a %s-bit PNG cannot take %s-bit rows");
    case ProblemDetail::kTiffCorrupt:
      return N_("the TIFF data is broken: %s");
    case ProblemDetail::kTiffHeaderTruncated:
      return N_("the TIFF header ends too soon");
    case ProblemDetail::kBigTiff:
      return N_("BigTIFF cannot be done");
    case ProblemDetail::kTiffTooManyTags:
      return N_("too many TIFF tags (%s at most)");
    case ProblemDetail::kTiffMetadataTooLarge:
      return N_("TIFF metadata too large");
    case ProblemDetail::kTiffTagBroken:
      return N_("the TIFF tag%s (%s) is broken");
    case ProblemDetail::kTiffSeveralPages:
      return N_("TIFFs of several pages cannot be done");
    case ProblemDetail::kTiffSubImages:
      return N_("TIFFs with sub-images (SubIFD) cannot be done");
    case ProblemDetail::kTiffColourModel:
      return N_("TIFFs neither RGB nor grey (palette, CMYK, YCbCr, ...) cannot be done");
    case ProblemDetail::kTiffExtraChannels:
      return N_("TIFFs with extra channels other than alpha cannot be done");
    case ProblemDetail::kTiffPlanar:
      return N_("TIFFs stored by colour (planar) cannot be done");
    case ProblemDetail::kTiffCompression:
      return N_("TIFFs of this compression (%s) cannot be done");
    case ProblemDetail::kTiffFloatBits:
      return N_("%s-bit floating-point TIFFs cannot be done (32 bits only)");
    case ProblemDetail::kTiffSignedOrComplex:
      return N_("TIFFs of signed integers or complex numbers cannot be done");
    case ProblemDetail::kTiffIntegerBits:
      return N_(
          "%s-bit integer TIFFs cannot be done (integers of 8 or 16 bits, floating point of 32 "
          "bits only)");
    case ProblemDetail::kTiffDeepPremultiplied:
      return N_("16-bit or floating-point TIFFs with premultiplied alpha cannot be done");
    case ProblemDetail::kTiffPredictor:
      return N_("TIFFs of this predictor (%s) cannot be done");
    case ProblemDetail::kTiffZeroTile:
      return N_("the TIFF's tiles have a size of 0");
    case ProblemDetail::kTiffTileTooLarge:
      return N_("TIFF tiles too large");
    case ProblemDetail::kTiffRowLength:
      return N_("the TIFF's row length does not match");
    case ProblemDetail::kTiffExifBroken:
      return N_("the TIFF's EXIF is broken");
    case ProblemDetail::kTiffGpsBroken:
      return N_("the TIFF's GPS information is broken");
    case ProblemDetail::kTiffCannotCreate:
      return N_("the TIFF cannot be made: %s");
    case ProblemDetail::kTiffExifCannotWrite:
      return N_("the EXIF cannot be written: %s");
    case ProblemDetail::kTiffGpsCannotWrite:
      return N_("the GPS information cannot be written: %s");
    case ProblemDetail::kTiffCannotWrite:
      return N_("the TIFF cannot be written: %s");
    case ProblemDetail::kTiffTagsCannotWrite:
      return N_("this TIFF's tags cannot be written: %s");
    case ProblemDetail::kFitsDataAfterLastUnit:
      return N_("data that is no extension HDU follows the FITS's last HDU");
    case ProblemDetail::kFitsTooManyExtensions:
      return N_("too many FITS extension HDUs (%s at most)");
    case ProblemDetail::kFitsExtensionSizeUnreadable:
      return N_("the size of a FITS extension HDU cannot be read");
    case ProblemDetail::kFitsExtensionTruncated:
      return N_("a FITS extension HDU ends too soon");
    case ProblemDetail::kFitsTooManyCards:
      return N_("too many FITS header cards (%s at most)");
    case ProblemDetail::kFitsHeaderCutBeforeEnd:
      return N_("the FITS header ends before its END");
    case ProblemDetail::kFitsUnreadable:
      return N_("the FITS cannot be read: %s");
    case ProblemDetail::kFitsTileCompressed:
      return N_("tile-compressed FITS cannot be done");
    case ProblemDetail::kFitsLibraryMissing:
      return N_("FITS cannot be read without cfitsio: %s");
    case ProblemDetail::kFitsNoImage:
      return N_("the FITS's primary HDU holds no image");
    case ProblemDetail::kFitsRepeatedCards:
      return N_("the FITS header repeats BITPIX, NAXIS, BZERO or a like card");
    case ProblemDetail::kFitsRandomGroups:
      return N_("FITS of random groups cannot be done");
    case ProblemDetail::kFitsImageUnreadable:
      return N_("the FITS image cannot be read: %s");
    case ProblemDetail::kFitsDataTruncated:
      return N_("the FITS data ends too soon");
    case ProblemDetail::kFitsBitpix:
      return N_("FITS of BITPIX %s cannot be done (8, 16 and -32 only)");
    case ProblemDetail::kFitsLayout:
      return N_(
          "only FITS images of two grey dimensions or of three planes red, green and blue can be "
          "done");
    case ProblemDetail::kFitsKeyUnreadable:
      return N_("the FITS's %s cannot be read: %s");
    case ProblemDetail::kFitsHeaderUnreadable:
      return N_("the FITS header cannot be read: %s");
    case ProblemDetail::kFitsSigned16:
      return N_("signed 16-bit FITS cannot be done (unsigned only: BZERO 32768, BSCALE 1)");
    case ProblemDetail::kFitsScaled:
      return N_("FITS scaled by BZERO or BSCALE cannot be done");
    case ProblemDetail::kFitsNoRoomForHistory:
      return N_("the FITS header has too many cards to add a HISTORY card to the result");
    case ProblemDetail::kFitsCannotWrite:
      return N_("the FITS cannot be written: %s");
    case ProblemDetail::kFitsCardCannotBeWritten:
      return N_("the FITS header card \"%s\" cannot be written back: %s");
  }
  return "";
}

// The line for a problem; %s is the file.
const char* ProblemPattern(FileProblem problem) {
  switch (problem) {
    case FileProblem::kNone:
      return "";
    case FileProblem::kCannotOpen:
      return N_("cannot open the file: %s");
    case FileProblem::kNotRegularFile:
      return N_("not a regular file: %s");
    case FileProblem::kReadFailed:
      return N_("cannot read the file: %s");
    case FileProblem::kNot24BitBitmap:
      return N_("not a 24-bit Windows bitmap: %s");
    case FileProblem::kBeyondLowWords:
      return N_(
          "bitmaps whose width, height or pixel data position exceeds 65535, and bitmaps "
          "whose rows run from the top, cannot be done: %s");
    case FileProblem::kZeroSize:
      return N_("bitmaps of width or height 0 cannot be done: %s");
    case FileProblem::kOffsetOutOfRange:
      return N_(
          "bitmaps whose pixel data position is out of range cannot be done (54 to 32767 "
          "bytes): %s");
    case FileProblem::kTruncated:
      return N_("the file ends too soon (pixel data missing): %s");
    case FileProblem::kOutOfMemory:
      return N_("not enough memory to do it: %s");
    case FileProblem::kNameTooShort:
      return N_("the file name is too short (4 characters at least): %s");
    case FileProblem::kCannotWrite:
      return N_("cannot write the file: %s");
    case FileProblem::kResultIsSource:
      return N_("the result would be the source itself, so nothing is written: %s");
    case FileProblem::kStopped:
      return N_("stopped (no result written): %s");
    case FileProblem::kUnsupportedPhoto:
      return N_("this photo cannot be done: %s");
    case FileProblem::kCorruptPhoto:
      return N_("the photo is broken and cannot be read: %s");
  }
  return "";
}

// What a field accepts, by its conversion; %s quotes AcceptedValues in order.
const char* AcceptedPattern(Conversion conversion) {
  switch (conversion) {
    case Conversion::kPercentFraction:
      return N_("more than %s and less than %s");
    case Conversion::kSingle:
      return N_("%s to %s");
    case Conversion::kInt32:
      return kWholeNumbersPattern;
    case Conversion::kTimes14:
      return N_("%s to %s (times %s, rounded: %s to %s)");
    case Conversion::kClampedInt16:
      return N_("%s to %s (used clamped to %s to %s)");
    case Conversion::kShapeName:
      return N_("%s, %s or %s");
  }
  return "";
}

}  // namespace

std::string FileErrorLine(const FileError& error) {
  if (!error) return {};
  const std::string line = Formatted(_(ProblemPattern(error.problem)), {error.path});
  const std::string reason = error.detail != ProblemDetail::kNone
                                 ? Formatted(_(DetailPattern(error.detail)), error.values)
                                 : error.systemMessage;
  if (reason.empty()) return line;
  // TRANSLATORS: a problem's line, then why, in brackets.
  return Formatted(_("%s (%s)"), {line, reason});
}

std::string AcceptedWords(Field field) {
  const ParameterDeclaration& d = DeclarationOf(field);
  return Formatted(_(AcceptedPattern(d.conversion)), AcceptedValues(d));
}

std::string WholeNumbersWords(int lowest, int highest) {
  return Formatted(_(kWholeNumbersPattern), {std::to_string(lowest), std::to_string(highest)});
}

}  // namespace hosei

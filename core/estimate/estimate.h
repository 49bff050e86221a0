#pragma once

#include <bitset>
#include <optional>
#include <string>

#include "centre_move.h"
#include "file_error.h"
#include "parameters.h"
#include "reduced_picture.h"

namespace hosei {

// What a vignetting estimate rests on.
enum class VignettingBasis {
  // A background that is one sky or one wall (a star field, a copy stand, a clear sky):
  // the falloff is read from it directly.
  kUniformBackground,
  // The picture's gradients, balanced alike in every direction about the centre (radial
  // gradient symmetry): a scene of many small things.
  kGradients,
  // The scene's own light varies too much to tell a lens's falloff from it (a lit subject
  // against a dark background, a sky darkening upwards): nothing is corrected, whether the
  // picture has a falloff or not.
  kUndecided,
};

// A vignetting correction estimated from a picture, as the texts its fields take, so that
// it can be typed, put into the window's fields, or given to hosei-cli as it stands.
struct VignettingEstimate {
  // No falloff worth correcting was found, or none could be told from the scene (basis
  // kUndecided); the texts then hold the weakest correction.
  bool nothingToCorrect = false;
  VignettingBasis basis = VignettingBasis::kUndecided;
  std::string start;        // 周辺減光の開始, --start
  std::string coefficient;  // 減光係数, --coefficient
  std::string boundary;     // Soft, Intermediate or Sharp, --boundary
  // The centre dialog's two answers (--centre X,Y), when the falloff is centred elsewhere
  // than the picture's centre, as in a photo trimmed off-centre.
  std::optional<CentreAnswers> centre;
  // The share of light the estimated falloff leaves in the farthest corner (1 when
  // undecided).
  double cornerLight = 1.0;
};

// A fog removal / local brightness correction estimated from a picture: one circular glow
// (or darkening) taken back to the background around it.
struct FogEstimate {
  // No glow or darkening worth correcting was found; brightness 0 then changes nothing.
  bool nothingToCorrect = false;
  std::string lightX;      // --light-x, in dots from the left
  std::string lightY;      // --light-y, in dots from the bottom row
  std::string size;        // --size, the radius in dots
  std::string brightness;  // --brightness, -100..170
  std::string boundary;    // Soft, Intermediate or Sharp, --boundary
};

struct EstimateResult {
  std::optional<VignettingEstimate> vignetting;
  std::optional<FogEstimate> fog;
};

// What the user fixed: the estimate keeps these fields as typed, and the centre as
// answered, and looks only for the rest. `values` are the fields as a run reads them
// (ReadParameters); the texts echoed back are the typed ones.
struct HeldFields {
  FieldTexts texts;
  Parameters values;
  std::bitset<kFieldCount> fields;
  std::optional<CentreAnswers> centre;  // vignetting: the centre dialog's two answers

  bool holds(Field field) const { return fields[static_cast<std::size_t>(field)]; }
};

// The estimates from a picture read by ReadForEstimate (or any reduction of it) and the
// full picture's size, which the parameters are in. Nothing when the reduced picture does
// not fit that size. Deterministic: the same picture always gives the same texts.
std::optional<VignettingEstimate> EstimateVignetting(const ReducedPicture& reduced, int width,
                                                     int height, const HeldFields& held = {});
std::optional<FogEstimate> EstimateFog(const ReducedPicture& reduced, int width, int height,
                                       const HeldFields& held = {});

// Reads a picture file in any format hosei reads, reduced as it streams, and estimates the
// correction of `mode` (gamma has no estimate: the result then holds nothing).
FileError EstimateFromFile(const std::string& path, Mode mode, EstimateResult& result,
                           const HeldFields& held = {});

// The estimate as hosei-cli options, ready to paste back into a command:
// "--mode vignetting --start 62 --coefficient 35 --boundary Soft --centre 2400,1800".
std::string CommandLineOptions(const VignettingEstimate& estimate);
std::string CommandLineOptions(const FogEstimate& estimate);

// Fills the fields an estimate covers, and sets the mode. The centre answers are not a
// field: hand them to the centre dialog or to Job::centreAnswers.
void ApplyEstimate(const VignettingEstimate& estimate, FieldTexts& fields);
void ApplyEstimate(const FogEstimate& estimate, FieldTexts& fields);

}  // namespace hosei

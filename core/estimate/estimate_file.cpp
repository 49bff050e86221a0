#include <memory>

#include "estimate.h"
#include "parameter_table.h"

namespace hosei {

FileError EstimateFromFile(const std::string& path, Mode mode, EstimateResult& result,
                           const HeldFields& held) {
  result = {};
  if (mode == Mode::kGamma) return {};
  std::unique_ptr<PictureReader> reader;
  if (FileError error = OpenPictureReader(path, reader)) return error;
  ReducedPicture reduced;
  if (FileError error = ReadForEstimate(*reader, reduced)) return error;
  if (mode == Mode::kVignetting)
    result.vignetting = EstimateVignetting(reduced, reader->width(), reader->height(), held);
  else
    result.fog = EstimateFog(reduced, reader->width(), reader->height(), held);
  return {};
}

std::string CommandLineOptions(const VignettingEstimate& estimate) {
  std::string line = "--mode vignetting " + std::string(DeclarationOf(Field::kStart).option) + " " +
                     estimate.start + " " + DeclarationOf(Field::kCoefficient).option + " " +
                     estimate.coefficient + " " + DeclarationOf(Field::kBoundary).option + " " +
                     estimate.boundary;
  if (estimate.centre) line += " --centre " + estimate.centre->x + "," + estimate.centre->y;
  return line;
}

std::string CommandLineOptions(const FogEstimate& estimate) {
  std::string line;
  for (const auto& [field, text] : {std::pair{Field::kLightX, &estimate.lightX},
                                    {Field::kLightY, &estimate.lightY},
                                    {Field::kSize, &estimate.size},
                                    {Field::kBrightness, &estimate.brightness},
                                    {Field::kBoundary, &estimate.boundary}}) {
    line += ' ';
    line += DeclarationOf(field).option;
    line += ' ';
    line += *text;
  }
  return "--mode fog" + line;
}

void ApplyEstimate(const VignettingEstimate& estimate, FieldTexts& fields) {
  fields.mode = Mode::kVignetting;
  fields[Field::kStart] = estimate.start;
  fields[Field::kCoefficient] = estimate.coefficient;
  fields[Field::kBoundary] = estimate.boundary;
}

void ApplyEstimate(const FogEstimate& estimate, FieldTexts& fields) {
  fields.mode = Mode::kFog;
  fields[Field::kLightX] = estimate.lightX;
  fields[Field::kLightY] = estimate.lightY;
  fields[Field::kSize] = estimate.size;
  fields[Field::kBrightness] = estimate.brightness;
  fields[Field::kBoundary] = estimate.boundary;
}

}  // namespace hosei

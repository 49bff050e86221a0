// The correction the fields describe, handed to the viewer for its preview.

#include <variant>

#include "form1.h"
#include "form2.h"

namespace hosei {

void Form1::handOverCorrection() {
  if (!viewer_ || fillingFields_) return;
  const auto read = ReadParameters(fieldTexts());
  const auto* parameters = std::get_if<Parameters>(&read);
  // A field Execute would refuse: the preview shows the picture as it is, as nothing
  // would be written.
  if (!parameters) {
    viewer_->setPreviewCorrection(std::nullopt);
    return;
  }
  PreviewCorrection correction{*parameters, {}};
  if (parameters->mode == Mode::kVignetting) correction.movedCentre = work_.movedCentre;
  viewer_->setPreviewCorrection(correction);
}

}  // namespace hosei

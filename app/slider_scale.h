#pragma once

#include <QLocale>
#include <QString>
#include <optional>

#include "parameter_table.h"

namespace hosei {

// The field text for a slider value: a whole number, or for gamma at most 15 significant
// digits without trailing zeros (10 gives 1.48024428491834).
QString FieldTextForSlider(SliderScale scale, int value);

// The slider value for a typed field text, read whole in the user's number format and
// rounded with halves to the even neighbour. Nothing when the text is not a number, the
// value leaves the 16-bit range, or a gamma is zero or less. The slider's own range is
// the caller's to check.
std::optional<int> SliderValueForField(SliderScale scale, const QString& text,
                                       const QLocale& locale);

}  // namespace hosei

#pragma once

#include "parameters.h"

namespace hosei {

// What a parameter field means, on the help line (two lines split by "\n") while the field
// is edited and while the mouse is over its caption.
const char* HelpLineOf(Field field);

}  // namespace hosei

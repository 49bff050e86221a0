#pragma once

#include <QString>

#include "parameters.h"

namespace hosei {

// What the help line says when Execute refuses a parameter: the field by the name its
// caption gives it, then what the parameter table accepts for it. The window opens no
// message box for a refused parameter; this is all the user is told.
QString RefusalHelp(const Refusal& refusal);

}  // namespace hosei

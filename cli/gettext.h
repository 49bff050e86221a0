#pragma once

#include <libintl.h>

namespace hosei {

// hosei-cli's texts are English and looked up in the "hosei" catalogue of the user's
// language; xgettext collects them by these two names.
inline const char* _(const char* english) { return ::gettext(english); }
// Marks a text kept in a table for collection; it is looked up with _ where it is used.
constexpr const char* N_(const char* english) { return english; }

}  // namespace hosei

#pragma once

#include <string>

namespace hosei {

// The message catalogue's domain: share/locale/<language>/LC_MESSAGES/hosei.mo.
inline constexpr const char* kTextDomain = "hosei";

// Takes the locale from the environment (LANGUAGE, then LC_ALL, LC_MESSAGES and LANG, as
// glibc reads them) and the catalogues from beside the program, so that an installed copy
// and one in the build tree each find their own.
void SpeakTheUsersLanguage();

// share/locale beside the program's own folder: <bin>/../share/locale. Empty when the
// program's path cannot be read.
std::string CatalogueFolder();

}  // namespace hosei

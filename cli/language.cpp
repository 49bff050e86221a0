#include "language.h"

#include <libintl.h>

#include <clocale>
#include <filesystem>
#include <system_error>

namespace hosei {

std::string CatalogueFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return (program.parent_path().parent_path() / "share" / "locale").string();
}

void SpeakTheUsersLanguage() {
  std::setlocale(LC_ALL, "");
  // Numbers are read and written as in the C locale whatever the user's: an estimate's
  // options are pasted back into commands, and "1,5" would be read as 1.
  std::setlocale(LC_NUMERIC, "C");
  // Where the program's own folder has no catalogues (a copy run from elsewhere), the
  // system's folder, gettext's default, is still tried.
  if (const std::string folder = CatalogueFolder();
      !folder.empty() && std::filesystem::is_directory(folder))
    ::bindtextdomain(kTextDomain, folder.c_str());
  ::textdomain(kTextDomain);
}

}  // namespace hosei

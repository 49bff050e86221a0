// Every hosei-cli these tests start speaks English, whatever the locale of whoever runs
// them: the expected lines are the catalogue's English texts. LANGUAGE goes too, as glibc
// may honour it even beside LC_ALL=C.UTF-8.

#include <cstdlib>

namespace {

const bool kEnglish = [] {
  ::setenv("LC_ALL", "C.UTF-8", 1);
  ::unsetenv("LANGUAGE");
  return true;
}();

}  // namespace

#include "cfitsio_library.h"

#include <dlfcn.h>

#include <cstdlib>

namespace hosei {

namespace {

struct Loaded {
  CfitsioFunctions functions{};
  bool complete = false;
  std::string why;
};

template <typename Function>
bool Take(void* library, const char* name, Function& function, std::string& why) {
  function = reinterpret_cast<Function>(::dlsym(library, name));
  if (!function && why.empty()) why = std::string(HOSEI_CFITSIO_LIBRARY ": no ") + name;
  return function != nullptr;
}

Loaded Load() {
  Loaded loaded;
  // Never closed: cfitsio keeps its drivers and open files for the life of the process.
  void* library = ::dlopen(HOSEI_CFITSIO_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    const char* reason = ::dlerror();
    loaded.why = reason ? reason : HOSEI_CFITSIO_LIBRARY;
    return loaded;
  }
  CfitsioFunctions& f = loaded.functions;
  std::string& why = loaded.why;
  const bool all =
      Take(library, "ffopentest", f.openFile, why) & Take(library, "ffinit", f.createFile, why) &
      Take(library, "ffclos", f.closeFile, why) & Take(library, "ffgerr", f.errorText, why) &
      Take(library, "ffprec", f.writeRecord, why) & Take(library, "ffphis", f.writeHistory, why) &
      Take(library, "ffghsp", f.headerSpace, why) & Take(library, "ffgrec", f.readRecord, why) &
      Take(library, "ffgky", f.readKey, why) & Take(library, "ffdrec", f.deleteRecord, why) &
      Take(library, "ffghadll", f.hduAddresses, why) &
      Take(library, "ffgiprll", f.pictureParameters, why) &
      Take(library, "ffcrimll", f.createPicture, why) &
      Take(library, "ffrdef", f.setStructure, why) &
      Take(library, "fits_init_cfitsio", f.initialise, why) &
      Take(library, "fits_register_driver", f.registerDriver, why);
  loaded.complete = all;
  return loaded;
}

const Loaded& Library() {
  static const Loaded loaded = Load();
  return loaded;
}

}  // namespace

const CfitsioFunctions* LoadCfitsio(std::string* why) {
  const Loaded& loaded = Library();
  if (!loaded.complete && why) *why = loaded.why;
  return loaded.complete ? &loaded.functions : nullptr;
}

const CfitsioFunctions& Cfitsio() {
  const CfitsioFunctions* functions = LoadCfitsio();
  // Reached only after a FITS file was opened, which needs the library.
  if (!functions) std::abort();
  return *functions;
}

}  // namespace hosei

#pragma once

// cfitsio brings libcurl and a whole TLS and Kerberos stack with it; loading them cost every
// start of hosei about 11 ms, whatever the file. So cfitsio is loaded when the first FITS
// file is met, and the calls hosei makes go through the table below. This header takes the
// place of cfitsio's long names (fits_open_file and the like) with functions of the same
// names that call through the table; any other use of cfitsio fails to link, so none slips
// by.

#include <fitsio.h>

#include <string>

namespace hosei {

struct CfitsioFunctions {
  decltype(&ffopentest) openFile;
  decltype(&ffinit) createFile;
  decltype(&ffclos) closeFile;
  decltype(&ffgerr) errorText;
  decltype(&ffprec) writeRecord;
  decltype(&ffphis) writeHistory;
  decltype(&ffghsp) headerSpace;
  decltype(&ffgrec) readRecord;
  decltype(&ffgky) readKey;
  decltype(&ffdrec) deleteRecord;
  decltype(&ffghadll) hduAddresses;
  decltype(&ffgiprll) pictureParameters;
  decltype(&ffcrimll) createPicture;
  decltype(&ffrdef) setStructure;
  decltype(&fits_init_cfitsio) initialise;
  int (*registerDriver)(char* prefix, int (*init)(void), int (*shutdown)(void),
                        int (*setoptions)(int), int (*getoptions)(int*), int (*getversion)(int*),
                        int (*checkfile)(char*, char*, char*), int (*open)(char*, int, int*),
                        int (*create)(char*, int*), int (*truncate)(int, LONGLONG),
                        int (*close)(int), int (*fremove)(char*), int (*size)(int, LONGLONG*),
                        int (*flush)(int), int (*seek)(int, LONGLONG),
                        int (*read)(int, void*, long), int (*write)(int, void*, long));
};

// The library's table, loaded on the first call (from any thread); null when it cannot be
// loaded, `why` then telling the library's name and the loader's reason.
const CfitsioFunctions* LoadCfitsio(std::string* why = nullptr);
// The table once LoadCfitsio has given it: only code that runs after a FITS file was opened.
const CfitsioFunctions& Cfitsio();

}  // namespace hosei

#undef fits_open_file
#undef fits_create_file
#undef fits_close_file
#undef fits_get_errstatus
#undef fits_write_record
#undef fits_write_history
#undef fits_get_hdrspace
#undef fits_read_record
#undef fits_read_key
#undef fits_delete_record
#undef fits_get_hduaddrll
#undef fits_get_img_paramll
#undef fits_create_imgll
#undef fits_set_hdustruc

namespace hosei {

inline int fits_open_file(fitsfile** f, const char* name, int mode, int* status) {
  return Cfitsio().openFile(CFITSIO_SONAME, f, name, mode, status);
}
inline int fits_create_file(fitsfile** f, const char* name, int* status) {
  return Cfitsio().createFile(f, name, status);
}
inline int fits_close_file(fitsfile* f, int* status) { return Cfitsio().closeFile(f, status); }
inline void fits_get_errstatus(int status, char* text) { Cfitsio().errorText(status, text); }
inline int fits_write_record(fitsfile* f, const char* card, int* status) {
  return Cfitsio().writeRecord(f, card, status);
}
inline int fits_write_history(fitsfile* f, const char* text, int* status) {
  return Cfitsio().writeHistory(f, text, status);
}
inline int fits_get_hdrspace(fitsfile* f, int* existing, int* more, int* status) {
  return Cfitsio().headerSpace(f, existing, more, status);
}
inline int fits_read_record(fitsfile* f, int index, char* card, int* status) {
  return Cfitsio().readRecord(f, index, card, status);
}
inline int fits_read_key(fitsfile* f, int type, const char* name, void* value, char* comment,
                         int* status) {
  return Cfitsio().readKey(f, type, name, value, comment, status);
}
inline int fits_delete_record(fitsfile* f, int index, int* status) {
  return Cfitsio().deleteRecord(f, index, status);
}
inline int fits_get_hduaddrll(fitsfile* f, LONGLONG* head, LONGLONG* data, LONGLONG* end,
                              int* status) {
  return Cfitsio().hduAddresses(f, head, data, end, status);
}
inline int fits_get_img_paramll(fitsfile* f, int most, int* bitpix, int* naxis, LONGLONG* naxes,
                                int* status) {
  return Cfitsio().pictureParameters(f, most, bitpix, naxis, naxes, status);
}
inline int fits_create_imgll(fitsfile* f, int bitpix, int naxis, LONGLONG* naxes, int* status) {
  return Cfitsio().createPicture(f, bitpix, naxis, naxes, status);
}
inline int fits_set_hdustruc(fitsfile* f, int* status) { return Cfitsio().setStructure(f, status); }

}  // namespace hosei

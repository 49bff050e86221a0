#include "photo_encoders.h"

#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

// After <cstdio>: libjpeg's header uses FILE without declaring it.
#include <jpeglib.h>

namespace hosei::test {

namespace {

std::uint32_t BigEndian(const std::uint8_t* b) {
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

// Packs one sample a byte into a PNG row of `depth` bits a sample.
Bytes PackRow(const std::uint8_t* samples, std::size_t count, int depth) {
  if (depth == 8) return Bytes(samples, samples + count);
  if (depth == 16) {
    Bytes row;
    for (std::size_t i = 0; i < count; ++i) row.insert(row.end(), {samples[i], samples[i]});
    return row;
  }
  Bytes row((count * static_cast<std::size_t>(depth) + 7) / 8, 0);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t bit = i * static_cast<std::size_t>(depth);
    row[bit / 8] |= static_cast<std::uint8_t>(samples[i] << (8 - depth - bit % 8));
  }
  return row;
}

void SetTiffFields(TIFF* tif, const Picture& picture, const TiffSpec& spec) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, picture.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, picture.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, spec.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, picture.channels);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, spec.photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, spec.compression);
  if (spec.predictor) TIFFSetField(tif, TIFFTAG_PREDICTOR, spec.predictor);
  if (picture.channels == 2 || picture.channels == 4) {
    const std::uint16_t extra[] = {EXTRASAMPLE_ASSOCALPHA};
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
  }
  if (spec.tileSize) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, spec.tileSize);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, spec.tileSize);
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 4);
  }
  if (!spec.metadata) return;
  TIFFSetField(tif, TIFFTAG_ARTIST, "写真家");
  TIFFSetField(tif, TIFFTAG_COPYRIGHT, "(c) 2024");
  TIFFSetField(tif, TIFFTAG_DATETIME, "2024:05:06 07:08:09");
  TIFFSetField(tif, TIFFTAG_IMAGEDESCRIPTION, "a test picture");
  TIFFSetField(tif, TIFFTAG_MAKE, "Maker");
  TIFFSetField(tif, TIFFTAG_MODEL, "Model 7");
  TIFFSetField(tif, TIFFTAG_SOFTWARE, "camera firmware 1.0");
  TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_RIGHTTOP);
  TIFFSetField(tif, TIFFTAG_XRESOLUTION, 300.0);
  TIFFSetField(tif, TIFFTAG_YRESOLUTION, 150.0);
  TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
  static const std::uint8_t kIcc[] = "fake ICC profile bytes \x00\x01\x02\xFF";
  static const char kXmp[] = "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>";
  static const std::uint8_t kIptc[] = {0x1C, 0x02, 0x05, 0x00, 0x04, 'N', 'a', 'm', 'e', 0, 0, 0};
  TIFFSetField(tif, TIFFTAG_ICCPROFILE, std::uint32_t{sizeof kIcc}, kIcc);
  TIFFSetField(tif, TIFFTAG_XMLPACKET, std::uint32_t{sizeof kXmp - 1}, kXmp);
  TIFFSetField(tif, TIFFTAG_RICHTIFFIPTC, std::uint32_t{sizeof kIptc}, kIptc);
  // A maker's private tag, which libtiff knows nothing of.
  static char kPrivateName[] = "Private";
  static const TIFFFieldInfo kPrivate = {
      kPrivateTag, TIFF_VARIABLE2, TIFF_VARIABLE2, TIFF_BYTE, FIELD_CUSTOM, 1, 1, kPrivateName};
  TIFFMergeFieldInfo(tif, &kPrivate, 1);
  static const std::uint8_t kPrivateBytes[] = {9, 8, 7, 6, 5};
  TIFFSetField(tif, kPrivateTag, std::uint32_t{sizeof kPrivateBytes}, kPrivateBytes);
}

// EXIF and GPS directories first, as libtiff can write them before the picture.
void WriteSubDirectories(TIFF* tif, std::uint64_t& exif, std::uint64_t& gps) {
  TIFFCreateEXIFDirectory(tif);
  TIFFSetField(tif, EXIFTAG_EXPOSURETIME, 1.0 / 250);
  TIFFSetField(tif, EXIFTAG_DATETIMEORIGINAL, "2024:05:06 07:08:09");
  const char version[4] = {'0', '2', '3', '1'};
  TIFFSetField(tif, EXIFTAG_EXIFVERSION, version);
  const std::uint16_t iso[] = {400};
  TIFFSetField(tif, EXIFTAG_ISOSPEEDRATINGS, 1, iso);
  const std::uint8_t makerNote[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  TIFFSetField(tif, EXIFTAG_MAKERNOTE, std::uint32_t{sizeof makerNote}, makerNote);
  if (!TIFFWriteCustomDirectory(tif, &exif)) throw std::runtime_error("EXIF");
  TIFFFreeDirectory(tif);  // libtiff 4.5.0 would leak it
  TIFFCreateGPSDirectory(tif);
  const std::uint8_t gpsVersion[4] = {2, 3, 0, 0};
  TIFFSetField(tif, GPSTAG_VERSIONID, gpsVersion);
  TIFFSetField(tif, GPSTAG_LATITUDEREF, "N");
  const double latitude[3] = {35, 41, 22.5};
  const float latitudeFloat[3] = {35, 41, 22.5f};
  const bool doubles = TIFFFieldSetGetSize(TIFFFieldWithTag(tif, GPSTAG_LATITUDE)) == 8;
  TIFFSetField(
      tif, GPSTAG_LATITUDE,
      doubles ? static_cast<const void*>(latitude) : static_cast<const void*>(latitudeFloat));
  if (!TIFFWriteCustomDirectory(tif, &gps)) throw std::runtime_error("GPS");
  TIFFFreeDirectory(tif);
  TIFFCreateDirectory(tif);
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

}  // namespace

TIFF* OpenTiffQuietly(const std::string& path, const char* mode) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, nullptr);
  TIFF* tif = TIFFOpenExt(path.c_str(), mode, options);
  TIFFOpenOptionsFree(options);
  return tif;
}

void WritePng(const std::string& path, const Picture& picture, const PngSpec& spec) {
  FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
               static_cast<png_uint_32>(picture.height), spec.bitDepth, spec.colourType,
               spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty())
    png_set_PLTE(png, info, reinterpret_cast<png_const_colorp>(spec.palette.data()),
                 static_cast<int>(spec.palette.size() / 3));
  if (!spec.transparency.empty()) {
    png_color_16 key{};
    const auto& t = spec.transparency;
    if (spec.colourType == PNG_COLOR_TYPE_GRAY)
      key.gray = static_cast<png_uint_16>(t[0] << 8 | t[1]);
    if (spec.colourType == PNG_COLOR_TYPE_RGB) {
      key.red = static_cast<png_uint_16>(t[0] << 8 | t[1]);
      key.green = static_cast<png_uint_16>(t[2] << 8 | t[3]);
      key.blue = static_cast<png_uint_16>(t[4] << 8 | t[5]);
    }
    png_set_tRNS(png, info, t.data(), static_cast<int>(t.size()), &key);
  }
  // The colour space chunks must come before the palette, the others may follow it.
  const auto write = [&](bool beforePalette, bool afterImage) {
    for (const auto& chunk : spec.chunks) {
      const bool colourSpace = chunk.type == "gAMA" || chunk.type == "cHRM" ||
                               chunk.type == "iCCP" || chunk.type == "sBIT";
      if (chunk.afterImage == afterImage && (afterImage || colourSpace == beforePalette))
        png_write_chunk(png, reinterpret_cast<png_const_bytep>(chunk.type.data()),
                        chunk.data.data(), chunk.data.size());
    }
  };
  png_write_info_before_PLTE(png, info);
  write(true, false);
  png_write_info(png, info);
  write(false, false);
  const std::size_t rowSamples = static_cast<std::size_t>(picture.width) * picture.channels;
  const int passes = spec.interlaced ? png_set_interlace_handling(png) : 1;
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < picture.height; ++y) {
      const Bytes row = PackRow(&picture.samples[y * rowSamples], rowSamples, spec.bitDepth);
      png_write_row(png, row.data());
    }
  write(false, true);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

PngFile ParsePng(const Bytes& file) {
  PngFile parsed;
  bool afterImage = false;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::uint32_t length = BigEndian(&file[at]);
    const std::string type(file.begin() + static_cast<long>(at) + 4,
                           file.begin() + static_cast<long>(at) + 8);
    const Bytes data(file.begin() + static_cast<long>(at) + 8,
                     file.begin() + static_cast<long>(at + 8 + length));
    if (type == "IHDR") {
      parsed.bitDepth = data[8];
      parsed.colourType = data[9];
      parsed.interlaced = data[12] != 0;
    } else if (type == "IDAT") {
      afterImage = true;
    } else if (type != "IEND") {
      parsed.chunks.push_back({type, data, afterImage});
    }
    at += 12 + length;
  }
  return parsed;
}

void WriteTiff(const std::string& path, const Picture& picture, const TiffSpec& spec) {
  TIFF* tif = OpenTiffQuietly(path, spec.bigEndian ? "wb" : "wl");
  const std::size_t rowBytes =
      static_cast<std::size_t>(picture.width) * picture.channels * (spec.bits / 8);
  for (int page = 0; page < spec.pages; ++page) {
    std::uint64_t exif = 0, gps = 0;
    if (spec.metadata && page == 0) WriteSubDirectories(tif, exif, gps);
    SetTiffFields(tif, picture, spec);
    if (exif) TIFFSetField(tif, TIFFTAG_EXIFIFD, exif);
    if (gps) TIFFSetField(tif, TIFFTAG_GPSIFD, gps);
    Bytes samples;
    for (std::uint8_t s : picture.samples)
      for (int b = 0; b < spec.bits / 8; ++b) samples.push_back(s);
    if (spec.tileSize) {
      const std::uint32_t t = spec.tileSize;
      const std::size_t pixel = rowBytes / static_cast<std::size_t>(picture.width);
      Bytes tile(t * t * pixel);
      for (std::uint32_t y = 0; y < static_cast<std::uint32_t>(picture.height); y += t)
        for (std::uint32_t x = 0; x < static_cast<std::uint32_t>(picture.width); x += t) {
          std::fill(tile.begin(), tile.end(), 0);
          for (std::uint32_t r = 0; r < t && y + r < static_cast<std::uint32_t>(picture.height);
               ++r)
            for (std::uint32_t c = 0; c < t && x + c < static_cast<std::uint32_t>(picture.width);
                 ++c)
              std::memcpy(&tile[(r * t + c) * pixel],
                          &samples[(y + r) * rowBytes + (x + c) * pixel], pixel);
          TIFFWriteTile(tif, tile.data(), x, y, 0, 0);
        }
    } else {
      for (int y = 0; y < picture.height; ++y)
        TIFFWriteScanline(tif, &samples[static_cast<std::size_t>(y) * rowBytes],
                          static_cast<std::uint32_t>(y), 0);
    }
    TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
}

void WriteJpeg(const std::string& path, const Picture& picture, const JpegSpec& spec) {
  FILE* file = std::fopen(path.c_str(), "wb");
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(picture.width);
  cinfo.image_height = static_cast<JDIMENSION>(picture.height);
  cinfo.input_components = spec.components;
  cinfo.in_color_space = spec.components == 1   ? JCS_GRAYSCALE
                         : spec.components == 3 ? JCS_RGB
                                                : JCS_CMYK;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, spec.quality, TRUE);
  cinfo.comp_info[0].h_samp_factor = spec.h;
  cinfo.comp_info[0].v_samp_factor = spec.v;
  if (spec.ownCrTable) {
    // A third table, a little coarser than the chrominance one.
    cinfo.quant_tbl_ptrs[2] = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(&cinfo));
    for (int i = 0; i < DCTSIZE2; ++i)
      cinfo.quant_tbl_ptrs[2]->quantval[i] =
          static_cast<UINT16>(cinfo.quant_tbl_ptrs[1]->quantval[i] + 3);
    cinfo.comp_info[2].quant_tbl_no = 2;
  }
  if (spec.progressive) jpeg_simple_progression(&cinfo);
  cinfo.write_JFIF_header = spec.jfif ? TRUE : FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  for (const auto& [code, bytes] : spec.markers)
    jpeg_write_marker(&cinfo, code, bytes.data(), static_cast<unsigned>(bytes.size()));
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * picture.channels;
  for (int y = 0; y < picture.height; ++y) {
    JSAMPROW row = const_cast<std::uint8_t*>(&picture.samples[y * rowBytes]);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(file);
}

JpegFile ParseJpeg(const Bytes& file) {
  JpegFile parsed;
  for (std::size_t at = 2; at + 4 <= file.size() && file[at] == 0xFF;) {
    const int code = file[at + 1];
    const std::size_t length = std::size_t{file[at + 2]} << 8 | file[at + 3];
    const Bytes data(file.begin() + static_cast<long>(at) + 4,
                     file.begin() + static_cast<long>(at + 2 + length));
    if ((code >= 0xE0 && code <= 0xEF) || code == 0xFE) parsed.markers.push_back({code, data});
    if (code == 0xDB)
      for (std::size_t t = 0; t < data.size();) {
        const bool wide = data[t] >> 4;
        const std::size_t size = wide ? 128 : 64;
        parsed.tables.push_back(
            {data[t] & 15, Bytes(data.begin() + static_cast<long>(t) + 1,
                                 data.begin() + static_cast<long>(t + 1 + size))});
        t += 1 + size;
      }
    if (code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC) {
      parsed.frame = code;
      for (int c = 0; c < data[5]; ++c)
        parsed.components.push_back(
            {data[6 + 3 * c], data[7 + 3 * c] >> 4, data[7 + 3 * c] & 15, data[8 + 3 * c]});
    }
    if (code == 0xDA) break;
    at += 2 + length;
  }
  return parsed;
}

}  // namespace hosei::test

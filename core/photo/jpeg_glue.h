#pragma once

// The C side of the JPEG codec: libjpeg's error, source and destination managers, and
// every libjpeg call that can fail wrapped in a function of its own that sets the jump
// point. libjpeg reports a failure by calling error_exit, which here jumps back into the
// wrapper in progress; the wrappers, and the callbacks that jump the same way (a segment
// too many, a stop request), hold nothing that needs destroying, so the jump skips no C++
// destructor, and the caller then destroys the codec object as usual.

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

// After <cstdio>: libjpeg's header uses size_t and FILE without declaring them.
#include <jpeglib.h>

namespace hosei {

struct JpegErrorState {
  jpeg_error_mgr manager;  // first: libjpeg's pointer to it points to the whole
  std::jmp_buf jump;
  int code;       // the failure's message code, or that of the first damaging warning
  bool damaged;   // picture data was missing or broken: libjpeg filled the gap and went on
  bool inHeader;  // bytes skipped between segments here are lost metadata, not padding
  // Decoding the one Huffman-coded scan of a picture, or reading on from it to the end
  // marker: here the end of the file loses nothing by itself, as the Huffman decoder warns
  // of its own where it then lacks data, so a file that lacks nothing but its end marker
  // reads whole. The arithmetic decoder fills a gap without a word, and the scans of a
  // picture of several are all read before one is decoded, so for those the end of the
  // file before the end marker is always damage; so it is inside a segment.
  bool endMarkerOptional;
  char message[JMSG_LENGTH_MAX];
};
void InstallErrorState(JpegErrorState& state);

// Reads the file through its descriptor. At the end of the file it hands libjpeg an end
// marker, as libjpeg's own file source does, and the warning that goes with it marks the
// picture damaged where the error state says so.
struct JpegFileSource {
  jpeg_source_mgr manager;
  int fd;
  int readError;  // errno of a failed read
  JOCTET buffer[1 << 16];
};
void UseFileSource(j_decompress_ptr cinfo, JpegFileSource& source, int fd);

// A marker segment carried from source to result: APPn or COM, its bytes after the length.
struct JpegMarker {
  int code = 0;
  std::vector<std::uint8_t> bytes;
};

// Writes through the descriptor. The segments `beforeEnd` points to, when set, go between
// the last scan and the end marker, which libjpeg writes last of all.
struct JpegFileDestination {
  jpeg_destination_mgr manager;
  int fd;
  int writeError;  // errno of a failed write (a full disk)
  const std::vector<JpegMarker>* beforeEnd;
  JOCTET buffer[1 << 16];
};
void UseFileDestination(j_compress_ptr cinfo, JpegFileDestination& destination, int fd);

// Which bound the segments of a source went beyond.
enum class JpegSegmentLimit { kNone, kCount, kBytes };

// What a decompressor's callbacks keep beside libjpeg's own state, reached through its
// client_data: the APPn and COM segments, read whole in file order, and the caller's wish
// to stop, asked at every read from the file and at every step libjpeg reports.
struct JpegReading {
  jpeg_progress_mgr progress{};
  std::function<bool()> stopRequested;
  bool stopped = false;
  JpegSegmentLimit exceeded = JpegSegmentLimit::kNone;
  bool pastHeader = false;
  std::vector<JpegMarker> header;  // before the first scan
  std::vector<JpegMarker> later;   // after it: between scans and before the end marker
  std::size_t segmentCount = 0;    // of both lists, though the header may have been taken
  std::size_t segmentBytes = 0;
};
void UseReading(j_decompress_ptr cinfo, JpegReading& reading);

struct JpegComponent {
  int id = 0;
  int h = 1;
  int v = 1;
  int table = 0;
};

// Everything about the source's coding that its result keeps.
struct JpegLayout {
  int width = 0;
  int height = 0;
  J_COLOR_SPACE colourSpace = JCS_YCbCr;  // grey, YCbCr or RGB
  int componentCount = 3;
  JpegComponent components[3] = {};
  bool hasTable[NUM_QUANT_TBLS] = {};
  std::uint16_t tables[NUM_QUANT_TBLS][DCTSIZE2] = {};  // natural order
  bool progressive = false;
  bool arithmetic = false;
  unsigned restartInterval = 0;
  std::vector<JpegMarker> markers;  // those before the first scan, in file order
};

// Each returns false after a libjpeg failure, described in the error state.
bool GuardedCreateDecompress(j_decompress_ptr cinfo);
// Reads up to the first scan. Every APPn and COM segment on the way, here and later, is
// kept whole in the reading state, up to kMaxMetadataPieces segments and kMaxCarriedBytes
// of their bytes.
bool GuardedReadHeader(j_decompress_ptr cinfo);
bool GuardedStartDecompress(j_decompress_ptr cinfo);
bool GuardedReadScanline(j_decompress_ptr cinfo, JSAMPROW row, JDIMENSION* read);
// After the last row: reads on to the end marker.
bool GuardedFinishDecompress(j_decompress_ptr cinfo);

bool GuardedCreateCompress(j_compress_ptr cinfo);
// Sets the compressor up as the layout says (or with standard tables at `quality` 1..100),
// starts it and writes the carried segments.
bool GuardedStartCompress(j_compress_ptr cinfo, const JpegLayout* layout, int quality);
bool GuardedWriteScanline(j_compress_ptr cinfo, JSAMPROW row);
bool GuardedFinishCompress(j_compress_ptr cinfo);

}  // namespace hosei

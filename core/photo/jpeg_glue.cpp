#include "jpeg_glue.h"

#include <jerror.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "photo_limits.h"

namespace hosei {

namespace {

JpegErrorState& StateOf(j_common_ptr cinfo) {
  return *reinterpret_cast<JpegErrorState*>(cinfo->err);
}

JpegErrorState& StateOf(j_decompress_ptr cinfo) {
  return StateOf(reinterpret_cast<j_common_ptr>(cinfo));
}

JpegReading& ReadingOf(j_decompress_ptr cinfo) {
  return *static_cast<JpegReading*>(cinfo->client_data);
}

// The progress monitor, and asked at every read from the file.
void StopIfAsked(j_common_ptr cinfo) {
  auto* reading = static_cast<JpegReading*>(cinfo->client_data);
  if (!reading || !reading->stopRequested || !reading->stopRequested()) return;
  reading->stopped = true;
  std::longjmp(StateOf(cinfo).jump, 1);
}

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  JpegErrorState& state = StateOf(cinfo);
  state.code = cinfo->err->msg_code;
  cinfo->err->format_message(cinfo, state.message);
  std::longjmp(state.jump, 1);
}

// Warnings that mean the picture libjpeg delivers is not the one stored.
bool IsDamage(int code) {
  switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
      return true;
    default:
      return false;
  }
}

void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace output
  JpegErrorState& state = StateOf(cinfo);
  const int code = cinfo->err->msg_code;
  if (state.damaged || !(IsDamage(code) || (state.inHeader && code == JWRN_EXTRANEOUS_DATA)))
    return;
  if (code == JWRN_JPEG_EOF && state.endMarkerOptional) return;
  state.damaged = true;
  state.code = cinfo->err->msg_code;
  cinfo->err->format_message(cinfo, state.message);
}

void OutputMessage(j_common_ptr) {}

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  StopIfAsked(reinterpret_cast<j_common_ptr>(cinfo));
  auto& source = *reinterpret_cast<JpegFileSource*>(cinfo->src);
  ssize_t n;
  do {
    n = ::read(source.fd, source.buffer, sizeof source.buffer);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    source.readError = errno;
    ERREXIT(cinfo, JERR_FILE_READ);
  }
  if (n == 0) {
    WARNMS(cinfo, JWRN_JPEG_EOF);
    source.buffer[0] = 0xFF;
    source.buffer[1] = JPEG_EOI;
    n = 2;
  }
  source.manager.next_input_byte = source.buffer;
  source.manager.bytes_in_buffer = static_cast<std::size_t>(n);
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr& manager = *cinfo->src;
  while (static_cast<std::size_t>(count) > manager.bytes_in_buffer) {
    count -= static_cast<long>(manager.bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  manager.next_input_byte += count;
  manager.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void TermSource(j_decompress_ptr) {}

unsigned ReadByte(j_decompress_ptr cinfo) {
  jpeg_source_mgr& source = *cinfo->src;
  if (source.bytes_in_buffer == 0) (*source.fill_input_buffer)(cinfo);
  --source.bytes_in_buffer;
  return *source.next_input_byte++;
}

void ReadBytes(j_decompress_ptr cinfo, std::uint8_t* to, std::size_t count) {
  jpeg_source_mgr& source = *cinfo->src;
  while (count > 0) {
    if (source.bytes_in_buffer == 0) (*source.fill_input_buffer)(cinfo);
    const std::size_t n = std::min(count, source.bytes_in_buffer);
    std::memcpy(to, source.next_input_byte, n);
    source.next_input_byte += n;
    source.bytes_in_buffer -= n;
    to += n;
    count -= n;
  }
}

// Checked before anything is allocated for the segment that would go beyond a bound.
void CountSegment(j_decompress_ptr cinfo, JpegReading& reading, std::size_t size) {
  reading.segmentBytes += size;
  if (++reading.segmentCount > kMaxMetadataPieces)
    reading.exceeded = JpegSegmentLimit::kCount;
  else if (reading.segmentBytes > kMaxCarriedBytes)
    reading.exceeded = JpegSegmentLimit::kBytes;
  else
    return;
  std::longjmp(StateOf(cinfo).jump, 1);
}

// Room for a segment at the end of its list; nullptr without the memory for it.
JpegMarker* Append(std::vector<JpegMarker>& list, int code, std::size_t size) {
  try {
    list.push_back({code, std::vector<std::uint8_t>(size)});
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return &list.back();
}

// libjpeg tells the colour space from the JFIF and Adobe segments in the processors that
// KeepSegment replaces, reading what they found from these fields; so they are set alike.
void NoteColourSegment(j_decompress_ptr cinfo, const JpegMarker& segment) {
  const std::vector<std::uint8_t>& bytes = segment.bytes;
  if (segment.code == JPEG_APP0 && bytes.size() >= 14 && std::memcmp(bytes.data(), "JFIF", 5) == 0)
    cinfo->saw_JFIF_marker = TRUE;
  if (segment.code == JPEG_APP0 + 14 && bytes.size() >= 12 &&
      std::memcmp(bytes.data(), "Adobe", 5) == 0) {
    cinfo->saw_Adobe_marker = TRUE;
    cinfo->Adobe_transform = bytes[11];
  }
}

// Keeps an APPn or COM segment whole. libjpeg's own saving walks its whole list to append
// each segment, which made a file of many empty segments take quadratic time; this appends
// at the end of a vector.
boolean KeepSegment(j_decompress_ptr cinfo) {
  JpegReading& reading = ReadingOf(cinfo);
  JpegErrorState& state = StateOf(cinfo);
  const bool endMarkerOptional = state.endMarkerOptional;
  state.endMarkerOptional = false;  // a segment the file's end cuts short is damage anywhere
  unsigned length = ReadByte(cinfo) << 8;
  length |= ReadByte(cinfo);
  if (length < 2) ERREXIT(cinfo, JERR_BAD_LENGTH);
  CountSegment(cinfo, reading, length - 2);
  JpegMarker* segment =
      Append(reading.pastHeader ? reading.later : reading.header, cinfo->unread_marker, length - 2);
  if (!segment) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
  ReadBytes(cinfo, segment->bytes.data(), segment->bytes.size());
  NoteColourSegment(cinfo, *segment);
  state.endMarkerOptional = endMarkerOptional;
  return TRUE;
}

bool WriteAll(JpegFileDestination& destination, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(destination.fd, destination.buffer + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      destination.writeError = n < 0 ? errno : ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void InitDestination(j_compress_ptr cinfo) {
  auto& destination = *reinterpret_cast<JpegFileDestination*>(cinfo->dest);
  destination.manager.next_output_byte = destination.buffer;
  destination.manager.free_in_buffer = sizeof destination.buffer;
}

// The last bytes written always stay in the buffer, so that at the end the end marker can
// be taken back and the segments that follow the last scan put before it.
constexpr std::size_t kHeldBack = 2;

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto& destination = *reinterpret_cast<JpegFileDestination*>(cinfo->dest);
  const std::size_t written = sizeof destination.buffer - kHeldBack;
  if (!WriteAll(destination, written)) ERREXIT(cinfo, JERR_FILE_WRITE);
  std::memmove(destination.buffer, destination.buffer + written, kHeldBack);
  destination.manager.next_output_byte = destination.buffer + kHeldBack;
  destination.manager.free_in_buffer = written;
  return TRUE;
}

void Put(j_compress_ptr cinfo, const JOCTET* bytes, std::size_t size) {
  jpeg_destination_mgr& manager = *cinfo->dest;
  while (size > 0) {
    if (manager.free_in_buffer == 0) EmptyOutputBuffer(cinfo);
    const std::size_t n = std::min(size, manager.free_in_buffer);
    std::memcpy(manager.next_output_byte, bytes, n);
    manager.next_output_byte += n;
    manager.free_in_buffer -= n;
    bytes += n;
    size -= n;
  }
}

void PutBeforeEnd(j_compress_ptr cinfo, const std::vector<JpegMarker>& segments) {
  cinfo->dest->next_output_byte -= kHeldBack;  // the end marker, libjpeg's last two bytes
  cinfo->dest->free_in_buffer += kHeldBack;
  for (const JpegMarker& segment : segments) {
    const std::size_t length = segment.bytes.size() + 2;
    const JOCTET head[] = {0xFF, static_cast<JOCTET>(segment.code),
                           static_cast<JOCTET>(length >> 8), static_cast<JOCTET>(length & 0xFF)};
    Put(cinfo, head, sizeof head);
    Put(cinfo, segment.bytes.data(), segment.bytes.size());
  }
  const JOCTET end[] = {0xFF, JPEG_EOI};
  Put(cinfo, end, sizeof end);
}

void TermDestination(j_compress_ptr cinfo) {
  auto& destination = *reinterpret_cast<JpegFileDestination*>(cinfo->dest);
  if (destination.beforeEnd && !destination.beforeEnd->empty())
    PutBeforeEnd(cinfo, *destination.beforeEnd);
  const std::size_t used = sizeof destination.buffer - destination.manager.free_in_buffer;
  if (!WriteAll(destination, used)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

void SetComponents(j_compress_ptr cinfo, const JpegLayout& layout, bool standardTables) {
  for (int i = 0; i < layout.componentCount; ++i) {
    const JpegComponent& from = layout.components[i];
    jpeg_component_info& to = cinfo->comp_info[i];
    to.component_id = from.id;
    to.h_samp_factor = from.h;
    to.v_samp_factor = from.v;
    // Standard tables come as a pair, luminance and chrominance.
    to.quant_tbl_no = standardTables ? std::min(from.table, 1) : from.table;
  }
}

void CopyTables(j_compress_ptr cinfo, const JpegLayout& layout) {
  for (int t = 0; t < NUM_QUANT_TBLS; ++t) {
    if (!layout.hasTable[t]) continue;
    if (!cinfo->quant_tbl_ptrs[t])
      cinfo->quant_tbl_ptrs[t] = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(cinfo));
    std::copy(layout.tables[t], layout.tables[t] + DCTSIZE2, cinfo->quant_tbl_ptrs[t]->quantval);
    cinfo->quant_tbl_ptrs[t]->sent_table = FALSE;
  }
}

}  // namespace

void InstallErrorState(JpegErrorState& state) {
  jpeg_std_error(&state.manager);
  state.manager.error_exit = ErrorExit;
  state.manager.emit_message = EmitMessage;
  state.manager.output_message = OutputMessage;
  state.code = 0;
  state.damaged = false;
  state.inHeader = false;
  state.endMarkerOptional = false;
  state.message[0] = '\0';
}

void UseFileSource(j_decompress_ptr cinfo, JpegFileSource& source, int fd) {
  source.fd = fd;
  source.readError = 0;
  source.manager.init_source = InitSource;
  source.manager.fill_input_buffer = FillInputBuffer;
  source.manager.skip_input_data = SkipInputData;
  source.manager.resync_to_restart = jpeg_resync_to_restart;
  source.manager.term_source = TermSource;
  source.manager.next_input_byte = nullptr;
  source.manager.bytes_in_buffer = 0;
  cinfo->src = &source.manager;
}

void UseReading(j_decompress_ptr cinfo, JpegReading& reading) {
  cinfo->client_data = &reading;
  reading.progress.progress_monitor = StopIfAsked;
  cinfo->progress = &reading.progress;
}

void UseFileDestination(j_compress_ptr cinfo, JpegFileDestination& destination, int fd) {
  destination.fd = fd;
  destination.writeError = 0;
  destination.beforeEnd = nullptr;
  destination.manager.init_destination = InitDestination;
  destination.manager.empty_output_buffer = EmptyOutputBuffer;
  destination.manager.term_destination = TermDestination;
  cinfo->dest = &destination.manager;
}

bool GuardedCreateDecompress(j_decompress_ptr cinfo) {
  if (setjmp(StateOf(reinterpret_cast<j_common_ptr>(cinfo)).jump)) return false;
  jpeg_create_decompress(cinfo);
  return true;
}

bool GuardedReadHeader(j_decompress_ptr cinfo) {
  if (setjmp(StateOf(cinfo).jump)) return false;
  jpeg_set_marker_processor(cinfo, JPEG_COM, KeepSegment);
  for (int n = 0; n < 16; ++n) jpeg_set_marker_processor(cinfo, JPEG_APP0 + n, KeepSegment);
  JpegErrorState& state = StateOf(cinfo);
  state.inHeader = true;
  jpeg_read_header(cinfo, TRUE);
  state.inHeader = false;
  ReadingOf(cinfo).pastHeader = true;
  return true;
}

bool GuardedStartDecompress(j_decompress_ptr cinfo) {
  if (setjmp(StateOf(cinfo).jump)) return false;
  jpeg_start_decompress(cinfo);
  // A picture of several scans (progressive or not) has been read whole by now.
  StateOf(cinfo).endMarkerOptional = !jpeg_has_multiple_scans(cinfo) && !cinfo->arith_code;
  return true;
}

bool GuardedReadScanline(j_decompress_ptr cinfo, JSAMPROW row, JDIMENSION* read) {
  if (setjmp(StateOf(reinterpret_cast<j_common_ptr>(cinfo)).jump)) return false;
  *read = jpeg_read_scanlines(cinfo, &row, 1);
  return true;
}

bool GuardedFinishDecompress(j_decompress_ptr cinfo) {
  if (setjmp(StateOf(cinfo).jump)) return false;
  jpeg_finish_decompress(cinfo);
  return true;
}

bool GuardedCreateCompress(j_compress_ptr cinfo) {
  if (setjmp(StateOf(reinterpret_cast<j_common_ptr>(cinfo)).jump)) return false;
  jpeg_create_compress(cinfo);
  return true;
}

bool GuardedStartCompress(j_compress_ptr cinfo, const JpegLayout* layout, int quality) {
  if (setjmp(StateOf(reinterpret_cast<j_common_ptr>(cinfo)).jump)) return false;
  cinfo->image_width = static_cast<JDIMENSION>(layout->width);
  cinfo->image_height = static_cast<JDIMENSION>(layout->height);
  const bool grey = layout->colourSpace == JCS_GRAYSCALE;
  cinfo->input_components = grey ? 1 : 3;
  cinfo->in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(cinfo);
  jpeg_set_colorspace(cinfo, layout->colourSpace);
  if (quality > 0) jpeg_set_quality(cinfo, quality, TRUE);
  SetComponents(cinfo, *layout, quality > 0);
  if (quality == 0) CopyTables(cinfo, *layout);
  if (layout->progressive) jpeg_simple_progression(cinfo);
  cinfo->arith_code = layout->arithmetic ? TRUE : FALSE;
  cinfo->restart_interval = layout->restartInterval;
  // The result has exactly the source's segments: libjpeg adds no JFIF or Adobe segment of
  // its own, as an added one would come before an EXIF segment that must come first.
  cinfo->write_JFIF_header = FALSE;
  cinfo->write_Adobe_marker = FALSE;
  jpeg_start_compress(cinfo, TRUE);
  for (const JpegMarker& marker : layout->markers)
    jpeg_write_marker(cinfo, marker.code, marker.bytes.data(),
                      static_cast<unsigned>(marker.bytes.size()));
  return true;
}

bool GuardedWriteScanline(j_compress_ptr cinfo, JSAMPROW row) {
  if (setjmp(StateOf(reinterpret_cast<j_common_ptr>(cinfo)).jump)) return false;
  jpeg_write_scanlines(cinfo, &row, 1);
  return true;
}

bool GuardedFinishCompress(j_compress_ptr cinfo) {
  if (setjmp(StateOf(reinterpret_cast<j_common_ptr>(cinfo)).jump)) return false;
  jpeg_finish_compress(cinfo);
  return true;
}

}  // namespace hosei

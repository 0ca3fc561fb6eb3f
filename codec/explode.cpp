// Explode: decoding an implode stream (layout in dcl_tables.h).
//
// The decoder keeps a 64-bit bit buffer that is refilled eight bytes at a
// time while the input buffer holds at least eight bytes, so that one refill
// always covers a whole item (a match is at most 1 + 7 + 8 + 8 + 6 = 30 bits).
// Near the end of each input buffer it falls back to byte-wise refills. Codes
// are resolved by table lookup on the next bits of the buffer.
//
// Output goes into a window that keeps the last 4096 bytes (the largest
// dictionary) in front of a chunk of new output; once the chunk is full it is
// handed to the write callback and the last 4096 bytes are moved to the front.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "dcl.h"
#include "dcl_tables.h"
#include "work_area.h"

namespace dcl {
namespace {

constexpr unsigned kInSize = 2048;
constexpr unsigned kHistory = kMaxDictSize;
constexpr unsigned kChunk = 4096;
constexpr unsigned kCopySlack = 8;  // match copies may write up to 7 bytes past their end
constexpr unsigned kFlushAt = kHistory + kChunk;
constexpr unsigned kWindowSize = kFlushAt + kMaxMatch + kCopySlack;

struct ExplodeState {
  dcl_read_fn read;
  dcl_write_fn write;
  void* param;
  unsigned in_end;   // bytes valid in `in`
  bool in_eof;       // the read callback has reported the end of input
  bool aborted;      // a callback broke the contract; stop with DCL_ABORTED
  unsigned flushed;  // window bytes before this index have been written
  uint8_t in[kInSize];
  uint8_t window[kWindowSize];
};
static_assert(kFitsWorkArea<ExplodeState>(DCL_EXPLODE_WORK_SIZE));

// The decoder's hot variables, kept as locals (and passed by value to the
// slow paths) so that byte stores into the window cannot alias them.
struct Cursor {
  uint64_t bits;     // next stream bits, first bit in bit 0
  unsigned nbits;    // how many of `bits` are valid
  unsigned in_pos;   // next unread byte of `in`
  unsigned out_pos;  // next window byte to produce
};

// Reads a fresh input buffer. Returns false at the end of input.
bool ReadInput(ExplodeState& s) {
  s.in_end = 0;
  if (s.in_eof) return false;
  unsigned size = kInSize;
  unsigned got = s.read(reinterpret_cast<char*>(s.in), &size, s.param);
  if (got > kInSize) {
    s.aborted = true;
    got = 0;
  }
  s.in_end = got;
  s.in_eof = got == 0;
  return got != 0;
}

// Byte-wise refill for the last bytes of an input buffer and the end of input.
[[gnu::noinline]] Cursor RefillSlow(ExplodeState& s, Cursor c) {
  while (c.nbits <= 56) {
    if (c.in_pos == s.in_end) {
      bool more = ReadInput(s);
      c.in_pos = 0;
      if (!more) break;
      if (s.in_end >= 8) break;
      continue;
    }
    c.bits |= uint64_t{s.in[c.in_pos++]} << c.nbits;
    c.nbits += 8;
  }
  return c;
}

inline void Refill(ExplodeState& s, Cursor& c) {
  if (s.in_end - c.in_pos >= 8) {
    // Adds whole bytes up to 56..63 valid bits; bits past nbits already hold
    // the next byte's low bits, which the next refill ORs in again unchanged.
    c.bits |= LoadLe64(s.in + c.in_pos) << c.nbits;
    c.in_pos += (63 - c.nbits) >> 3;
    c.nbits |= 56;
  } else {
    c = RefillSlow(s, c);
    if (c.nbits < 32 && s.in_end - c.in_pos >= 8) Refill(s, c);
  }
}

inline void Drop(Cursor& c, unsigned n) {
  c.bits >>= n;
  c.nbits -= n;
}

// Hands window[flushed, out_pos) to the write callback.
bool WriteOut(ExplodeState& s, unsigned out_pos) {
  unsigned count = out_pos - s.flushed;
  if (count == 0) return true;
  unsigned size = count;
  s.write(reinterpret_cast<char*>(s.window + s.flushed), &size, s.param);
  s.flushed = out_pos;
  if (size == 0) s.aborted = true;
  return !s.aborted;
}

// Writes the finished chunk and keeps the last kHistory bytes as dictionary.
[[gnu::noinline]] bool FlushChunk(ExplodeState& s, Cursor& c) {
  if (!WriteOut(s, c.out_pos)) return false;
  std::memmove(s.window, s.window + c.out_pos - kHistory, kHistory);
  c.out_pos = kHistory;
  s.flushed = kHistory;
  return true;
}

// Ends the call: writes what was decoded and turns `result` into the code.
unsigned Finish(ExplodeState& s, const Cursor& c, unsigned result) {
  bool written = WriteOut(s, c.out_pos);
  if (s.aborted || !written) return DCL_ABORTED;
  return result;
}

// Copies `len` bytes from `dist` bytes back; overlapping copies repeat the
// pattern. May write up to 7 bytes past the end (the window has slack).
inline void CopyMatch(uint8_t* dst, unsigned dist, unsigned len) {
  const uint8_t* src = dst - dist;
  if (dist >= 8) {
    for (unsigned i = 0; i < len; i += 8) std::memcpy(dst + i, src + i, 8);
    return;
  }
  if (dist == 1) {
    std::memset(dst, *src, len);
    return;
  }
  // A multiple of the period that is at least 8: once the first
  // (step - dist) bytes exist, 8-byte copies from `step` back are exact.
  unsigned step = dist * ((8 + dist - 1) / dist);
  unsigned head = std::min(len, step - dist);
  for (unsigned i = 0; i < head; ++i) dst[i] = src[i];
  for (unsigned i = head; i < len; i += 8) std::memcpy(dst + i, dst + i - step, 8);
}

// Decodes one ASCII-mode literal code; returns symbol | code length << 8.
inline unsigned DecodeAsciiLiteral(uint64_t bits) {
  unsigned e = kLitDecode[bits & 0xFF];
  if (e & kLitLink) {
    unsigned sub_bits = (e >> 9) & 7;
    e = kLitDecode[(e & 0x1FF) + ((bits >> kLitRootBits) & ((1u << sub_bits) - 1))];
  }
  return e;
}

// Item outcome: keep going, the end marker was read, or the data is bad.
enum class Step { kMore, kEnd, kBad };

inline Step DecodeMatch(ExplodeState& s, Cursor& c, unsigned dict_bits) {
  unsigned e = kLenDecode[(c.bits >> 1) & 0x7F];
  unsigned sym = e & 0xFF;
  unsigned code_len = e >> 8;
  unsigned extra = kLenExtra[sym];
  unsigned used = 1 + code_len + extra;
  if (used > c.nbits) return Step::kBad;
  unsigned len =
      kLenBase[sym] + static_cast<unsigned>((c.bits >> (1 + code_len)) & ((1u << extra) - 1));
  Drop(c, used);
  if (len == kEndMarker) return Step::kEnd;

  e = kDistDecode[c.bits & 0xFF];
  unsigned low_bits = len == 2 ? 2 : dict_bits;
  used = (e >> 8) + low_bits;
  if (used > c.nbits) return Step::kBad;
  unsigned dist = ((e & 0xFF) << low_bits) +
                  static_cast<unsigned>((c.bits >> (e >> 8)) & ((1u << low_bits) - 1)) + 1;
  Drop(c, used);
  if (dist > c.out_pos) return Step::kBad;  // before the first output byte
  CopyMatch(s.window + c.out_pos, dist, len);
  c.out_pos += len;
  return Step::kMore;
}

template <bool kAscii>
inline Step DecodeItem(ExplodeState& s, Cursor& c, unsigned dict_bits) {
  if (c.bits & 1) return DecodeMatch(s, c, dict_bits);
  unsigned lit;
  unsigned used;
  if constexpr (kAscii) {
    unsigned e = DecodeAsciiLiteral(c.bits >> 1);
    lit = e & 0xFF;
    used = 1 + (e >> 8);
  } else {
    lit = static_cast<unsigned>(c.bits >> 1) & 0xFF;
    used = 9;
  }
  if (used > c.nbits) return Step::kBad;
  Drop(c, used);
  s.window[c.out_pos++] = static_cast<uint8_t>(lit);
  return Step::kMore;
}

// The longest item: flag, 7-bit length code, 8 extra bits, 8-bit distance
// code, 6 low bits. With this many bits buffered an item needs no refill.
constexpr unsigned kMaxItemBits = 30;

template <bool kAscii>
unsigned DecodeItems(ExplodeState& s, Cursor c, unsigned dict_bits) {
  for (;;) {
    if (c.out_pos >= kFlushAt && !FlushChunk(s, c)) return Finish(s, c, DCL_ABORTED);
    Refill(s, c);
    if (c.nbits == 0) return Finish(s, c, DCL_BAD_DATA);
    do {
      Step step = DecodeItem<kAscii>(s, c, dict_bits);
      if (step == Step::kEnd) return Finish(s, c, DCL_OK);
      if (step == Step::kBad) return Finish(s, c, DCL_BAD_DATA);
    } while (c.nbits >= kMaxItemBits && c.out_pos < kFlushAt);
  }
}

unsigned Explode(ExplodeState& s) {
  Cursor c{0, 0, 0, 0};
  // Header: byte 0 literal mode, byte 1 dictionary bits.
  Refill(s, c);
  if (c.nbits < 16) return Finish(s, c, DCL_BAD_DATA);
  unsigned mode = c.bits & 0xFF;
  unsigned dict_bits = (c.bits >> 8) & 0xFF;
  Drop(c, 16);
  if (mode > DCL_ASCII || dict_bits < kMinDictBits || dict_bits > kMaxDictBits) {
    return Finish(s, c, DCL_BAD_DATA);
  }
  return mode == DCL_ASCII ? DecodeItems<true>(s, c, dict_bits)
                           : DecodeItems<false>(s, c, dict_bits);
}

}  // namespace
}  // namespace dcl

extern "C" unsigned dcl_explode(dcl_read_fn read, dcl_write_fn write, char* work, void* param) {
  auto* s = dcl::PlaceState<dcl::ExplodeState>(work, DCL_EXPLODE_WORK_SIZE);
  s->read = read;
  s->write = write;
  s->param = param;
  s->in_end = 0;
  s->in_eof = false;
  s->aborted = false;
  s->flushed = 0;
  return dcl::Explode(*s);
}

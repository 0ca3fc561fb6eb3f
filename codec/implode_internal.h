// Pieces shared by the implode parsers: the bit sink that packs items into the
// stream, the input window with its match finder, and the exact bit cost of
// every item under the fixed codes (layout in dcl_tables.h).
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "dcl.h"
#include "dcl_tables.h"
#include "work_area.h"

namespace dcl {

// ---------------------------------------------------------------------------
// Costs in bits.

constexpr std::array<uint8_t, kEndMarker + 1> BuildLenSymbols() {
  std::array<uint8_t, kEndMarker + 1> sym{};
  for (unsigned s = 0; s < 16; ++s) {
    for (unsigned l = kLenBase[s]; l < kLenBase[s] + (1u << kLenExtra[s]); ++l) {
      sym[l] = static_cast<uint8_t>(s);
    }
  }
  return sym;
}
inline constexpr auto kLenSymbol = BuildLenSymbols();

// Flag bit + length code + extra bits, for lengths 2..519.
constexpr std::array<uint8_t, kEndMarker + 1> BuildLenCosts() {
  std::array<uint8_t, kEndMarker + 1> cost{};
  for (unsigned l = kMinMatch; l <= kEndMarker; ++l) {
    cost[l] = static_cast<uint8_t>(1 + kLenBits[kLenSymbol[l]] + kLenExtra[kLenSymbol[l]]);
  }
  return cost;
}
inline constexpr auto kLenCost = BuildLenCosts();

// Bits a distance needs: its code plus the low bits (2 for length 2).
inline unsigned DistCost(unsigned len, unsigned dist, unsigned dict_bits) {
  unsigned low = len == 2 ? 2 : dict_bits;
  return kDistBits[(dist - 1) >> low] + low;
}

inline unsigned LiteralCost(bool ascii, uint8_t byte) { return ascii ? 1u + kLitBits[byte] : 9u; }

inline unsigned MatchCost(unsigned len, unsigned dist, unsigned dict_bits) {
  return kLenCost[len] + DistCost(len, dist, dict_bits);
}

// ---------------------------------------------------------------------------
// Output: items are packed into a 64-bit accumulator, first bit in bit 0, and
// moved to `out` four bytes at a time; a full `out` goes to the write callback.

inline constexpr unsigned kOutSize = 2048;

struct BitSink {
  dcl_write_fn write;
  void* param;
  uint64_t bits;
  unsigned nbits;  // below 32 between calls
  unsigned used;   // bytes in `out`
  bool aborted;    // the write callback asked to stop
  uint8_t out[kOutSize + 8];

  void Start(dcl_write_fn w, void* p) {
    write = w;
    param = p;
    bits = 0;
    nbits = 0;
    used = 0;
    aborted = false;
  }

  // Appends `n` <= 32 bits.
  void Put(uint32_t value, unsigned n) {
    bits |= uint64_t{value} << nbits;
    nbits += n;
    if (nbits >= 32) {
      StoreLe64(out + used, bits);
      used += 4;
      bits >>= 32;
      nbits -= 32;
      if (used >= kOutSize) Drain();
    }
  }

  void Drain() {
    unsigned size = used;
    if (size != 0) {
      write(reinterpret_cast<char*>(out), &size, param);
      if (size == 0) aborted = true;
    }
    used = 0;
  }

  // Pads the last byte with zero bits and hands everything out.
  void Finish() {
    while (nbits > 0) {
      out[used++] = static_cast<uint8_t>(bits);
      bits >>= 8;
      nbits = nbits > 8 ? nbits - 8 : 0;
    }
    Drain();
  }
};

struct Encoder {
  BitSink sink;
  bool ascii;
  unsigned dict_bits;

  void Literal(uint8_t byte) {
    if (ascii) {
      sink.Put(uint32_t{kLitCode[byte]} << 1, 1 + kLitBits[byte]);
    } else {
      sink.Put(uint32_t{byte} << 1, 9);
    }
  }

  // Flag 1, length code, extra bits.
  void Length(unsigned len) {
    unsigned s = kLenSymbol[len];
    uint32_t v = 1u | uint32_t{kLenCode[s]} << 1 | (len - kLenBase[s]) << (1 + kLenBits[s]);
    sink.Put(v, 1u + kLenBits[s] + kLenExtra[s]);
  }

  void Match(unsigned len, unsigned dist) {
    Length(len);
    unsigned low = len == 2 ? 2 : dict_bits;
    unsigned h = (dist - 1) >> low;
    unsigned l = (dist - 1) & ((1u << low) - 1);
    sink.Put(kDistCode[h] | l << kDistBits[h], kDistBits[h] + low);
  }

  void End() { Length(kEndMarker); }
};

// ---------------------------------------------------------------------------
// Input window and match finder.
//
// `data` holds up to 4096 bytes of history before `pos` and the lookahead
// after it. Positions are hashed on three bytes into chains (`head3`, and
// `prev` indexed by position mod 4096) and on two bytes into `head2`, which
// keeps only the latest position: the nearest one is all a length-2 match
// (at most 256 back) needs. When the window is full and `pos` has 8192 bytes
// before it, everything moves down by 4096 bytes, a multiple of the `prev`
// period, so hash entries stay valid after subtracting 4096.

inline unsigned MatchLength(const uint8_t* a, const uint8_t* b, unsigned limit) {
  unsigned n = 0;
  while (n + 8 <= limit) {
    uint64_t x = LoadLe64(a + n) ^ LoadLe64(b + n);
    if (x != 0) return n + static_cast<unsigned>(std::countr_zero(x)) / 8;
    n += 8;
  }
  while (n < limit && a[n] == b[n]) ++n;
  return n;
}

inline constexpr unsigned kSlideBy = kMaxDictSize;
inline constexpr unsigned kChainMask = kMaxDictSize - 1;

template <unsigned kWindowSize, unsigned kLookahead, unsigned kHash3Bits, unsigned kHash2Bits>
struct MatchWindow {
  static_assert(kWindowSize - 2 * kSlideBy >= kLookahead, "a full window must be slidable");
  static_assert(kWindowSize <= 0xFFFF, "positions are 16-bit");

  dcl_read_fn read;
  void* param;
  unsigned pos;        // next byte to encode
  unsigned end;        // bytes valid in data
  unsigned dict_size;  // 1024, 2048 or 4096
  bool eof;
  bool aborted;  // the read callback broke the contract
  uint16_t head3[1u << kHash3Bits];
  uint16_t head2[1u << kHash2Bits];
  uint16_t prev[kMaxDictSize];
  uint8_t data[kWindowSize];

  void Start(dcl_read_fn r, void* p, unsigned dict) {
    read = r;
    param = p;
    pos = 0;
    end = 0;
    dict_size = dict;
    eof = false;
    aborted = false;
    std::memset(head3, 0, sizeof head3);
    std::memset(head2, 0, sizeof head2);
    std::memset(prev, 0, sizeof prev);
  }

  unsigned Available() const { return end - pos; }

  // Makes sure at least kLookahead bytes follow `pos` unless the input ends.
  void Fill() {
    if (eof || end - pos >= kLookahead) return;
    FillSlow();
  }

  [[gnu::noinline]] void FillSlow() {
    if (end == kWindowSize) Slide();
    while (!eof && end < kWindowSize) {
      unsigned size = kWindowSize - end;
      unsigned got = read(reinterpret_cast<char*>(data + end), &size, param);
      if (got > kWindowSize - end) {
        aborted = true;
        got = 0;
      }
      end += got;
      eof = got == 0;
    }
  }

  void Slide() {
    std::memmove(data, data + kSlideBy, end - kSlideBy);
    pos -= kSlideBy;
    end -= kSlideBy;
    auto down = [](uint16_t& v) { v = static_cast<uint16_t>(v >= kSlideBy ? v - kSlideBy : 0); };
    std::for_each(std::begin(head3), std::end(head3), down);
    std::for_each(std::begin(head2), std::end(head2), down);
    std::for_each(std::begin(prev), std::end(prev), down);
  }

  static unsigned Hash3(const uint8_t* p) {
    uint32_t v = uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16;
    return (v * 2654435761u) >> (32 - kHash3Bits);
  }

  static unsigned Hash2(const uint8_t* p) {
    uint32_t v = uint32_t{p[0]} | uint32_t{p[1]} << 8;
    if constexpr (kHash2Bits >= 16) return v;
    return (v * 2654435761u) >> (32 - kHash2Bits);
  }

  // Enters position p into the hashes; p must be below `end`.
  void Insert(unsigned p) {
    if (end - p >= 2) head2[Hash2(data + p)] = static_cast<uint16_t>(p);
    if (end - p < 3) return;
    unsigned h = Hash3(data + p);
    prev[p & kChainMask] = head3[h];
    head3[h] = static_cast<uint16_t>(p);
  }

  void InsertRange(unsigned from, unsigned to) {
    for (unsigned p = from; p < to; ++p) Insert(p);
  }

  // Calls found(len, dist) for each candidate at `pos` that is longer than
  // every nearer one, nearest first (so with growing length and distance).
  // Stops after max_chain chain steps or at a match of `nice` bytes.
  template <class Found>
  void Search(unsigned max_chain, unsigned nice, Found&& found) const {
    // Copies, so that stores made by `found` cannot force reloads.
    const unsigned at = pos;
    const unsigned reach = dict_size;
    const uint8_t* const base = data;
    unsigned limit = std::min(kMaxMatch, end - at);
    if (limit < kMinMatch) return;
    const uint8_t* here = base + at;
    unsigned best = 1;
    unsigned c = head2[Hash2(here)];
    if (c < at && at - c <= kMaxShortDistance && base[c] == here[0] && base[c + 1] == here[1]) {
      best = MatchLength(base + c, here, limit);
      found(best, at - c);
    }
    if (limit < 3 || best >= nice || best == limit) return;
    c = head3[Hash3(here)];
    for (unsigned steps = 0; steps < max_chain && c < at && at - c <= reach; ++steps) {
      const uint8_t* cand = base + c;
      if (cand[best] == here[best] && cand[0] == here[0]) {
        unsigned len = MatchLength(cand, here, limit);
        if (len > best && len >= 3) {
          best = len;
          found(len, at - c);
          if (len >= nice || len == limit) return;
        }
      }
      unsigned next = prev[c & kChainMask];
      if (next >= c) return;
      c = next;
    }
  }
};

// Checks the call's arguments and writes the two header bytes. Returns a
// result code, DCL_OK when imploding may go on.
inline unsigned StartStream(Encoder& enc, unsigned type, unsigned dsize) {
  unsigned dict_bits;
  switch (dsize) {
    case 1024:
      dict_bits = 4;
      break;
    case 2048:
      dict_bits = 5;
      break;
    case 4096:
      dict_bits = 6;
      break;
    default:
      return DCL_INVALID_DICTSIZE;
  }
  if (type != DCL_BINARY && type != DCL_ASCII) return DCL_INVALID_MODE;
  enc.ascii = type == DCL_ASCII;
  enc.dict_bits = dict_bits;
  enc.sink.Put(type | dict_bits << 8, 16);
  return DCL_OK;
}

unsigned ImplodeDefault(dcl_read_fn read, dcl_write_fn write, char* work, void* param,
                        unsigned type, unsigned dsize);

// Work area needed by the best parser.
unsigned BestWorkSize();
unsigned ImplodeBest(dcl_read_fn read, dcl_write_fn write, char* work, void* param, unsigned type,
                     unsigned dsize);

}  // namespace dcl

// Optimal parsing, shared by both implode levels (which differ in window,
// hash sizes, block length and search effort).
//
// The input is cut into blocks. Within a block a forward pass computes, for
// every position, the cheapest way in bits to reach it: a literal from the
// previous position, or any match found by the hash chains ending there,
// priced exactly with the fixed codes. Walking back from the block end gives
// the items, which are then emitted in order. For a given length the nearest
// matching distance is always the cheapest (distance code lengths never
// shrink as the distance grows), so the chain walk, nearest first, offers
// exactly the candidates that matter.
#pragma once

#include <cstdint>
#include <limits>
#include <type_traits>

#include "dcl.h"
#include "implode_internal.h"

namespace dcl {

// kNiceLength: a match this long is taken whole, positions inside it are
// neither searched nor priced. kSkipLength: after a match this long, the
// positions inside it are priced (literals, and the match's own end points)
// but not searched; the search resumes at its last byte.
template <class Window, unsigned kMaxBlock, unsigned kMaxChain, unsigned kNiceLength,
          unsigned kSkipLength>
struct OptimalParser {
  static_assert(kNiceLength >= 3 && kNiceLength <= kMaxMatch);
  static_assert(kSkipLength >= 3 && kSkipLength <= kNiceLength);
  static constexpr unsigned kSlots = kMaxBlock + kMaxMatch + 1;
  // Prices are 16-bit when a whole block of the dearest items fits: at most
  // 14 bits per literal (ASCII) over every slot.
  using Price = std::conditional_t<kSlots * 14u < 0xFFFFu, uint16_t, uint32_t>;
  static constexpr Price kUnreached = std::numeric_limits<Price>::max();
  // A step of the parse: length (1 for a literal) | distance << 10.
  static constexpr unsigned kLenBits = 10;
  static constexpr uint32_t kLenMask = (1u << kLenBits) - 1;
  static constexpr uint32_t Step(unsigned len, unsigned dist) { return len | dist << kLenBits; }

  struct State {
    Encoder enc;
    Window win;
    Price price[kSlots];    // bits to reach each block position
    uint32_t step[kSlots];  // the last step of the cheapest way to each position; then the
                            // forward steps
  };

  static void Relax(State& s, unsigned at, unsigned cost, uint32_t step) {
    if (cost < s.price[at]) {
      s.price[at] = static_cast<Price>(cost);
      s.step[at] = step;
    }
  }

  // Prices every match at block position i; returns the longest length.
  static unsigned PriceMatches(State& s, unsigned i) {
    unsigned base = s.price[i];
    unsigned covered = 1;
    unsigned dict_bits = s.enc.dict_bits;
    s.win.Search(kMaxChain, kNiceLength, [&](unsigned len, unsigned dist) {
      unsigned from = covered + 1;
      covered = len;
      if (from == 2) {
        if (dist <= kMaxShortDistance) {
          Relax(s, i + 2, base + MatchCost(2, dist, dict_bits), Step(2, dist));
        }
        from = 3;
      }
      unsigned with_dist = base + DistCost(3, dist, dict_bits);
      for (unsigned l = from; l <= len; ++l)
        Relax(s, i + l, with_dist + kLenCost[l], Step(l, dist));
    });
    return covered;
  }

  // Forward pass over one block; returns where the parse ends (the block
  // length, or past it when a long match crossed the block end).
  static unsigned PriceBlock(State& s, unsigned block_len) {
    Window& w = s.win;
    unsigned start = w.pos;
    s.price[0] = 0;
    for (unsigned i = 1; i < kSlots; ++i) s.price[i] = kUnreached;
    unsigned i = 0;
    unsigned search_from = 0;
    while (i < block_len) {
      w.pos = start + i;
      uint8_t byte = w.data[w.pos];
      Relax(s, i + 1, s.price[i] + LiteralCost(s.enc.ascii, byte), Step(1, 0));
      unsigned longest = i >= search_from ? PriceMatches(s, i) : 0;
      w.Insert(w.pos);
      if (longest >= kNiceLength) {
        w.InsertRange(w.pos + 1, w.pos + longest);
        i += longest;
        continue;
      }
      if (longest >= kSkipLength) search_from = i + longest - 1;
      ++i;
    }
    w.pos = start;
    return i;
  }

  // Walks back from `end`, moving each step to the slot where it starts,
  // then emits the steps front to back.
  static void EmitBlock(State& s, unsigned end) {
    uint32_t st = s.step[end];
    for (unsigned j = end; j > 0;) {
      unsigned from = j - (st & kLenMask);
      uint32_t earlier = from > 0 ? s.step[from] : 0;
      s.step[from] = st;
      st = earlier;
      j = from;
    }
    const uint8_t* data = s.win.data + s.win.pos;
    for (unsigned i = 0; i < end;) {
      uint32_t item = s.step[i];
      unsigned len = item & kLenMask;
      if (len == 1) {
        s.enc.Literal(data[i]);
      } else {
        s.enc.Match(len, item >> kLenBits);
      }
      i += len;
    }
    s.win.pos += end;
  }

  static unsigned Parse(State& s) {
    Window& w = s.win;
    for (;;) {
      w.Fill();
      if (w.aborted || s.enc.sink.aborted) return DCL_ABORTED;
      unsigned avail = w.Available();
      if (avail == 0) return DCL_OK;
      unsigned block = w.eof ? avail : avail - kMaxMatch;
      if (block > kMaxBlock) block = kMaxBlock;
      EmitBlock(s, PriceBlock(s, block));
    }
  }

  static unsigned Run(State& s, dcl_read_fn read, dcl_write_fn write, void* param, unsigned type,
                      unsigned dsize) {
    s.enc.sink.Start(write, param);
    unsigned result = StartStream(s.enc, type, dsize);
    if (result != DCL_OK) return result;
    s.win.Start(read, param, dsize);
    result = Parse(s);
    if (result != DCL_OK) return result;
    s.enc.End();
    s.enc.sink.Finish();
    return s.enc.sink.aborted ? DCL_ABORTED : DCL_OK;
  }
};

}  // namespace dcl

// Implode, best level: optimal parsing. The input is cut into blocks of up to
// 4096 positions; within a block a forward pass computes, for every position,
// the cheapest way in bits to reach it (a literal from the previous position,
// or any match found by the hash chains ending there), using the exact costs
// of the fixed codes. Walking back from the block end gives the items, which
// are then emitted in order. For a given length the nearest matching distance
// is always the cheapest, because distance code lengths never shrink as the
// distance grows, so the chain walk (nearest first) offers exactly the
// candidates that matter.
#include <cstdint>
#include <limits>

#include "dcl.h"
#include "implode_internal.h"

namespace dcl {
namespace {

constexpr unsigned kMaxBlock = 4096;
// Lookahead before a block: a full match past at least 2048 positions.
using BestWindow = MatchWindow<12288, kMaxMatch + 2048, 14, 16>;

constexpr unsigned kMaxChain = 256;
constexpr unsigned kNiceLength = 160;  // a match this long is taken without looking inside
constexpr unsigned kSlots = kMaxBlock + kMaxMatch + 1;

// A step of the parse: length (1 for a literal) | distance << 10.
constexpr unsigned kStepLenBits = 10;
constexpr uint32_t Step(unsigned len, unsigned dist) { return len | dist << kStepLenBits; }

struct BestState {
  Encoder enc;
  BestWindow win;
  uint32_t price[kSlots];  // bits to reach each block position; reused for the forward steps
  uint32_t step[kSlots];   // the last step of the cheapest way to each position
};

inline void Relax(BestState& s, unsigned at, uint32_t cost, uint32_t step) {
  if (cost < s.price[at]) {
    s.price[at] = cost;
    s.step[at] = step;
  }
}

// Prices every match at block position i; returns the longest match length.
unsigned PriceMatches(BestState& s, unsigned i) {
  uint32_t base = s.price[i];
  unsigned covered = 1;
  unsigned dict_bits = s.enc.dict_bits;
  s.win.Search(kMaxChain, kNiceLength, [&](unsigned len, unsigned dist) {
    unsigned from = covered + 1;
    covered = len;
    if (from == 2) {
      if (dist <= kMaxShortDistance) Relax(s, i + 2, base + MatchCost(2, dist, dict_bits), Step(2, dist));
      from = 3;
    }
    uint32_t dist_cost = base + DistCost(3, dist, dict_bits);
    for (unsigned l = from; l <= len; ++l) Relax(s, i + l, dist_cost + kLenCost[l], Step(l, dist));
  });
  return covered;
}

// Forward pass over one block; returns the position where the parse ends
// (the block length, or past it when a long match crossed the block end).
unsigned PriceBlock(BestState& s, unsigned block_len) {
  BestWindow& w = s.win;
  unsigned start = w.pos;
  s.price[0] = 0;
  for (unsigned i = 1; i < kSlots; ++i) s.price[i] = std::numeric_limits<uint32_t>::max();
  unsigned i = 0;
  while (i < block_len) {
    w.pos = start + i;
    uint8_t byte = w.data[w.pos];
    Relax(s, i + 1, s.price[i] + LiteralCost(s.enc.ascii, byte), Step(1, 0));
    unsigned longest = PriceMatches(s, i);
    w.Insert(w.pos);
    if (longest >= kNiceLength) {
      w.InsertRange(w.pos + 1, w.pos + longest);
      i += longest;
    } else {
      ++i;
    }
  }
  w.pos = start;
  return i;
}

// Walks back from `end`, leaving each step at the position where it starts
// (in `price`), then emits the steps front to back.
void EmitBlock(BestState& s, unsigned end) {
  for (unsigned j = end; j > 0;) {
    uint32_t st = s.step[j];
    j -= st & ((1u << kStepLenBits) - 1);
    s.price[j] = st;
  }
  const uint8_t* data = s.win.data + s.win.pos;
  for (unsigned i = 0; i < end;) {
    uint32_t st = s.price[i];
    unsigned len = st & ((1u << kStepLenBits) - 1);
    if (len == 1) {
      s.enc.Literal(data[i]);
    } else {
      s.enc.Match(len, st >> kStepLenBits);
    }
    i += len;
  }
  s.win.pos += end;
}

unsigned ParseOptimal(BestState& s) {
  BestWindow& w = s.win;
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

}  // namespace

unsigned BestWorkSize() { return sizeof(BestState) + alignof(BestState) - 1; }

unsigned ImplodeBest(dcl_read_fn read, dcl_write_fn write, char* work, void* param,
                     unsigned type, unsigned dsize) {
  auto* s = PlaceState<BestState>(work, BestWorkSize());
  s->enc.sink.Start(write, param);
  unsigned result = StartStream(s->enc, type, dsize);
  if (result != DCL_OK) return result;
  s->win.Start(read, param, dsize);
  result = ParseOptimal(*s);
  if (result != DCL_OK) return result;
  s->enc.End();
  s->enc.sink.Finish();
  return s->enc.sink.aborted ? DCL_ABORTED : DCL_OK;
}

}  // namespace dcl

// Implode, default level: hash-chain match finding with one step of lazy
// evaluation (a match is put off by one byte when the next position starts a
// longer one), and cost checks against the fixed codes so that no match is
// emitted where plain literals would be shorter. All state lives in the
// caller's work area of DCL_IMPLODE_WORK_SIZE bytes.
#include <cstdint>

#include "dcl.h"
#include "implode_internal.h"

namespace dcl {
namespace {

// Lookahead: a full match plus the one byte of lazy evaluation.
using DefaultWindow = MatchWindow<9216, kMaxMatch + 2, 12, 12>;

struct DefaultState {
  Encoder enc;
  DefaultWindow win;
};
static_assert(kFitsWorkArea<DefaultState>(DCL_IMPLODE_WORK_SIZE));

constexpr unsigned kMaxChain = 24;
constexpr unsigned kNiceLength = 96;
constexpr unsigned kLazyBelow = 32;  // matches at least this long are taken at once

Match FindMatch(const DefaultWindow& w) {
  Match m{0, 0};
  w.Search(kMaxChain, kNiceLength, [&m](unsigned len, unsigned dist) { m = {len, dist}; });
  return m;
}

// True when the match codes shorter than its bytes as literals. In binary
// mode that always holds (a literal costs 9 bits, a match at most 30 for 3+
// bytes and 14 for two), so only ASCII mode pays for the sum.
bool Worthwhile(const Encoder& enc, const DefaultWindow& w, const Match& m) {
  if (m.len < kMinMatch) return false;
  if (!enc.ascii) return true;
  unsigned literals = 0;
  for (unsigned i = 0; i < m.len; ++i) literals += LiteralCost(true, w.data[w.pos + i]);
  return MatchCost(m.len, m.dist, enc.dict_bits) < literals;
}

// Looks one byte ahead: returns the match at pos + 1 when it is longer.
bool BetterNext(DefaultWindow& w, const Match& m, Match& next) {
  if (m.len >= kLazyBelow || w.Available() <= m.len) return false;
  ++w.pos;
  next = FindMatch(w);
  --w.pos;
  return next.len > m.len;
}

unsigned ParseGreedyLazy(Encoder& enc, DefaultWindow& w) {
  Match pending{0, 0};
  bool have_pending = false;
  for (;;) {
    w.Fill();
    if (w.aborted || enc.sink.aborted) return DCL_ABORTED;
    if (w.Available() == 0) return DCL_OK;
    Match m = have_pending ? pending : FindMatch(w);
    have_pending = false;
    w.Insert(w.pos);
    if (!Worthwhile(enc, w, m)) {
      enc.Literal(w.data[w.pos++]);
      continue;
    }
    if (BetterNext(w, m, pending)) {
      have_pending = true;
      enc.Literal(w.data[w.pos++]);
      continue;
    }
    enc.Match(m.len, m.dist);
    w.InsertRange(w.pos + 1, w.pos + m.len);
    w.pos += m.len;
  }
}

}  // namespace

unsigned ImplodeDefault(dcl_read_fn read, dcl_write_fn write, char* work, void* param,
                        unsigned type, unsigned dsize) {
  auto* s = PlaceState<DefaultState>(work, DCL_IMPLODE_WORK_SIZE);
  s->enc.sink.Start(write, param);
  unsigned result = StartStream(s->enc, type, dsize);
  if (result != DCL_OK) return result;
  s->win.Start(read, param, dsize);
  result = ParseGreedyLazy(s->enc, s->win);
  if (result != DCL_OK) return result;
  s->enc.End();
  s->enc.sink.Finish();
  return s->enc.sink.aborted ? DCL_ABORTED : DCL_OK;
}

}  // namespace dcl

extern "C" unsigned dcl_implode_work_size(int level) {
  return level == DCL_LEVEL_BEST ? dcl::BestWorkSize() : unsigned{DCL_IMPLODE_WORK_SIZE};
}

extern "C" unsigned dcl_implode_level(dcl_read_fn read, dcl_write_fn write, char* work,
                                      void* param, unsigned* type, unsigned* dsize, int level) {
  if (level == DCL_LEVEL_BEST) return dcl::ImplodeBest(read, write, work, param, *type, *dsize);
  return dcl::ImplodeDefault(read, write, work, param, *type, *dsize);
}

extern "C" unsigned dcl_implode(dcl_read_fn read, dcl_write_fn write, char* work, void* param,
                               unsigned* type, unsigned* dsize) {
  // Calls the default parser directly so that a program (or impborl.dll)
  // that never asks for the best level does not carry it.
  return dcl::ImplodeDefault(read, write, work, param, *type, *dsize);
}

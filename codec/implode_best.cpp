// Implode, best level: optimal parsing (optimal_parse.h) with long blocks,
// large hash tables and a deep search.
#include "dcl.h"
#include "implode_internal.h"
#include "optimal_parse.h"

namespace dcl {
namespace {

// Lookahead: a full match past at least 2048 positions of block.
using BestWindow = MatchWindow<12288, kMaxMatch + 2048, 14, 16>;
using BestParser = OptimalParser<BestWindow, 4096, 1024, 258, 258>;

}  // namespace

unsigned BestWorkSize() { return sizeof(BestParser::State) + alignof(BestParser::State) - 1; }

unsigned ImplodeBest(dcl_read_fn read, dcl_write_fn write, char* work, void* param, unsigned type,
                     unsigned dsize) {
  auto* s = PlaceState<BestParser::State>(work, BestWorkSize());
  return BestParser::Run(*s, read, write, param, type, dsize);
}

}  // namespace dcl

// Implode, default level: optimal parsing (optimal_parse.h) in short blocks
// with a shallow search, sized to the classic work area of
// DCL_IMPLODE_WORK_SIZE bytes, which holds all of its state.
#include "dcl.h"
#include "implode_internal.h"
#include "optimal_parse.h"

namespace dcl {
namespace {

// Lookahead: a full match past at least 2 positions of block.
using DefaultWindow = MatchWindow<8192 + kMaxMatch + 2, kMaxMatch + 2, 12, 10>;
using DefaultParser = OptimalParser<DefaultWindow, 500, 64, 64, 10>;
static_assert(kFitsWorkArea<DefaultParser::State>(DCL_IMPLODE_WORK_SIZE));

}  // namespace

unsigned ImplodeDefault(dcl_read_fn read, dcl_write_fn write, char* work, void* param,
                        unsigned type, unsigned dsize) {
  auto* s = PlaceState<DefaultParser::State>(work, DCL_IMPLODE_WORK_SIZE);
  return DefaultParser::Run(*s, read, write, param, type, dsize);
}

}  // namespace dcl

extern "C" unsigned dcl_implode_work_size(int level) {
  return level == DCL_LEVEL_BEST ? dcl::BestWorkSize() : unsigned{DCL_IMPLODE_WORK_SIZE};
}

extern "C" unsigned dcl_implode_level(dcl_read_fn read, dcl_write_fn write, char* work, void* param,
                                      unsigned* type, unsigned* dsize, int level) {
  if (level == DCL_LEVEL_BEST) return dcl::ImplodeBest(read, write, work, param, *type, *dsize);
  return dcl::ImplodeDefault(read, write, work, param, *type, *dsize);
}

extern "C" unsigned dcl_implode(dcl_read_fn read, dcl_write_fn write, char* work, void* param,
                                unsigned* type, unsigned* dsize) {
  // Calls the default parser directly so that a program (or impborl.dll)
  // that never asks for the best level does not carry it.
  return dcl::ImplodeDefault(read, write, work, param, *type, *dsize);
}

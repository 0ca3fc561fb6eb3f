// Placing the codec's state in the caller's work area, and the small memory
// helpers the codec shares. The work area is plain caller memory with no
// promised alignment, so the state object starts at the first suitably
// aligned address inside it; the static_asserts beside each state type check
// that the type still fits after that adjustment.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

namespace dcl {

template <class State>
inline constexpr bool kFitsWorkArea(std::size_t work_size) {
  return sizeof(State) + alignof(State) - 1 <= work_size;
}

// Starts the lifetime of a State in `work`, value-initialising nothing: each
// codec entry point sets every field it reads before reading it.
template <class State>
State* PlaceState(char* work, std::size_t work_size) {
  static_assert(std::is_trivially_destructible_v<State>);
  void* p = work;
  std::size_t space = work_size;
  p = std::align(alignof(State), sizeof(State), p, space);
  return ::new (p) State;
}

inline uint64_t LoadLe64(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  if constexpr (std::endian::native == std::endian::big) {
    uint64_t r = 0;
    for (int i = 0; i < 8; ++i) r = (r << 8) | ((v >> (8 * i)) & 0xFF);
    v = r;
  }
  return v;
}

inline void StoreLe64(uint8_t* p, uint64_t v) {
  if constexpr (std::endian::native == std::endian::big) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
  } else {
    std::memcpy(p, &v, sizeof v);
  }
}

}  // namespace dcl

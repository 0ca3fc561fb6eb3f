// The movies that samples/make_swf.py writes for the unit tests.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace swf::test {

inline std::vector<uint8_t> LoadMovie(const std::string& name) {
  std::ifstream in(std::string(SWF_TEST_MOVIES) + "/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("test movie missing: " + name);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace swf::test

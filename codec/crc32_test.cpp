#include <gtest/gtest.h>

#include <string>

#include "dcl.h"

namespace {

unsigned long Crc(const std::string& s, unsigned long start) {
  unsigned size = static_cast<unsigned>(s.size());
  return dcl_crc32(const_cast<char*>(s.data()), &size, &start);
}

TEST(Crc32, CheckValueOf123456789) {
  EXPECT_EQ(~Crc("123456789", 0xFFFFFFFFul) & 0xFFFFFFFFul, 0xCBF43926ul);
}

TEST(Crc32, NoInversionInsideTheRoutine) {
  // Over nothing the running value comes back unchanged; over one zero byte
  // from 0 it stays 0 (a routine that inverted would give 0xD202EF8D).
  EXPECT_EQ(Crc("", 0x12345678ul), 0x12345678ul);
  EXPECT_EQ(Crc(std::string(1, '\0'), 0), 0ul);
}

TEST(Crc32, PiecewiseEqualsWholeForEverySplit) {
  std::string text = "The quick brown fox jumps over the lazy dog";
  unsigned long whole = Crc(text, 0xFFFFFFFFul);
  EXPECT_EQ(~whole & 0xFFFFFFFFul, 0x414FA339ul);
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    unsigned long head = Crc(text.substr(0, cut), 0xFFFFFFFFul);
    EXPECT_EQ(Crc(text.substr(cut), head), whole) << "cut " << cut;
  }
}

TEST(Crc32, LeavesCallerValuesAlone) {
  std::string text = "abc";
  unsigned size = 3;
  unsigned long crc = 0xFFFFFFFFul;
  dcl_crc32(text.data(), &size, &crc);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(crc, 0xFFFFFFFFul);
}

}  // namespace

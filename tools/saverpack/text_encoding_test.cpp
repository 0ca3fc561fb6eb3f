#include "text_encoding.h"

#include <gtest/gtest.h>

namespace saverpack {
namespace {

constexpr uint8_t kUndefined[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};

bool IsUndefined(int byte) {
  for (uint8_t u : kUndefined) {
    if (u == byte) return true;
  }
  return false;
}

TEST(Windows1252, EveryDefinedByteSurvivesTheTripThroughUtf8) {
  for (int byte = 0; byte < 256; ++byte) {
    const auto c = FromWindows1252(static_cast<uint8_t>(byte));
    if (IsUndefined(byte)) {
      EXPECT_FALSE(c) << byte;
      continue;
    }
    ASSERT_TRUE(c) << byte;
    std::string utf8;
    AppendUtf8(utf8, *c);
    const auto decoded = DecodeUtf8(utf8);
    ASSERT_TRUE(decoded) << byte;
    EXPECT_EQ(decoded->length, utf8.size());
    EXPECT_EQ(ToWindows1252(decoded->codePoint), byte) << byte;
  }
}

TEST(Windows1252, ThePrintersCharactersSitInTheC1Range) {
  EXPECT_EQ(ToWindows1252(U'€'), 0x80);
  EXPECT_EQ(ToWindows1252(U'‚'), 0x82);
  EXPECT_EQ(ToWindows1252(U'™'), 0x99);
  EXPECT_EQ(ToWindows1252(U'Ÿ'), 0x9F);
  EXPECT_EQ(ToWindows1252(U'é'), 0xE9);
  EXPECT_EQ(ToWindows1252(U'ÿ'), 0xFF);
}

TEST(Windows1252, CharactersOutsideTheCodePageHaveNoByte) {
  for (char32_t c : {U'\u0081', U'\u009D', U'\u0100', U'Ω', U'日', U'\U0001F600', U'\uFFFD'}) {
    EXPECT_FALSE(ToWindows1252(c)) << static_cast<uint32_t>(c);
  }
}

TEST(Utf8, DecodesOneToFourBytes) {
  const std::pair<std::string, char32_t> cases[] = {
      {"A", U'A'}, {"\xC3\xA9", U'é'}, {"\xE2\x82\xAC", U'€'}, {"\xF0\x9F\x98\x80", U'\U0001F600'}};
  for (const auto& [text, expected] : cases) {
    const auto c = DecodeUtf8(text + "rest");
    ASSERT_TRUE(c) << text;
    EXPECT_EQ(c->codePoint, expected);
    EXPECT_EQ(c->length, text.size());
  }
}

TEST(Utf8, RefusesIllFormedSequences) {
  const std::string bad[] = {
      "\x80",              // stray continuation byte
      "\xC0\x80",          // overlong NUL
      "\xE0\x80\x80",      // overlong
      "\xED\xA0\x80",      // surrogate
      "\xF4\x90\x80\x80",  // past U+10FFFF
      "\xE2\x82",          // truncated
      "\xC3(",             // continuation missing
      "\xF8\x88\x80\x80",  // five-byte lead
      "\xE9",              // Latin-1 e acute
  };
  for (const std::string& text : bad) EXPECT_FALSE(DecodeUtf8(text)) << text;
}

TEST(Display, ShowsWindows1252AsUtf8AndEscapesWhatATerminalShouldNotGet) {
  EXPECT_EQ(Windows1252ForDisplay("Caf\xE9 \x80"), "Café €");
  EXPECT_EQ(Windows1252ForDisplay("a\x01"
                                  "b\x1B[2J\x7F\x81\x9D"),
            "a\\x01b\\x1B[2J\\x7F\\x81\\x9D");
  EXPECT_EQ(Windows1252ForDisplay("C:\\x"), "C:\\x");
  EXPECT_EQ(Windows1252ForDisplay(""), "");
}

}  // namespace
}  // namespace saverpack

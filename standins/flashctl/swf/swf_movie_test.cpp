#include "swf_movie.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>

#include "swf_bits.h"
#include "swf_player.h"
#include "swf_test_movies.h"

namespace swf {
namespace {

using test::LoadMovie;

TEST(SwfHeader, FrameSizeRateCountAndVersion) {
  const Movie movie = ParseMovie(LoadMovie("two_frames.swf"));
  EXPECT_EQ(movie.version, 6);
  EXPECT_FALSE(movie.compressed);
  EXPECT_EQ(movie.frameSize.xMin, 0);
  EXPECT_EQ(movie.frameSize.xMax, 320 * 20);
  EXPECT_EQ(movie.frameSize.yMax, 240 * 20);
  EXPECT_DOUBLE_EQ(movie.frameRate, 12.0);
  EXPECT_EQ(movie.frameCount, 2);
  EXPECT_EQ(movie.frames.size(), 2u);
  EXPECT_EQ(movie.shapes.count(1), 1u);
}

void ExpectSameFrames(const Movie& a, const Movie& b) {
  ASSERT_EQ(a.frames.size(), b.frames.size());
  for (size_t f = 0; f < a.frames.size(); ++f) {
    ASSERT_EQ(a.frames[f].size(), b.frames[f].size()) << "frame " << f;
    for (size_t i = 0; i < a.frames[f].size(); ++i) {
      EXPECT_EQ(a.frames[f][i].kind, b.frames[f][i].kind);
      EXPECT_EQ(a.frames[f][i].depth, b.frames[f][i].depth);
    }
  }
  ASSERT_EQ(a.shapes.size(), b.shapes.size());
  for (const auto& [id, shape] : a.shapes) {
    ASSERT_EQ(b.shapes.count(id), 1u);
    ASSERT_EQ(shape.fills.size(), b.shapes.at(id).fills.size());
    for (size_t i = 0; i < shape.fills.size(); ++i) {
      EXPECT_EQ(shape.fills[i].outlines, b.shapes.at(id).fills[i].outlines);
    }
  }
}

TEST(SwfHeader, CompressedMovieReadsAsItsPlainTwin) {
  const Movie plain = ParseMovie(LoadMovie("two_frames.swf"));
  const Movie packed = ParseMovie(LoadMovie("two_frames_cws.swf"));
  EXPECT_TRUE(packed.compressed);
  ExpectSameFrames(plain, packed);
}

TEST(SwfHeader, RefusesWhatIsNoMovie) {
  std::vector<uint8_t> bytes = LoadMovie("two_frames.swf");
  bytes[0] = 'X';
  EXPECT_THROW(ParseMovie(bytes), FormatError);
  EXPECT_THROW(ParseMovie(std::vector<uint8_t>{'F', 'W', 'S'}), FormatError);
  EXPECT_THROW(ParseMovie(std::vector<uint8_t>{}), FormatError);
  // A compressed movie whose stream is not zlib at all.
  std::vector<uint8_t> packed = LoadMovie("two_frames_cws.swf");
  for (size_t i = 8; i < packed.size(); ++i) packed[i] = 0xFF;
  EXPECT_THROW(ParseMovie(packed), FormatError);
}

TEST(SwfTags, UnknownTagsAreSkippedByTheirLength) {
  // A frame label and a long-form tag of an unknown code sit in frame 1.
  ExpectSameFrames(ParseMovie(LoadMovie("two_frames.swf")),
                   ParseMovie(LoadMovie("unknown_tags.swf")));
}

TEST(SwfTags, EveryTruncationKeepsTheFramesBeforeTheCut) {
  for (const char* name : {"two_frames.swf", "two_frames_cws.swf", "curved_shape3.swf"}) {
    const std::vector<uint8_t> whole = LoadMovie(name);
    const size_t wholeFrames = ParseMovie(whole).frames.size();
    size_t previous = 0;
    for (size_t cut = 0; cut < whole.size(); ++cut) {
      const std::vector<uint8_t> part(whole.begin(), whole.begin() + cut);
      try {
        const size_t frames = ParseMovie(part).frames.size();
        EXPECT_LE(frames, wholeFrames) << name << " cut at " << cut;
        EXPECT_GE(frames, previous) << name << " cut at " << cut;
        previous = frames;
      } catch (const FormatError&) {
        EXPECT_EQ(previous, 0u) << name << ": refused after frames were read, cut " << cut;
      }
    }
  }
}

TEST(SwfTags, TagLongerThanTheFileEndsTheMovieThere) {
  std::vector<uint8_t> bytes = LoadMovie("two_frames.swf");
  const Movie whole = ParseMovie(bytes);
  // The declared length past the end of the file is not trusted either.
  bytes[4] = bytes[5] = bytes[6] = bytes[7] = 0xFF;
  EXPECT_EQ(ParseMovie(bytes).frames.size(), whole.frames.size());
  // The first tag (SetBackgroundColor) claims, in the long form, more bytes
  // than the file has: nothing from it on is read, and no frame is complete.
  bytes = LoadMovie("two_frames.swf");
  const size_t firstTag = 8 + 8 + 4;  // header, RECT (5 + 4 x 14 bits), rate, count
  ASSERT_EQ(bytes[firstTag] >> 6 | bytes[firstTag + 1] << 2, 9);
  bytes[firstTag] |= 0x3F;
  const uint8_t huge[] = {0xF0, 0xFF, 0xFF, 0x7F};
  bytes.insert(bytes.begin() + firstTag + 2, std::begin(huge), std::end(huge));
  EXPECT_TRUE(ParseMovie(bytes).frames.empty());
}

TEST(SwfActions, OnlyGetUrlToFsCommandRaisesACommand) {
  const Movie movie = ParseMovie(LoadMovie("actions.swf"));
  ASSERT_EQ(movie.frames.size(), 1u);
  std::vector<std::pair<std::string, std::string>> commands;
  for (const FrameOp& op : movie.frames[0]) {
    ASSERT_EQ(op.kind, FrameOp::Kind::kFsCommand);
    commands.emplace_back(op.command, op.args);
  }
  // The web address and the other actions raise nothing; the prefix
  // matches in any letter case; the rest of the URL is the command and
  // the target its argument.
  const std::vector<std::pair<std::string, std::string>> expected{{"AllowScale", "TRUE"},
                                                                  {"quit", ""}};
  EXPECT_EQ(commands, expected);
}

TEST(SwfShapes, CurvesAreFlattenedAndStrokesFollowTheOutline) {
  const Movie movie = ParseMovie(LoadMovie("curved_shape3.swf"));
  const Shape& shape = movie.shapes.at(7);
  ASSERT_EQ(shape.fills.size(), 1u);
  EXPECT_EQ(shape.fills[0].color, (Rgba{0, 0, 255, 255}));
  ASSERT_EQ(shape.fills[0].outlines.size(), 1u);
  const auto& outline = shape.fills[0].outlines[0];
  EXPECT_GT(outline.size(), 8u * 4);  // eight curves, each more than a line
  EXPECT_EQ(outline.front(), outline.back());
  for (const Point& p : outline) {
    // Every flattened point lies near the circle of radius 40 px round (50, 50).
    EXPECT_NEAR(std::hypot(p.x - 1000, p.y - 1000), 800, 40);
  }
  ASSERT_EQ(shape.strokes.size(), 1u);
  EXPECT_EQ(shape.strokes[0].width, 40);
  EXPECT_EQ(shape.strokes[0].points, outline);
}

// Bits, most significant first, padded with zeros to whole bytes.
class BitSink {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      if (used_ % 8 == 0) bytes_.push_back(0);
      if ((value >> i) & 1) bytes_.back() |= static_cast<uint8_t>(0x80 >> (used_ % 8));
      ++used_;
    }
  }
  std::vector<uint8_t> Bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  size_t used_ = 0;
};

// A DefineShape tag (long form) of one solid fill and `curves` tiny curved
// edges, each 14 bits: 1, 0, NumBits 0000, then four 2-bit deltas.
std::vector<uint8_t> CurvyShapeTag(uint16_t id, size_t curves) {
  std::vector<uint8_t> body{static_cast<uint8_t>(id),
                            static_cast<uint8_t>(id >> 8),
                            0x00,  // RECT of 0-bit fields
                            0x01,
                            0x00,
                            0xFF,
                            0x00,
                            0x00,   // one solid red fill
                            0x00};  // no line styles
  BitSink bits;
  bits.Put(1, 4);         // NumFillBits
  bits.Put(0, 4);         // NumLineBits
  bits.Put(0b000101, 6);  // style change: fill1 and move
  bits.Put(0, 5);         // MoveBits 0
  bits.Put(1, 1);         // FillStyle1 = 1
  for (size_t i = 0; i < curves; ++i) bits.Put(0b10000001000001, 14);
  bits.Put(0, 6);  // end of shape
  const std::vector<uint8_t> records = bits.Bytes();
  body.insert(body.end(), records.begin(), records.end());
  std::vector<uint8_t> tag{static_cast<uint8_t>((2 << 6) | 0x3F), 0x00};
  const uint32_t length = static_cast<uint32_t>(body.size());
  for (int i = 0; i < 4; ++i) tag.push_back(static_cast<uint8_t>(length >> (8 * i)));
  tag.insert(tag.end(), body.begin(), body.end());
  return tag;
}

size_t Points(const Shape& shape) {
  size_t n = 0;
  for (const auto& fill : shape.fills) {
    for (const auto& outline : fill.outlines) n += outline.size();
  }
  return n;
}

TEST(SwfLimits, ShapesStayWithinThePointBudget) {
  std::vector<uint8_t> file{'F', 'W', 'S', 6, 0, 0, 0, 0, 0x00, 0x00, 0x0C, 0x01, 0x00};
  // Each shape stops at the per-shape limit (about 55000 curves of 18
  // points, 440000 kept); eleven of them pass the movie's limit.
  const size_t shapes = 11;
  for (uint16_t id = 1; id <= shapes; ++id) {
    const std::vector<uint8_t> tag = CurvyShapeTag(id, 56000);
    file.insert(file.end(), tag.begin(), tag.end());
  }
  const uint32_t length = static_cast<uint32_t>(file.size());
  for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<uint8_t>(length >> (8 * i));
  const Movie movie = ParseMovie(file);
  size_t total = 0;
  for (const auto& [id, shape] : movie.shapes) {
    EXPECT_GT(Points(shape), 0u) << id;
    EXPECT_LE(Points(shape), kMaxShapePoints) << id;
    total += Points(shape);
  }
  EXPECT_GE(movie.shapes.size(), 1u);
  EXPECT_LT(movie.shapes.size(), shapes);
  EXPECT_LE(total, kMaxMoviePoints);
}

TEST(SwfBits, SignedFieldsAndBoundedReads) {
  const uint8_t bytes[] = {0b10110000, 0x01, 0x02};
  Reader in(bytes);
  EXPECT_EQ(in.SignedBits(3), -3);  // 101
  EXPECT_EQ(in.Bits(1), 1u);
  EXPECT_EQ(in.U16(), 0x0201);  // aligned to the next byte first
  EXPECT_THROW(in.U8(), FormatError);
  Reader again(bytes);
  EXPECT_THROW(again.Bits(33), FormatError);
  EXPECT_THROW(again.Take(4), FormatError);
  EXPECT_THROW(again.String(), FormatError);  // no terminator before the end
}

}  // namespace
}  // namespace swf

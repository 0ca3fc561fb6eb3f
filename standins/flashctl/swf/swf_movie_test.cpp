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

// Movie file into the player's model.
//
// File header (little-endian):
//   0  Signature  UI8[3]  "FWS" (uncompressed) or "CWS" (zlib after byte 8)
//   3  Version    UI8
//   4  FileLength UI32    length of the whole file once uncompressed
//   8  FrameSize  RECT, FrameRate UI16 (8.8 fixed), FrameCount UI16
//   then tags, each: UI16 code << 6 | length (length 0x3F: a UI32 length
//   follows), then `length` bytes of body.
// Tags read here: End (0), ShowFrame (1), DefineShape (2), PlaceObject (4),
// RemoveObject (5), SetBackgroundColor (9), DoAction (12), DefineShape2
// (22), PlaceObject2 (26), RemoveObject2 (28), DefineShape3 (32). Every
// other tag is skipped by its length.
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "swf_records.h"

namespace swf {
namespace {

enum TagCode : uint16_t {
  kEnd = 0,
  kShowFrame = 1,
  kDefineShape = 2,
  kPlaceObject = 4,
  kRemoveObject = 5,
  kSetBackgroundColor = 9,
  kDoAction = 12,
  kDefineShape2 = 22,
  kPlaceObject2 = 26,
  kRemoveObject2 = 28,
  kDefineShape3 = 32,
};

constexpr size_t kHeaderBytes = 8;
constexpr uint8_t kActionGetUrl = 0x83;
constexpr char kFsCommandPrefix[] = "FSCommand:";

// Expands at most `limit` bytes, growing the buffer as output arrives so
// that a small file claiming a large length costs only what it holds.
std::vector<uint8_t> Inflate(std::span<const uint8_t> packed, size_t limit) {
  constexpr size_t kChunk = 64 * 1024;
  std::vector<uint8_t> out;
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) throw FormatError("zlib unavailable");
  stream.next_in = const_cast<Bytef*>(packed.data());
  stream.avail_in = static_cast<uInt>(packed.size());
  int status = Z_OK;
  while (status == Z_OK && out.size() < limit) {
    const size_t before = out.size();
    out.resize(std::min(limit, before + kChunk));
    stream.next_out = out.data() + before;
    stream.avail_out = static_cast<uInt>(out.size() - before);
    status = inflate(&stream, Z_NO_FLUSH);
    out.resize(out.size() - stream.avail_out);
    if (out.size() == before) break;
  }
  inflateEnd(&stream);
  // A stream cut short or damaged keeps what came out before the damage.
  if (out.empty()) throw FormatError("compressed movie cannot be expanded");
  return out;
}

bool IsFsCommand(const std::string& url) {
  const size_t n = sizeof kFsCommandPrefix - 1;
  if (url.size() < n) return false;
  return std::equal(url.begin(), url.begin() + n, kFsCommandPrefix, [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
  });
}

// DoAction: ACTIONRECORDs up to a zero code; codes from 0x80 carry a UI16
// length and that many bytes. ActionGetURL (0x83): UrlString, TargetString.
void ReadActions(Reader& in, std::vector<FrameOp>& ops) {
  while (!in.AtEnd()) {
    const uint8_t code = in.U8();
    if (code == 0) return;
    if (code < 0x80) continue;
    Reader payload = in.Take(in.U16());
    if (code != kActionGetUrl) continue;
    const std::string url = payload.String();
    const std::string target = payload.String();
    if (!IsFsCommand(url)) continue;
    FrameOp op;
    op.kind = FrameOp::Kind::kFsCommand;
    op.command = url.substr(sizeof kFsCommandPrefix - 1);
    op.args = target;
    ops.push_back(std::move(op));
  }
}

// PlaceObject: CharacterId UI16, Depth UI16, MATRIX (colour transform
// ignored). PlaceObject2: flags UI8 (0x04 HasMatrix, 0x02 HasCharacter,
// 0x01 Move; the others are ignored), Depth UI16, [CharacterId UI16],
// [MATRIX], rest ignored.
FrameOp ReadPlace(Reader& in, bool second) {
  FrameOp op;
  op.kind = FrameOp::Kind::kPlace;
  if (!second) {
    op.hasCharacter = op.hasMatrix = true;
    op.character = in.U16();
    op.depth = in.U16();
    op.matrix = ReadMatrix(in);
    return op;
  }
  const uint8_t flags = in.U8();
  op.move = (flags & 0x01) != 0;
  op.hasCharacter = (flags & 0x02) != 0;
  op.hasMatrix = (flags & 0x04) != 0;
  op.depth = in.U16();
  if (op.hasCharacter) op.character = in.U16();
  if (op.hasMatrix) op.matrix = ReadMatrix(in);
  return op;
}

FrameOp ReadRemove(Reader& in, bool second) {
  FrameOp op;
  op.kind = FrameOp::Kind::kRemove;
  if (!second) in.U16();  // character id
  op.depth = in.U16();
  return op;
}

size_t PointCount(const Shape& shape) {
  size_t count = 0;
  for (const FilledArea& fill : shape.fills) {
    for (const auto& outline : fill.outlines) count += outline.size();
  }
  for (const Stroke& stroke : shape.strokes) count += stroke.points.size();
  return count;
}

// What the tags read so far cost, against the movie's limits.
struct Budget {
  size_t points = 0;
  size_t ops = 0;
};

void ReadTag(uint16_t code, Reader& body, Movie& movie, std::vector<FrameOp>& ops, Budget& budget) {
  switch (code) {
    case kDefineShape:
    case kDefineShape2:
    case kDefineShape3: {
      const uint16_t id = body.U16();
      const int version = code == kDefineShape ? 1 : code == kDefineShape2 ? 2 : 3;
      Shape shape = ReadShape(body, version);
      // Shapes past the movie's point limit are left out (drawn as nothing).
      budget.points += PointCount(shape);
      if (budget.points <= kMaxMoviePoints) movie.shapes[id] = std::move(shape);
      break;
    }
    case kPlaceObject:
    case kPlaceObject2:
      ops.push_back(ReadPlace(body, code == kPlaceObject2));
      break;
    case kRemoveObject:
    case kRemoveObject2:
      ops.push_back(ReadRemove(body, code == kRemoveObject2));
      break;
    case kSetBackgroundColor: {
      FrameOp op;
      op.kind = FrameOp::Kind::kBackground;
      op.color = ReadRgb(body);
      ops.push_back(op);
      break;
    }
    case kDoAction:
      ReadActions(body, ops);
      break;
    default:
      break;
  }
}

void ReadTags(Reader& in, Movie& movie) {
  std::vector<FrameOp> ops;
  Budget budget;
  while (in.Remaining() >= 2 && movie.frames.size() < kMaxFrames) {
    const uint16_t codeAndLength = in.U16();
    const uint16_t code = codeAndLength >> 6;
    size_t length = codeAndLength & 0x3F;
    if (length == 0x3F) {
      if (in.Remaining() < 4) break;
      length = in.U32();
    }
    if (code == kEnd || length > in.Remaining()) break;
    Reader body = in.Take(length);
    if (code == kShowFrame) {
      budget.ops += ops.size();
      movie.frames.push_back(std::move(ops));
      ops.clear();
      continue;
    }
    // The movie ends where its frames would hold too many changes.
    if (budget.ops + ops.size() >= kMaxFrameOps) break;
    // A damaged tag is dropped; the tags around it still count.
    try {
      ReadTag(code, body, movie, ops, budget);
    } catch (const FormatError&) {
    }
  }
  if (!ops.empty() && movie.frames.size() < kMaxFrames) movie.frames.push_back(std::move(ops));
}

}  // namespace

Movie ParseMovie(std::span<const uint8_t> file) {
  if (file.size() < kHeaderBytes) throw FormatError("not a movie: too short");
  const bool compressed = std::memcmp(file.data(), "CWS", 3) == 0;
  if (!compressed && std::memcmp(file.data(), "FWS", 3) != 0) {
    throw FormatError("not a movie: unknown signature");
  }
  Reader header(file);
  header.Skip(3);
  Movie movie;
  movie.version = header.U8();
  movie.compressed = compressed;
  const size_t declared = std::min<size_t>(header.U32(), kMaxMovieBytes);
  const size_t bodyLimit = declared > kHeaderBytes ? declared - kHeaderBytes : 0;
  std::vector<uint8_t> inflated;
  std::span<const uint8_t> body = file.subspan(kHeaderBytes);
  if (compressed) {
    inflated = Inflate(body, bodyLimit);
    body = inflated;
  } else if (declared >= kHeaderBytes && bodyLimit < body.size()) {
    body = body.first(bodyLimit);
  }
  Reader in(body);
  movie.frameSize = ReadRect(in);
  movie.frameRate = in.U16() / 256.0;
  movie.frameCount = in.U16();
  ReadTags(in, movie);
  return movie;
}

}  // namespace swf

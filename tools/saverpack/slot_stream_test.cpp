// Entries stream through fixed buffers: stored and imploded copies, the
// check that an imploded entry expands back, and files that change.
#include "slot_stream.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "pack_error.h"
#include "test_support.h"

namespace saverpack {
namespace {

using ::testing::HasSubstr;
using namespace saverpack::testing;

// An anonymous file to write into.
class Scratch {
 public:
  int fd() const { return fileno(file_.get()); }
  std::vector<uint8_t> Bytes(uint64_t offset, uint64_t size) const {
    std::vector<uint8_t> out(size);
    ReadAllAt(fd(), offset, out, "scratch");
    return out;
  }

 private:
  std::unique_ptr<FILE, int (*)(FILE*)> file_{std::tmpfile(), std::fclose};
};

// More than three 64 KiB chunks, so that every buffer boundary is crossed.
const size_t kSize = 3 * 65536 + 17;

TEST(SlotStream, StoredCopyIsTheInputAfterWhatWasWritten) {
  Scratch scratch;
  PackageOutput out(scratch.fd(), 1 << 30, "out");
  out.Append(std::vector<uint8_t>(5, 9));
  const auto data = NoiseBytes(kSize, 1);
  SlotReader input(data, "slot 7 file");
  EXPECT_EQ(StoreSlot(input, out), kSize);
  out.Flush();
  EXPECT_EQ(out.size(), kSize + 5);
  EXPECT_EQ(scratch.Bytes(5, kSize), data);
}

TEST(SlotStream, ImplodedFileExplodesBackAndIsVerified) {
  ScratchDir dir;
  const auto data = TextBytes(kSize, 2);
  WriteFile(dir / "in.bin", data);
  for (Level level : {Level::kDefault, Level::kBest}) {
    Scratch scratch;
    PackageOutput out(scratch.fd(), 1 << 30, "out");
    out.Append(std::vector<uint8_t>(3, 0));
    SlotReader input(dir / "in.bin", kSize, "slot 6 file");
    const uint64_t stored = ImplodeSlot(input, out, level);
    EXPECT_LT(stored, kSize / 2);
    EXPECT_NO_THROW(VerifyImploded(out, 3, stored, input));
    out.Flush();
    EXPECT_EQ(ExplodeBytes(scratch.Bytes(3, stored)), data);
  }
}

TEST(SlotStream, VerifyFindsAnEntryThatDiffersFromItsInput) {
  Scratch scratch;
  PackageOutput out(scratch.fd(), 1 << 30, "out");
  const auto data = TextBytes(kSize, 3);
  SlotReader input(data, "slot 9 file");
  const uint64_t stored = ImplodeSlot(input, out, Level::kDefault);
  auto changed = data;
  changed[kSize - 1] ^= 1;
  SlotReader other(changed, "slot 9 file");
  try {
    VerifyImploded(out, 0, stored, other);
    ADD_FAILURE() << "a different input passed";
  } catch (const PackError& e) {
    EXPECT_THAT(e.what(), HasSubstr("slot 9 file: the imploded data does not expand back"));
  }
  auto longer = data;
  longer.push_back(1);
  SlotReader longerInput(longer, "slot 9 file");
  EXPECT_THROW(VerifyImploded(out, 0, stored, longerInput), PackError);
}

TEST(SlotStream, FileThatShrinksDuringTheBuildIsRefused) {
  ScratchDir dir;
  WriteFile(dir / "in.bin", NoiseBytes(1000, 4));
  Scratch scratch;
  PackageOutput out(scratch.fd(), 1 << 30, "out");
  SlotReader input(dir / "in.bin", 5000, "slot 7 file");
  for (bool compressed : {false, true}) {
    input.Rewind();
    try {
      compressed ? ImplodeSlot(input, out, Level::kDefault) : StoreSlot(input, out);
      ADD_FAILURE() << "short file accepted";
    } catch (const PackError& e) {
      EXPECT_THAT(e.what(), HasSubstr("it ended at byte 1000 of 5000"));
    }
  }
}

TEST(SlotStream, OutputStopsAtItsLimit) {
  Scratch scratch;
  PackageOutput out(scratch.fd(), 100000, "out");
  out.Append(std::vector<uint8_t>(99990, 0));
  const auto data = NoiseBytes(50, 5);
  const std::span<const uint8_t> bytes(data);
  SlotReader exact{bytes.first(10), "slot 7 file"};
  EXPECT_EQ(StoreSlot(exact, out), 10u);
  SlotReader more{bytes.first(1), "slot 8 file"};
  EXPECT_THROW(StoreSlot(more, out), PackageOutput::TooLarge);
  SlotReader imploded{bytes, "slot 9 file"};
  EXPECT_THROW(ImplodeSlot(imploded, out, Level::kDefault), PackageOutput::TooLarge);
}

}  // namespace
}  // namespace saverpack

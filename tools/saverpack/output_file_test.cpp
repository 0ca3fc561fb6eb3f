// The output file: links followed, inputs and special files refused, the
// temporary file removed unless committed.
#include "output_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "pack_error.h"
#include "test_support.h"

namespace saverpack {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using namespace saverpack::testing;

size_t EntriesIn(const fs::path& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

void ExpectRefused(const fs::path& output, const std::vector<BuildInput>& inputs,
                   const std::string& what) {
  try {
    ResolveOutput(output, inputs);
    ADD_FAILURE() << "accepted: " << output;
  } catch (const PackError& e) {
    EXPECT_THAT(e.what(), HasSubstr(what));
  }
}

TEST(ResolveOutput, NewOrRegularFilesAreTheirOwnTarget) {
  ScratchDir dir;
  EXPECT_EQ(ResolveOutput(dir / "new.exe", {}), dir / "new.exe");
  WriteText(dir / "old.exe", "old");
  EXPECT_EQ(ResolveOutput(dir / "old.exe", {{dir / "other", "stub"}}), dir / "old.exe");
}

TEST(ResolveOutput, LinksAreFollowedToTheirTarget) {
  ScratchDir dir;
  fs::create_directories(dir / "real");
  fs::create_symlink("real/target.exe", dir / "dangling.exe");
  EXPECT_EQ(ResolveOutput(dir / "dangling.exe", {}), dir / "real/target.exe");
  WriteText(dir / "real" / "target.exe", "old");
  fs::create_symlink(dir / "dangling.exe", dir / "chain.exe");
  EXPECT_EQ(ResolveOutput(dir / "chain.exe", {}), dir / "real/target.exe");
  fs::create_symlink("loop2", dir / "loop1");
  fs::create_symlink("loop1", dir / "loop2");
  ExpectRefused(dir / "loop1", {}, "too many levels of symbolic links");
}

TEST(ResolveOutput, AnInputSpelledAnyWayIsRefused) {
  ScratchDir dir;
  WriteText(dir / "stub.exe", "MZ");
  fs::create_directories(dir / "sub");
  fs::create_hard_link(dir / "stub.exe", dir / "hard.exe");
  fs::create_symlink("stub.exe", dir / "soft.exe");
  const std::vector<BuildInput> inputs = {{dir / "missing.txt", "manifest"},
                                          {dir / "stub.exe", "stub"}};
  for (const fs::path& output :
       {dir / "stub.exe", dir / "sub" / ".." / "stub.exe", dir / "hard.exe", dir / "soft.exe"}) {
    ExpectRefused(output, inputs, "is the same file as the stub '" + (dir / "stub.exe").string());
  }
  ExpectRefused(dir / "stub.exe", {{dir / "soft.exe", "slot 7 file"}},
                "is the same file as the slot 7 file");
}

TEST(ResolveOutput, SpecialFilesAreRefusedByKind) {
  ScratchDir dir;
  ExpectRefused(dir.path(), {}, "is a directory, not a regular file");
  ExpectRefused("/dev/null", {}, "output '/dev/null' is a character device, not a regular file");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  ExpectRefused(dir / "pipe", {}, "is a named pipe");
  fs::create_symlink("/dev/zero", dir / "zero.exe");
  ExpectRefused(dir / "zero.exe", {},
                "output '" + (dir / "zero.exe").string() + "' is a character");
}

TEST(TempOutput, IsRemovedUnlessCommitted) {
  ScratchDir dir;
  {
    TempOutput temp(dir / "out.exe", "out.exe");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
    ASSERT_EQ(::write(temp.fd(), "abc", 3), 3);
  }
  EXPECT_EQ(EntriesIn(dir.path()), 0u);
  {
    TempOutput temp(dir / "out.exe", "out.exe");
    ASSERT_EQ(::write(temp.fd(), "abc", 3), 3);
    temp.Commit();
  }
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
  EXPECT_EQ(fs::file_size(dir / "out.exe"), 3u);
}

TEST(TempOutput, ReplacesTheTargetKeepingItsMode) {
  ScratchDir dir;
  WriteText(dir / "out.exe", "old contents");
  fs::permissions(dir / "out.exe", fs::perms(0750));
  TempOutput temp(dir / "out.exe", "out.exe");
  ASSERT_EQ(::write(temp.fd(), "new", 3), 3);
  temp.Commit();
  EXPECT_EQ(fs::file_size(dir / "out.exe"), 3u);
  EXPECT_EQ(fs::status(dir / "out.exe").permissions() & fs::perms::all, fs::perms(0750));
}

TEST(TempOutput, AMissingFolderIsNamedWithTheOutput) {
  ScratchDir dir;
  try {
    TempOutput temp(dir / "nope" / "sub" / "o.exe", "nope/sub/o.exe");
    ADD_FAILURE() << "created";
  } catch (const PackError& e) {
    EXPECT_STREQ(e.what(), "cannot create 'nope/sub/o.exe': No such file or directory");
  }
}

}  // namespace
}  // namespace saverpack

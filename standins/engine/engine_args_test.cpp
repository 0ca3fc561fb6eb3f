#include "engine_args.h"

#include <gtest/gtest.h>

#include "saver_paths.h"

namespace engine {
namespace {

Command Preview(uint64_t window) { return Command{Mode::kPreview, window, 0, {}}; }

TEST(EngineArguments, TheScreenSaverSwitchesInTheirUsualSpellings) {
  EXPECT_EQ(ParseCommandLine("Aqua.scr"), Command{});
  EXPECT_EQ(ParseCommandLine("\"C:\\Program Files\\Aqua.scr\"   "), Command{});
  for (const char* line : {"Aqua.scr /s", "Aqua.scr /S", "Aqua.scr -s", "\"C:\\a b\\x.scr\" /s"}) {
    EXPECT_EQ(ParseCommandLine(line).mode, Mode::kSaver) << line;
  }
  EXPECT_EQ(ParseCommandLine("C:\\WINDOWS\\AQUA~FGL.SCR /p 65604"), Preview(65604));
  EXPECT_EQ(ParseCommandLine("x.scr /p:65604"), Preview(65604));
  EXPECT_EQ(ParseCommandLine("x.scr /P65604"), Preview(65604));
  EXPECT_EQ(ParseCommandLine("x.scr /c:1234"), (Command{Mode::kConfigure, 1234, 0, {}}));
  EXPECT_EQ(ParseCommandLine("x.scr /c"), Command{});
  EXPECT_EQ(ParseCommandLine("x.scr /a 99"), (Command{Mode::kPassword, 99, 0, {}}));
  EXPECT_EQ(ParseCommandLine("C:\\WINDOWS\\Aqua Deep.scr /u").mode, Mode::kUninstall);
  EXPECT_EQ(ParseCommandLine("x.scr /U").mode, Mode::kUninstall);
  EXPECT_EQ(ParseCommandLine("C:\\My -Savers\\Aqua.scr /p 12"), Preview(12));
  EXPECT_EQ(ParseCommandLine("x.scr /c: 12"), (Command{Mode::kConfigure, 12, 0, {}}));
  EXPECT_EQ(ParseCommandLine("C:\\WINDOWS\\Aqua Deep.scr"), Command{});
}

TEST(EngineArguments, RefusesWhatItCannotActOn) {
  for (const char* line :
       {"x.scr /p", "x.scr /p 0", "x.scr /p abc", "x.scr /p -5", "x.scr /p:", "x.scr /c:x",
        "x.scr /x", "x.scr /", "x.scr /sx", "x.scr /uninstall", "x.scr /p 99999999999999999999",
        "x.scr /remove-engine", "x.scr /remove-engine 12", "x.scr /remove-engine 0 C:\\a.scr",
        "x.scr /remove-engine 12 \"\""}) {
    EXPECT_EQ(ParseCommandLine(line).mode, Mode::kInvalid) << line;
  }
}

TEST(EngineArguments, TheRemoverCommandLineParsesBack) {
  const std::string line =
      RemoverCommandLine("C:\\Users\\a b\\Temp\\Aqua uninstall.exe", 588, "C:\\WIN DOWS\\Aqua.scr");
  EXPECT_EQ(ParseCommandLine(line),
            (Command{Mode::kRemoveEngine, 0, 588, "C:\\WIN DOWS\\Aqua.scr"}));
  EXPECT_EQ(ParseCommandLine(RemoverCommandLine("C:\\t\\x.exe", 7, "C:\\w\\A.scr")).path,
            "C:\\w\\A.scr");
}

TEST(EngineArguments, SplitsLikeWindows) {
  EXPECT_EQ(SplitCommandLine("  a  \"b c\"\td \"\" e\"f g\"h"),
            (std::vector<std::string>{"a", "b c", "d", "", "ef gh"}));
  EXPECT_TRUE(SplitCommandLine("   ").empty());
  EXPECT_EQ(QuoteArgument("plain"), "plain");
  EXPECT_EQ(QuoteArgument("with blank"), "\"with blank\"");
  EXPECT_EQ(QuoteArgument(""), "\"\"");
}

}  // namespace
}  // namespace engine

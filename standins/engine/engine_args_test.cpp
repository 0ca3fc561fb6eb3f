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

// The uninstall entry's command as Windows passes it: the program's path
// unquoted (blanks and switch-like words included) or quoted, long or short.
TEST(EngineArguments, TheProgramNameIsRecognisedWholeInEveryForm) {
  const std::vector<std::string> forms = {"C:\\windows\\Joe -s Show.scr",
                                          "C:\\WINDOWS\\JOE-S~1.SCR"};
  const struct {
    const char* line;
    Mode mode;
  } cases[] = {
      {"C:\\windows\\Joe -s Show.scr /u", Mode::kUninstall},
      {"\"C:\\windows\\Joe -s Show.scr\" /u", Mode::kUninstall},
      {"  c:\\WINDOWS\\joe -S show.SCR /U", Mode::kUninstall},
      {"C:\\WINDOWS\\JOE-S~1.SCR /s", Mode::kSaver},
      {"C:\\windows\\Joe -s Show.scr", Mode::kConfigure},
      {"\"C:\\windows\\Joe -s Show.scr\"", Mode::kConfigure},
      {"C:\\windows\\Joe -s Show.scr /p 12", Mode::kPreview},
      {"C:\\windows\\Joe -s Show.scr extra /u", Mode::kInvalid},
      {"\"C:\\windows\\Joe -s Show.scr\" -s", Mode::kSaver},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseCommandLine(c.line, forms).mode, c.mode) << c.line;
  // Without the forms the first sensible switch counts, which is how the
  // program name's "-s" would win.
  EXPECT_EQ(ParseCommandLine("C:\\windows\\Joe -s Show.scr /u").mode, Mode::kSaver);
  // A longer form wins over a shorter one that ends at a blank.
  EXPECT_EQ(ParseCommandLine("C:\\a b\\x.scr /s /u", {"C:\\a", "C:\\a b\\x.scr"}).mode,
            Mode::kSaver);
  EXPECT_EQ(ParseCommandLine("C:\\a b\\x.scr /u", {"C:\\a"}).mode, Mode::kInvalid);
}

TEST(EngineArguments, TheProgramOfAnUninstallCommand) {
  EXPECT_EQ(ProgramOfCommand("C:\\windows\\Aqua Blue.scr /u"), "C:\\windows\\Aqua Blue.scr");
  EXPECT_EQ(ProgramOfCommand("\"C:\\windows\\Joe -s Show.scr\" /u"),
            "C:\\windows\\Joe -s Show.scr");
  EXPECT_EQ(ProgramOfCommand(" C:\\windows\\Aqua.scr /U "), "C:\\windows\\Aqua.scr");
  EXPECT_EQ(ProgramOfCommand("C:\\windows\\Aqua.scr"), "C:\\windows\\Aqua.scr");
  EXPECT_EQ(ProgramOfCommand("\"C:\\unterminated /u"), "C:\\unterminated /u");
  EXPECT_EQ(ProgramOfCommand(""), "");
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

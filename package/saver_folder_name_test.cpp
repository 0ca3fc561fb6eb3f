#include "saver_folder_name.h"

#include <gtest/gtest.h>

namespace saver {
namespace {

TEST(SaverFolderName, OneRuleForEveryTitle) {
  const struct {
    std::string_view title;
    std::string_view folder;
  } cases[] = {
      {"Aqua", "Aqua dir"},
      {"Aqua Blue", "Aqua Blue dir"},
      {"Joe -s Show", "Joe -s Show dir"},
      {".", "_ dir"},
      {"..", "__ dir"},
      {"...", "___ dir"},
      {". .", ". . dir"},
      {"v1.2", "v1.2 dir"},
      {"Aqua.", "Aqua. dir"},
      {"Aqua..", "Aqua.. dir"},
      {"Aqua ", "Aqua  dir"},
      {"Aqua .", "Aqua . dir"},
      {" ", "  dir"},
      {"CON", "CON dir"},
      {"nul.txt", "nul.txt dir"},
      {"COM1", "COM1 dir"},
      {"aqua", "aqua dir"},
      {"AQUA", "AQUA dir"},
      {"a\\b", "a_b dir"},
      {"a/b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i dir"},
      {std::string_view("tab\there", 8), "tab_here dir"},
      {"\xC4gypten", "\xC4gypten dir"},
      {"", "LMX temp\\ dir"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SaverFolderName(c.title), c.folder) << "title \"" << c.title << "\"";
    if (!c.title.empty()) {
      EXPECT_TRUE(StaysInFolder(SaverFolderName(c.title))) << c.title;
    }
  }
}

}  // namespace
}  // namespace saver

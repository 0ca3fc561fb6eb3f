#include "windows_names.h"

#include "package/constants_shared.h"
#include "package/dataStructures_shared.h"
#include "package/windows_case.h"
#include "text_encoding.h"

namespace saverpack {
namespace {

constexpr size_t kMaxNameLength = 255;
constexpr std::string_view kSaverFolderSuffix = " dir\\";

std::string Describe(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20) return "control character " + std::to_string(u);
  return std::string("'") + c + "'";
}

}  // namespace

std::optional<std::string> FileNameProblem(std::string_view name) {
  if (name.empty()) return "is empty";
  if (name.size() > kMaxNameLength) {
    return "is " + std::to_string(name.size()) + " bytes long; at most 255 are allowed";
  }
  for (char c : name) {
    if (saver::IsForbiddenNameChar(c)) {
      return "is not a plain file name: it contains " + Describe(c) +
             " (a folder, a drive or a character Windows refuses)";
    }
  }
  if (!saver::StaysInFolder(name)) return "names a folder, not a file";
  if (saver::IsReservedDeviceName(name)) {
    return "is a reserved device name in Windows (CON, PRN, AUX, NUL, COM1-9, LPT1-9, CONIN$, "
           "CONOUT$), also with an extension";
  }
  if (name.back() == '.' || name.back() == ' ') {
    return std::string("ends in '") + name.back() +
           "', which Windows drops from file names (so it names the same file as without it)";
  }
  return std::nullopt;
}

std::string WindowsFolded(std::string_view view) {
  std::string name(view);
  for (char& c : name) c = static_cast<char>(saver::FoldedNameChar(c));
  return name;
}

std::optional<std::string> SaverFolderPathProblem(std::optional<std::string_view> title,
                                                  std::string_view name) {
  const size_t titleLength = title ? title->size() : static_cast<size_t>(saver::kTitleSize);
  const size_t length =
      kWindowsFolderAllowance + titleLength + kSaverFolderSuffix.size() + name.size();
  if (length <= kMaxWindowsPath) return std::nullopt;
  const size_t room =
      kMaxWindowsPath - kWindowsFolderAllowance - titleLength - kSaverFolderSuffix.size();
  return "is " + std::to_string(name.size()) + " bytes long; in the saver folder ('<Windows>\\" +
         (title ? Windows1252ForDisplay(std::string(*title))
                : std::string("<title of up to 64 bytes>")) +
         " dir\\', counting " + std::to_string(kWindowsFolderAllowance) +
         " characters for the Windows folder) at most " + std::to_string(room) +
         " fit in a Windows path of 259 characters (shorten it)";
}

std::optional<std::string> WindowsFolderPathProblem(std::string_view name) {
  if (kWindowsFolderAllowance + name.size() <= kMaxWindowsPath) return std::nullopt;
  return "is " + std::to_string(name.size()) + " bytes long; in the Windows folder (counted as " +
         std::to_string(kWindowsFolderAllowance) + " characters) at most " +
         std::to_string(kMaxWindowsPath - kWindowsFolderAllowance) +
         " fit in a Windows path of 259 characters (shorten it)";
}

}  // namespace saverpack

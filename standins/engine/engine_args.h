// The engine's command line, as Windows and the uninstall entry start it.
//
//   /s                      run full screen
//   /p <hwnd>, /p:<hwnd>    preview inside the given window
//   /c, /c:<hwnd>, nothing  the settings box (owned by the window, if any)
//   /a <hwnd>               password change of old Windows: nothing to do
//   /u                      uninstall the screen saver
//   /remove-engine <process handle> "<engine path>"
//                           the engine's own removal, run by a copy of the
//                           engine after the uninstalling one has ended
//
// Switches start with '/' or '-' and are compared without regard to case;
// window handles and the process handle are decimal.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

enum class Mode { kSaver, kPreview, kConfigure, kPassword, kUninstall, kRemoveEngine, kInvalid };

struct Command {
  Mode mode = Mode::kConfigure;
  uint64_t window = 0;   // /p, /c:, /a
  uint64_t process = 0;  // /remove-engine
  std::string path;      // /remove-engine

  bool operator==(const Command&) const = default;
};

// Splits a Windows command line into arguments: blanks separate them, double
// quotes group blanks into one and are dropped.
std::vector<std::string> SplitCommandLine(std::string_view commandLine);

// The command of a whole command line, program name first. `programForms`
// are the forms of the running program's path (long, short): an unquoted
// program name that starts the line as one of them is cut off whole, blanks
// and words that look like switches included ("C:\WINDOWS\Joe -s Show.scr
// /u"). A quoted name ends at its closing quote. Otherwise the first switch
// that makes sense with what follows it counts. No switch at all: the
// settings box.
Command ParseCommandLine(std::string_view commandLine,
                         const std::vector<std::string>& programForms = {});

// The program of an uninstall command as the installer writes it: the text
// inside the leading quotes, or else the text before a trailing " /u".
std::string ProgramOfCommand(std::string_view command);

// `argument` quoted for a command line when it holds a blank or is empty.
std::string QuoteArgument(std::string_view argument);

}  // namespace engine

#include "engine_args.h"

#include <cctype>
#include <optional>

namespace engine {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A positive decimal number and nothing else.
std::optional<uint64_t> Number(std::string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value == 0) return std::nullopt;
  return value;
}

Command Invalid() { return Command{Mode::kInvalid, 0, 0, {}}; }

// The window of "/p 123", "/p:123" or "/p123": the switch's rest, or else
// the next argument. Absent when neither is given.
std::optional<uint64_t> WindowArgument(std::string_view rest, const std::vector<std::string>& args,
                                       size_t next) {
  if (!rest.empty() && rest.front() == ':') rest.remove_prefix(1);
  if (!rest.empty()) return Number(rest);
  if (next < args.size()) return Number(args[next]);
  return std::nullopt;
}

Command RemoveEngine(const std::vector<std::string>& args, size_t at) {
  if (args.size() != at + 3) return Invalid();
  const auto process = Number(args[at + 1]);
  if (!process || args[at + 2].empty()) return Invalid();
  return Command{Mode::kRemoveEngine, 0, *process, args[at + 2]};
}

bool LooksLikeSwitch(const std::string& arg) {
  return !arg.empty() && (arg[0] == '/' || arg[0] == '-');
}

// The command of the switch at args[at] and what follows it.
Command FromSwitch(const std::vector<std::string>& args, size_t at) {
  const std::string& first = args[at];
  if (first.size() < 2) return Invalid();
  const std::string name = Lower(std::string_view(first).substr(1));
  if (name == "remove-engine") return RemoveEngine(args, at);
  const char letter = name[0];
  const std::string_view rest = std::string_view(name).substr(1);
  switch (letter) {
    case 's':
      return rest.empty() ? Command{Mode::kSaver, 0, 0, {}} : Invalid();
    case 'u':
      return rest.empty() ? Command{Mode::kUninstall, 0, 0, {}} : Invalid();
    case 'p': {
      const auto window = WindowArgument(rest, args, at + 1);
      return window ? Command{Mode::kPreview, *window, 0, {}} : Invalid();
    }
    case 'c':
    case 'a': {
      const bool given = !rest.empty() || args.size() > at + 1;
      const auto window = WindowArgument(rest, args, at + 1);
      if (given && !window) return Invalid();
      return Command{letter == 'c' ? Mode::kConfigure : Mode::kPassword, window.value_or(0), 0, {}};
    }
    default:
      return Invalid();
  }
}

std::string_view TrimmedBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && Lower(a) == Lower(b);
}

// The arguments behind the program name, when the name can be told: quoted,
// or one of the program's own forms followed by a blank or the end.
std::optional<std::string_view> AfterProgram(std::string_view line,
                                             const std::vector<std::string>& forms) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  if (!line.empty() && line.front() == '"') {
    const size_t close = line.find('"', 1);
    return close == std::string_view::npos ? std::string_view() : line.substr(close + 1);
  }
  size_t longest = 0;
  for (const std::string& form : forms) {
    if (form.empty() || form.size() <= longest || line.size() < form.size()) continue;
    const bool ends =
        line.size() == form.size() || line[form.size()] == ' ' || line[form.size()] == '\t';
    if (ends && SameLetters(line.substr(0, form.size()), form)) longest = form.size();
  }
  if (longest == 0) return std::nullopt;
  return line.substr(longest);
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view commandLine) {
  std::vector<std::string> args;
  std::string current;
  bool inQuotes = false, inArgument = false;
  for (char c : commandLine) {
    if (c == '"') {
      inQuotes = !inQuotes;
      inArgument = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (inArgument) args.push_back(std::move(current));
      current.clear();
      inArgument = false;
    } else {
      current += c;
      inArgument = true;
    }
  }
  if (inArgument) args.push_back(std::move(current));
  return args;
}

Command ParseCommandLine(std::string_view commandLine,
                         const std::vector<std::string>& programForms) {
  if (const auto rest = AfterProgram(commandLine, programForms)) {
    const std::vector<std::string> args = SplitCommandLine(*rest);
    if (args.empty()) return Command{};
    return LooksLikeSwitch(args[0]) ? FromSwitch(args, 0) : Invalid();
  }
  const std::vector<std::string> args = SplitCommandLine(commandLine);
  // An unquoted program path with blanks that is none of the program's
  // forms splits into several arguments: the command is the first switch
  // that makes sense with what follows it.
  std::optional<Command> firstSwitch;
  for (size_t at = 1; at < args.size(); ++at) {
    if (!LooksLikeSwitch(args[at])) continue;
    const Command command = FromSwitch(args, at);
    if (command.mode != Mode::kInvalid) return command;
    if (!firstSwitch) firstSwitch = command;
  }
  return firstSwitch.value_or(Command{});
}

std::string ProgramOfCommand(std::string_view command) {
  command = TrimmedBlanks(command);
  if (!command.empty() && command.front() == '"') {
    command.remove_prefix(1);
    return std::string(command.substr(0, command.find('"')));
  }
  if (command.size() >= 3 && Lower(command.substr(command.size() - 3)) == " /u") {
    command.remove_suffix(3);
  }
  return std::string(TrimmedBlanks(command));
}

std::string QuoteArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(" \t") == std::string_view::npos) {
    return std::string(argument);
  }
  // Appended piece by piece: GCC 12 warns falsely about operator+ on a
  // literal and a temporary here in optimised builds.
  std::string quoted(1, '"');
  quoted.append(argument);
  quoted += '"';
  return quoted;
}

}  // namespace engine

#include "data_command.h"

#include <iostream>
#include <optional>
#include <string>

#include "cli_options.h"
#include "data_file.h"
#include "file_io.h"
#include "pack_error.h"

namespace saverpack {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;

constexpr std::string_view kDataUsage =
    "usage: saverpack data build MANIFEST -o FILE.ssd [--level default|best] [--werror]\n"
    "                            [--quiet]\n"
    "       saverpack data list FILE.ssd\n";

constexpr std::string_view kDataHelp =
    "\n"
    "data build  writes a saver data file (slot 8 of a package) from a data\n"
    "       manifest: one 'key = value' per line, like the package manifest:\n"
    "         template = FILE            1240-byte header to start from\n"
    "         first_record_mode = N      3: record 1 copies the preview movie\n"
    "         recordN = FILE             N = 1..109 without gaps\n"
    "         recordN.name = NAME        stored name (default: FILE's name)\n"
    "         recordN.compressed = 0|1   (default 0)\n"
    "         recordN.kind = 0..255      not 3 (default 0)\n"
    "         recordN.copy = NAME        a copy of record 1's file (of the\n"
    "                                    preview movie for record 1)\n"
    "         picture, text, background, text_colour, speed,\n"
    "         text_over_picture          the engine's settings\n"
    "       Names follow the installer's rules: no folders, no device names\n"
    "       (NUL, CON, COM1, CONOUT$, also with an extension), no trailing dot\n"
    "       or blank, no two names Windows takes for one file, and short\n"
    "       enough for the saver folder's path. FILE.ssd is never one of the\n"
    "       inputs, a device or a pipe; a symbolic link is written through.\n"
    "       Records stream through fixed buffers.\n"
    "       --werror, --quiet   as for build\n"
    "data list   prints a data file's header, records and chunk sizes.\n";

struct DataUsageError {
  std::string message;
};

int Build(const std::vector<std::string_view>& args) {
  std::optional<std::string> manifest, output;
  Level level = Level::kDefault;
  CliOptions cli;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (cli.Take(arg)) continue;
    if ((arg == "-o" || arg == "--level") && i + 1 >= args.size()) {
      throw DataUsageError{std::string(arg) + " needs a value"};
    }
    if (arg == "-o") {
      output = std::string(args[++i]);
    } else if (arg == "--level") {
      const std::string_view value = args[++i];
      if (value != "default" && value != "best") {
        throw DataUsageError{"unknown level '" + std::string(value) + "' (default or best)"};
      }
      level = value == "best" ? Level::kBest : Level::kDefault;
    } else if (arg.starts_with("-") || manifest) {
      throw DataUsageError{"unexpected argument '" + std::string(arg) + "'"};
    } else {
      manifest = std::string(arg);
    }
  }
  if (!manifest) throw DataUsageError{"data build needs a MANIFEST"};
  if (!output) throw DataUsageError{"data build needs -o FILE.ssd"};
  const ProgressLine progress(cli.quiet);
  const DataManifest parsed = LoadDataManifest(*manifest);
  const DataContents contents = LoadDataContents(parsed);
  Warnings warnings(PrintWarning);
  std::vector<BuildInput> inputs = DataBuildInputs(parsed);
  if (const auto note = PictureNote(contents)) std::cerr << "saverpack: note: " << *note << "\n";
  const uint64_t size = WriteDataFile(contents, *output, inputs, level, warnings, cli.werror);
  std::cout << "wrote " << *output << " (" << size << " bytes)\n";
  return kExitOk;
}

int List(const std::vector<std::string_view>& args) {
  if (args.size() != 1) throw DataUsageError{"data list takes exactly one FILE.ssd"};
  const std::string file(args[0]);
  std::cout << FormatDataListing(ReadWholeFile(file, "data file"));
  return kExitOk;
}

}  // namespace

int RunDataCommand(const std::vector<std::string_view>& args) {
  try {
    if (args.empty()) throw DataUsageError{"data needs 'build' or 'list'"};
    if (AsksForHelp(args)) {
      std::cout << kDataUsage << kDataHelp;
      return kExitOk;
    }
    const std::vector<std::string_view> rest(args.begin() + 1, args.end());
    if (args[0] == "build") return Build(rest);
    if (args[0] == "list") return List(rest);
    throw DataUsageError{"unknown data command '" + std::string(args[0]) + "'"};
  } catch (const DataUsageError& e) {
    std::cerr << "saverpack: " << e.message << "\n" << kDataUsage;
    return kExitUsage;
  }
}

}  // namespace saverpack

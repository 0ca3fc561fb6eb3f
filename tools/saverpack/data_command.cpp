#include "data_command.h"

#include <iostream>
#include <optional>
#include <string>

#include "data_file.h"
#include "file_io.h"

namespace saverpack {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 2;

constexpr std::string_view kDataUsage =
    "usage: saverpack data build MANIFEST -o FILE.ssd [--level default|best]\n"
    "       saverpack data list FILE.ssd\n";

struct DataUsageError {
  std::string message;
};

int Build(const std::vector<std::string_view>& args) {
  std::optional<std::string> manifest, output;
  Level level = Level::kDefault;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
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
  const DataContents contents = LoadDataContents(LoadDataManifest(*manifest));
  const uint64_t size = WriteDataFile(contents, *output, level);
  if (const auto note = PictureNote(contents)) std::cerr << "saverpack: note: " << *note << "\n";
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

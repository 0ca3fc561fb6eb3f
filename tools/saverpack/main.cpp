// saverpack: builds installers from a manifest and lists their packages.
//
//   saverpack build MANIFEST --stub STUB.exe -o OUT.exe [--level default|best]
//                   [--werror] [--quiet]
//   saverpack list INSTALLER
//   saverpack verify INSTALLER [--ca FILE]
//   saverpack sign INSTALLER (--pkcs12 FILE | --cert FILE --key FILE) ...
//   saverpack data build MANIFEST -o FILE.ssd | data list FILE.ssd
//   saverpack --help | --version | COMMAND --help
//
// Exit codes: 0 done (warnings are lines "...: warning: ..." on stderr),
// 1 refused input or I/O failure (one line on stderr, after any warnings),
// 2 usage error.
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli_options.h"
#include "data_command.h"
#include "manifest.h"
#include "pack_error.h"
#include "package_reader.h"
#include "package_writer.h"
#include "sign_command.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitBadInput = 1;
constexpr int kExitUsage = 2;

using Args = std::vector<std::string_view>;

constexpr std::string_view kUsage =
    "usage: saverpack build MANIFEST --stub STUB.exe -o OUT.exe [--level default|best]\n"
    "                       [--werror] [--quiet]\n"
    "       saverpack list INSTALLER\n"
    "       saverpack verify INSTALLER [--ca FILE]\n"
    "       saverpack sign INSTALLER (--pkcs12 FILE | --cert FILE --key FILE)\n"
    "                      [--password-file FILE] [-o OUT] [--description TEXT]\n"
    "       saverpack data build MANIFEST -o FILE.ssd [--level default|best] [--werror]\n"
    "                            [--quiet]\n"
    "       saverpack data list FILE.ssd\n"
    "       saverpack --help | --version | COMMAND --help\n";

constexpr std::string_view kVersion =
    "saverpack 1.2 (packages at 552960 with CRC-32 entry checks, data files of 109 records)\n";

constexpr std::string_view kListHelp =
    "usage: saverpack list INSTALLER\n"
    "\n"
    "Prints an installer's header (title and switches) and its table of 11\n"
    "slots: name, entry type, stored range, sizes, whether it is imploded, and\n"
    "the CRC-32 of its check (slot 0's covers the header and table; '-': none).\n"
    "Names are shown as UTF-8; bytes a terminal should not get are escaped.\n";

constexpr std::string_view kHelp =
    "\n"
    "build  writes OUT.exe: the stub (install.exe: a Windows program of at most\n"
    "       552960 bytes that carries the installer stub's marker) padded to\n"
    "       552960 bytes, then the package described by MANIFEST.\n"
    "       OUT.exe must not be one of the inputs; a symbolic link is written\n"
    "       through to its target. Nothing is left behind when the build fails.\n"
    "       Refused (exit 1): a preview that is not what preview_kind shows (a\n"
    "       BMP Windows loads, or an SWF), an engine (slot 6) that is not a\n"
    "       Windows program for the stub's machine, names Windows cannot store.\n"
    "       Warned about (exit 0): no slot 2, a licence over 64 KB, a switch\n"
    "       without its slot or a slot without its switch, preview_kind outside\n"
    "       1..4, a bitmap of another size than 350 x 150, an entry that\n"
    "       implodes larger (it is stored instead).\n"
    "       --level   implode parser for compressed slots (default: default)\n"
    "       --werror  warnings are errors: nothing is written\n"
    "       --quiet   no progress line (shown on a terminal for large inputs)\n"
    "list   prints an installer's header and its table of 11 slots, with the\n"
    "       CRC-32 each entry's check holds.\n"
    "verify checks the entries against their CRC-32 and the Authenticode\n"
    "       signature (osslsigncode); exit 1 on any mismatch.\n"
    "sign   signs an installer with Authenticode through osslsigncode.\n"
    "data build  writes a saver data file from a data manifest (records\n"
    "       from files, stored or imploded, copies, first_record_mode,\n"
    "       an optional 1240-byte header template). A package manifest may\n"
    "       give a data manifest (a .manifest file) as slot 8.\n"
    "data list   prints a data file's header, records and chunk sizes.\n"
    "\n"
    "manifest (UTF-8, one 'key = value' per line, '#' starts a comment,\n"
    "values may be double-quoted: title = \"Aqua #2\", with \\\" and \\\\):\n"
    "  title = TEXT                 required; Windows-1252 characters only\n"
    "  preview_kind = 0..255        1 bitmap, 2/3 Flash, 4 silent (default 0)\n"
    "  show_licence = 0..255        (default 0)\n"
    "  show_readme = 0..255         (default 0)\n"
    "  open_display_properties = 0..255   (default 0)\n"
    "  slotN = FILE                 N = 1..10, relative to the manifest\n"
    "  slotN.name = NAME            (default: impborl.dat, flashax.exe, TITLE.scr,\n"
    "                                TITLE.ssd for slots 1, 2, 6, 8; else FILE's name)\n"
    "  slotN.type = 1..6            (default: 3 for slots 1, 2; 2 for 6; 4 for 8; else 5)\n"
    "  slotN.compressed = 0|1       (default 0; slot 1 is always stored)\n"
    "\n"
    "exit codes: 0 done, 1 refused input or I/O error, 2 usage error\n";

struct UsageError {
  std::string message;
};

struct BuildArgs {
  std::string manifest;
  saverpack::BuildOptions options;
};

saverpack::Level ParseLevel(std::string_view text) {
  if (text == "default") return saverpack::Level::kDefault;
  if (text == "best") return saverpack::Level::kBest;
  throw UsageError{"unknown level '" + std::string(text) + "' (default or best)"};
}

BuildArgs ParseBuildArgs(const Args& args, saverpack::CliOptions& cli) {
  BuildArgs out;
  std::optional<std::string> stub, output, manifest;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const bool takesValue = arg == "--stub" || arg == "-o" || arg == "--level";
    if (takesValue && i + 1 >= args.size()) throw UsageError{std::string(arg) + " needs a value"};
    if (cli.Take(arg)) continue;
    if (arg == "--stub") {
      stub = std::string(args[++i]);
    } else if (arg == "-o") {
      output = std::string(args[++i]);
    } else if (arg == "--level") {
      out.options.level = ParseLevel(args[++i]);
    } else if (arg.starts_with("-") || manifest) {
      throw UsageError{"unexpected argument '" + std::string(arg) + "'"};
    } else {
      manifest = std::string(arg);
    }
  }
  if (!manifest) throw UsageError{"build needs a MANIFEST"};
  if (!stub) throw UsageError{"build needs --stub STUB.exe"};
  if (!output) throw UsageError{"build needs -o OUT.exe"};
  out.manifest = *manifest;
  out.options.stub = *stub;
  out.options.output = *output;
  return out;
}

int RunBuild(const Args& args) {
  if (saverpack::AsksForHelp(args)) {
    std::cout << kUsage << kHelp;
    return kExitOk;
  }
  saverpack::CliOptions cli;
  BuildArgs build = ParseBuildArgs(args, cli);
  build.options.warningsAreErrors = cli.werror;
  build.options.warn = saverpack::PrintWarning;
  const saverpack::ProgressLine progress(cli.quiet);
  const saverpack::Manifest manifest = saverpack::LoadManifest(build.manifest);
  const uint64_t size = saverpack::BuildInstaller(manifest, build.options);
  std::cout << "wrote " << build.options.output.string() << " (" << size << " bytes)\n";
  return kExitOk;
}

int RunList(const Args& args) {
  if (saverpack::AsksForHelp(args)) {
    std::cout << kListHelp;
    return kExitOk;
  }
  if (args.size() != 1) throw UsageError{"list takes exactly one INSTALLER"};
  std::cout << saverpack::FormatListing(saverpack::ReadPackage(std::string(args[0])));
  return kExitOk;
}

int RunHelp(const Args&) {
  std::cout << kUsage << kHelp;
  return kExitOk;
}

int RunVersion(const Args&) {
  std::cout << kVersion;
  return kExitOk;
}

// The commands; a new one is one row here and a line in the usage text.
struct Command {
  std::string_view name;
  int (*run)(const Args& rest);
};

constexpr Command kCommands[] = {
    {"build", RunBuild},
    {"list", RunList},
    {"verify", saverpack::RunVerifyCommand},
    {"sign", saverpack::RunSignCommand},
    {"data", saverpack::RunDataCommand},
    {"--help", RunHelp},
    {"-h", RunHelp},
    {"--version", RunVersion},
};

int Dispatch(const Args& args) {
  if (args.empty()) throw UsageError{"no command given"};
  const Args rest(args.begin() + 1, args.end());
  for (const Command& command : kCommands) {
    if (command.name == args[0]) return command.run(rest);
  }
  throw UsageError{"unknown command '" + std::string(args[0]) + "'"};
}

}  // namespace

int main(int argc, char** argv) {
  const Args args(argv + 1, argv + argc);
  try {
    return Dispatch(args);
  } catch (const UsageError& e) {
    std::cerr << "saverpack: " << e.message << "\n" << kUsage;
    return kExitUsage;
  } catch (const saverpack::PackError& e) {
    std::cerr << "saverpack: " << e.what() << "\n";
    return kExitBadInput;
  } catch (const std::bad_alloc&) {
    std::cerr << "saverpack: out of memory (the builder streams its inputs and needs about "
                 "16 MB; is the memory limit, ulimit -v, that low?)\n";
    return kExitBadInput;
  } catch (const std::exception& e) {
    std::cerr << "saverpack: " << e.what() << "\n";
    return kExitBadInput;
  }
}

#include "sign_command.h"

#include <algorithm>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#include "cli_options.h"
#include "pack_error.h"
#include "package_verify.h"
#include "signing.h"
#include "text_encoding.h"

namespace saverpack {
namespace {

constexpr std::string_view kVerifyHelp =
    "usage: saverpack verify INSTALLER [--ca FILE]\n"
    "\n"
    "Checks every entry that carries a CRC-32 marker against its stored bytes\n"
    "(slot 0's covers the header and table), then the Authenticode signature\n"
    "with osslsigncode: its digest and its certificate chain (--ca adds\n"
    "trusted certificates in PEM form). An unsigned installer is no failure.\n"
    "Exit 1 when an entry or the signature does not match.\n";

constexpr std::string_view kSignHelp =
    "usage: saverpack sign INSTALLER --pkcs12 FILE [--password-file FILE]\n"
    "                      [-o OUT] [--description TEXT]\n"
    "       saverpack sign INSTALLER --cert FILE --key FILE [--password-file FILE]\n"
    "                      [-o OUT] [--description TEXT]\n"
    "\n"
    "Signs the installer with Authenticode (SHA-256) through osslsigncode, in\n"
    "place or into OUT. The certificate table goes after the last entry; the\n"
    "package is not changed. A package whose entry checks fail is not signed.\n"
    "--pkcs12  a PKCS#12 file with the certificate and its private key\n"
    "--cert, --key  the certificate (chain) and the private key, PEM or DER\n"
    "--password-file  a file whose first line is the private key's password\n"
    "--description  the text Windows shows for the signed program (default:\n"
    "               the package title)\n";

struct Usage : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Arguments "--name VALUE" and one positional INSTALLER.
struct Parsed {
  std::string installer;
  std::vector<std::pair<std::string, std::string>> options;
  std::optional<std::string> Get(std::string_view name) const {
    for (const auto& [key, value] : options) {
      if (key == name) return value;
    }
    return std::nullopt;
  }
};

Parsed Parse(const std::vector<std::string_view>& args, std::string_view command,
             std::initializer_list<std::string_view> valued) {
  Parsed out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (std::find(valued.begin(), valued.end(), arg) != valued.end()) {
      if (i + 1 >= args.size()) throw Usage(std::string(arg) + " needs a value");
      out.options.emplace_back(arg, args[++i]);
    } else if (arg.starts_with("-") || !out.installer.empty()) {
      throw Usage("unexpected argument '" + std::string(arg) + "'");
    } else {
      out.installer = arg;
    }
  }
  if (out.installer.empty()) throw Usage(std::string(command) + " needs an INSTALLER");
  return out;
}

uint64_t PackageEnd(const PackageInfo& info) {
  uint64_t end = 0;
  for (const saver::PackageEntry& e : info.directory.table) {
    if (!e.empty() && e.storedLength() > 0) {
      end = std::max<uint64_t>(end, static_cast<uint64_t>(e.endOffset()) + 1);
    }
  }
  return end;
}

}  // namespace

int RunVerifyCommand(const std::vector<std::string_view>& args) {
  if (AsksForHelp(args)) {
    std::cout << kVerifyHelp;
    return 0;
  }
  Parsed parsed;
  try {
    parsed = Parse(args, "verify", {"--ca"});
  } catch (const Usage& e) {
    std::cerr << "saverpack: " << e.what() << "\n" << kVerifyHelp;
    return 2;
  }
  const MarkerVerdict verdict = VerifyMarkers(parsed.installer);
  std::cout << FormatVerdict(verdict);
  const SignatureCheck signature =
      VerifySignature(parsed.installer, parsed.Get("--ca").value_or(""), PackageEnd(verdict.info));
  switch (signature.state) {
    case SignatureState::kNone:
      std::cout << "signature: none\n";
      break;
    case SignatureState::kGood:
      std::cout << "signature: good\n";
      break;
    case SignatureState::kBad:
      std::cout << "signature: BAD: " << signature.detail << "\n";
      break;
  }
  if (verdict.AnyDamage() || signature.state == SignatureState::kBad) {
    std::cerr << "saverpack: " << parsed.installer << " does not verify\n";
    return 1;
  }
  return 0;
}

int RunSignCommand(const std::vector<std::string_view>& args) {
  if (AsksForHelp(args)) {
    std::cout << kSignHelp;
    return 0;
  }
  SignOptions options;
  try {
    const Parsed parsed = Parse(
        args, "sign", {"--pkcs12", "--cert", "--key", "--password-file", "-o", "--description"});
    options.installer = parsed.installer;
    options.pkcs12 = parsed.Get("--pkcs12").value_or("");
    options.cert = parsed.Get("--cert").value_or("");
    options.key = parsed.Get("--key").value_or("");
    options.passwordFile = parsed.Get("--password-file").value_or("");
    options.output = parsed.Get("-o").value_or("");
    options.description = parsed.Get("--description").value_or("");
    const bool pair = !options.cert.empty() || !options.key.empty();
    if (options.pkcs12.empty() == !pair) {
      throw Usage("sign needs either --pkcs12 FILE or --cert FILE with --key FILE");
    }
    if (pair && (options.cert.empty() || options.key.empty())) {
      throw Usage("--cert and --key go together");
    }
  } catch (const Usage& e) {
    std::cerr << "saverpack: " << e.what() << "\n" << kSignHelp;
    return 2;
  }
  if (options.description.empty()) {
    options.description =
        Windows1252ForDisplay(ReadPackage(options.installer).directory.header.title());
  }
  SignInstaller(options);
  const std::filesystem::path& written =
      options.output.empty() ? options.installer : options.output;
  std::cout << "signed " << written.string() << "\n";
  return 0;
}

}  // namespace saverpack

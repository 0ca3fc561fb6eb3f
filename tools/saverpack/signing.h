// Authenticode signing and its check, through osslsigncode (Debian package
// osslsigncode; the program named by $OSSLSIGNCODE when that is set).
//
// A signature is a certificate table that osslsigncode appends after the
// last byte of the file (after the last entry of the package, padded to 8
// bytes) and names in the PE header's security directory (data directory 4:
// file offset and size). The package itself is not changed, and slot 0's
// marker does not cover the program image whose header signing rewrites.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace saverpack {

// The security directory of a PE file: where its certificate table stands.
struct CertificateTable {
  uint32_t offset = 0;
  uint32_t size = 0;
};

// The certificate table the file's PE header names; none for an unsigned
// file (or one that is no PE file). Reads the first 4 KB.
std::optional<CertificateTable> FindCertificateTable(const std::filesystem::path& file);

// A program's exit status (127: it could not be started) and its standard
// output and error, together.
struct ProgramResult {
  int status = 0;
  std::string output;
};
ProgramResult RunProgram(const std::vector<std::string>& argv);

struct SignOptions {
  std::filesystem::path installer;
  std::filesystem::path output;  // empty: the installer is signed in place
  std::filesystem::path pkcs12;
  std::filesystem::path cert;
  std::filesystem::path key;
  std::filesystem::path passwordFile;
  std::string description;  // shown by Windows' elevation prompt
};

// Signs with SHA-256: checks the entries' markers first (a damaged package
// is not signed), signs into a temporary file beside the output, checks the
// markers of the signed file and renames it into place. Throws PackError
// with osslsigncode's own words when it fails; the output is then unchanged.
void SignInstaller(const SignOptions& options);

enum class SignatureState { kNone, kGood, kBad };
struct SignatureCheck {
  SignatureState state = SignatureState::kNone;
  std::string detail;  // osslsigncode's reason for a bad signature
};

// Checks the signature with `osslsigncode verify` (digest and certificate
// chain; `caFile` adds trusted certificates, e.g. a self-signed test one).
// A certificate table that starts inside the package is bad.
SignatureCheck VerifySignature(const std::filesystem::path& installer,
                               const std::filesystem::path& caFile, uint64_t packageEnd);

}  // namespace saverpack

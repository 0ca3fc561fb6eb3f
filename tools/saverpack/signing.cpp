#include "signing.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "file_io.h"
#include "pack_error.h"
#include "package/dataStructures_shared.h"
#include "package_verify.h"

extern char** environ;

namespace saverpack {
namespace {

namespace fs = std::filesystem;

std::string Osslsigncode() {
  const char* named = std::getenv("OSSLSIGNCODE");
  return named && *named ? named : "osslsigncode";
}

// The line of osslsigncode's output that best says what went wrong: a
// digest mismatch, else its first "Error..." or "Failed to..." line, else
// its last line that mentions an error or a failure.
std::string Reason(const std::string& output) {
  std::string found[3];
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    while (!line.empty() && (line.front() == '\t' || line.front() == ' ')) line.erase(0, 1);
    if (line.find("MISMATCH") != std::string::npos) {
      found[0] = "the file was changed after it was signed (message digest mismatch)";
    }
    const bool first = line.starts_with("Error") || line.starts_with("Failed to");
    if (first && found[1].empty()) found[1] = line;
    if (line.find("error") != std::string::npos || line.find("failed") != std::string::npos) {
      found[2] = line;
    }
    start = end + 1;
  }
  for (const std::string& line : found) {
    if (!line.empty()) return line;
  }
  return "osslsigncode failed";
}

// Removes a temporary file unless it was renamed into place.
struct TempPath {
  fs::path path;
  bool kept = false;
  ~TempPath() {
    if (!kept) ::unlink(path.c_str());
  }
};

void RequireIntactPackage(const fs::path& file, const std::string& shown) {
  const MarkerVerdict verdict = VerifyMarkers(file);
  if (verdict.AnyDamage()) {
    throw PackError(shown + " has a damaged entry; 'saverpack verify' names it");
  }
}

}  // namespace

std::optional<CertificateTable> FindCertificateTable(const fs::path& file) {
  const uintmax_t size = FileSize(file, "installer");
  const auto head = ReadFileRange(file, 0, std::min<uintmax_t>(size, 4096));
  // MZ header: +0x3C u32 offset of "PE\0\0"; COFF header 20 bytes; optional
  // header: +0 u16 magic (0x10B PE32, 0x20B PE32+), NumberOfRvaAndSizes (5..16) at
  // +92 (PE32) or +108 (PE32+), the data directories (8 bytes each) after it.
  if (head.size() < 0x40 || head[0] != 'M' || head[1] != 'Z') return std::nullopt;
  const auto pe = static_cast<uint32_t>(saver::LoadI32(&head[0x3C]));
  const uint64_t optional = uint64_t{pe} + 24;
  if (optional + 2 > head.size() || std::memcmp(&head[pe], "PE\0\0", 4) != 0) return std::nullopt;
  const uint16_t magic = static_cast<uint16_t>(head[optional] | head[optional + 1] << 8);
  const uint64_t count = optional + (magic == 0x20B ? 108 : 92);
  const uint64_t security = count + 4 + 4 * 8;
  if (magic != 0x10B && magic != 0x20B) return std::nullopt;
  // An image has at most 16 directories; more is no PE header of a program.
  const int32_t directories = security + 8 <= head.size() ? saver::LoadI32(&head[count]) : 0;
  if (directories < 5 || directories > 16) return std::nullopt;
  const CertificateTable table{static_cast<uint32_t>(saver::LoadI32(&head[security])),
                               static_cast<uint32_t>(saver::LoadI32(&head[security + 4]))};
  if (table.offset == 0 || table.size == 0) return std::nullopt;
  return table;
}

ProgramResult RunProgram(const std::vector<std::string>& argv) {
  int fds[2];
  if (::pipe(fds) != 0) throw PackError(std::string("cannot make a pipe: ") + std::strerror(errno));
  FileHandle readEnd(fds[0]);
  FileHandle writeEnd(fds[1]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  writeEnd.Close();
  ProgramResult result;
  if (rc != 0) {
    result.status = 127;
    result.output = argv[0] + ": " + std::strerror(rc);
    return result;
  }
  char buffer[4096];
  for (ssize_t n; (n = ::read(readEnd.get(), buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    result.output.append(buffer, static_cast<size_t>(n));
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

void SignInstaller(const SignOptions& options) {
  const fs::path target = options.output.empty() ? options.installer : options.output;
  const std::string shown = "'" + options.installer.string() + "'";
  RequireIntactPackage(options.installer, shown);
  TempPath temp{target.parent_path() /
                ("." + target.filename().string() + ".sign.tmp" + std::to_string(::getpid()))};
  std::vector<std::string> argv = {Osslsigncode(), "sign"};
  if (!options.pkcs12.empty()) {
    argv.insert(argv.end(), {"-pkcs12", options.pkcs12.string()});
  } else {
    argv.insert(argv.end(), {"-certs", options.cert.string(), "-key", options.key.string()});
  }
  if (!options.passwordFile.empty()) {
    argv.insert(argv.end(), {"-readpass", options.passwordFile.string()});
  }
  if (!options.description.empty()) argv.insert(argv.end(), {"-n", options.description});
  argv.insert(argv.end(),
              {"-h", "sha256", "-in", options.installer.string(), "-out", temp.path.string()});
  const ProgramResult result = RunProgram(argv);
  if (result.status == 127) {
    throw PackError("cannot run " + argv[0] + " (install the Debian package osslsigncode)");
  }
  if (result.status != 0) throw PackError("signing failed: " + Reason(result.output));
  RequireIntactPackage(temp.path, "the signed file");
  std::error_code ignored;
  fs::permissions(temp.path, fs::status(options.installer).permissions(), ignored);
  if (::rename(temp.path.c_str(), target.c_str()) != 0) {
    throw PackError("cannot write '" + target.string() + "': " + std::strerror(errno));
  }
  temp.kept = true;
}

SignatureCheck VerifySignature(const fs::path& installer, const fs::path& caFile,
                               uint64_t packageEnd) {
  const auto table = FindCertificateTable(installer);
  if (!table) return {};
  if (uint64_t{table->offset} + table->size > FileSize(installer, "installer")) {
    return {SignatureState::kBad, "the certificate table runs past the end of the file"};
  }
  if (table->offset < packageEnd) {
    return {SignatureState::kBad, "the certificate table starts at " +
                                      std::to_string(table->offset) + ", inside the package"};
  }
  std::vector<std::string> argv = {Osslsigncode(), "verify", "-in", installer.string()};
  if (!caFile.empty()) argv.insert(argv.end(), {"-CAfile", caFile.string()});
  const ProgramResult result = RunProgram(argv);
  if (result.status == 127) {
    throw PackError("cannot run " + argv[0] + " (install the Debian package osslsigncode)");
  }
  if (result.status != 0) return {SignatureState::kBad, Reason(result.output)};
  return {SignatureState::kGood, ""};
}

}  // namespace saverpack

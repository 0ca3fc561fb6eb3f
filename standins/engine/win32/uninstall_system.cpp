// The uninstall's registry, system.ini, lock, remover copy and boxes.
#include <shlwapi.h>

#include "saver_paths.h"
#include "uninstall_host.h"

namespace engine::win32 {
namespace {

constexpr DWORD kUninstallerWaitMs = 60000;
constexpr DWORD kLockWaitMs = 60000;
constexpr char kSystemIni[] = "system.ini";

Failure LastFailure(const std::string& what) { return Failure{what, SystemText(GetLastError())}; }

int Box(const std::string& caption, const std::string& text, UINT type) {
  return MessageBoxA(nullptr, text.c_str(), caption.c_str(), type | MB_SETFOREGROUND);
}

}  // namespace

bool Win32UninstallHost::KeyExists(const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(opened);
  return true;
}

std::optional<Failure> Win32UninstallHost::RemoveKey(const std::string& key) {
  const LSTATUS status = SHDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return std::nullopt;
  return Failure{"HKEY_LOCAL_MACHINE\\" + key, SystemText(static_cast<DWORD>(status))};
}

std::optional<std::string> Win32UninstallHost::UninstallCommand(const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE, &opened) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  const os::win32::UniqueHKey owner(opened);
  char value[1024] = {};
  DWORD size = sizeof value - 1, type = 0;
  if (RegQueryValueExA(opened, "UninstallString", nullptr, &type, reinterpret_cast<BYTE*>(value),
                       &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return std::nullopt;
  }
  return std::string(value);
}

std::optional<std::string> Win32UninstallHost::ScreenSaverEntry() {
  char value[MAX_PATH] = {};
  GetPrivateProfileStringA("boot", "SCRNSAVE.EXE", "", value, MAX_PATH, kSystemIni);
  if (value[0] == '\0') return std::nullopt;
  return std::string(value);
}

std::optional<Failure> Win32UninstallHost::RemoveScreenSaverEntry() {
  if (!WritePrivateProfileStringA("boot", "SCRNSAVE.EXE", nullptr, kSystemIni)) {
    return LastFailure(kSystemIni);
  }
  // A section that held nothing else goes with it (Windows' own [boot]
  // always holds more).
  char section[4] = {};
  if (GetPrivateProfileSectionA("boot", section, sizeof section, kSystemIni) == 0) {
    WritePrivateProfileStringA("boot", nullptr, nullptr, kSystemIni);
  }
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_SENDWININICHANGE);
  return std::nullopt;
}

// One mutex per title; the system releases it when this process ends.
bool Win32UninstallHost::Lock(bool wait) {
  if (lock_.IsValid()) return true;
  const std::string name = "Screen saver uninstall " + context_.title;
  HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) return false;
  os::win32::UniqueHandle owned(mutex);
  const DWORD waited = WaitForSingleObject(mutex, wait ? kLockWaitMs : 0);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) return false;
  lock_ = std::move(owned);
  return true;
}

// The copy gets an inheritable handle of this process to wait on: unlike a
// process id it cannot come to name another process.
std::optional<Failure> Win32UninstallHost::StartRemover(const std::string& enginePath) {
  char temp[MAX_PATH];
  const DWORD length = GetTempPathA(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return LastFailure("TEMP");
  const std::string remover = RemoverPath(std::string(temp, length), context_.title);
  if (!CopyFileA(context_.ownPath.c_str(), remover.c_str(), FALSE)) return LastFailure(remover);
  HANDLE self = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                       SYNCHRONIZE, TRUE, 0)) {
    return LastFailure(remover);
  }
  const os::win32::UniqueHandle ownHandle(self);
  std::string commandLine =
      RemoverCommandLine(remover, reinterpret_cast<UINT_PTR>(self), enginePath);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(remover.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &process)) {
    const Failure failure = LastFailure(remover);
    DeleteFileA(remover.c_str());
    return failure;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return std::nullopt;
}

bool Win32UninstallHost::Ask(const std::string& caption, const std::string& question) {
  return Box(caption, question, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void Win32UninstallHost::Inform(const std::string& caption, const std::string& text) {
  Box(caption, text, MB_OK | MB_ICONINFORMATION);
}

void Win32UninstallHost::ReportError(const std::string& caption, const std::string& text) {
  Box(caption, text, MB_OK | MB_ICONERROR);
}

void ProcessWaiter::WaitForUninstaller() {
  // Only a process handle is waited for: a number given by hand may name
  // some other object of this process, or none.
  if (process_ == nullptr || GetProcessId(process_) == 0) return;
  WaitForSingleObject(process_, kUninstallerWaitMs);
  CloseHandle(process_);
  process_ = nullptr;
}

}  // namespace engine::win32

#include "uninstall_host.h"

#include <shlwapi.h>

#include "handles.h"
#include "saver_paths.h"

namespace engine::win32 {
namespace {

constexpr DWORD kUninstallerWaitMs = 60000;
constexpr DWORD kRetryPauseMs = 100;
constexpr char kSystemIni[] = "system.ini";

Failure LastFailure(const std::string& what) { return Failure{what, SystemText(GetLastError())}; }

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<Failure> DeleteOneFile(const std::string& path) {
  const DWORD attributes = Attributes(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  if (DeleteFileA(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) return std::nullopt;
  return LastFailure(path);
}

// Deletes the folder's content, depth first, then the folder. A linked
// folder (reparse point) is removed as a link, never entered.
std::optional<Failure> RemoveTree(const std::string& folder) {
  const std::string base = WithTrailingSeparator(folder);
  WIN32_FIND_DATAA entry;
  os::win32::UniqueFindHandle search(FindFirstFileA((base + "*").c_str(), &entry));
  if (search.IsValid()) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = base + name;
      const bool descend = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                           !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
      std::optional<Failure> failure;
      if (descend) {
        failure = RemoveTree(path);
      } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (!RemoveDirectoryA(path.c_str())) failure = LastFailure(path);
      } else {
        failure = DeleteOneFile(path);
      }
      if (failure) return failure;
    } while (FindNextFileA(search.Get(), &entry));
  }
  search.Close();
  if (!RemoveDirectoryA(base.c_str())) return LastFailure(base);
  return std::nullopt;
}

std::string PathThrough(DWORD(WINAPI* convert)(LPCSTR, LPSTR, DWORD), const std::string& path) {
  char buffer[MAX_PATH];
  const DWORD length = convert(path.c_str(), buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

int Box(const std::string& caption, const std::string& text, UINT type) {
  return MessageBoxA(nullptr, text.c_str(), caption.c_str(), type | MB_SETFOREGROUND);
}

}  // namespace

bool Win32UninstallHost::FolderExists(const std::string& folder) {
  return IsFolder(Attributes(folder));
}

std::optional<Failure> Win32UninstallHost::RemoveFolder(const std::string& folder) {
  return RemoveTree(folder);
}

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
  SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_SENDWININICHANGE);
  return std::nullopt;
}

bool Win32UninstallHost::FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !IsFolder(attributes);
}

std::vector<std::string> Win32UninstallHost::PathForms(const std::string& path) {
  std::vector<std::string> forms = {path};
  for (const std::string& form :
       {PathThrough(GetLongPathNameA, path), PathThrough(GetShortPathNameA, path)}) {
    if (!form.empty()) forms.push_back(form);
  }
  return forms;
}

std::optional<Failure> Win32UninstallHost::RemoveFile(const std::string& path) {
  return DeleteOneFile(path);
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

bool Win32UninstallHost::DeleteAtRestart(const std::string& path) {
  return MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
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
  if (process_ == nullptr) return;
  WaitForSingleObject(process_, kUninstallerWaitMs);
  CloseHandle(process_);
  process_ = nullptr;
}

void ProcessWaiter::Pause() { Sleep(kRetryPauseMs); }

}  // namespace engine::win32

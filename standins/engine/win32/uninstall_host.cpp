// Files, folders and links, and deletions at the next start, for the
// uninstall; the registry, system.ini, the lock, the remover and the boxes
// are in uninstall_system.cpp.
#include "uninstall_host.h"

#include "saver_paths.h"

namespace engine::win32 {
namespace {

constexpr DWORD kRetryPauseMs = 100;
constexpr DWORD kLargestList = 1 << 20;
constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingDeletions[] = "PendingFileRenameOperations";

Failure LastFailure(const std::string& what, DWORD error) {
  return Failure{what, SystemText(error)};
}

bool IsLink(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

bool Gone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// The pending deletions as the system keeps them: pairs of a source
// ("\??\C:\..." or a plain path) and a target, empty for a deletion.
std::vector<std::string> SplitMultiString(const std::vector<char>& data) {
  std::vector<std::string> items;
  size_t start = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] != '\0') continue;
    items.emplace_back(data.data() + start, i - start);
    start = i + 1;
  }
  while (!items.empty() && items.back().empty() && items.size() % 2 != 0) items.pop_back();
  return items;
}

std::string WithoutNtPrefix(const std::string& path) {
  return path.rfind("\\??\\", 0) == 0 ? path.substr(4) : path;
}

}  // namespace

// GetFileAttributes does not follow a link in the last component: a linked
// folder (a junction, a symbolic link, and under Wine a folder symlink of
// the host) shows FILE_ATTRIBUTE_REPARSE_POINT.
Entry Win32UninstallHost::Kind(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(WithoutTrailingSeparator(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return Gone(GetLastError()) ? Entry::kMissing : Entry::kFile;
  }
  if (IsLink(attributes)) return Entry::kLink;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Entry::kFolder : Entry::kFile;
}

std::optional<std::string> Win32UninstallHost::ReadSmallFile(const std::string& path) {
  const os::win32::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING,
                                                 FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.IsValid()) return std::nullopt;
  const DWORD size = GetFileSize(file.Get(), nullptr);
  if (size == INVALID_FILE_SIZE || size > kLargestList) return std::nullopt;
  std::string bytes(size, '\0');
  DWORD read = 0;
  if (size > 0 && !ReadFile(file.Get(), bytes.data(), size, &read, nullptr)) return std::nullopt;
  bytes.resize(read);
  return bytes;
}

std::vector<std::string> Win32UninstallHost::FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  const os::win32::UniqueFindHandle search(
      FindFirstFileA((WithTrailingSeparator(folder) + "*").c_str(), &entry));
  if (!search.IsValid()) return names;
  do {
    const std::string name = entry.cFileName;
    if (name == "." || name == "..") continue;
    const bool folderEntry =
        (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLink(entry.dwFileAttributes);
    names.push_back(folderEntry ? name + "\\" : name);
  } while (FindNextFileA(search.Get(), &entry));
  return names;
}

// A file held open elsewhere fails with a sharing violation; a running
// program's file, with access denied once a read-only attribute is cleared.
// Both count as in use: the deletion at the next start is then asked for,
// and fails in its turn when access is really denied.
Removal Win32UninstallHost::RemoveFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      !IsLink(attributes)) {
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  if (DeleteFileA(path.c_str())) return Removal{};
  const DWORD error = GetLastError();
  if (Gone(error)) return Removal{};
  const bool busy = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
                    error == ERROR_LOCK_VIOLATION;
  return Removal{busy ? Removal::kBusy : Removal::kFailed, LastFailure(path, error)};
}

// RemoveDirectory removes an empty folder, and a linked folder as the link
// without entering it (Wine 8 cannot remove a host symlink this way: it
// fails, and the link stays).
std::optional<Failure> Win32UninstallHost::RemoveFolder(const std::string& folder) {
  const std::string path = WithoutTrailingSeparator(folder);
  if (RemoveDirectoryA(path.c_str())) return std::nullopt;
  return LastFailure(WithTrailingSeparator(path), GetLastError());
}

bool Win32UninstallHost::DeleteAtRestart(const std::string& path) {
  return MoveFileExA(WithoutTrailingSeparator(path).c_str(), nullptr,
                     MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

void Win32UninstallHost::ForgetDeleteAtRestart(const std::string& path) {
  HKEY opened = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                    &opened) != ERROR_SUCCESS) {
    return;
  }
  const os::win32::UniqueHKey key(opened);
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(key.Get(), kPendingDeletions, nullptr, &type, nullptr, &size) !=
          ERROR_SUCCESS ||
      type != REG_MULTI_SZ) {
    return;
  }
  std::vector<char> data(size + 2, '\0');
  if (RegQueryValueExA(key.Get(), kPendingDeletions, nullptr, &type,
                       reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS) {
    return;
  }
  data.resize(size);
  const std::vector<std::string> items = SplitMultiString(data);
  std::string kept;
  bool changed = false;
  for (size_t i = 0; i + 1 < items.size(); i += 2) {
    if (items[i + 1].empty() && SamePath(WithoutNtPrefix(items[i]), path)) {
      changed = true;
      continue;
    }
    kept += items[i] + '\0' + items[i + 1] + '\0';
  }
  if (!changed) return;
  if (kept.empty()) {
    RegDeleteValueA(key.Get(), kPendingDeletions);
    return;
  }
  kept += '\0';
  RegSetValueExA(key.Get(), kPendingDeletions, 0, REG_MULTI_SZ,
                 reinterpret_cast<const BYTE*>(kept.data()), static_cast<DWORD>(kept.size()));
}

std::vector<std::string> Win32UninstallHost::PathForms(const std::string& path) {
  std::vector<std::string> forms = {path};
  for (auto convert : {GetLongPathNameA, GetShortPathNameA}) {
    char buffer[MAX_PATH];
    const DWORD length = convert(path.c_str(), buffer, MAX_PATH);
    if (length > 0 && length < MAX_PATH) forms.emplace_back(buffer, length);
  }
  return forms;
}

void ProcessWaiter::Pause() { Sleep(kRetryPauseMs); }

}  // namespace engine::win32

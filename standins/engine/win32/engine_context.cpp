#include "engine_context.h"

#include <vector>

#include "handles.h"
#include "saver_paths.h"

namespace engine::win32 {
namespace {

std::string ModulePath() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return std::string(path.data(), length);
    path.resize(path.size() * 2);
  }
}

// Windows may start a screen saver by its short name (system.ini holds the
// 8.3 form); the title comes from the long one.
std::string LongForm(const std::string& path) {
  char buffer[MAX_PATH];
  const DWORD length = GetLongPathNameA(path.c_str(), buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(buffer, length) : path;
}

std::string WindowsFolder() {
  char buffer[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
  return WithTrailingSeparator(std::string(buffer, length < MAX_PATH ? length : 0));
}

saver::SaverSettings ReadSettings(const std::string& saverFolder) {
  const os::win32::UniqueHandle file(CreateFileA(SettingsPath(saverFolder).c_str(), GENERIC_READ,
                                                 FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  std::vector<uint8_t> header(saver::kSaverDataHeaderSize);
  DWORD read = 0;
  if (!file.IsValid() ||
      !ReadFile(file.Get(), header.data(), static_cast<DWORD>(header.size()), &read, nullptr)) {
    return {};
  }
  header.resize(read);
  return saver::ReadEngineSettings(header);
}

}  // namespace

EngineContext LoadContext() {
  EngineContext context;
  context.ownPath = LongForm(ModulePath());
  context.windowsFolder = WindowsFolder();
  context.title = TitleFromEnginePath(context.ownPath);
  context.saverFolder = SaverFolder(context.windowsFolder, context.title);
  context.settings = ReadSettings(context.saverFolder);
  return context;
}

std::string SystemText(DWORD error) {
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
  std::string text = length > 0 ? std::string(buffer, length) : "error " + std::to_string(error);
  LocalFree(buffer);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  return text;
}

HWND WindowFrom(uint64_t value) {
  HWND window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
  return value != 0 && IsWindow(window) ? window : nullptr;
}

}  // namespace engine::win32

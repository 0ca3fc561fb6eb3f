// os::Win32Platform: the registry under HKEY_LOCAL_MACHINE, other programs'
// windows, the screensaver setting and starting programs.
#include "windows_api.h"
// windows_api.h must come first.

#include <algorithm>
#include <utility>
#include <vector>

#include "handles.h"
#include "system_library.h"
#include "win32_platform.h"

namespace os {
namespace {

using win32::UniqueHandle;
using win32::UniqueHKey;

// How long a click may take before the other program counts as hung.
constexpr UINT kClickTimeoutMs = 5000;

class Win32RegistryKey final : public RegistryKey {
 public:
  explicit Win32RegistryKey(UniqueHKey key) : key_(std::move(key)) {}

  int32_t SetString(const std::string& name, const std::string& value) override {
    const auto* data = reinterpret_cast<const BYTE*>(value.c_str());
    return static_cast<int32_t>(::RegSetValueExA(key_.Get(), name.c_str(), 0, REG_SZ, data,
                                                 static_cast<DWORD>(value.size() + 1)));
  }

  int32_t DeleteValue(const std::string& name) override {
    return static_cast<int32_t>(::RegDeleteValueA(key_.Get(), name.c_str()));
  }

  int32_t GetString(const std::string& name, std::string& value) override {
    DWORD type = 0;
    DWORD size = 0;
    LONG result = ::RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS) return static_cast<int32_t>(result);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
    std::string buffer(size, '\0');
    result = ::RegQueryValueExA(key_.Get(), name.c_str(), nullptr, &type,
                                reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (result != ERROR_SUCCESS) return static_cast<int32_t>(result);
    buffer.resize(std::min<size_t>(size, buffer.size()));
    while (!buffer.empty() && buffer.back() == '\0') buffer.pop_back();
    value = buffer;
    return ERROR_SUCCESS;
  }

 private:
  UniqueHKey key_;
};

}  // namespace

std::unique_ptr<RegistryKey> Win32Platform::OpenMachineKey(const std::string& path, bool create,
                                                           int32_t& error) {
  HKEY key = nullptr;
  LONG result;
  if (create) {
    result = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr,
                               REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  } else {
    result = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key);
  }
  error = static_cast<int32_t>(result);
  if (result != ERROR_SUCCESS) return nullptr;
  return std::make_unique<Win32RegistryKey>(UniqueHKey(key));
}

int32_t Win32Platform::DeleteMachineKeyTree(const std::string& path) {
  using DeleteKeyFunction = LSTATUS(WINAPI*)(HKEY, LPCSTR);
  static win32::SystemLibrary shlwapi("shlwapi.dll");
  const auto deleteKey = shlwapi.Get<DeleteKeyFunction>("SHDeleteKeyA");
  if (deleteKey == nullptr) return static_cast<int32_t>(::GetLastError());
  return static_cast<int32_t>(deleteKey(HKEY_LOCAL_MACHINE, path.c_str()));
}

WindowId Win32Platform::FindTopLevelWindow(const std::string& title) {
  return reinterpret_cast<WindowId>(::FindWindowA(nullptr, title.c_str()));
}

void Win32Platform::ClickDialogButton(WindowId window, int buttonId) {
  HWND button = ::GetDlgItem(reinterpret_cast<HWND>(window), buttonId);
  if (button == nullptr) return;
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kClickTimeoutMs, &ignored);
}

bool Win32Platform::SetScreenSaverActive() {
  return ::SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, 1, nullptr, SPIF_SENDWININICHANGE) !=
         FALSE;
}

bool Win32Platform::StartProgram(const std::string& commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  // CreateProcess may write into the command line.
  std::vector<char> line(commandLine.begin(), commandLine.end());
  line.push_back('\0');
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    return false;
  }
  UniqueHandle thread(process.hThread);
  UniqueHandle handle(process.hProcess);
  return true;
}

}  // namespace os

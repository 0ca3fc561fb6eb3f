#include "install_control.h"

#include "handles.h"
#include "windows_api.h"

namespace flashax {
namespace {

constexpr int kPayloadId = 101;
constexpr wchar_t kClassServerKey[] =
    L"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32";

using os::win32::UniqueHandle;
using os::win32::UniqueModule;

struct Payload {
  const void* data = nullptr;
  DWORD size = 0;
};

Payload FindPayload() {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(self, MAKEINTRESOURCEW(kPayloadId), MAKEINTRESOURCEW(10));
  if (!resource) return {};
  HGLOBAL loaded = LoadResource(self, resource);
  if (!loaded) return {};
  return Payload{LockResource(loaded), SizeofResource(self, resource)};
}

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH];
  const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

// Creates <system>\Macromed and <system>\Macromed\Flash as needed.
DWORD MakeFolder(const std::wstring& system) {
  for (const wchar_t* part : {L"\\Macromed", L"\\Macromed\\Flash"}) {
    const std::wstring folder = system + part;
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return GetLastError();
    }
  }
  return 0;
}

// Writes the whole payload to `path` (a new file); on any failure the
// partial file is removed.
DWORD WriteFileFully(const std::wstring& path, const Payload& payload) {
  DWORD error = 0;
  {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return GetLastError();
    DWORD written = 0;
    if (!WriteFile(file.Get(), payload.data, payload.size, &written, nullptr)) {
      error = GetLastError();
    } else if (written != payload.size) {
      error = ERROR_HANDLE_DISK_FULL;
    } else if (!FlushFileBuffers(file.Get())) {
      error = GetLastError();
    }
    if (!file.Close() && error == 0) error = GetLastError();
  }
  if (error != 0) DeleteFileW(path.c_str());
  return error;
}

std::wstring RegisteredServer() {
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CLASSES_ROOT, kClassServerKey, nullptr, RRF_RT_REG_SZ, nullptr, value,
                   &size) != ERROR_SUCCESS) {
    return {};
  }
  return value;
}

using RegisterFunction = HRESULT(STDAPICALLTYPE*)();

// Calls DllRegisterServer or DllUnregisterServer of the DLL at `path`.
HRESULT CallServer(const std::wstring& path, const char* exportName) {
  UniqueModule module(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!module.IsValid()) return HRESULT_FROM_WIN32(GetLastError());
  const auto function = reinterpret_cast<RegisterFunction>(
      reinterpret_cast<void*>(GetProcAddress(module.Get(), exportName)));
  if (!function) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  return function();
}

// Puts the previous state back after a failed registration: the new
// control's entries go, the previous file returns to its place, and the
// control registered before (if any) registers itself again.
void RollBack(const std::wstring& target, const std::wstring& backup,
              const std::wstring& previousServer) {
  CallServer(target, "DllUnregisterServer");
  DeleteFileW(target.c_str());
  if (!backup.empty()) MoveFileExW(backup.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (!previousServer.empty()) CallServer(previousServer, "DllRegisterServer");
}

}  // namespace

std::wstring ControlPath() {
  const std::wstring system = SystemFolder();
  return system.empty() ? std::wstring() : system + L"\\Macromed\\Flash\\flashctl.dll";
}

Result InstallControl() {
  Result result;
  result.path = ControlPath();
  const Payload payload = FindPayload();
  if (!payload.data || payload.size == 0) {
    result.outcome = Outcome::kNoPayload;
    result.error = ERROR_RESOURCE_DATA_NOT_FOUND;
    return result;
  }
  const std::wstring system = SystemFolder();
  DWORD error = system.empty() ? GetLastError() : MakeFolder(system);
  // The new file is written beside the target and only then takes its
  // name; a control already there is kept aside until the new one works.
  const std::wstring fresh = result.path + L".new";
  const std::wstring backup = result.path + L".old";
  if (error == 0) error = WriteFileFully(fresh, payload);
  bool hadOld = false;
  if (error == 0) {
    DeleteFileW(backup.c_str());
    hadOld = MoveFileExW(result.path.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!MoveFileExW(fresh.c_str(), result.path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      error = GetLastError();
      DeleteFileW(fresh.c_str());
      if (hadOld) MoveFileExW(backup.c_str(), result.path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
  }
  if (error != 0) {
    result.outcome = Outcome::kWriteFailed;
    result.error = error;
    return result;
  }
  const std::wstring previousServer = RegisteredServer();
  const HRESULT hr = CallServer(result.path, "DllRegisterServer");
  if (FAILED(hr)) {
    RollBack(result.path, hadOld ? backup : std::wstring(), previousServer);
    result.outcome = Outcome::kRegisterFailed;
    result.error = static_cast<unsigned long>(hr);
    return result;
  }
  if (hadOld && !DeleteFileW(backup.c_str())) {
    // An old control still loaded somewhere goes at the next start.
    MoveFileExW(backup.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  return result;
}

}  // namespace flashax

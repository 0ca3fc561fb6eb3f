// The DLL's exports: the class object of the control, the unload check and
// self-registration.
//
// Registry entries (HKEY_CLASSES_ROOT):
//   CLSID\{D27CDB6E-AE6D-11CF-96B8-444553540000}           "Shockwave Flash Object"
//     InprocServer32    (default) = full path of this DLL, ThreadingModel = "Apartment"
//     ProgID            "ShockwaveFlash.ShockwaveFlash"
//   ShockwaveFlash.ShockwaveFlash\CLSID                     the class id
// DllUnregisterServer removes them only while InprocServer32 still names
// this DLL, so unregistering an old copy never undoes a newer one's
// registration.
#include "module.h"

#include <olectl.h>
#include <windows.h>

#include <new>
#include <string>

#include "control.h"

namespace flashctl {
namespace {

HINSTANCE g_instance = nullptr;
LONG g_locks = 0;

constexpr wchar_t kClassKey[] = L"CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";
constexpr wchar_t kProgId[] = L"ShockwaveFlash.ShockwaveFlash";
constexpr wchar_t kClassId[] = L"{D27CDB6E-AE6D-11CF-96B8-444553540000}";

class ClassFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  // The factory is static; its references keep the DLL loaded.
  ULONG STDMETHODCALLTYPE AddRef() override {
    LockModule();
    return 2;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    UnlockModule();
    return 1;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* control = new (std::nothrow) FlashControl();
    if (!control) return E_OUTOFMEMORY;
    const HRESULT hr = control->QueryInterface(riid, object);
    control->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      LockModule();
    } else {
      UnlockModule();
    }
    return S_OK;
  }
};

ClassFactory g_factory;

std::wstring ModulePath() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(g_instance, path, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(path, length);
}

LONG SetValue(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &handle, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
  return status;
}

std::wstring RegisteredServer() {
  const std::wstring key = std::wstring(kClassKey) + L"\\InprocServer32";
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value - sizeof(wchar_t);
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS) {
    return {};
  }
  return value;
}

}  // namespace

HINSTANCE ModuleInstance() { return g_instance; }
void LockModule() { InterlockedIncrement(&g_locks); }
void UnlockModule() { InterlockedDecrement(&g_locks); }

}  // namespace flashctl

using flashctl::g_instance;

// Loading does nothing but remember the module: the window class is
// registered by the first view that needs it. Only an unload while the
// process goes on (COM freeing an unused library: `reserved` is null)
// unregisters it, so that a later load registers the class with its new
// window procedure; at process exit there is nothing to give back.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_instance = instance;
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    flashctl::MovieView::UnregisterWindowClass();
  }
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != flash::kClsidShockwaveFlash) return CLASS_E_CLASSNOTAVAILABLE;
  return flashctl::g_factory.QueryInterface(riid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return flashctl::g_locks == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
  using namespace flashctl;
  const std::wstring path = ModulePath();
  if (path.empty()) return SELFREG_E_CLASS;
  const std::wstring classKey = kClassKey;
  const LONG status[] = {
      SetValue(classKey, nullptr, L"Shockwave Flash Object"),
      SetValue(classKey + L"\\InprocServer32", nullptr, path),
      SetValue(classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"),
      SetValue(classKey + L"\\ProgID", nullptr, kProgId),
      SetValue(std::wstring(kProgId) + L"\\CLSID", nullptr, kClassId),
  };
  for (LONG s : status) {
    if (s != ERROR_SUCCESS) return SELFREG_E_CLASS;
  }
  return S_OK;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
  using namespace flashctl;
  const std::wstring registered = RegisteredServer();
  if (!registered.empty() && _wcsicmp(registered.c_str(), ModulePath().c_str()) != 0) {
    return S_OK;  // another copy owns the registration now
  }
  const LONG a = RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassKey);
  const LONG b = RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgId);
  const bool ok = (a == ERROR_SUCCESS || a == ERROR_FILE_NOT_FOUND) &&
                  (b == ERROR_SUCCESS || b == ERROR_FILE_NOT_FOUND);
  return ok ? S_OK : SELFREG_E_CLASS;
}

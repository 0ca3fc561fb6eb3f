#include "flash_host.h"

#include <ocidl.h>
#include <oleauto.h>
#include <windows.h>

#include <cwchar>
#include <string_view>

#include "json_line.h"
#include "shockwave_flash.h"

namespace saverdrv {
namespace {

constexpr wchar_t kHostClass[] = L"SaverDrvFlashHost";
constexpr wchar_t kClassIdText[] = L"{D27CDB6E-AE6D-11CF-96B8-444553540000}";
constexpr UINT_PTR kEndTimer = 1;
constexpr UINT_PTR kStopTimer = 2;

IShockwaveFlash* g_flash = nullptr;

long Number(const FlashOptions& options, const wchar_t* key, long fallback) {
  const auto it = options.find(key);
  return it == options.end() ? fallback : std::wcstol(it->second.c_str(), nullptr, 10);
}

JsonObject Event(const char* name) {
  JsonObject json;
  json.Add("cmd", "flash-host").Add("ok", true).Add("event", name);
  return json;
}

int Failure(const char* command, const char* step, HRESULT hr) {
  JsonObject json;
  json.Add("cmd", command)
      .Add("ok", false)
      .Add("step", step)
      .Add("hresult", static_cast<int64_t>(static_cast<uint32_t>(hr)));
  EmitLine(json);
  return 1;
}

std::wstring_view Text(const VARIANT& value) {
  if (value.vt != VT_BSTR || !value.bstrVal) return {};
  return std::wstring_view(value.bstrVal, SysStringLen(value.bstrVal));
}

// The event sink: IDispatch for the control's event interface, printing
// every OnFSCommand.
class EventSink final : public IDispatch {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == flash::kDiidShockwaveFlashEvents) {
      *object = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    if (id != flash::dispid::kOnFSCommand || !params || params->cArgs != 2) return S_OK;
    const VARIANT& args = params->rgvarg[0];
    const VARIANT& command = params->rgvarg[1];
    JsonObject json = Event("fscommand");
    json.Add("command", Text(command)).Add("args", Text(args));
    EmitLine(json);
    return S_OK;
  }
};

EventSink g_sink;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kStopTimer) {
        KillTimer(window, kStopTimer);
        const HRESULT hr = g_flash ? g_flash->StopPlay() : E_POINTER;
        EmitLine(Event("stopped").Add("hresult", static_cast<int64_t>(hr)));
      } else if (wParam == kEndTimer) {
        DestroyWindow(window);
      }
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

HRESULT PutProperty(IDispatch* control, DISPID id, VARIANT value) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &named, 1, 1};
  return control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                         nullptr, nullptr);
}

HRESULT PutString(IDispatch* control, DISPID id, const wchar_t* text) {
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(text);
  const HRESULT hr = PutProperty(control, id, value);
  VariantClear(&value);
  return hr;
}

HRESULT Configure(IShockwaveFlash* flash, const std::wstring& movie) {
  VARIANT scale;
  VariantInit(&scale);
  scale.vt = VT_I4;
  scale.lVal = 0;
  HRESULT hr = PutProperty(flash, flash::dispid::kScaleMode, scale);
  BSTR name = SysAllocString(L"Align");
  BSTR value = SysAllocString(L"AlClient");
  if (SUCCEEDED(hr)) hr = flash->SetVariable(name, value);
  SysFreeString(name);
  SysFreeString(value);
  if (SUCCEEDED(hr)) hr = PutString(flash, flash::dispid::kWMode, L"Opaque");
  VARIANT menu;
  VariantInit(&menu);
  menu.vt = VT_BOOL;
  menu.boolVal = VARIANT_FALSE;
  if (SUCCEEDED(hr)) hr = PutProperty(flash, flash::dispid::kMenu, menu);
  if (SUCCEEDED(hr)) hr = PutString(flash, flash::dispid::kMovie, movie.c_str());
  if (SUCCEEDED(hr)) hr = flash->Play();
  return hr;
}

DWORD Connect(IShockwaveFlash* flash) {
  IConnectionPointContainer* container = nullptr;
  IConnectionPoint* point = nullptr;
  DWORD cookie = 0;
  if (SUCCEEDED(flash->QueryInterface(IID_IConnectionPointContainer,
                                      reinterpret_cast<void**>(&container)))) {
    if (SUCCEEDED(container->FindConnectionPoint(flash::kDiidShockwaveFlashEvents, &point))) {
      point->Advise(&g_sink, &cookie);
      point->Release();
    }
    container->Release();
  }
  return cookie;
}

using AxInit = BOOL(WINAPI*)();
using AxGetControl = HRESULT(WINAPI*)(HWND, IUnknown**);

// An export as the function type it has (through void*, which GCC accepts
// without a function-cast warning).
template <typename Function>
Function Export(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

}  // namespace

int RunFlashHost(const FlashOptions& options) {
  const auto movie = options.find(L"movie");
  if (movie == options.end()) return Failure("flash-host", "--movie missing", E_INVALIDARG);
  OleInitialize(nullptr);
  HMODULE atl = LoadLibraryW(L"atl.dll");
  const auto init = Export<AxInit>(atl, "AtlAxWinInit");
  const auto getControl = Export<AxGetControl>(atl, "AtlAxGetControl");
  if (!init || !getControl || !init()) return Failure("flash-host", "atl.dll", E_FAIL);

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = HostProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kHostClass;
  RegisterClassW(&windowClass);
  const int width = Number(options, L"width", 320), height = Number(options, L"height", 240);
  RECT frame{0, 0, width, height};
  AdjustWindowRect(&frame, WS_POPUP | WS_VISIBLE, FALSE);
  HWND host =
      CreateWindowExW(WS_EX_TOPMOST, kHostClass, L"saverdrv flash host", WS_POPUP | WS_VISIBLE, 0,
                      0, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                      windowClass.hInstance, nullptr);
  HWND ax = CreateWindowExW(0, L"AtlAxWin", kClassIdText, WS_CHILD | WS_VISIBLE, 0, 0, width,
                            height, host, nullptr, windowClass.hInstance, nullptr);
  IUnknown* unknown = nullptr;
  if (!ax || FAILED(getControl(ax, &unknown)) || !unknown) {
    return Failure("flash-host", "create", REGDB_E_CLASSNOTREG);
  }
  HRESULT hr =
      unknown->QueryInterface(flash::kIidShockwaveFlash, reinterpret_cast<void**>(&g_flash));
  unknown->Release();
  if (FAILED(hr)) return Failure("flash-host", "IShockwaveFlash", hr);
  const DWORD cookie = Connect(g_flash);
  long version = 0;
  g_flash->FlashVersion(&version);
  hr = Configure(g_flash, movie->second);
  EmitLine(Event("created")
               .Add("version", static_cast<int64_t>(version))
               .Add("configured", static_cast<int64_t>(hr))
               .Add("sink", cookie != 0)
               .Add("hwnd", static_cast<int64_t>(reinterpret_cast<INT_PTR>(host))));

  if (const long stopAfter = Number(options, L"stop-after", -1); stopAfter >= 0) {
    SetTimer(host, kStopTimer, static_cast<UINT>(stopAfter), nullptr);
  }
  SetTimer(host, kEndTimer, static_cast<UINT>(Number(options, L"seconds", 5) * 1000), nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  g_flash->Release();
  g_flash = nullptr;
  EmitLine(Event("closed"));
  OleUninitialize();
  return 0;
}

int RunFlashProbe() {
  CoInitialize(nullptr);
  IShockwaveFlash* flash = nullptr;
  HRESULT hr = CoCreateInstance(flash::kClsidShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER,
                                flash::kIidShockwaveFlash, reinterpret_cast<void**>(&flash));
  if (FAILED(hr)) return Failure("flash-probe", "create", hr);
  long version = 0;
  hr = flash->FlashVersion(&version);
  flash->Release();
  CoUninitialize();
  if (FAILED(hr)) return Failure("flash-probe", "FlashVersion", hr);
  JsonObject json;
  json.Add("cmd", "flash-probe").Add("ok", true).Add("version", static_cast<int64_t>(version));
  EmitLine(json);
  return 0;
}

}  // namespace saverdrv

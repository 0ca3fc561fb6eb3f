#include "flash_site.h"

#include "shockwave_flash.h"

namespace os::win32 {

HRESULT ControlSite::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IOleClientSite)) {
    *out = static_cast<IOleClientSite*>(this);
  } else if (IsEqualIID(iid, IID_IOleWindow) || IsEqualIID(iid, IID_IOleInPlaceSite)) {
    *out = static_cast<IOleInPlaceSite*>(this);
  } else if (IsEqualIID(iid, IID_IOleInPlaceUIWindow) || IsEqualIID(iid, IID_IOleInPlaceFrame)) {
    *out = static_cast<IOleInPlaceFrame*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG ControlSite::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT ControlSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlSite::GetContainer(IOleContainer** out) {
  if (out != nullptr) *out = nullptr;
  return E_NOINTERFACE;
}

// No window until the control is placed: a probe is never shown.
HRESULT ControlSite::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = parent_;
  return parent_ != nullptr ? S_OK : E_FAIL;
}

HRESULT ControlSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                      LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr) {
    return E_POINTER;
  }
  AddRef();
  *frame = this;
  *document = nullptr;
  *position = rect_;
  *clip = rect_;
  if (info != nullptr) {
    info->fMDIApp = FALSE;
    info->hwndFrame = parent_ != nullptr ? ::GetAncestor(parent_, GA_ROOT) : nullptr;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
  }
  return S_OK;
}

HRESULT EventSink::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) &&
      !IsEqualIID(iid, flash::kDiidShockwaveFlashEvents)) {
    return E_NOINTERFACE;
  }
  *out = static_cast<IDispatch*>(this);
  AddRef();
  return S_OK;
}

ULONG EventSink::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT EventSink::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

namespace {

// One argument of an event as an 8-bit string; empty when it is no string.
std::string StringArgument(const VARIANTARG& argument) {
  VARIANT text;
  ::VariantInit(&text);
  std::string result;
  if (SUCCEEDED(::VariantChangeType(&text, const_cast<VARIANTARG*>(&argument), 0, VT_BSTR)) &&
      text.bstrVal != nullptr) {
    result = AnsiText(text.bstrVal, ::SysStringLen(text.bstrVal));
  }
  ::VariantClear(&text);
  return result;
}

}  // namespace

// OnFSCommand(command, args): the arguments arrive last first.
HRESULT EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                          UINT*) {
  if (id != flash::dispid::kOnFSCommand || params == nullptr || params->cArgs < 2 || !handler_) {
    return S_OK;
  }
  const std::string command = StringArgument(params->rgvarg[params->cArgs - 1]);
  const std::string args = StringArgument(params->rgvarg[params->cArgs - 2]);
  try {
    const Handler handler = handler_;  // the handler may disconnect this sink
    handler(command, args);
  } catch (...) {
    // Nothing crosses back into the control.
  }
  return S_OK;
}

std::wstring WideText(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string AnsiText(const wchar_t* text, size_t length) {
  if (length == 0) return {};
  const int size = ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
  std::string ansi(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), ansi.data(), size, nullptr,
                        nullptr);
  return ansi;
}

}  // namespace os::win32

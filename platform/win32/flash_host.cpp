#include "flash_host.h"

#include "windows_api.h"
// windows_api.h must come first.
#include <ole2.h>
#include <olectl.h>

#include <cstdio>
#include <string>

#include "com_ptr.h"
#include "flash_site.h"
#include "shockwave_flash.h"
#include "startup_trace.h"

namespace os::win32 {
namespace {

// The system's text for a COM result, as an error box shows it.
std::string ResultText(HRESULT result) {
  char buffer[512] = {};
  const DWORD length =
      ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(result), 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, length);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) {
    char number[32];
    std::snprintf(number, sizeof number, "OLE error %08lX", static_cast<unsigned long>(result));
    text = number;
  }
  return text;
}

void Check(HRESULT result) {
  if (FAILED(result)) throw flash::ControlError(static_cast<int32_t>(result), ResultText(result));
}

// A BSTR owned for the length of one call.
class Bstr {
 public:
  explicit Bstr(const std::string& text) {
    const std::wstring wide = WideText(text);
    value_ = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (value_ == nullptr) Check(E_OUTOFMEMORY);
  }
  ~Bstr() { ::SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_ = nullptr;
};

// Pixels to HIMETRIC (0.01 mm) at the screen's density.
LONG Himetric(int pixels, int pixelsPerInch) { return ::MulDiv(pixels, 2540, pixelsPerInch); }

class Win32FlashControl final : public flash::FlashControl {
 public:
  Win32FlashControl() = default;
  ~Win32FlashControl() override;
  Win32FlashControl(const Win32FlashControl&) = delete;
  Win32FlashControl& operator=(const Win32FlashControl&) = delete;

  void Create();
  void PlaceIn(flash::WindowHandle parent, int width, int height) override;
  void SetFSCommandHandler(flash::FSCommandHandler handler) override;
  void SetMovie(const std::string& path) override;
  void SetScaleMode(int32_t mode) override;
  void SetWMode(const std::string& mode) override;
  void SetMenu(bool shown) override;
  void SetVariable(const std::string& name, const std::string& value) override;
  void Play() override { Check(flash_->Play()); }
  void StopPlay() override { Check(flash_->StopPlay()); }
  int32_t FlashVersion() override;
  void Focus() override;

 private:
  void Put(DISPID id, VARIANT& value);
  void PutString(DISPID id, const std::string& text);
  void Unadvise();

  ComPtr<IOleObject> object_;
  ComPtr<IShockwaveFlash> flash_;
  ComPtr<IDispatch> dispatch_;
  ComPtr<ControlSite> site_;
  ComPtr<EventSink> sink_;
  ComPtr<IConnectionPoint> connection_;
  DWORD cookie_ = 0;
  bool inPlace_ = false;
};

void Win32FlashControl::Create() {
  Check(::CoCreateInstance(flash::kClsidShockwaveFlash, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IOleObject, object_.Out()));
  Check(object_->QueryInterface(flash::kIidShockwaveFlash, flash_.Out()));
  Check(object_->QueryInterface(IID_IDispatch, dispatch_.Out()));
  site_ = ComPtr<ControlSite>(new ControlSite);
  DWORD misc = 0;
  if (FAILED(object_->GetMiscStatus(DVASPECT_CONTENT, &misc))) misc = 0;
  const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
  if (siteFirst) Check(object_->SetClientSite(site_.Get()));
  ComPtr<IPersistStreamInit> persist;
  if (SUCCEEDED(object_->QueryInterface(IID_IPersistStreamInit, persist.Out()))) {
    Check(persist->InitNew());
  }
  if (!siteFirst) Check(object_->SetClientSite(site_.Get()));
}

Win32FlashControl::~Win32FlashControl() {
  StartupMark("control: destroying");
  Unadvise();
  if (inPlace_) {
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObject, inPlace.Out()))) {
      inPlace->InPlaceDeactivate();
    }
  }
  if (object_) {
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
  }
}

void Win32FlashControl::PlaceIn(flash::WindowHandle parent, int width, int height) {
  const HWND window = reinterpret_cast<HWND>(parent);
  RECT rect{0, 0, width, height};
  site_->Place(window, rect);
  const HDC screen = ::GetDC(nullptr);
  const int dpiX = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
  const int dpiY = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  SIZEL extent{Himetric(width, dpiX), Himetric(height, dpiY)};
  // Not every control keeps an extent of its own; the rectangles decide.
  object_->SetHostNames(L"Install", nullptr);
  object_->SetExtent(DVASPECT_CONTENT, &extent);
  Check(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, window, &rect));
  inPlace_ = true;
  ComPtr<IOleInPlaceObject> inPlace;
  if (SUCCEEDED(object_->QueryInterface(IID_IOleInPlaceObject, inPlace.Out()))) {
    inPlace->SetObjectRects(&rect, &rect);
  }
}

void Win32FlashControl::SetFSCommandHandler(flash::FSCommandHandler handler) {
  Unadvise();
  if (!handler) return;
  ComPtr<IConnectionPointContainer> container;
  Check(object_->QueryInterface(IID_IConnectionPointContainer, container.Out()));
  ComPtr<IConnectionPoint> point;
  Check(container->FindConnectionPoint(flash::kDiidShockwaveFlashEvents,
                                       reinterpret_cast<IConnectionPoint**>(point.Out())));
  ComPtr<EventSink> sink(new EventSink(std::move(handler)));
  Check(point->Advise(sink.Get(), &cookie_));
  connection_ = std::move(point);
  sink_ = std::move(sink);
}

void Win32FlashControl::Unadvise() {
  if (connection_) connection_->Unadvise(cookie_);
  connection_.Reset();
  if (sink_) sink_->Disconnect();
  sink_.Reset();
  cookie_ = 0;
}

void Win32FlashControl::Put(DISPID id, VARIANT& value) {
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{&value, &named, 1, 1};
  EXCEPINFO exception{};
  UINT argumentError = 0;
  const HRESULT result = dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                                           &params, nullptr, &exception, &argumentError);
  std::string description;
  if (exception.bstrDescription != nullptr) {
    description = AnsiText(exception.bstrDescription, ::SysStringLen(exception.bstrDescription));
  }
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrHelpFile);
  if (FAILED(result) && !description.empty()) {
    throw flash::ControlError(static_cast<int32_t>(result), description);
  }
  Check(result);
}

void Win32FlashControl::PutString(DISPID id, const std::string& text) {
  Bstr string(text);
  VARIANT value;
  value.vt = VT_BSTR;
  value.bstrVal = string.get();
  Put(id, value);
}

void Win32FlashControl::SetMovie(const std::string& path) {
  PutString(flash::dispid::kMovie, path);
}

void Win32FlashControl::SetScaleMode(int32_t mode) {
  VARIANT value;
  value.vt = VT_I4;
  value.lVal = mode;
  Put(flash::dispid::kScaleMode, value);
}

void Win32FlashControl::SetWMode(const std::string& mode) {
  PutString(flash::dispid::kWMode, mode);
}

void Win32FlashControl::SetMenu(bool shown) {
  VARIANT value;
  value.vt = VT_BOOL;
  value.boolVal = shown ? VARIANT_TRUE : VARIANT_FALSE;
  Put(flash::dispid::kMenu, value);
}

void Win32FlashControl::SetVariable(const std::string& name, const std::string& value) {
  Bstr wideName(name);
  Bstr wideValue(value);
  Check(flash_->SetVariable(wideName.get(), wideValue.get()));
}

int32_t Win32FlashControl::FlashVersion() {
  long version = 0;
  Check(flash_->FlashVersion(&version));
  return static_cast<int32_t>(version);
}

void Win32FlashControl::Focus() {
  ComPtr<IOleInPlaceObject> inPlace;
  Check(object_->QueryInterface(IID_IOleInPlaceObject, inPlace.Out()));
  HWND window = nullptr;
  Check(inPlace->GetWindow(&window));
  ::SetFocus(window);
}

class Win32FlashControls final : public flash::FlashControlFactory {
 public:
  // OLE stays initialised until the process ends: the window's panel may
  // hold a control for longer than this factory lives.
  Win32FlashControls() {
    ::OleInitialize(nullptr);
    StartupMark("OLE initialised");
  }
  std::unique_ptr<flash::FlashControl> Create() override {
    StartupMark("control: creating");
    auto control = std::make_unique<Win32FlashControl>();
    control->Create();
    StartupMark("control: created");
    return control;
  }
};

}  // namespace

std::unique_ptr<flash::FlashControlFactory> NewFlashControlFactory() {
  return std::make_unique<Win32FlashControls>();
}

}  // namespace os::win32

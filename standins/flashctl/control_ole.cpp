// The control's COM identity and its embedding interfaces: OLE object,
// in-place object, view object, persistence and connection points.
#include "control.h"
#include "module.h"
#include "trace.h"

namespace flashctl {
namespace {

// Size before the host says otherwise: 320 x 240 pixels at 96 dpi.
constexpr LONG kDefaultWidthHimetric = 320 * 2540 / 96;
constexpr LONG kDefaultHeightHimetric = 240 * 2540 / 96;

template <typename T>
void ReleaseAndClear(T*& pointer) {
  if (pointer) {
    T* held = pointer;
    pointer = nullptr;
    held->Release();
  }
}

}  // namespace

FlashControl::FlashControl()
    : events_(static_cast<IConnectionPointContainer*>(this)),
      view_([this](std::vector<Command> commands) { RaiseCommands(std::move(commands)); }) {
  extent_ = SIZEL{kDefaultWidthHimetric, kDefaultHeightHimetric};
  LockModule();
  Trace(L"create");
}

FlashControl::~FlashControl() {
  Deactivate();
  events_.DisconnectAll();
  ReleaseAndClear(viewSink_);
  ReleaseAndClear(site_);
  Trace(L"destroy");
  UnlockModule();
}

void FlashControl::RaiseCommands(std::vector<Command> commands) {
  AddRef();  // a sink may release the host's last reference
  for (const Command& c : commands) events_.FireFsCommand(c.command, c.args);
  Release();
}

HRESULT FlashControl::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == flash::kIidShockwaveFlash) {
    *object = static_cast<IShockwaveFlash*>(this);
  } else if (riid == IID_IOleObject) {
    *object = static_cast<IOleObject*>(this);
  } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject) {
    *object = static_cast<IOleInPlaceObject*>(this);
  } else if (riid == IID_IOleInPlaceActiveObject) {
    *object = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (riid == IID_IViewObject || riid == IID_IViewObject2) {
    *object = static_cast<IViewObject2*>(this);
  } else if (riid == IID_IPersist || riid == IID_IPersistStreamInit) {
    *object = static_cast<IPersistStreamInit*>(this);
  } else if (riid == IID_IConnectionPointContainer) {
    *object = static_cast<IConnectionPointContainer*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG FlashControl::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG FlashControl::Release() {
  const LONG left = InterlockedDecrement(&references_);
  if (left == 0) delete this;
  return static_cast<ULONG>(left);
}

// --- in-place activation: the control draws in a child window of its own ---

bool FlashControl::Activate(IOleClientSite* site, HWND parent, LPCRECT rect) {
  if (view_.Window()) {
    view_.Show(true);
    return true;
  }
  if (!site) site = site_;
  IOleInPlaceSite* inPlace = nullptr;
  if (site) site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlace));
  RECT position = rect ? *rect : RECT{0, 0, 320, 240};
  if (inPlace) {
    if (inPlace->CanInPlaceActivate() != S_OK) {
      inPlace->Release();
      return false;
    }
    inPlace->OnInPlaceActivate();
    HWND siteWindow = nullptr;
    if (SUCCEEDED(inPlace->GetWindow(&siteWindow)) && siteWindow) parent = siteWindow;
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT clip{};
    OLEINPLACEFRAMEINFO info{};
    info.cb = sizeof info;
    if (SUCCEEDED(inPlace->GetWindowContext(&frame, &document, &position, &clip, &info))) {
      ReleaseAndClear(frame);
      ReleaseAndClear(document);
    }
  }
  if (!parent || !view_.Create(parent, position)) {
    if (inPlace) {
      inPlace->OnInPlaceDeactivate();
      inPlace->Release();
    }
    return false;
  }
  inPlaceSite_ = inPlace;
  return true;
}

void FlashControl::Deactivate() {
  view_.Destroy();
  if (inPlaceSite_) {
    IOleInPlaceSite* site = inPlaceSite_;
    inPlaceSite_ = nullptr;
    site->OnInPlaceDeactivate();
    site->Release();
  }
}

// --- IOleObject ---

HRESULT FlashControl::SetClientSite(IOleClientSite* site) {
  if (site) site->AddRef();
  ReleaseAndClear(site_);
  site_ = site;
  return S_OK;
}

HRESULT FlashControl::GetClientSite(IOleClientSite** site) {
  if (!site) return E_POINTER;
  *site = site_;
  if (site_) site_->AddRef();
  return S_OK;
}

HRESULT FlashControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

HRESULT FlashControl::Close(DWORD) {
  Deactivate();
  return S_OK;
}

HRESULT FlashControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }

HRESULT FlashControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT FlashControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }

HRESULT FlashControl::GetClipboardData(DWORD, IDataObject** data) {
  if (data) *data = nullptr;
  return E_NOTIMPL;
}

HRESULT FlashControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                             LPCRECT rect) {
  switch (verb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
      return Activate(site, parent, rect) ? S_OK : E_FAIL;
    case OLEIVERB_HIDE:
      view_.Show(false);
      return S_OK;
    default:
      return OLEOBJ_S_INVALIDVERB;
  }
}

HRESULT FlashControl::EnumVerbs(IEnumOLEVERB** verbs) {
  if (verbs) *verbs = nullptr;
  return E_NOTIMPL;
}

HRESULT FlashControl::Update() { return S_OK; }
HRESULT FlashControl::IsUpToDate() { return S_OK; }

HRESULT FlashControl::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

HRESULT FlashControl::GetUserType(DWORD, LPOLESTR* name) {
  if (name) *name = nullptr;
  return OLE_S_USEREG;
}

HRESULT FlashControl::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  extent_ = *size;
  return S_OK;
}

HRESULT FlashControl::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!size) return E_POINTER;
  *size = extent_;
  return S_OK;
}

HRESULT FlashControl::Advise(IAdviseSink*, DWORD* cookie) {
  if (cookie) *cookie = 0;
  return E_NOTIMPL;
}

HRESULT FlashControl::Unadvise(DWORD) { return E_NOTIMPL; }

HRESULT FlashControl::EnumAdvise(IEnumSTATDATA** advise) {
  if (advise) *advise = nullptr;
  return E_NOTIMPL;
}

HRESULT FlashControl::GetMiscStatus(DWORD, DWORD* status) {
  if (!status) return E_POINTER;
  *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
            OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;
  return S_OK;
}

HRESULT FlashControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// --- IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject ---

HRESULT FlashControl::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = view_.Window();
  return *window ? S_OK : E_FAIL;
}

HRESULT FlashControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT FlashControl::InPlaceDeactivate() {
  Deactivate();
  return S_OK;
}

HRESULT FlashControl::UIDeactivate() { return S_OK; }

HRESULT FlashControl::SetObjectRects(LPCRECT position, LPCRECT) {
  if (!position) return E_POINTER;
  view_.Move(*position);
  return S_OK;
}

HRESULT FlashControl::ReactivateAndUndo() { return E_NOTIMPL; }
HRESULT FlashControl::TranslateAccelerator(LPMSG) { return S_FALSE; }
HRESULT FlashControl::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT FlashControl::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT FlashControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT FlashControl::EnableModeless(BOOL) { return S_OK; }

// --- IViewObject2 ---

HRESULT FlashControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds,
                           LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!dc || !bounds) return E_INVALIDARG;
  view_.Draw(dc, RECT{bounds->left, bounds->top, bounds->right, bounds->bottom});
  return S_OK;
}

HRESULT FlashControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
  if (colors) *colors = nullptr;
  return S_FALSE;
}

HRESULT FlashControl::Freeze(DWORD, LONG, void*, DWORD* freeze) {
  if (freeze) *freeze = 0;
  return E_NOTIMPL;
}

HRESULT FlashControl::Unfreeze(DWORD) { return E_NOTIMPL; }

HRESULT FlashControl::SetAdvise(DWORD, DWORD, IAdviseSink* sink) {
  if (sink) sink->AddRef();
  ReleaseAndClear(viewSink_);
  viewSink_ = sink;
  return S_OK;
}

HRESULT FlashControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
  if (aspects) *aspects = DVASPECT_CONTENT;
  if (flags) *flags = 0;
  if (sink) {
    *sink = viewSink_;
    if (viewSink_) viewSink_->AddRef();
  }
  return S_OK;
}

HRESULT FlashControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
  return GetExtent(aspect, size);
}

// --- IPersistStreamInit: nothing is stored; a fresh control is complete ---

HRESULT FlashControl::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = flash::kClsidShockwaveFlash;
  return S_OK;
}

HRESULT FlashControl::IsDirty() { return S_FALSE; }
HRESULT FlashControl::Load(IStream*) { return S_OK; }
HRESULT FlashControl::Save(IStream*, BOOL) { return S_OK; }

HRESULT FlashControl::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}

HRESULT FlashControl::InitNew() { return S_OK; }

// --- IConnectionPointContainer ---

HRESULT FlashControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points) *points = nullptr;
  return E_NOTIMPL;
}

HRESULT FlashControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != flash::kDiidShockwaveFlashEvents) return CONNECT_E_NOCONNECTION;
  *point = &events_;
  events_.AddRef();
  return S_OK;
}

}  // namespace flashctl

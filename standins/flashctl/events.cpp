#include "events.h"

#include "shockwave_flash.h"
#include "trace.h"

namespace flashctl {

HRESULT EventPoint::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// The point lives inside the control; its references are the control's.
ULONG EventPoint::AddRef() { return container_->AddRef(); }
ULONG EventPoint::Release() { return container_->Release(); }

HRESULT EventPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = flash::kDiidShockwaveFlashEvents;
  return S_OK;
}

HRESULT EventPoint::GetConnectionPointContainer(IConnectionPointContainer** out) {
  if (!out) return E_POINTER;
  *out = container_;
  container_->AddRef();
  return S_OK;
}

HRESULT EventPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  IDispatch* dispatch = nullptr;
  // A sink may answer for the event interface itself or only for IDispatch.
  if (FAILED(sink->QueryInterface(flash::kDiidShockwaveFlashEvents,
                                  reinterpret_cast<void**>(&dispatch))) &&
      FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
    return CONNECT_E_CANNOTCONNECT;
  }
  *cookie = nextCookie_++;
  sinks_.push_back(Sink{*cookie, dispatch});
  return S_OK;
}

HRESULT EventPoint::Unadvise(DWORD cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->cookie == cookie) {
      IDispatch* dispatch = it->dispatch;
      sinks_.erase(it);
      dispatch->Release();
      return S_OK;
    }
  }
  return CONNECT_E_NOCONNECTION;
}

HRESULT EventPoint::EnumConnections(IEnumConnections** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

void EventPoint::DisconnectAll() {
  std::vector<Sink> sinks;
  sinks.swap(sinks_);
  for (const Sink& sink : sinks) sink.dispatch->Release();
}

void EventPoint::FireFsCommand(const std::wstring& command, const std::wstring& args) {
  Trace(L"FSCommand " + command + L"|" + args);
  // A sink may disconnect (or connect others) while it handles the event:
  // call the ones connected now, each held for the length of its call.
  std::vector<IDispatch*> targets;
  for (const Sink& sink : sinks_) {
    sink.dispatch->AddRef();
    targets.push_back(sink.dispatch);
  }
  for (IDispatch* target : targets) {
    VARIANTARG arguments[2];
    VariantInit(&arguments[0]);
    VariantInit(&arguments[1]);
    // Dispatch arguments come last first: args, then command.
    arguments[0].vt = VT_BSTR;
    arguments[0].bstrVal = SysAllocStringLen(args.data(), static_cast<UINT>(args.size()));
    arguments[1].vt = VT_BSTR;
    arguments[1].bstrVal = SysAllocStringLen(command.data(), static_cast<UINT>(command.size()));
    DISPPARAMS params{arguments, nullptr, 2, 0};
    target->Invoke(flash::dispid::kOnFSCommand, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                   &params, nullptr, nullptr, nullptr);
    VariantClear(&arguments[0]);
    VariantClear(&arguments[1]);
    target->Release();
  }
}

}  // namespace flashctl

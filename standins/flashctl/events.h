// The control's one connection point, for the event dispinterface: keeps
// the connected sinks and calls their Invoke for OnFSCommand.
#pragma once

#include <ocidl.h>
#include <olectl.h>
#include <windows.h>

#include <string>
#include <vector>

namespace flashctl {

class EventPoint final : public IConnectionPoint {
 public:
  // `container` is the control; the point keeps it alive while it lives.
  explicit EventPoint(IConnectionPointContainer* container) : container_(container) {}

  // Raises OnFSCommand (dispatch id 150, command then args) to every sink
  // connected when the call starts.
  void FireFsCommand(const std::wstring& command, const std::wstring& args);
  // Drops every sink (the control is closing).
  void DisconnectAll();

  // IUnknown: the point's own count; each reference also holds the control.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IConnectionPoint
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** out) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** out) override;

 private:
  struct Sink {
    DWORD cookie;
    IDispatch* dispatch;
  };
  IConnectionPointContainer* container_;
  std::vector<Sink> sinks_;
  DWORD nextCookie_ = 1;
};

}  // namespace flashctl

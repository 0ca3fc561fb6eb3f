// The stand-in Shockwave Flash control: one COM object with the interfaces
// a host needs to embed it (OLE object, in-place object and active object,
// view object, persistence for InitNew, connection points) and the control's
// own dual interface IShockwaveFlash.
#pragma once

#include <ocidl.h>
#include <olectl.h>
#include <oleidl.h>
#include <windows.h>

#include <string>

#include "events.h"
#include "movie_view.h"
#include "shockwave_flash.h"

namespace flashctl {

class FlashControl final : public IShockwaveFlash,
                           public IOleObject,
                           public IOleInPlaceObject,
                           public IOleInPlaceActiveObject,
                           public IViewObject2,
                           public IPersistStreamInit,
                           public IConnectionPointContainer {
 public:
  FlashControl();
  ~FlashControl();

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IDispatch (control_dispatch.cpp)
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT* argError) override;

  // IShockwaveFlash (control_flash.cpp)
  HRESULT STDMETHODCALLTYPE get_ReadyState(long* value) override;
  HRESULT STDMETHODCALLTYPE get_TotalFrames(long* value) override;
  HRESULT STDMETHODCALLTYPE get_Playing(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Playing(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_Quality(int* value) override;
  HRESULT STDMETHODCALLTYPE put_Quality(int value) override;
  HRESULT STDMETHODCALLTYPE get_ScaleMode(int* value) override;
  HRESULT STDMETHODCALLTYPE put_ScaleMode(int value) override;
  HRESULT STDMETHODCALLTYPE get_AlignMode(int* value) override;
  HRESULT STDMETHODCALLTYPE put_AlignMode(int value) override;
  HRESULT STDMETHODCALLTYPE get_BackgroundColor(long* value) override;
  HRESULT STDMETHODCALLTYPE put_BackgroundColor(long value) override;
  HRESULT STDMETHODCALLTYPE get_Loop(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Loop(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_Movie(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Movie(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_FrameNum(long* value) override;
  HRESULT STDMETHODCALLTYPE put_FrameNum(long value) override;
  HRESULT STDMETHODCALLTYPE SetZoomRect(long, long, long, long) override;
  HRESULT STDMETHODCALLTYPE Zoom(int) override;
  HRESULT STDMETHODCALLTYPE Pan(long, long, int) override;
  HRESULT STDMETHODCALLTYPE Play() override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE Back() override;
  HRESULT STDMETHODCALLTYPE Forward() override;
  HRESULT STDMETHODCALLTYPE Rewind() override;
  HRESULT STDMETHODCALLTYPE StopPlay() override;
  HRESULT STDMETHODCALLTYPE GotoFrame(long) override;
  HRESULT STDMETHODCALLTYPE CurrentFrame(long* frameNum) override;
  HRESULT STDMETHODCALLTYPE IsPlaying(VARIANT_BOOL* playing) override;
  HRESULT STDMETHODCALLTYPE PercentLoaded(long* percent) override;
  HRESULT STDMETHODCALLTYPE FrameLoaded(long frameNum, VARIANT_BOOL* loaded) override;
  HRESULT STDMETHODCALLTYPE FlashVersion(long* version) override;
  HRESULT STDMETHODCALLTYPE get_WMode(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_WMode(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_SAlign(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_SAlign(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_Menu(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_Menu(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_Base(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Base(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_Scale(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Scale(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_DeviceFont(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_DeviceFont(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_EmbedMovie(VARIANT_BOOL* value) override;
  HRESULT STDMETHODCALLTYPE put_EmbedMovie(VARIANT_BOOL value) override;
  HRESULT STDMETHODCALLTYPE get_BGColor(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_BGColor(BSTR value) override;
  HRESULT STDMETHODCALLTYPE get_Quality2(BSTR* value) override;
  HRESULT STDMETHODCALLTYPE put_Quality2(BSTR value) override;
  HRESULT STDMETHODCALLTYPE LoadMovie(int layer, BSTR url) override;
  HRESULT STDMETHODCALLTYPE TGotoFrame(BSTR, long) override;
  HRESULT STDMETHODCALLTYPE TGotoLabel(BSTR, BSTR) override;
  HRESULT STDMETHODCALLTYPE TCurrentFrame(BSTR, long* frameNum) override;
  HRESULT STDMETHODCALLTYPE TCurrentLabel(BSTR, BSTR* label) override;
  HRESULT STDMETHODCALLTYPE TPlay(BSTR) override;
  HRESULT STDMETHODCALLTYPE TStopPlay(BSTR) override;
  HRESULT STDMETHODCALLTYPE SetVariable(BSTR name, BSTR value) override;
  HRESULT STDMETHODCALLTYPE GetVariable(BSTR name, BSTR* value) override;

  // IOleObject (control_ole.cpp)
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                   LPCRECT rect) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR* name) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advise) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override;

  // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override;
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override;

  // IViewObject2
  HRESULT STDMETHODCALLTYPE Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc,
                                 LPCRECTL bounds, LPCRECTL, BOOL(STDMETHODCALLTYPE*)(ULONG_PTR),
                                 ULONG_PTR) override;
  HRESULT STDMETHODCALLTYPE GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC,
                                        LOGPALETTE** colors) override;
  HRESULT STDMETHODCALLTYPE Freeze(DWORD, LONG, void*, DWORD* freeze) override;
  HRESULT STDMETHODCALLTYPE Unfreeze(DWORD) override;
  HRESULT STDMETHODCALLTYPE SetAdvise(DWORD, DWORD, IAdviseSink* sink) override;
  HRESULT STDMETHODCALLTYPE GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) override;

  // IPersistStreamInit
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(IStream*) override;
  HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

 private:
  bool Activate(IOleClientSite* site, HWND parent, LPCRECT rect);
  void Deactivate();
  void RaiseCommands(std::vector<Command> commands);

  LONG references_ = 1;
  EventPoint events_;
  MovieView view_;
  IOleClientSite* site_ = nullptr;
  IOleInPlaceSite* inPlaceSite_ = nullptr;
  IAdviseSink* viewSink_ = nullptr;
  SIZEL extent_{};  // HIMETRIC
  std::wstring movie_;
  std::wstring wmode_ = L"Window";
  std::wstring salign_;
  std::wstring base_;
  std::wstring scale_ = L"ShowAll";
  std::wstring bgcolor_;
  std::wstring quality2_ = L"High";
  int scaleMode_ = 0;
  int quality_ = 1;
  int alignMode_ = 0;
  long backgroundColor_ = -1;
  bool loop_ = true;
  bool menu_ = true;
  bool deviceFont_ = false;
  bool embedMovie_ = false;
};

}  // namespace flashctl

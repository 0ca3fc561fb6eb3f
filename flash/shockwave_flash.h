// COM declarations of the Shockwave Flash ActiveX control, as the installer
// (which hosts the control) and the stand-in control (which implements it)
// both see them. Windows only; plain MinGW COM, no ATL.
//
// `IShockwaveFlash` is a dual interface: its methods below come in the
// control's vtable order after IDispatch's seven, up to GetVariable, so the
// installer drives the real control and the stand-in through the same table.
// The methods after GetVariable are not declared; an implementation may add
// its own entries behind them, a caller never reaches them.
//
// The event interface is a pure dispinterface: the control calls the sink's
// IDispatch::Invoke with the event's dispatch id.
#pragma once

#include <objbase.h>
#include <oleauto.h>

namespace flash {

// {D27CDB6E-AE6D-11CF-96B8-444553540000}: the control's class.
inline constexpr CLSID kClsidShockwaveFlash = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6C-AE6D-11CF-96B8-444553540000}: IShockwaveFlash.
inline constexpr IID kIidShockwaveFlash = {
    0xD27CDB6C, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6D-AE6D-11CF-96B8-444553540000}: the event dispinterface.
inline constexpr IID kDiidShockwaveFlashEvents = {
    0xD27CDB6D, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {D27CDB6B-AE6D-11CF-96B8-444553540000}: the control's type library.
inline constexpr GUID kLibidShockwaveFlash = {
    0xD27CDB6B, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

// Dispatch ids of IShockwaveFlash (through IDispatch::Invoke).
namespace dispid {
inline constexpr DISPID kReadyState = -525;
inline constexpr DISPID kMovie = 102;         // BSTR, property
inline constexpr DISPID kPlay = 112;          // method
inline constexpr DISPID kScaleMode = 120;     // int, property
inline constexpr DISPID kStopPlay = 126;      // method
inline constexpr DISPID kFlashVersion = 132;  // method, returns long
inline constexpr DISPID kWMode = 133;         // BSTR, property
inline constexpr DISPID kMenu = 135;          // VARIANT_BOOL, property
inline constexpr DISPID kSetVariable = 151;   // method (name, value)
inline constexpr DISPID kGetVariable = 152;   // method (name) returns BSTR

// Events of the event dispinterface.
inline constexpr DISPID kOnReadyStateChange = -609;  // (long newState)
inline constexpr DISPID kOnProgress = 1958;          // (long percentDone)
inline constexpr DISPID kOnFSCommand = 150;          // (BSTR command, BSTR args)
}  // namespace dispid

}  // namespace flash

// Vtable of IShockwaveFlash in the control's order, up to GetVariable.
struct IShockwaveFlash : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_ReadyState(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_TotalFrames(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Playing(VARIANT_BOOL* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Playing(VARIANT_BOOL value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Quality(int* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Quality(int value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_ScaleMode(int* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ScaleMode(int value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_AlignMode(int* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_AlignMode(int value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_BackgroundColor(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_BackgroundColor(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Loop(VARIANT_BOOL* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Loop(VARIANT_BOOL value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Movie(BSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Movie(BSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_FrameNum(long* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_FrameNum(long value) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetZoomRect(long left, long top, long right, long bottom) = 0;
  virtual HRESULT STDMETHODCALLTYPE Zoom(int factor) = 0;
  virtual HRESULT STDMETHODCALLTYPE Pan(long x, long y, int mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE Play() = 0;
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
  virtual HRESULT STDMETHODCALLTYPE Back() = 0;
  virtual HRESULT STDMETHODCALLTYPE Forward() = 0;
  virtual HRESULT STDMETHODCALLTYPE Rewind() = 0;
  virtual HRESULT STDMETHODCALLTYPE StopPlay() = 0;
  virtual HRESULT STDMETHODCALLTYPE GotoFrame(long frameNum) = 0;
  virtual HRESULT STDMETHODCALLTYPE CurrentFrame(long* frameNum) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsPlaying(VARIANT_BOOL* playing) = 0;
  virtual HRESULT STDMETHODCALLTYPE PercentLoaded(long* percent) = 0;
  virtual HRESULT STDMETHODCALLTYPE FrameLoaded(long frameNum, VARIANT_BOOL* loaded) = 0;
  virtual HRESULT STDMETHODCALLTYPE FlashVersion(long* version) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_WMode(BSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_WMode(BSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_SAlign(BSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_SAlign(BSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Menu(VARIANT_BOOL* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Menu(VARIANT_BOOL value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Base(BSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Base(BSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Scale(BSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Scale(BSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_DeviceFont(VARIANT_BOOL* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_DeviceFont(VARIANT_BOOL value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_EmbedMovie(VARIANT_BOOL* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_EmbedMovie(VARIANT_BOOL value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_BGColor(BSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_BGColor(BSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Quality2(BSTR* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Quality2(BSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE LoadMovie(int layer, BSTR url) = 0;
  virtual HRESULT STDMETHODCALLTYPE TGotoFrame(BSTR target, long frameNum) = 0;
  virtual HRESULT STDMETHODCALLTYPE TGotoLabel(BSTR target, BSTR label) = 0;
  virtual HRESULT STDMETHODCALLTYPE TCurrentFrame(BSTR target, long* frameNum) = 0;
  virtual HRESULT STDMETHODCALLTYPE TCurrentLabel(BSTR target, BSTR* label) = 0;
  virtual HRESULT STDMETHODCALLTYPE TPlay(BSTR target) = 0;
  virtual HRESULT STDMETHODCALLTYPE TStopPlay(BSTR target) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetVariable(BSTR name, BSTR value) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVariable(BSTR name, BSTR* value) = 0;
};

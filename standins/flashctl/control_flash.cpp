// IShockwaveFlash: the settings a host writes, Play and StopPlay on the
// movie, FlashVersion. Members the stand-in has no use for keep their value
// or answer E_NOTIMPL.
#include <cstdio>

#include "control.h"
#include "module.h"
#include "text.h"
#include "trace.h"

namespace flashctl {
namespace {

constexpr long kReadyStateComplete = 4;

HRESULT GetString(const std::wstring& value, BSTR* out) {
  if (!out) return E_POINTER;
  *out = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
  return *out || value.empty() ? S_OK : E_OUTOFMEMORY;
}

template <typename T, typename U>
HRESULT Get(const T& value, U* out) {
  if (!out) return E_POINTER;
  *out = static_cast<U>(value);
  return S_OK;
}

VARIANT_BOOL ToVariantBool(bool value) { return value ? VARIANT_TRUE : VARIANT_FALSE; }

std::wstring Hex(long value) {
  wchar_t text[16];
  std::swprintf(text, 16, L"0x%lX", static_cast<unsigned long>(value));
  return text;
}

}  // namespace

HRESULT FlashControl::get_ReadyState(long* value) { return Get(kReadyStateComplete, value); }
HRESULT FlashControl::get_TotalFrames(long* value) { return Get(view_.TotalFrames(), value); }
HRESULT FlashControl::get_Playing(VARIANT_BOOL* value) {
  return Get(ToVariantBool(view_.Playing()), value);
}
HRESULT FlashControl::put_Playing(VARIANT_BOOL value) { return value ? Play() : StopPlay(); }
HRESULT FlashControl::get_Quality(int* value) { return Get(quality_, value); }
HRESULT FlashControl::put_Quality(int value) {
  quality_ = value;
  return S_OK;
}
HRESULT FlashControl::get_ScaleMode(int* value) { return Get(scaleMode_, value); }
HRESULT FlashControl::put_ScaleMode(int value) {
  Trace(L"ScaleMode=" + std::to_wstring(value));
  scaleMode_ = value;
  view_.SetScaleMode(value);
  return S_OK;
}
HRESULT FlashControl::get_AlignMode(int* value) { return Get(alignMode_, value); }
HRESULT FlashControl::put_AlignMode(int value) {
  alignMode_ = value;
  return S_OK;
}
HRESULT FlashControl::get_BackgroundColor(long* value) { return Get(backgroundColor_, value); }
HRESULT FlashControl::put_BackgroundColor(long value) {
  backgroundColor_ = value;
  return S_OK;
}
HRESULT FlashControl::get_Loop(VARIANT_BOOL* value) { return Get(ToVariantBool(loop_), value); }
HRESULT FlashControl::put_Loop(VARIANT_BOOL value) {
  loop_ = value != VARIANT_FALSE;
  return S_OK;
}
HRESULT FlashControl::get_Movie(BSTR* value) { return GetString(movie_, value); }

// The file is read at once; Play starts it. A file that cannot be read
// leaves the placeholder picture, and the call still succeeds, as a
// control that loads in the background would.
HRESULT FlashControl::put_Movie(BSTR value) {
  movie_ = FromBstr(value);
  Trace(L"Movie=" + movie_);
  if (!view_.Load(movie_)) Trace(L"movie-error " + movie_);
  return S_OK;
}

HRESULT FlashControl::get_FrameNum(long* value) { return Get(view_.FrameIndex(), value); }
HRESULT FlashControl::put_FrameNum(long) { return E_NOTIMPL; }
HRESULT FlashControl::SetZoomRect(long, long, long, long) { return E_NOTIMPL; }
HRESULT FlashControl::Zoom(int) { return E_NOTIMPL; }
HRESULT FlashControl::Pan(long, long, int) { return E_NOTIMPL; }

HRESULT FlashControl::Play() {
  Trace(L"Play");
  view_.Play();
  return S_OK;
}

HRESULT FlashControl::Stop() { return StopPlay(); }
HRESULT FlashControl::Back() { return E_NOTIMPL; }
HRESULT FlashControl::Forward() { return E_NOTIMPL; }
HRESULT FlashControl::Rewind() { return E_NOTIMPL; }

HRESULT FlashControl::StopPlay() {
  Trace(L"StopPlay");
  view_.Stop();
  return S_OK;
}

HRESULT FlashControl::GotoFrame(long) { return E_NOTIMPL; }
HRESULT FlashControl::CurrentFrame(long* frameNum) { return Get(view_.FrameIndex(), frameNum); }
HRESULT FlashControl::IsPlaying(VARIANT_BOOL* playing) { return get_Playing(playing); }
HRESULT FlashControl::PercentLoaded(long* percent) { return Get(100, percent); }
HRESULT FlashControl::FrameLoaded(long frameNum, VARIANT_BOOL* loaded) {
  return Get(ToVariantBool(frameNum >= 0 && frameNum < view_.TotalFrames()), loaded);
}

HRESULT FlashControl::FlashVersion(long* version) {
  if (!version) return E_POINTER;
  *version = kFlashVersion;
  Trace(L"FlashVersion=" + Hex(kFlashVersion));
  return S_OK;
}

HRESULT FlashControl::get_WMode(BSTR* value) { return GetString(wmode_, value); }
HRESULT FlashControl::put_WMode(BSTR value) {
  wmode_ = FromBstr(value);
  Trace(L"WMode=" + wmode_);
  return S_OK;
}
HRESULT FlashControl::get_SAlign(BSTR* value) { return GetString(salign_, value); }
HRESULT FlashControl::put_SAlign(BSTR value) {
  salign_ = FromBstr(value);
  return S_OK;
}
HRESULT FlashControl::get_Menu(VARIANT_BOOL* value) { return Get(ToVariantBool(menu_), value); }
HRESULT FlashControl::put_Menu(VARIANT_BOOL value) {
  menu_ = value != VARIANT_FALSE;
  Trace(std::wstring(L"Menu=") + (menu_ ? L"1" : L"0"));
  return S_OK;
}
HRESULT FlashControl::get_Base(BSTR* value) { return GetString(base_, value); }
HRESULT FlashControl::put_Base(BSTR value) {
  base_ = FromBstr(value);
  return S_OK;
}
HRESULT FlashControl::get_Scale(BSTR* value) { return GetString(scale_, value); }
HRESULT FlashControl::put_Scale(BSTR value) {
  scale_ = FromBstr(value);
  return S_OK;
}
HRESULT FlashControl::get_DeviceFont(VARIANT_BOOL* value) {
  return Get(ToVariantBool(deviceFont_), value);
}
HRESULT FlashControl::put_DeviceFont(VARIANT_BOOL value) {
  deviceFont_ = value != VARIANT_FALSE;
  return S_OK;
}
HRESULT FlashControl::get_EmbedMovie(VARIANT_BOOL* value) {
  return Get(ToVariantBool(embedMovie_), value);
}
HRESULT FlashControl::put_EmbedMovie(VARIANT_BOOL value) {
  embedMovie_ = value != VARIANT_FALSE;
  return S_OK;
}
HRESULT FlashControl::get_BGColor(BSTR* value) { return GetString(bgcolor_, value); }
HRESULT FlashControl::put_BGColor(BSTR value) {
  bgcolor_ = FromBstr(value);
  return S_OK;
}
HRESULT FlashControl::get_Quality2(BSTR* value) { return GetString(quality2_, value); }
HRESULT FlashControl::put_Quality2(BSTR value) {
  quality2_ = FromBstr(value);
  return S_OK;
}
HRESULT FlashControl::LoadMovie(int layer, BSTR url) {
  return layer == 0 ? put_Movie(url) : E_NOTIMPL;
}
HRESULT FlashControl::TGotoFrame(BSTR, long) { return E_NOTIMPL; }
HRESULT FlashControl::TGotoLabel(BSTR, BSTR) { return E_NOTIMPL; }
HRESULT FlashControl::TCurrentFrame(BSTR, long* frameNum) {
  if (frameNum) *frameNum = 0;
  return E_NOTIMPL;
}
HRESULT FlashControl::TCurrentLabel(BSTR, BSTR* label) {
  if (label) *label = nullptr;
  return E_NOTIMPL;
}
HRESULT FlashControl::TPlay(BSTR) { return E_NOTIMPL; }
HRESULT FlashControl::TStopPlay(BSTR) { return E_NOTIMPL; }

// Movie variables are accepted and have no effect on what is drawn
// ("Align", for one, is left to the scale mode).
HRESULT FlashControl::SetVariable(BSTR name, BSTR value) {
  Trace(L"SetVariable " + FromBstr(name) + L"=" + FromBstr(value));
  return S_OK;
}

HRESULT FlashControl::GetVariable(BSTR, BSTR* value) { return GetString(std::wstring(), value); }

}  // namespace flashctl

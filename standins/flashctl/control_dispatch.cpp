// IDispatch of the dual interface: the members a host reaches by dispatch
// id (the settings, Play, StopPlay, FlashVersion, the variables). There is
// no type library; names map to ids through a fixed table.
#include <cwchar>

#include "control.h"

namespace flashctl {
namespace {

struct NamedId {
  const wchar_t* name;
  DISPID id;
};

constexpr NamedId kNames[] = {
    {L"ReadyState", flash::dispid::kReadyState},
    {L"Movie", flash::dispid::kMovie},
    {L"Play", flash::dispid::kPlay},
    {L"ScaleMode", flash::dispid::kScaleMode},
    {L"StopPlay", flash::dispid::kStopPlay},
    {L"FlashVersion", flash::dispid::kFlashVersion},
    {L"WMode", flash::dispid::kWMode},
    {L"Menu", flash::dispid::kMenu},
    {L"SetVariable", flash::dispid::kSetVariable},
    {L"GetVariable", flash::dispid::kGetVariable},
};

// Argument `index` counted from the first one written by the caller
// (dispatch arguments are stored last first), converted to `type`.
HRESULT Argument(const DISPPARAMS* params, UINT index, VARTYPE type, VARIANT& out, UINT* argError) {
  if (!params || index >= params->cArgs) return DISP_E_BADPARAMCOUNT;
  const UINT position = params->cArgs - 1 - index;
  VariantInit(&out);
  const HRESULT hr = VariantChangeType(&out, &params->rgvarg[position], 0, type);
  if (FAILED(hr) && argError) *argError = position;
  return FAILED(hr) ? DISP_E_TYPEMISMATCH : S_OK;
}

class ArgumentList {
 public:
  ArgumentList(const DISPPARAMS* params, UINT* argError) : params_(params), argError_(argError) {}
  ~ArgumentList() {
    for (VARIANT& v : values_) VariantClear(&v);
  }
  HRESULT Get(UINT index, VARTYPE type, VARIANT** value) {
    const HRESULT hr = Argument(params_, index, type, values_[index], argError_);
    *value = &values_[index];
    return hr;
  }

 private:
  const DISPPARAMS* params_;
  UINT* argError_;
  VARIANT values_[2]{};
};

bool IsPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

HRESULT ReturnLong(VARIANT* result, long value) {
  if (result) {
    VariantInit(result);
    result->vt = VT_I4;
    result->lVal = value;
  }
  return S_OK;
}

HRESULT ReturnString(VARIANT* result, BSTR value) {
  if (result) {
    VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = value;
  } else {
    SysFreeString(value);
  }
  return S_OK;
}

}  // namespace

HRESULT FlashControl::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT FlashControl::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT FlashControl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  HRESULT hr = S_OK;
  for (UINT i = 0; i < count; ++i) {
    ids[i] = DISPID_UNKNOWN;
    if (i > 0) {
      hr = DISP_E_UNKNOWNNAME;  // no named arguments
      continue;
    }
    for (const NamedId& entry : kNames) {
      if (_wcsicmp(names[i], entry.name) == 0) ids[i] = entry.id;
    }
    if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT FlashControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                             VARIANT* result, EXCEPINFO*, UINT* argError) {
  ArgumentList args(params, argError);
  VARIANT* a = nullptr;
  VARIANT* b = nullptr;
  HRESULT hr = S_OK;
  switch (id) {
    case flash::dispid::kMovie:
      if (IsPut(flags)) return FAILED(hr = args.Get(0, VT_BSTR, &a)) ? hr : put_Movie(a->bstrVal);
      if (BSTR value = nullptr; SUCCEEDED(hr = get_Movie(&value)))
        return ReturnString(result, value);
      return hr;
    case flash::dispid::kScaleMode:
      if (IsPut(flags)) return FAILED(hr = args.Get(0, VT_I4, &a)) ? hr : put_ScaleMode(a->lVal);
      return ReturnLong(result, scaleMode_);
    case flash::dispid::kWMode:
      if (IsPut(flags)) return FAILED(hr = args.Get(0, VT_BSTR, &a)) ? hr : put_WMode(a->bstrVal);
      if (BSTR value = nullptr; SUCCEEDED(hr = get_WMode(&value)))
        return ReturnString(result, value);
      return hr;
    case flash::dispid::kMenu:
      if (IsPut(flags)) return FAILED(hr = args.Get(0, VT_BOOL, &a)) ? hr : put_Menu(a->boolVal);
      if (result) {
        VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = menu_ ? VARIANT_TRUE : VARIANT_FALSE;
      }
      return S_OK;
    case flash::dispid::kPlay:
      return Play();
    case flash::dispid::kStopPlay:
      return StopPlay();
    case flash::dispid::kFlashVersion: {
      long version = 0;
      return FAILED(hr = FlashVersion(&version)) ? hr : ReturnLong(result, version);
    }
    case flash::dispid::kReadyState:
      return ReturnLong(result, 4);
    case flash::dispid::kSetVariable:
      if (FAILED(hr = args.Get(0, VT_BSTR, &a)) || FAILED(hr = args.Get(1, VT_BSTR, &b))) return hr;
      return SetVariable(a->bstrVal, b->bstrVal);
    case flash::dispid::kGetVariable:
      if (FAILED(hr = args.Get(0, VT_BSTR, &a))) return hr;
      if (BSTR value = nullptr; SUCCEEDED(hr = GetVariable(a->bstrVal, &value))) {
        return ReturnString(result, value);
      }
      return hr;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

}  // namespace flashctl

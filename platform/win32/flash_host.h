// The Shockwave Flash control over COM: the Win32 side of flash_control.h.
//
// A container of our own rather than the ATL host window of atl.dll: a probe
// needs no window at all (creation is CoCreateInstance, so a control that is
// not registered fails right there), creating and placing the control are
// the two separate steps the panel needs, and the installer does not depend
// on atl.dll being present.
//
// What the installer asks of a control, in order:
// - creation: CoCreateInstance(CLSID_ShockwaveFlash, CLSCTX_INPROC_SERVER,
//   IID_IOleObject); QueryInterface for IShockwaveFlash and IDispatch;
//   IOleObject::GetMiscStatus; SetClientSite (before or after
//   IPersistStreamInit::InitNew, as OLEMISC_SETCLIENTSITEFIRST says; InitNew
//   only when the control has IPersistStreamInit);
// - placing: IOleObject::SetHostNames, SetExtent (HIMETRIC), then
//   DoVerb(OLEIVERB_INPLACEACTIVATE) with the panel as parent window and the
//   control's rectangle, then IOleInPlaceObject::SetObjectRects;
// - events: IConnectionPointContainer::FindConnectionPoint for the event
//   dispinterface and Advise with an IDispatch sink;
// - properties Movie, ScaleMode, WMode, Menu through IDispatch::Invoke
//   (DISPATCH_PROPERTYPUT); Play, StopPlay, SetVariable, FlashVersion through
//   IShockwaveFlash; focus through IOleInPlaceObject::GetWindow;
// - destruction: Unadvise, IOleInPlaceObject::InPlaceDeactivate,
//   IOleObject::Close(OLECLOSE_NOSAVE), SetClientSite(nullptr), Release.
#pragma once

#include <memory>

#include "flash_control.h"

namespace os::win32 {

// Initialises OLE on the calling thread (once) and creates controls there.
std::unique_ptr<flash::FlashControlFactory> NewFlashControlFactory();

}  // namespace os::win32

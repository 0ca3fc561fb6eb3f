// Scoped device-context selections of the installer window; the owners of
// its handles come from platform/win32/handles.h.
#pragma once

#include "handles.h"

namespace app::win32 {

using os::win32::UniqueBitmap;
using os::win32::UniqueFont;
using os::win32::UniqueModule;
using os::win32::UniqueWindow;

// A memory device context with a bitmap selected into it for the scope.
class ScopedMemoryDc {
 public:
  ScopedMemoryDc(HDC compatibleWith, HBITMAP bitmap)
      : dc_(::CreateCompatibleDC(compatibleWith)),
        old_(dc_ != nullptr ? ::SelectObject(dc_, bitmap) : nullptr) {}
  ~ScopedMemoryDc() {
    if (dc_ == nullptr) return;
    ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
  }
  ScopedMemoryDc(const ScopedMemoryDc&) = delete;
  ScopedMemoryDc& operator=(const ScopedMemoryDc&) = delete;

  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A font selected into a device context for the scope.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  ~ScopedSelect() { ::SelectObject(dc_, old_); }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace app::win32

// Move-only owners of the Win32 handles the installer window creates.
#pragma once

#include <windows.h>

#include <utility>

namespace app::win32 {

// Owns one handle and releases it with `Release` unless it is null.
template <typename Handle, auto Release>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // Gives up ownership without releasing.
  Handle release() { return std::exchange(handle_, nullptr); }
  void reset(Handle handle = nullptr) {
    if (handle_ != nullptr) Release(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

inline void DeleteGdiObject(HGDIOBJ object) { ::DeleteObject(object); }
inline void DestroyWindowHandle(HWND window) { ::DestroyWindow(window); }
inline void DestroyIconHandle(HICON icon) { ::DestroyIcon(icon); }

using UniqueFont = UniqueHandle<HFONT, DeleteGdiObject>;
using UniqueBrush = UniqueHandle<HBRUSH, DeleteGdiObject>;
using UniqueBitmap = UniqueHandle<HBITMAP, DeleteGdiObject>;
using UniqueWindow = UniqueHandle<HWND, DestroyWindowHandle>;
using UniqueIcon = UniqueHandle<HICON, DestroyIconHandle>;

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

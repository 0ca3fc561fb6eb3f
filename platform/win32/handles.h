// Move-only owners of Win32 handles.
//
// One template, `UniqueResource<Traits>`, owns one value of a handle type and
// releases it exactly once. Each Traits names the handle type, the value that
// means "no handle" for that family (INVALID_HANDLE_VALUE for files and
// searches, NULL for modules and registry keys) and the call that releases it.
// `Close` releases early and reports whether the system accepted the release;
// the destructor releases silently.
#pragma once

#include <utility>

#include "windows_api.h"

namespace os::win32 {

template <typename Traits>
class UniqueResource {
 public:
  using Handle = typename Traits::Handle;

  UniqueResource() noexcept : handle_(Traits::Invalid()) {}
  explicit UniqueResource(Handle handle) noexcept : handle_(handle) {}
  ~UniqueResource() { Close(); }

  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;

  UniqueResource(UniqueResource&& other) noexcept : handle_(other.Release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) {
      Reset(other.Release());
    }
    return *this;
  }

  bool IsValid() const noexcept { return handle_ != Traits::Invalid(); }
  explicit operator bool() const noexcept { return IsValid(); }
  Handle Get() const noexcept { return handle_; }

  // Gives up ownership without releasing.
  Handle Release() noexcept { return std::exchange(handle_, Traits::Invalid()); }

  // Releases the current handle (if any) and takes `handle`.
  void Reset(Handle handle = Traits::Invalid()) noexcept {
    Close();
    handle_ = handle;
  }

  // Releases the handle now. True when there was nothing to release or the
  // system released it; on false the system's last error says why.
  bool Close() noexcept {
    if (!IsValid()) {
      return true;
    }
    return Traits::Free(Release());
  }

 private:
  Handle handle_;
};

// Kernel objects opened by CreateFile and friends.
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Free(Handle handle) noexcept { return ::CloseHandle(handle) != FALSE; }
};

// Searches started by FindFirstFile.
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static bool Free(Handle handle) noexcept { return ::FindClose(handle) != FALSE; }
};

// Libraries loaded by LoadLibrary.
struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() noexcept { return nullptr; }
  static bool Free(Handle module) noexcept { return ::FreeLibrary(module) != FALSE; }
};

// Registry keys opened or created by RegOpenKeyEx / RegCreateKeyEx.
struct HKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() noexcept { return nullptr; }
  static bool Free(Handle key) noexcept { return ::RegCloseKey(key) == ERROR_SUCCESS; }
};

// GDI objects: fonts, bitmaps, brushes.
template <typename GdiHandle>
struct GdiObjectTraits {
  using Handle = GdiHandle;
  static Handle Invalid() noexcept { return nullptr; }
  static bool Free(Handle object) noexcept { return ::DeleteObject(object) != FALSE; }
};

// Windows made by CreateWindowEx.
struct WindowTraits {
  using Handle = HWND;
  static Handle Invalid() noexcept { return nullptr; }
  static bool Free(Handle window) noexcept { return ::DestroyWindow(window) != FALSE; }
};

using UniqueHandle = UniqueResource<FileHandleTraits>;
using UniqueFont = UniqueResource<GdiObjectTraits<HFONT>>;
using UniqueBitmap = UniqueResource<GdiObjectTraits<HBITMAP>>;
using UniqueWindow = UniqueResource<WindowTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;
using UniqueHKey = UniqueResource<HKeyTraits>;

}  // namespace os::win32

// A system library loaded by the first call that needs one of its functions,
// and kept until the program ends.
//
// The installer calls shell32 (ShellExecute) and shlwapi (SHDeleteKey) in
// few runs: only to start the Flash runtime installer, a read-me or the
// Display panel, and to take back an uninstall entry. Imported at link
// time, they would be loaded and initialised at every start, before the
// first line of the program runs.
#pragma once

#include "handles.h"
#include "windows_api.h"

namespace os::win32 {

class SystemLibrary {
 public:
  explicit SystemLibrary(const char* name) : name_(name) {}
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  // The exported function `name` as a `Function` pointer; null when the
  // library or the function is missing (the system's last error says why).
  template <typename Function>
  Function Get(const char* name) {
    if (!module_ && !tried_) {
      tried_ = true;
      module_.Reset(::LoadLibraryA(name_));
    }
    if (!module_) return nullptr;
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(::GetProcAddress(module_.Get(), name)));
  }

 private:
  const char* name_;
  UniqueModule module_;
  bool tried_ = false;
};

}  // namespace os::win32

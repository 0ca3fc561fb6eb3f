// What every mode of the engine knows about itself, gathered at start.
#pragma once

#include <windows.h>

#include <string>

#include "saver_settings.h"

namespace engine::win32 {

struct EngineContext {
  std::string ownPath;        // the running file, long form
  std::string windowsFolder;  // with a trailing backslash
  std::string title;
  std::string saverFolder;
  saver::SaverSettings settings;  // from saver.dat in the saver folder
};

EngineContext LoadContext();

// The system's text for an error number, without the trailing line break.
std::string SystemText(DWORD error);

// A window handle from the command line; null when it names no window.
HWND WindowFrom(uint64_t value);

}  // namespace engine::win32

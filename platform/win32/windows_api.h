// The Windows headers as the Win32 code of this program includes them.
//
// <windows.h> maps names such as CreateFile to CreateFileA or CreateFileW by
// macro. `os::Platform` has members of those names, so a translation unit
// that sees both would rename the members behind its back. Win32 code
// includes this header instead of <windows.h> and calls the "A" functions by
// their full names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>
// windows.h must come first.
#include <shellapi.h>

#undef CopyFile
#undef CreateDirectory
#undef CreateFile
#undef DeleteFile
#undef LoadLibrary

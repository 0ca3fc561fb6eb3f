// The Windows headers as the Win32 code of this program includes them.
//
// <windows.h> maps names such as CreateFile to CreateFileA or CreateFileW by
// macro. `os::Platform` and `app::InstallerView` have members of those names,
// so a translation unit that sees both would rename the members behind its
// back (and a call through a `final` class would then name a function that
// does not exist). Win32 code includes this header, before any header of the
// installer, instead of <windows.h> and calls the "A" functions by their full
// names.
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
#undef MessageBox
#undef MoveFile

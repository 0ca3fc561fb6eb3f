// What the control DLL knows about itself: its module handle and the count
// of live objects and server locks that DllCanUnloadNow consults.
#pragma once

#include <windows.h>

namespace flashctl {

HINSTANCE ModuleInstance();
void LockModule();
void UnlockModule();

// The version FlashVersion answers: major << 16 | minor << 8 | build.
// Set at build time (FLASHCTL_VERSION); the product answers 6.0.
#ifndef FLASHCTL_VERSION
#define FLASHCTL_VERSION 0x60000
#endif
inline constexpr long kFlashVersion = FLASHCTL_VERSION;

}  // namespace flashctl

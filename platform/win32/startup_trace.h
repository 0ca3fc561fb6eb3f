// Start-up markers, for finding where a program's start-up time goes.
//
// When the environment variable SAVER_STARTUP_TRACE names a file, every
// `StartupMark` appends one line to it (CR LF, one open-append-close per
// line, so a crash loses nothing):
//
//   <wall clock, ms since 1970-01-01 UTC> <ms since the process started> <what>
//
// e.g. "1765382400123.456 41.203 window created". The wall clock lets a
// program outside Wine put the marks on its own time line (Wine's system
// time is the host's). Without the variable a mark costs one environment
// look-up, made once per process.
#pragma once

namespace os::win32 {

void StartupMark(const char* what);

}  // namespace os::win32

#include "startup_trace.h"

#include <string>

#include "handles.h"
#include "windows_api.h"

namespace os::win32 {
namespace {

// FILETIME counts 100 ns steps from 1601-01-01; the Unix epoch is this many later.
constexpr unsigned long long kUnixEpochTicks = 116444736000000000ULL;

unsigned long long Ticks(const FILETIME& time) {
  return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The trace file's path, read once; empty when tracing is off.
const std::string& TracePath() {
  static const std::string path = [] {
    char buffer[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableA("SAVER_STARTUP_TRACE", buffer, MAX_PATH);
    return length == 0 || length >= MAX_PATH ? std::string() : std::string(buffer, length);
  }();
  return path;
}

// Ticks as milliseconds with three decimals ("1234.567").
std::string Milliseconds(unsigned long long ticks) {
  const unsigned long long micro = ticks / 10;
  std::string fraction = std::to_string(micro % 1000);
  fraction.insert(0, 3 - fraction.size(), '0');
  return std::to_string(micro / 1000) + "." + fraction;
}

unsigned long long ProcessStartTicks() {
  FILETIME created{}, exited{}, kernel{}, user{};
  if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  return Ticks(created);
}

}  // namespace

void StartupMark(const char* what) {
  const std::string& path = TracePath();
  if (path.empty()) return;
  FILETIME now{};
  ::GetSystemTimeAsFileTime(&now);
  const unsigned long long ticks = Ticks(now);
  const unsigned long long started = ProcessStartTicks();
  const std::string line =
      Milliseconds(ticks - kUnixEpochTicks) + " " +
      (started != 0 && ticks >= started ? Milliseconds(ticks - started) : "-") + " " + what +
      "\r\n";
  UniqueHandle file(::CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace os::win32

#include "win32_platform.h"

#include <utility>

#include "flash_host.h"
#include "handles.h"
#include "system_library.h"
#include "windows_api.h"

namespace os {
namespace {

using win32::UniqueFindHandle;
using win32::UniqueHandle;
using win32::UniqueModule;

// The size the installer has always given GetWindowsDirectory.
constexpr UINT kWindowsDirectoryCapacity = 301;
// Longest path and longest string-table text the growing buffers accept.
constexpr DWORD kMaxPathCapacity = 32768;
constexpr int kMaxTextCapacity = 65536;

int32_t SystemError() { return static_cast<int32_t>(::GetLastError()); }

[[noreturn]] void ThrowSystemError(const char* operation) {
  const int32_t code = SystemError();
  throw IoError(code, operation);
}

class Win32ReadStream final : public ReadStream {
 public:
  explicit Win32ReadStream(UniqueHandle file) : file_(std::move(file)) {}

  void Seek(int64_t position) override {
    LARGE_INTEGER distance;
    distance.QuadPart = position;
    if (!::SetFilePointerEx(file_.Get(), distance, nullptr, FILE_BEGIN)) {
      ThrowSystemError("SetFilePointerEx failed");
    }
  }

  uint32_t Read(void* buffer, uint32_t count) override {
    DWORD arrived = 0;
    if (!::ReadFile(file_.Get(), buffer, count, &arrived, nullptr)) {
      ThrowSystemError("ReadFile failed");
    }
    return arrived;
  }

  int64_t Size() override {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file_.Get(), &size)) {
      ThrowSystemError("GetFileSizeEx failed");
    }
    return size.QuadPart;
  }

  void Close() override {
    if (!file_.Close()) {
      ThrowSystemError("CloseHandle failed");
    }
  }

 private:
  UniqueHandle file_;
};

class Win32WriteStream final : public WriteStream {
 public:
  explicit Win32WriteStream(UniqueHandle file) : file_(std::move(file)) {}

  uint32_t Write(const void* buffer, uint32_t count) override {
    DWORD written = 0;
    if (!::WriteFile(file_.Get(), buffer, count, &written, nullptr)) {
      ThrowSystemError("WriteFile failed");
    }
    return written;
  }

  void Close() override {
    if (!file_.Close()) {
      ThrowSystemError("CloseHandle failed");
    }
  }

 private:
  UniqueHandle file_;
};

class Win32Library final : public Library {
 public:
  explicit Win32Library(UniqueModule module) : module_(std::move(module)) {}

  void* Symbol(const char* name) override {
    return reinterpret_cast<void*>(::GetProcAddress(module_.Get(), name));
  }

 private:
  UniqueModule module_;
};

// Frees a buffer that FormatMessage allocated.
struct LocalFreeDeleter {
  void operator()(char* text) const noexcept { ::LocalFree(text); }
};

// The running program's own path, wide characters; empty with the last
// error set when the system gives none.
std::wstring OwnPathWide() {
  for (DWORD capacity = MAX_PATH; capacity <= kMaxPathCapacity; capacity *= 2) {
    std::wstring path(capacity, L'\0');
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), capacity);
    if (length == 0) return {};
    if (length < capacity) {
      path.resize(length);
      return path;
    }
  }
  ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return {};
}

// An ANSI (code page CP_ACP) text in wide characters; empty with the last
// error set when it cannot be converted.
std::wstring WideFromAnsi(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

std::string Win32Platform::WindowsDirectory() {
  char buffer[kWindowsDirectoryCapacity];
  const UINT length = ::GetWindowsDirectoryA(buffer, kWindowsDirectoryCapacity);
  if (length == 0 || length >= kWindowsDirectoryCapacity) {
    return {};
  }
  return std::string(buffer, length);
}

std::string Win32Platform::ModulePath() {
  // GetModuleFileName fills the whole buffer (and returns its size) when the
  // path does not fit; grow until it does.
  for (DWORD capacity = MAX_PATH; capacity <= kMaxPathCapacity; capacity *= 2) {
    std::string path(capacity, '\0');
    const DWORD length = ::GetModuleFileNameA(nullptr, path.data(), capacity);
    if (length == 0) {
      return {};
    }
    if (length < capacity) {
      path.resize(length);
      return path;
    }
  }
  return {};
}

int32_t Win32Platform::LastError() { return SystemError(); }

std::string Win32Platform::ErrorText(int32_t code) {
  if (code < 0) {
    return {};
  }
  char* raw = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  const DWORD length = ::FormatMessageA(flags, nullptr, static_cast<DWORD>(code), 0,
                                        reinterpret_cast<LPSTR>(&raw), 0, nullptr);
  const std::unique_ptr<char, LocalFreeDeleter> owned(raw);
  if (length == 0 || raw == nullptr) {
    return {};
  }
  return std::string(raw, length);
}

std::string Win32Platform::LoadText(unsigned id) {
  // LoadString copies at most capacity - 1 characters; a text that fills the
  // buffer exactly may have been cut, so try again with more room.
  const HINSTANCE module = ::GetModuleHandleA(nullptr);
  for (int capacity = 512; capacity <= kMaxTextCapacity; capacity *= 2) {
    std::string text(static_cast<size_t>(capacity), '\0');
    const int length = ::LoadStringA(module, id, text.data(), capacity);
    if (length <= 0) {
      return {};
    }
    if (length < capacity - 1) {
      text.resize(static_cast<size_t>(length));
      return text;
    }
  }
  return {};
}

bool Win32Platform::FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Platform::DirectoryExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32Platform::CreateDirectory(const std::string& path) {
  return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32Platform::DeleteFile(const std::string& path) {
  return ::DeleteFileA(path.c_str()) != FALSE;
}

bool Win32Platform::SetAttributes(const std::string& path, uint32_t attributes) {
  return ::SetFileAttributesA(path.c_str(), attributes) != FALSE;
}

uint32_t Win32Platform::GetAttributes(const std::string& path) {
  return ::GetFileAttributesA(path.c_str());
}

bool Win32Platform::CopyFile(const std::string& from, const std::string& to) {
  return ::CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool Win32Platform::MoveFile(const std::string& from, const std::string& to) {
  return ::MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

bool Win32Platform::CopyOwnFile(const std::string& to) {
  const std::wstring source = OwnPathWide();
  if (source.empty()) return false;
  const std::wstring target = WideFromAnsi(to);
  if (target.empty() && !to.empty()) return false;
  return ::CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
}

FindResult Win32Platform::FindFile(const std::string& path) {
  WIN32_FIND_DATAA data;
  const UniqueFindHandle search(::FindFirstFileA(path.c_str(), &data));
  if (!search) {
    return {};
  }
  FindResult result;
  result.found = true;
  result.size =
      static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  result.attributes = data.dwFileAttributes;
  return result;
}

std::unique_ptr<ReadStream> Win32Platform::OpenRead(const std::string& path) {
  UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    ThrowSystemError("cannot open file for reading");
  }
  return std::make_unique<Win32ReadStream>(std::move(file));
}

std::unique_ptr<WriteStream> Win32Platform::CreateFile(const std::string& path) {
  UniqueHandle file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    ThrowSystemError("cannot create file");
  }
  return std::make_unique<Win32WriteStream>(std::move(file));
}

std::string Win32Platform::ShortPath(const std::string& path) {
  // Asked with no buffer, GetShortPathName returns the size it needs,
  // terminator included; filled, it returns the length without it.
  const DWORD needed = ::GetShortPathNameA(path.c_str(), nullptr, 0);
  if (needed == 0) {
    return {};
  }
  std::string result(needed, '\0');
  const DWORD length = ::GetShortPathNameA(path.c_str(), result.data(), needed);
  if (length == 0 || length >= needed) {
    return {};
  }
  result.resize(length);
  return result;
}

bool Win32Platform::WriteIniString(const std::string& file, const std::string& section,
                                   const std::string& key, const std::string& value) {
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
         FALSE;
}

// A value cannot hold a line break, so a default made of one tells a
// missing key from an empty value.
bool Win32Platform::ReadIniString(const std::string& file, const std::string& section,
                                  const std::string& key, std::string& value) {
  static const char kMissing[] = "\n";
  std::string buffer(1024, '\0');
  const DWORD length =
      ::GetPrivateProfileStringA(section.c_str(), key.c_str(), kMissing, buffer.data(),
                                 static_cast<DWORD>(buffer.size()), file.c_str());
  buffer.resize(length);
  if (buffer == kMissing) return false;
  value = buffer;
  return true;
}

bool Win32Platform::DeleteIniString(const std::string& file, const std::string& section,
                                    const std::string& key) {
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, file.c_str()) != FALSE;
}

std::unique_ptr<Library> Win32Platform::LoadLibrary(const std::string& path) {
  UniqueModule module(::LoadLibraryA(path.c_str()));
  if (!module) {
    return nullptr;
  }
  return std::make_unique<Win32Library>(std::move(module));
}

intptr_t Win32Platform::ShellOpen(const std::string& file, const std::string& parameters,
                                  bool hidden) {
  using ShellExecuteFunction = HINSTANCE(WINAPI*)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
  static win32::SystemLibrary shell32("shell32.dll");
  const auto shellExecute = shell32.Get<ShellExecuteFunction>("ShellExecuteA");
  if (shellExecute == nullptr) return 0;  // as the shell answers when out of resources
  const char* arguments = parameters.empty() ? nullptr : parameters.c_str();
  const HINSTANCE instance = shellExecute(nullptr, nullptr, file.c_str(), arguments, nullptr,
                                          hidden ? SW_HIDE : SW_SHOWNORMAL);
  return reinterpret_cast<intptr_t>(instance);
}

flash::FlashControlFactory& Win32Platform::FlashControls() {
  if (!flashControls_) flashControls_ = win32::NewFlashControlFactory();
  return *flashControls_;
}

}  // namespace os

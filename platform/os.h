// The installer's one seam to the operating system.
//
// The installer's logic (app/, package/, setup/, flash/) talks to Windows only
// through `os::Platform`. `platform/win32` implements it over kernel32,
// advapi32 and shell32; `platform/fake` implements it in memory with Windows
// semantics (case-insensitive paths, sharing violations, read-only files,
// error numbers) for the native unit tests.
//
// Error convention: operations that the logic treats as file input/output
// throw `os::IoError` carrying the system's error number; the step that runs
// them catches it and turns the number into its step code. Operations whose
// failure the logic inspects itself (delete, copy, create folder, load a
// library) return false or null and leave the number in `LastError()`.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace flash {
class FlashControlFactory;
}

namespace os {

// Windows error numbers the logic names.
namespace err {
constexpr int32_t kFileNotFound = 2;
constexpr int32_t kPathNotFound = 3;
constexpr int32_t kAccessDenied = 5;
constexpr int32_t kNotEnoughMemory = 8;
constexpr int32_t kWriteFault = 29;
constexpr int32_t kReadFault = 30;
constexpr int32_t kSharingViolation = 32;
constexpr int32_t kHandleEof = 38;
constexpr int32_t kDiskFull = 112;
constexpr int32_t kInvalidName = 123;
constexpr int32_t kAlreadyExists = 183;
// Short read and short write of a fixed-size block.
constexpr int32_t kShortRead = 100;
constexpr int32_t kShortWrite = 101;
}  // namespace err

// The one exception type of a failed file input/output operation.
class IoError : public std::runtime_error {
 public:
  explicit IoError(int32_t code, const std::string& what = "I/O error")
      : std::runtime_error(what), code_(code) {}
  int32_t code() const noexcept { return code_; }

 private:
  int32_t code_;
};

// An open file, read-only. Closed when destroyed.
class ReadStream {
 public:
  virtual ~ReadStream() = default;
  virtual void Seek(int64_t position) = 0;  // throws IoError
  // Reads up to `count` bytes; returns how many arrived (fewer only at the
  // end of the file). Throws IoError on a failed read.
  virtual uint32_t Read(void* buffer, uint32_t count) = 0;
  virtual int64_t Size() = 0;  // throws IoError
  // Closes the file now and reports a refused close (throws IoError); the
  // stream must not be used afterwards. Without it the file closes silently
  // when the stream is destroyed.
  virtual void Close() {}
};

// A file created for writing (an existing file is replaced). Closed when
// destroyed; `Close` reports a failed close.
class WriteStream {
 public:
  virtual ~WriteStream() = default;
  // Writes `count` bytes; returns how many were written. Throws IoError on a
  // failed write.
  virtual uint32_t Write(const void* buffer, uint32_t count) = 0;
  virtual void Close() = 0;  // throws IoError
};

// A loaded dynamic library. Freed when destroyed.
class Library {
 public:
  virtual ~Library() = default;
  virtual void* Symbol(const char* name) = 0;  // nullptr when missing
};

// A registry key under HKEY_LOCAL_MACHINE, opened with full access. Closed
// when destroyed. Results are the system's error numbers (0 for success).
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  virtual int32_t SetString(const std::string& name, const std::string& value) = 0;
  virtual int32_t DeleteValue(const std::string& name) = 0;
  // Reads a string value into `value`; 0, or the system's error number (2
  // when the value is missing, 13 when it is not a string).
  virtual int32_t GetString(const std::string& name, std::string& value) = 0;
};

// A top-level window of any program, found by its title; 0 for none.
using WindowId = uintptr_t;

struct FindResult {
  bool found = false;
  int64_t size = 0;
  uint32_t attributes = 0;
};

// File attribute bits (as Windows numbers them).
constexpr uint32_t kAttrReadOnly = 0x1;
constexpr uint32_t kAttrHidden = 0x2;
constexpr uint32_t kAttrSystem = 0x4;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;

class Platform {
 public:
  virtual ~Platform() = default;

  // --- system ---
  // GetWindowsDirectory as the system gives it (no trailing separator unless
  // it is a root).
  virtual std::string WindowsDirectory() = 0;
  // Full path of the running installer's own file.
  virtual std::string ModulePath() = 0;
  // The calling thread's last error number.
  virtual int32_t LastError() = 0;
  // The system's message text for an error number, untrimmed; empty for an
  // unknown number.
  virtual std::string ErrorText(int32_t code) = 0;
  // A text of the program's string table (app/strings.inc) by its number.
  virtual std::string LoadText(unsigned id) = 0;

  // --- files and folders ---
  virtual bool FileExists(const std::string& path) = 0;       // a file, not a folder
  virtual bool DirectoryExists(const std::string& path) = 0;  // a folder
  virtual bool CreateDirectory(const std::string& path) = 0;  // one level
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
  virtual uint32_t GetAttributes(const std::string& path) = 0;  // 0xFFFFFFFF when missing
  // Copies, replacing an existing target.
  virtual bool CopyFile(const std::string& from, const std::string& to) = 0;
  // Renames a file within its volume; fails (LastError() set) when `to`
  // exists.
  virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
  // Copies the running program's own file to `to`, replacing an existing
  // target, naming the source by its wide-character path: the ANSI path of
  // ModulePath cannot name a file in a folder whose name lies outside the
  // ANSI code page. False with LastError() set on failure.
  virtual bool CopyOwnFile(const std::string& to) { return CopyFile(ModulePath(), to); }
  // Looks a file up by name (FindFirstFile, all attributes).
  virtual FindResult FindFile(const std::string& path) = 0;
  virtual std::unique_ptr<ReadStream> OpenRead(const std::string& path) = 0;     // throws IoError
  virtual std::unique_ptr<WriteStream> CreateFile(const std::string& path) = 0;  // throws IoError
  // Short (8.3) form of an existing path; empty when the system gives none.
  virtual std::string ShortPath(const std::string& path) = 0;

  // --- ini files ---
  // WritePrivateProfileString; false with LastError() set on failure.
  virtual bool WriteIniString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& value) = 0;
  // GetPrivateProfileString: true with `value` set when the key is present.
  virtual bool ReadIniString(const std::string& file, const std::string& section,
                             const std::string& key, std::string& value) = 0;
  // Removes a key from its section (WritePrivateProfileString with no value).
  virtual bool DeleteIniString(const std::string& file, const std::string& section,
                               const std::string& key) = 0;

  // --- registry (HKEY_LOCAL_MACHINE) ---
  // Opens `path` with full access, creating it (and missing parents) when
  // `create` is set. Null with `error` set to the system's error number when
  // the key is missing or access is refused.
  virtual std::unique_ptr<RegistryKey> OpenMachineKey(const std::string& path, bool create,
                                                      int32_t& error) = 0;
  // Deletes `path` with all its subkeys; the system's error number.
  virtual int32_t DeleteMachineKeyTree(const std::string& path) = 0;

  // --- windows and system settings ---
  virtual WindowId FindTopLevelWindow(const std::string& title) = 0;
  // Sends a click to the dialog item `buttonId` of `window` and returns once
  // the window has handled it (or has not answered for a few seconds).
  virtual void ClickDialogButton(WindowId window, int buttonId) = 0;
  // SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, 1, NULL,
  // SPIF_SENDWININICHANGE); false when the system refuses.
  virtual bool SetScreenSaverActive() = 0;
  // Starts a command line in a normally shown window without waiting for it;
  // false with LastError() set when it cannot be started.
  virtual bool StartProgram(const std::string& commandLine) = 0;

  // --- libraries ---
  virtual std::unique_ptr<Library> LoadLibrary(const std::string& path) = 0;  // null on failure

  // --- COM ---
  // Creates Shockwave Flash controls (flash/flash_control.h).
  virtual flash::FlashControlFactory& FlashControls() = 0;

  // --- shell ---
  // ShellExecute with the default verb; returns the shell's instance value.
  virtual intptr_t ShellOpen(const std::string& file, const std::string& parameters,
                             bool hidden) = 0;
};

}  // namespace os

// An in-memory Windows for the native unit tests.
//
// Paths are compared case-insensitively and a trailing backslash is ignored,
// as Windows does. Files can be marked busy (held open by another process
// without sharing: delete, replace and open fail with 32) or read-only
// (delete and replace fail with 5 until the attributes are reset). The
// installer's own open streams follow the sharing of the Win32 platform: a
// file open for reading can be read again but not deleted, replaced or
// renamed; a file open for writing cannot be opened, deleted or renamed at
// all. Failures can be injected per path to reach the error paths of the
// logic.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "fake_flash.h"
#include "os.h"

namespace fake {

using Bytes = std::vector<uint8_t>;

struct FileNode {
  Bytes data;
  uint32_t attributes = os::kAttrArchive;
  bool busy = false;     // open elsewhere without sharing
  int readers = 0;       // the installer's own open read streams
  bool writing = false;  // the installer's own write stream is open
  bool Open() const { return readers > 0 || writing; }
};

struct IniWrite {
  std::string file, section, key, value;
};

// A registry key: its string values by name (names compared as Windows does).
struct FakeKey {
  std::map<std::string, std::string> values;  // upper-case name -> value
};

struct ShellCall {
  std::string file, parameters;
  bool hidden = false;
};

class FakePlatform : public os::Platform {
 public:
  FakePlatform();

  // --- set-up and inspection for tests ---
  void AddFile(const std::string& path, Bytes data);
  void AddFile(const std::string& path, const std::string& text);
  void AddDirectory(const std::string& path);  // creates missing parents too
  bool HasFile(const std::string& path) const;
  Bytes& FileData(const std::string& path);
  std::string FileText(const std::string& path);
  FileNode& Node(const std::string& path);
  std::vector<std::string> FilesUnder(const std::string& folder) const;
  // The whole machine as one map, for before-and-after comparisons: every
  // file ("file " + path -> attributes and bytes), folder ("dir " + path)
  // and registry key and value ("key " + path, "value " + path + "\\" +
  // name -> value). system.ini is a file like any other.
  std::map<std::string, std::string> Snapshot() const;

  std::string windowsDirectory = "C:\\WINDOWS";
  std::string modulePath = "C:\\Users\\user\\Desktop\\install.exe";
  // The ANSI form of modulePath that ModulePath gives, when it differs (a
  // folder named outside the code page shows '?' there); empty: the same.
  std::string moduleAnsiPath;
  // Error injection: the next operations on a path fail with this number.
  std::map<std::string, int32_t> failCreate;     // CreateFile throws
  std::map<std::string, int32_t> failCopyTo;     // CopyFile to this target fails
  std::map<std::string, int32_t> failRead;       // Read on a stream of this file throws
  std::map<std::string, uint32_t> shortWrite;    // Write writes at most this many bytes
  std::map<std::string, int32_t> failCloseRead;  // ReadStream::Close of this file throws
  std::map<std::string, int64_t> largestRead;    // largest single Read asked for, by file
  std::map<std::string, int64_t> bytesRead;      // bytes all Reads delivered, by file
  std::set<std::string> vanishOnClose;           // written file disappears when closed
  int32_t failIniWrites = 0;                     // WriteIniString fails with this number
  int32_t failLoadLibrary = 0;                   // LoadLibrary fails with this number
  std::set<std::string> missingSymbols;          // names Library::Symbol does not find
  int32_t loadLibraryCalls = 0;
  // Every path given to CreateFile and every CopyFile target, in order,
  // whether or not the operation succeeded.
  std::vector<std::string> writeTargets;
  std::map<std::string, int64_t> peakSize;  // largest size a written file reached, by key
  int32_t deleteCalls = 0;
  // Every file DeleteFile removed and every file MoveFile took away from its
  // name, in order.
  std::vector<std::string> removedPaths;
  std::map<std::string, int32_t> failMove;  // MoveFile from this path fails
  std::vector<IniWrite> iniWrites;
  std::vector<ShellCall> shellCalls;
  intptr_t shellResult = 42;
  std::map<int32_t, std::string> errorTexts;
  FakeFlashControls flashControls;

  // Registry under HKEY_LOCAL_MACHINE, by upper-case key path. A key in
  // `deniedKeys` (or under one) refuses opening, creating and deleting with
  // error 5; `failValueWrites` makes every value write fail with its number.
  std::map<std::string, FakeKey> registry;
  std::set<std::string> deniedKeys;
  int32_t failValueWrites = 0;
  bool HasKey(const std::string& path) const;
  std::string Value(const std::string& path, const std::string& name) const;
  void AddValue(const std::string& path, const std::string& name, const std::string& value);

  // Other programs' top-level windows by title; a click on button 2 (Cancel)
  // of a window listed in `cancelClosesWindow` closes it.
  std::map<std::string, int> windowClicks;  // title -> buttons clicked so far
  std::set<std::string> openWindows;
  std::set<std::string> cancelClosesWindow;
  int32_t windowLookups = 0;
  bool screenSaverActivation = true;  // SetScreenSaverActive's answer
  int32_t screenSaverActivations = 0;
  std::vector<std::string> startedPrograms;
  // Called with the command line of every started program (for example to
  // open the window the program would show).
  std::function<void(const std::string&)> onStartProgram;

  // --- os::Platform ---
  std::string WindowsDirectory() override { return windowsDirectory; }
  std::string ModulePath() override { return moduleAnsiPath.empty() ? modulePath : moduleAnsiPath; }
  int32_t LastError() override { return lastError_; }
  std::string ErrorText(int32_t code) override;
  std::string LoadText(unsigned id) override;
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateDirectory(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  uint32_t GetAttributes(const std::string& path) override;
  bool CopyFile(const std::string& from, const std::string& to) override;
  bool CopyOwnFile(const std::string& to) override;
  bool MoveFile(const std::string& from, const std::string& to) override;
  os::FindResult FindFile(const std::string& path) override;
  std::unique_ptr<os::ReadStream> OpenRead(const std::string& path) override;
  std::unique_ptr<os::WriteStream> CreateFile(const std::string& path) override;
  std::string ShortPath(const std::string& path) override;
  bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& value) override;
  bool ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                     std::string& value) override;
  bool DeleteIniString(const std::string& file, const std::string& section,
                       const std::string& key) override;
  std::unique_ptr<os::Library> LoadLibrary(const std::string& path) override;
  intptr_t ShellOpen(const std::string& file, const std::string& parameters, bool hidden) override;
  std::unique_ptr<os::RegistryKey> OpenMachineKey(const std::string& path, bool create,
                                                  int32_t& error) override;
  int32_t DeleteMachineKeyTree(const std::string& path) override;
  os::WindowId FindTopLevelWindow(const std::string& title) override;
  void ClickDialogButton(os::WindowId window, int buttonId) override;
  bool SetScreenSaverActive() override;
  bool StartProgram(const std::string& commandLine) override;
  flash::FlashControlFactory& FlashControls() override { return flashControls; }

  // The text of an ini file as Windows writes it, rebuilt from the writes.
  // A bare file name stands for that file in the Windows folder.
  std::string IniText(const std::string& file) const;

 private:
  friend class FakeReadStream;
  friend class FakeWriteStream;
  friend class FakeRegistryKey;
  static std::string Key(const std::string& path);
  std::string IniKey(const std::string& file) const;
  bool KeyDenied(const std::string& key) const;
  static std::string Parent(const std::string& key);
  bool Fail(int32_t code);
  bool WritableTarget(const std::string& key);
  void StoreIniText(const std::string& fileKey, const std::string& file);

  std::map<std::string, FileNode> files_;
  std::set<std::string> dirs_;
  std::map<std::string, std::map<std::string, std::vector<std::pair<std::string, std::string>>>>
      ini_;
  int32_t lastError_ = 0;
};

}  // namespace fake

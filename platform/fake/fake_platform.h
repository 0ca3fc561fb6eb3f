// An in-memory Windows for the native unit tests.
//
// Paths are compared case-insensitively and a trailing backslash is ignored,
// as Windows does. Files can be marked busy (held open by another process
// without sharing: delete, replace and open fail with 32) or read-only
// (delete and replace fail with 5 until the attributes are reset). Failures
// can be injected per path to reach the error paths of the logic.
#pragma once

#include <cstdint>
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
  bool busy = false;  // open elsewhere without sharing
};

struct IniWrite {
  std::string file, section, key, value;
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

  std::string windowsDirectory = "C:\\WINDOWS";
  std::string modulePath = "C:\\Users\\user\\Desktop\\install.exe";
  // Error injection: the next operations on a path fail with this number.
  std::map<std::string, int32_t> failCreate;   // CreateFile throws
  std::map<std::string, int32_t> failCopyTo;   // CopyFile to this target fails
  std::map<std::string, int32_t> failRead;     // Read on a stream of this file throws
  std::map<std::string, uint32_t> shortWrite;  // Write writes at most this many bytes
  std::set<std::string> vanishOnClose;         // written file disappears when closed
  int32_t failIniWrites = 0;                   // WriteIniString fails with this number
  int32_t failLoadLibrary = 0;                 // LoadLibrary fails with this number
  std::set<std::string> missingSymbols;        // names Library::Symbol does not find
  int32_t loadLibraryCalls = 0;
  int32_t deleteCalls = 0;
  std::vector<IniWrite> iniWrites;
  std::vector<ShellCall> shellCalls;
  intptr_t shellResult = 42;
  std::map<int32_t, std::string> errorTexts;
  FakeFlashControls flashControls;

  // --- os::Platform ---
  std::string WindowsDirectory() override { return windowsDirectory; }
  std::string ModulePath() override { return modulePath; }
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
  os::FindResult FindFile(const std::string& path) override;
  std::unique_ptr<os::ReadStream> OpenRead(const std::string& path) override;
  std::unique_ptr<os::WriteStream> CreateFile(const std::string& path) override;
  std::string ShortPath(const std::string& path) override;
  bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& value) override;
  std::unique_ptr<os::Library> LoadLibrary(const std::string& path) override;
  intptr_t ShellOpen(const std::string& file, const std::string& parameters, bool hidden) override;
  flash::FlashControlFactory& FlashControls() override { return flashControls; }

  // The text of an ini file as Windows writes it, rebuilt from the writes.
  std::string IniText(const std::string& file) const;

 private:
  friend class FakeReadStream;
  friend class FakeWriteStream;
  static std::string Key(const std::string& path);
  static std::string Parent(const std::string& key);
  bool Fail(int32_t code);
  bool WritableTarget(const std::string& key);

  std::map<std::string, FileNode> files_;
  std::set<std::string> dirs_;
  std::map<std::string, std::map<std::string, std::vector<std::pair<std::string, std::string>>>>
      ini_;
  int32_t lastError_ = 0;
};

}  // namespace fake

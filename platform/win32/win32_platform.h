// `os::Platform` over the Win32 ANSI functions of kernel32, user32 and
// shell32 (the program's own file is named by its wide-character path).
//
// Free of <windows.h>: a unit that needs both includes windows_api.h first
// (see there).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "flash_control.h"
#include "os.h"

namespace os {

class Win32Platform final : public Platform {
 public:
  std::string WindowsDirectory() override;
  std::string ModulePath() override;
  int32_t LastError() override;
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
  FindResult FindFile(const std::string& path) override;
  std::unique_ptr<ReadStream> OpenRead(const std::string& path) override;
  std::unique_ptr<WriteStream> CreateFile(const std::string& path) override;
  std::string ShortPath(const std::string& path) override;

  bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                      const std::string& value) override;
  bool ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                     std::string& value) override;
  bool DeleteIniString(const std::string& file, const std::string& section,
                       const std::string& key) override;

  // Registry, windows, system settings and programs: win32_system.cpp.
  std::unique_ptr<RegistryKey> OpenMachineKey(const std::string& path, bool create,
                                              int32_t& error) override;
  int32_t DeleteMachineKeyTree(const std::string& path) override;
  WindowId FindTopLevelWindow(const std::string& title) override;
  void ClickDialogButton(WindowId window, int buttonId) override;
  bool SetScreenSaverActive() override;
  bool StartProgram(const std::string& commandLine) override;

  std::unique_ptr<Library> LoadLibrary(const std::string& path) override;

  intptr_t ShellOpen(const std::string& file, const std::string& parameters, bool hidden) override;
  // Initialises OLE on the calling thread when first asked.
  flash::FlashControlFactory& FlashControls() override;

 private:
  std::unique_ptr<flash::FlashControlFactory> flashControls_;
};

}  // namespace os

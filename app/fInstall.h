// The installer window's logic: `TInstallerForm`.
//
// The form keeps the installer's state for the whole run (the package
// directory, the folder paths, the saver.ini settings object, the Files
// counter, `installBusy`) and runs the preparation and install steps. Every
// step returns a step code: 0 for success, a positive operating-system or
// file error number, or one of the negative codes in step_codes.h. It reaches
// Windows only through `os::Platform` and its window only through
// `InstallerView`, so all of it runs in the native unit tests.
//
// Its operations are spread over the folders of their subsystem:
//   app/fInstall.cpp            start-up, preparation, close handling
//   app/install_sequence.cpp    the Install button and the install sequence
//   app/reporting.cpp           status line, progress, pauses, error boxes
//   package/extract.cpp         working copy, package table, entry extraction
//   setup/folders.cpp           working folders, saver folder, package files
//   setup/saver_data.cpp        InstallSaverData: the saver data file's records
//   setup/registration.cpp      saver.dat, system.ini, Display Properties,
//                               read-me, uninstall entry, undo
//   setup/installed_list.cpp    the list of installed files for the uninstall
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dataStructures_shared.h"
#include "install_journal.h"
#include "installer_view.h"
#include "os.h"
#include "settings_file.h"

namespace app {

class TInstallerForm {
 public:
  TInstallerForm(os::Platform& platform, InstallerView& view);
  ~TInstallerForm();
  TInstallerForm(const TInstallerForm&) = delete;
  TInstallerForm& operator=(const TInstallerForm&) = delete;

  // --- window events ---
  // Runs the preparation; on failure (or after a silent install) the window
  // is closed and the application told to terminate.
  void FormCreate();
  bool FormCloseQuery() const { return !installBusy; }
  void FormClose();
  void declineBtnClick();
  void installBtnClick();

  // --- preparation ---
  void PrepareInstaller();

  // --- status, progress and errors ---
  void ShowStatus(const std::string& text);
  void StepProgress();
  void PauseTick();
  void ShowInstallError(int32_t code, const std::string& fileName);
  // The text ShowInstallError shows for a code and file name.
  std::string InstallErrorText(int32_t code, const std::string& fileName);

  // --- install sequence ---
  int32_t RunInstall();
  int32_t InstallSilently();

  // --- working copy and entries ---
  int32_t MakeWorkingCopy();
  int32_t ReadPackageTable();
  int32_t ExtractEntry(os::ReadStream& stream, int32_t slot, bool showStatus, bool recordFile,
                       setup::SettingsFile* settingsFile);
  int32_t DeleteExisting(const std::string& path, bool report, int32_t attempts);
  int32_t DeleteExistingOnce(const std::string& path, bool report);
  int32_t ExtractFlashInstaller();
  int32_t ExtractPreview();
  int32_t ExtractLicence();
  int32_t ExtractReadMe();
  // Where an entry is extracted to: an absolute path in the Windows or the
  // saver folder; empty for an entry type without one, or while its folder
  // is not known.
  std::string DestinationPath(const saver::PackageEntry& entry) const;

  // --- folders and saver.ini ---
  void PrepareWorkingFolders();
  void PrepareSaverFolder();
  int32_t ExtractPackageFiles(const std::string& workingCopyPath);
  // Writes key = Files counter, value = path into the Files list of
  // `settingsFile` and counts. Throws os::IoError when the line cannot be
  // written (or there is no settings object).
  void RecordFile(setup::SettingsFile* settingsFile, const std::string& path);
  // Remembers a file written into the saver folder (other paths are ignored)
  // for the list of installed files.
  void NoteSaverFolderFile(const std::string& path);
  // Writes that list into the saver folder (setup/installed_list.cpp).
  int32_t WriteInstalledFileList();

  // --- saver data file ---
  int32_t InstallSaverData();

  // --- system registration and clean-up ---
  void CloseDisplayProperties();
  int32_t ReadSaverDataHeader();
  int32_t WriteSaverSettings();
  int32_t RegisterScreenSaver();
  void LaunchDisplayProperties();
  void OpenReadMe();
  int32_t WriteUninstallKey();
  void RemoveUninstallKey();
  void UndoInstall();

  // --- state, read by the window and the tests ---
  uint8_t previewKind = 0;
  uint8_t showLicence = 0;
  uint8_t showReadMe = 0;
  bool installBusy = false;
  int32_t filesCounter = 0;
  saver::PackageDirectory package{};

  std::string windowsFolder;  // with a trailing backslash
  std::string installerPath;  // the running installer's file
  std::string scratchFolder;  // no trailing separator
  std::string workingCopy;    // the copy the package is read from
  std::string packageTitle;
  std::string saverFolder;   // with a trailing backslash
  std::string settingsPath;  // saver folder + saver.ini
  std::string dataFilePath;  // saver folder + slot 8's name
  std::unique_ptr<setup::SettingsFile> settings;
  // The settings block: the saver data file's 1240-byte header, read by
  // ReadSaverDataHeader and written out as saver.dat.
  std::array<uint8_t, saver::kSaverDataHeaderSize> settingsBlock{};
  // What the running install sequence created and replaced, so that a
  // failure can put it back; null outside RunInstall.
  std::unique_ptr<setup::InstallJournal> journal;

  // Where the install journal of this saver folder is kept between steps:
  // the scratch folder, named after the saver folder.
  std::string JournalPath() const;
  // The install path check (saver::IsInstallPath) for this run's folders.
  setup::PathCheck InstallPathCheck() const;
  // Finds the journal an earlier, interrupted run of this saver folder left
  // and rolls it back (or finishes its commit).
  void RecoverInterruptedInstall();
  // The uninstall entry's command: the engine's path with "/u", the path in
  // double quotes when it holds a blank.
  std::string UninstallCommand() const;
  // A command that is this screensaver's own: the engine's path with "/u",
  // quoted or not, letter case ignored.
  bool IsOwnUninstallCommand(const std::string& command) const;
  // Files written into the saver folder during preparation and install, by
  // their names relative to it.
  std::vector<std::string> saverFolderFiles;

 private:
  int32_t ExtractSlotStep(int32_t slot);
  int32_t CheckPackage(int64_t workingCopySize);
  // Checks every entry that carries a marker (package/entry_marker.h)
  // against its CRC-32, reading the working copy in chunks; -41 names the
  // first damaged entry. Writes nothing. (entry_check.cpp)
  int32_t CheckEntryMarkers(os::ReadStream& stream);
  const std::string& DestinationFolder(int32_t entryType) const;
  int32_t RunInstallWithStatus();
  int32_t FlashRuntimeCheck();
  void ApplyLicenceMode(int32_t& code);
  bool ApplyPreviewMode();
  std::string EnginePath() const;
  std::string UninstallKeyPath() const;
  std::string Text(unsigned id) { return platform_.LoadText(id); }
  int32_t BusyFile(const std::string& path);
  int32_t WriteWholeFile(const std::string& path, const void* data, size_t size);
  // One stored or compressed entry into its destination; the body of ExtractEntry.
  int32_t WriteEntry(os::ReadStream& stream, const saver::PackageEntry& entry,
                     const std::string& destination, bool& outputComplete);

  os::Platform& platform_;
  InstallerView& view_;
};

}  // namespace app

// The data-file module's shared functions and the Flash runtime functions.
//
// The data-file module reads the saver data file (records in
// package/saverData_shared.h): it keeps the open file, the module's copy of
// the header and the 110-slot record table for the whole run, and writes one
// record's file at a time. Its boxes go through the installer's view, which
// it also hands to the `TCompressor` of a compressed record.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "dataStructures_shared.h"
#include "installer_view.h"
#include "os.h"

namespace setup {

// The calling thread's last system error number, showing nothing.
int32_t LastSystemError(os::Platform& platform);

// --- saver data file ---

// The module's state: one per process, closed and empty at start.
struct SaverDataModuleState {
  std::unique_ptr<os::ReadStream> file;
  bool open = false;
  std::string path;      // the open file's path, for the close error box
  int64_t fileSize = 0;  // the open file's size, bounds every chunk
  saver::SaverDataHeader header;
  // Slot i holds record i; slot 0 is never filled.
  std::array<saver::SaverDataRecord, saver::kSaverDataTableSlots> records{};
};

SaverDataModuleState& SaverDataModule();
// Returns the module to its start state, dropping an open file unclosed.
// For tests and fuzzers, which run many installs in one process.
void ResetSaverDataModule();
// Closes the data file without a word (for the end of the install sequence,
// which deletes it); the record table stays.
void ReleaseSaverDataFile();

// Opens the data file at `path` read-only, loads the header copy and the
// record table and keeps the file open. Already open: an information box
// ("already in use") and 0, nothing changed. A file error returns its number
// (100 for a short read); a record count above 109 returns
// kErrDataRecordCount before any record is read. Either shows the opening
// error box when `showErrors` is set.
int32_t OpenSaverDataFile(os::Platform& platform, app::InstallerView& view, const std::string& path,
                          bool showErrors);

// Closes the data file; 0 when it was not open. A refused close shows the
// closing error box and returns the error number, and the file stays open.
int32_t CloseSaverDataFile(os::Platform& platform, app::InstallerView& view);

// Writes record `index` (1-based) into `folder` (with a trailing separator)
// under the file-name part of its name. Returns 0, -12 (index outside the
// records), -15 (not open), -7, -13, -16, -35, kErrUnsafeRecordName,
// kErrChunkBounds, or a file error number after the reading error box. A
// failed record's own output is deleted.
int32_t ExtractSaverDataRecord(os::Platform& platform, app::InstallerView& view,
                               const std::string& folder, int32_t index);

// --- Flash runtime detection and setup ---
// The installed Flash control's version, 0 when no control answers.
int32_t FlashRuntimeVersion(os::Platform& platform);
// True when a Flash control can be created. A control that is created but
// then fails the second version question lets its flash::ControlError out.
bool FlashControlAvailable(os::Platform& platform);
// Starts windowsFolder + "flashax.exe" hidden with "/Q" without waiting:
// 0, -401 (file missing), -7 (shell out of resources) or the shell's 1..32.
int32_t RunFlashInstaller(os::Platform& platform, const std::string& windowsFolder);

}  // namespace setup

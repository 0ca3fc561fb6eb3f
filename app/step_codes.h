// The installer's own step codes. Positive step codes are operating-system
// or file error numbers; 0 is success.
#pragma once

#include <cstdint>

namespace app {

constexpr int32_t kOk = 0;
constexpr int32_t kErrNoAttempts = -1;          // DeleteExisting asked to make no attempt
constexpr int32_t kErrNoMemory = -7;            // no buffer for an entry or record
constexpr int32_t kErrRecordIndex = -12;        // record number beyond the record count
constexpr int32_t kErrSizeMismatch = -13;       // extracted size differs from the expected
constexpr int32_t kErrDataFileNotOpen = -15;    // saver data file not open
constexpr int32_t kErrFileMissing = -16;        // file missing after decompression
constexpr int32_t kErrActivationRefused = -25;  // system refused to activate the saver
constexpr int32_t kErrShortTransfer = -30;      // fewer bytes read or written than stored
constexpr int32_t kErrPackageTable = -31;       // header and table cannot be read whole
constexpr int32_t kErrFileBusy = -32;           // file to be replaced is busy
constexpr int32_t kErrNoCodec = -35;            // decompression library not usable
constexpr int32_t kErrSaverBusy = -38;          // the .scr to be replaced is busy
// A package entry whose name would leave its folder, whose offsets are
// negative or reversed, or whose type has no destination. Nothing is written
// for such an entry. (Stored bytes that run past the end of the working copy
// are a short read: -30.)
constexpr int32_t kErrInvalidEntry = -40;
// A package entry whose stored bytes (or, for slot 0, the package's header
// and table) do not match the CRC-32 of its marker: the installer file was
// damaged after it was built. Found before anything is written outside the
// scratch folder.
constexpr int32_t kErrEntryChecksum = -41;
// The uninstall entry's key exists and is not this screensaver's: its
// command is not the engine's path with "/u". It is left as it was.
constexpr int32_t kErrForeignUninstallKey = -45;
constexpr int32_t kErrNoFlashInstaller = -401;    // flashax.exe missing
constexpr int32_t kErrNoFlashControl = -402;      // no Flash control after the runtime check
constexpr int32_t kErrWorkingCopyDisplay = -523;  // display mode: working copy not made
constexpr int32_t kErrEmptySlot = -531;           // a slot a step needs has no name
constexpr int32_t kErrCopyFailed = -532;          // copying inside the saver folder failed
// The saver data file is untrusted input. Its header claims more records
// than the record table holds (more than 109): refused before any record is
// read.
constexpr int32_t kErrDataRecordCount = -541;
// A data-file record whose name would write outside the saver folder: a
// copy target (or the first record's name it copies from) that is absolute,
// carries a drive or has a "..", "." or empty component, or a file name part
// made only of dots. Nothing is written for the record.
constexpr int32_t kErrUnsafeRecordName = -542;
// A data-file chunk that cannot lie in the file: a negative position or one
// past the end, a negative size, or a stored size larger than the whole
// file. Nothing is written for the record and no buffer is reserved. (A
// chunk that is merely cut short reads short: 100.)
constexpr int32_t kErrChunkBounds = -543;

// Flash version 6.0 as the Flash control reports it.
constexpr int32_t kFlashVersion6 = 0x60000;

}  // namespace app

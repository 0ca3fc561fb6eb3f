// The install step that unpacks the saver data file's records into the
// saver folder.
#include <cstring>

#include "dataFunctions_shared.h"
#include "fInstall.h"
#include "step_codes.h"
#include "string_ids.h"

namespace app {
namespace {

// A copy record's file: record 1 copies the preview movie, later records
// copy record 1's file. Names that would reach outside the saver folder are
// refused before anything is copied.
int32_t CopyRecordFile(os::Platform& platform, const std::string& saverFolder, int32_t index,
                       const std::string& name, const std::string& firstName) {
  if (!saver::IsContainedRelativePath(name)) return kErrUnsafeRecordName;
  if (index != 1 && !saver::IsContainedRelativePath(firstName)) return kErrUnsafeRecordName;
  const std::string source = saverFolder + (index == 1 ? saver::kPreviewMovieName : firstName);
  return platform.CopyFile(source, saverFolder + name) ? kOk : kErrCopyFailed;
}

// The file a record writes, for the install journal: empty for a name the
// record's own checks refuse.
std::string RecordTarget(const std::string& saverFolder, const saver::SaverDataRecord& record) {
  if (record.kind() == saver::kRecordKindCopy) {
    return saver::IsContainedRelativePath(record.name()) ? saverFolder + record.name() : "";
  }
  const std::string fileName(saver::RecordFileName(record.name()));
  return saver::IsPlainFileName(fileName) ? saverFolder + fileName : "";
}

}  // namespace

int32_t TInstallerForm::InstallSaverData() {
  ShowStatus(Text(kStrStatusSaverData));
  saver::SaverDataHeader settingsHeader;
  std::memcpy(settingsHeader.bytes.data(), settingsBlock.data(), settingsBlock.size());
  const int32_t recordCount = settingsHeader.recordCount();
  int32_t code = setup::OpenSaverDataFile(platform_, view_, dataFilePath, false);
  // The loop below indexes the record table by the settings block's count.
  if (code == kOk && recordCount > saver::kSaverDataMaxRecords) code = kErrDataRecordCount;
  auto& records = setup::SaverDataModule().records;
  if (settingsHeader.firstRecordMode() == saver::kFirstRecordCopiesPreview) {
    records[1].setKind(saver::kRecordKindCopy);
  }
  const std::string firstName = records[1].name();
  for (int32_t i = 1; i <= recordCount && code == kOk; ++i) {
    const saver::SaverDataRecord& record = records[i];
    if (record.empty()) continue;
    const std::string target = RecordTarget(saverFolder, record);
    if (journal && !target.empty()) code = journal->BeforeWrite(target);
    if (code == kErrInvalidEntry) code = kErrUnsafeRecordName;
    if (code != kOk) break;
    if (record.kind() == saver::kRecordKindCopy) {
      code = CopyRecordFile(platform_, saverFolder, i, record.name(), firstName);
    } else {
      code = setup::ExtractSaverDataRecord(platform_, view_, saverFolder, i);
    }
    // A record with an empty chunk writes no file.
    if (code == kOk && platform_.FileExists(target)) NoteSaverFolderFile(target);
  }
  if (code == kOk) code = setup::CloseSaverDataFile(platform_, view_);
  const std::string firstFile = saverFolder + firstName;
  if (!firstName.empty() && saver::IsContainedRelativePath(firstName) &&
      platform_.FileExists(firstFile)) {
    const uint32_t attributes = platform_.GetAttributes(firstFile) & ~os::kAttrNormal;
    platform_.SetAttributes(firstFile, attributes | os::kAttrArchive);
  }
  StepProgress();
  return code;
}

}  // namespace app

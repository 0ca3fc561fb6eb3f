// The data-file module: opening the saver data file, its record table and
// the extraction of one record's file.
#include "dataFunctions_shared.h"

#include <new>
#include <vector>

#include "error_text.h"
#include "pk_stuff.h"
#include "step_codes.h"
#include "string_ids.h"

namespace setup {
namespace {

using app::BoxIcon;

// Reads exactly `count` bytes; fewer is a short read of a fixed-size block.
void ReadExactly(os::ReadStream& stream, void* buffer, uint32_t count) {
  if (count != 0 && stream.Read(buffer, count) != count) throw os::IoError(os::err::kShortRead);
}

template <size_t N>
void ReadBlock(os::ReadStream& stream, std::array<uint8_t, N>& block) {
  ReadExactly(stream, block.data(), static_cast<uint32_t>(N));
}

// A buffer of `size` bytes, or false when the memory cannot be had.
bool Reserve(std::vector<uint8_t>& buffer, int32_t size) {
  try {
    buffer.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

std::string Folder(const std::string& path) {
  const size_t cut = path.find_last_of('\\');
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

// One record's file; the body of ExtractSaverDataRecord. Output streams and
// buffers live in the functions below, so they are released before a
// failed record's file is deleted.
class RecordWriter {
 public:
  RecordWriter(os::Platform& platform, app::InstallerView& view, SaverDataModuleState& module)
      : platform_(platform), view_(view), module_(module) {}

  // Sets `written` once the destination exists as this record's output.
  int32_t Write(const saver::SaverDataRecord& record, const std::string& folder,
                std::string& destination, bool& written) {
    const int32_t position = record.position();
    if (position < 0 || position > module_.fileSize) return app::kErrChunkBounds;
    module_.file->Seek(position);
    ReadBlock(*module_.file, chunk_.bytes);
    const std::string fileName(saver::RecordFileName(record.name()));
    destination = folder + fileName;
    if (chunk_.fileSize() == 0) return app::kOk;
    if (!saver::IsPlainFileName(fileName)) return app::kErrUnsafeRecordName;
    if (!SizesFit()) return app::kErrChunkBounds;
    const std::string destinationFolder = Folder(destination);
    if (!destinationFolder.empty() && !platform_.DirectoryExists(destinationFolder) &&
        !platform_.CreateDirectory(destinationFolder)) {
      const int32_t code = LastSystemError(platform_);
      return code != app::kOk ? code : os::err::kPathNotFound;
    }
    return chunk_.compressed() ? WriteCompressed(destination, written)
                               : WriteStored(destination, written);
  }

 private:
  // The sizes of a chunk whose bytes could lie in the file: never negative,
  // and no buffer larger than the whole file.
  bool SizesFit() const {
    if (chunk_.fileSize() < 0) return false;
    const int32_t stored = chunk_.storedLength();
    return stored >= 0 && stored <= module_.fileSize;
  }

  int32_t WriteCompressed(const std::string& destination, bool& written) {
    std::vector<uint8_t> buffer;
    if (!Reserve(buffer, chunk_.storedSize())) return app::kErrNoMemory;
    ReadExactly(*module_.file, buffer.data(), static_cast<uint32_t>(buffer.size()));
    package::TCompressor compressor(platform_, view_);
    if (!compressor.loaded) return app::kErrNoCodec;
    // A stream that expands past fileSize stops there: it fails with -13
    // either way, and must not fill the disk first.
    compressor.ExplodeToFile(destination, buffer.data(), chunk_.storedSize(), chunk_.fileSize());
    const os::FindResult found = platform_.FindFile(destination);
    if (!found.found) return app::kErrFileMissing;
    written = true;
    return found.size == chunk_.fileSize() ? app::kOk : app::kErrSizeMismatch;
  }

  int32_t WriteStored(const std::string& destination, bool& written) {
    auto output = platform_.CreateFile(destination);
    written = true;
    std::vector<uint8_t> buffer;
    if (!Reserve(buffer, chunk_.fileSize())) return app::kErrNoMemory;
    const auto count = static_cast<uint32_t>(buffer.size());
    ReadExactly(*module_.file, buffer.data(), count);
    if (output->Write(buffer.data(), count) != count) throw os::IoError(os::err::kShortWrite);
    output->Close();
    return app::kOk;
  }

  os::Platform& platform_;
  app::InstallerView& view_;
  SaverDataModuleState& module_;
  saver::SaverDataChunkHeader chunk_;
};

// Reads the header and the records behind it into the module.
int32_t LoadSaverDataFile(os::Platform& platform, SaverDataModuleState& m,
                          const std::string& path) {
  auto file = platform.OpenRead(path);
  saver::SaverDataHeader header;
  ReadBlock(*file, header.bytes);
  if (header.recordCount() > saver::kSaverDataMaxRecords) return app::kErrDataRecordCount;
  m.header = header;
  m.fileSize = file->Size();
  m.file = std::move(file);
  m.path = path;
  m.open = true;
  m.records.fill({});
  for (int32_t i = 1; i <= m.header.recordCount(); ++i) ReadBlock(*m.file, m.records[i].bytes);
  return app::kOk;
}

}  // namespace

int32_t LastSystemError(os::Platform& platform) { return platform.LastError(); }

SaverDataModuleState& SaverDataModule() {
  static SaverDataModuleState state;
  return state;
}

void ResetSaverDataModule() { SaverDataModule() = SaverDataModuleState{}; }

void ReleaseSaverDataFile() {
  SaverDataModuleState& m = SaverDataModule();
  m.file.reset();
  m.open = false;
}

int32_t OpenSaverDataFile(os::Platform& platform, app::InstallerView& view, const std::string& path,
                          bool showErrors) {
  SaverDataModuleState& m = SaverDataModule();
  if (m.open) {
    view.MessageBox(
        platform.LoadText(app::kStrDataErrorPrefix) + platform.LoadText(app::kStrDataFileInUse),
        BoxIcon::kInformation);
    return app::kOk;
  }
  int32_t code = app::kOk;
  try {
    code = LoadSaverDataFile(platform, m, path);
  } catch (const os::IoError& e) {
    code = e.code();
  }
  if (code != app::kOk && showErrors) {
    view.MessageBox(
        platform.LoadText(app::kStrDataFileOpenProblem) + path + "\r\n\r\n" + std::to_string(code),
        BoxIcon::kError);
  }
  return code;
}

int32_t CloseSaverDataFile(os::Platform& platform, app::InstallerView& view) {
  SaverDataModuleState& m = SaverDataModule();
  if (!m.open) return app::kOk;
  try {
    m.file->Close();
  } catch (const os::IoError& e) {
    view.MessageBox(platform.LoadText(app::kStrDataFileCloseProblem) + m.path + "\r\n" +
                        app::SystemErrorText(platform, e.code()),
                    BoxIcon::kError);
    return e.code();
  }
  m.file.reset();
  m.open = false;
  return app::kOk;
}

int32_t ExtractSaverDataRecord(os::Platform& platform, app::InstallerView& view,
                               const std::string& folder, int32_t index) {
  SaverDataModuleState& m = SaverDataModule();
  // Index 0 and negative indexes name no record either.
  if (index > m.header.recordCount() || index < 1 || index > saver::kSaverDataMaxRecords) {
    return app::kErrRecordIndex;
  }
  if (!m.open) return app::kErrDataFileNotOpen;
  std::string destination;
  bool written = false;
  int32_t result = app::kOk;
  try {
    result = RecordWriter(platform, view, m).Write(m.records[index], folder, destination, written);
  } catch (const os::IoError& e) {
    result = e.code();
    view.MessageBox(platform.LoadText(app::kStrDataErrorPrefix) +
                        platform.LoadText(app::kStrDataFileReadProblem) +
                        app::SystemErrorText(platform, result),
                    BoxIcon::kError);
  }
  if (result != app::kOk && written) platform.DeleteFile(destination);
  return result;
}

}  // namespace setup

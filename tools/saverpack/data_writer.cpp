// Writes saver data files through fixed buffers (package/saverData_shared.h
// has the layout):
//   0 .. 1239                 the header, recordCount set
//   1240 .. +264*n - 1        the record table, written last
//   then, in record order     a 44-byte "CHUN" chunk header (written once
//                             its sizes are known) and the stored bytes;
//                             a copy record's chunk is empty
#include <cstdio>
#include <limits>
#include <memory>

#include "data_file.h"
#include "pack_error.h"
#include "slot_stream.h"

namespace saverpack {
namespace {

constexpr uint64_t kMaxFileSize = std::numeric_limits<int32_t>::max();

std::string Label(size_t index) { return "record" + std::to_string(index + 1); }

std::unique_ptr<SlotReader> ReaderFor(size_t index, const DataRecordContent& r) {
  const std::string what = Label(index) + " file";
  if (r.file.empty()) return std::make_unique<SlotReader>(r.data, what);
  return std::make_unique<SlotReader>(r.file, r.fileSize, what);
}

void AppendZeros(PackageOutput& out, size_t count) {
  const std::vector<uint8_t> zeros(count, 0);
  out.Append(zeros);
}

}  // namespace

uint64_t WriteDataStream(int fd, const DataContents& contents, Level level,
                         const std::string& shown, Warnings& warnings) {
  PackageOutput out(fd, kMaxFileSize, "'" + shown + "'");
  saver::SaverDataHeader header = contents.header;
  header.setRecordCount(static_cast<int32_t>(contents.records.size()));
  std::vector<uint8_t> table;
  try {
    out.Append(header.bytes);
    AppendZeros(out, contents.records.size() * saver::kSaverDataRecordSize);
    for (size_t i = 0; i < contents.records.size(); ++i) {
      const DataRecordContent& r = contents.records[i];
      const uint64_t position = out.size();
      AppendZeros(out, saver::kSaverDataChunkHeaderSize);
      saver::SaverDataChunkHeader chunk;
      chunk.setMagic();
      if (!r.copy) {
        const auto input = ReaderFor(i, r);
        const EncodedEntry entry = EncodeEntry(*input, out, r.compressed, level);
        if (entry.implodedLarger != 0) {
          warnings.Add(r.where, Label(i) + " implodes to " + std::to_string(entry.implodedLarger) +
                                    " bytes, more than its " + std::to_string(r.size()) +
                                    ": stored instead (say '" + Label(i) + ".compressed = 0')");
        }
        chunk.setFileSize(static_cast<int32_t>(r.size()));
        chunk.setStoredSize(entry.compressed ? static_cast<int32_t>(entry.stored) : 0);
        chunk.setCompressed(entry.compressed ? 1 : 0);
      }
      out.WriteAt(position, chunk.bytes);
      saver::SaverDataRecord record;
      record.setKind(r.kind);
      record.setName(r.name);
      record.setPosition(static_cast<int32_t>(position));
      table.insert(table.end(), record.bytes.begin(), record.bytes.end());
    }
  } catch (const PackageOutput::TooLarge&) {
    throw PackError(Located(contents.places.origin, "the data file would pass 2147483647 bytes"));
  }
  out.WriteAt(header.bytes.size(), table);
  return out.size();
}

std::vector<uint8_t> BuildDataFileImage(const DataContents& contents, Level level) {
  CheckDataContents(contents);
  const std::unique_ptr<FILE, int (*)(FILE*)> file(std::tmpfile(), std::fclose);
  if (!file) throw PackError("cannot create a temporary file");
  Warnings warnings;
  const uint64_t size =
      WriteDataStream(fileno(file.get()), contents, level, "temporary file", warnings);
  std::vector<uint8_t> image(size);
  ReadAllAt(fileno(file.get()), 0, image, "temporary file");
  return image;
}

}  // namespace saverpack

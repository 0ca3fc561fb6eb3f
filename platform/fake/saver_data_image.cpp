#include "saver_data_image.h"

#include "package_image.h"

namespace fake {
namespace {

// The bytes stored in a record's chunk, behind its header.
Bytes StoredBytes(const RecordSpec& r) {
  if (r.kind == saver::kRecordKindCopy) return {};
  return r.compressed ? Implode(r.data) : r.data;
}

}  // namespace

SaverDataImage& SaverDataImage::FirstRecordMode(int32_t mode) {
  header_.setFirstRecordMode(mode);
  return *this;
}

SaverDataImage& SaverDataImage::RecordCount(int32_t count) {
  recordCount_ = count;
  return *this;
}

SaverDataImage& SaverDataImage::Record(RecordSpec spec) {
  records_.push_back(std::move(spec));
  return *this;
}

SaverDataImage& SaverDataImage::HeaderByte(int offset, uint8_t value) {
  header_.bytes.at(static_cast<size_t>(offset)) = value;
  return *this;
}

saver::SaverDataHeader SaverDataImage::Header() const {
  saver::SaverDataHeader h = header_;
  h.setRecordCount(recordCount_.value_or(static_cast<int32_t>(records_.size())));
  return h;
}

int32_t SaverDataImage::ChunkPosition(int index) const {
  size_t position = saver::kSaverDataHeaderSize + records_.size() * saver::kSaverDataRecordSize;
  for (int i = 1; i < index; ++i) {
    position += saver::kSaverDataChunkHeaderSize + StoredBytes(records_.at(i - 1)).size();
  }
  return static_cast<int32_t>(position);
}

Bytes SaverDataImage::Build() const {
  const saver::SaverDataHeader h = Header();
  Bytes out(h.bytes.begin(), h.bytes.end());
  Bytes chunks;
  for (size_t i = 0; i < records_.size(); ++i) {
    const RecordSpec& r = records_[i];
    const Bytes stored = StoredBytes(r);
    saver::SaverDataRecord record;
    record.setKind(r.kind);
    record.setName(r.name);
    record.setPosition(r.position.value_or(ChunkPosition(static_cast<int>(i) + 1)));
    out.insert(out.end(), record.bytes.begin(), record.bytes.end());
    saver::SaverDataChunkHeader chunk;
    chunk.setMagic();
    const bool copy = r.kind == saver::kRecordKindCopy;
    chunk.setFileSize(r.fileSize.value_or(copy ? 0 : static_cast<int32_t>(r.data.size())));
    chunk.setStoredSize(
        r.storedSize.value_or(r.compressed ? static_cast<int32_t>(stored.size()) : 0));
    chunk.setCompressed(r.compressed ? 1 : 0);
    chunks.insert(chunks.end(), chunk.bytes.begin(), chunk.bytes.end());
    chunks.insert(chunks.end(), stored.begin(), stored.end());
  }
  out.insert(out.end(), chunks.begin(), chunks.end());
  return out;
}

}  // namespace fake

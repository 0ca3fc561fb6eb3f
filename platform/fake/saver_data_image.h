// Builds saver data files in memory for the unit tests and the fuzzer, in
// the layout the builder writes: header, record table, then one chunk per
// record in record order. Fields can be overridden to make damaged files.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "dataStructures_shared.h"
#include "fake_platform.h"

namespace fake {

struct RecordSpec {
  std::string name{};
  Bytes data{};             // the file the record makes
  bool compressed = false;  // stored as an implode stream of `data`
  uint8_t kind = 0;         // 3: a copy record (its chunk is empty)
  // Overrides of what Build would write.
  std::optional<int32_t> position{}, fileSize{}, storedSize{};
};

class SaverDataImage {
 public:
  SaverDataImage& FirstRecordMode(int32_t mode);
  // Writes this count instead of the number of records given.
  SaverDataImage& RecordCount(int32_t count);
  SaverDataImage& Record(RecordSpec spec);
  // A byte of the header outside the two fields the installer reads.
  SaverDataImage& HeaderByte(int offset, uint8_t value);

  saver::SaverDataHeader Header() const;
  Bytes Build() const;
  // Where record `index`'s chunk starts in Build's output.
  int32_t ChunkPosition(int index) const;

 private:
  saver::SaverDataHeader header_;
  std::optional<int32_t> recordCount_;
  std::vector<RecordSpec> records_;
};

}  // namespace fake

// `saverpack data list`: a data file's header, record table and chunks,
// checked the way the installer reads them.
#include <iomanip>
#include <sstream>

#include "data_file.h"
#include "pack_error.h"
#include "text_encoding.h"

namespace saverpack {
namespace {

[[noreturn]] void Damaged(const std::string& what) {
  throw PackError("damaged data file: " + what);
}

std::string RecordLabel(int index) { return "record " + std::to_string(index); }

saver::SaverDataHeader ReadHeader(std::span<const uint8_t> file) {
  if (file.size() < static_cast<size_t>(saver::kSaverDataHeaderSize)) {
    throw PackError("not a data file: the file has " + std::to_string(file.size()) +
                    " bytes; the header alone has 1240");
  }
  saver::SaverDataHeader header;
  std::copy_n(file.begin(), header.bytes.size(), header.bytes.begin());
  const int32_t count = header.recordCount();
  if (count > saver::kSaverDataMaxRecords) {
    Damaged("recordCount " + std::to_string(count) + " is above 109");
  }
  const int64_t tableEnd =
      saver::kSaverDataHeaderSize + int64_t{std::max(count, 0)} * saver::kSaverDataRecordSize;
  if (tableEnd > static_cast<int64_t>(file.size())) {
    Damaged("the table of " + std::to_string(count) + " records ends at byte " +
            std::to_string(tableEnd) + ", past the end of the file (" +
            std::to_string(file.size()) + " bytes)");
  }
  return header;
}

saver::SaverDataRecord ReadRecord(std::span<const uint8_t> file, int index) {
  saver::SaverDataRecord record;
  const size_t at =
      saver::kSaverDataHeaderSize + static_cast<size_t>(index - 1) * saver::kSaverDataRecordSize;
  std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(at), record.bytes.size(),
              record.bytes.begin());
  return record;
}

// The chunk of a record the installer reads, checked against the file.
saver::SaverDataChunkHeader ReadChunk(std::span<const uint8_t> file, int index,
                                      const saver::SaverDataRecord& record) {
  const int64_t size = static_cast<int64_t>(file.size());
  const int64_t position = record.position();
  if (position < 0 || position + saver::kSaverDataChunkHeaderSize > size) {
    Damaged(RecordLabel(index) + "'s chunk at " + std::to_string(position) +
            " lies outside the file (" + std::to_string(size) + " bytes)");
  }
  saver::SaverDataChunkHeader chunk;
  std::copy_n(file.begin() + position, chunk.bytes.size(), chunk.bytes.begin());
  const int64_t stored = chunk.fileSize() == 0 ? 0 : chunk.storedLength();
  if (chunk.fileSize() < 0 || stored < 0 ||
      position + saver::kSaverDataChunkHeaderSize + stored > size) {
    Damaged(RecordLabel(index) + "'s chunk (file size " + std::to_string(chunk.fileSize()) + ", " +
            std::to_string(stored) + " stored bytes) runs past the end of the file");
  }
  return chunk;
}

void CheckExpansion(std::span<const uint8_t> file, int index, const saver::SaverDataRecord& record,
                    const saver::SaverDataChunkHeader& chunk) {
  if (!chunk.compressed() || chunk.fileSize() == 0) return;
  const auto stored =
      file.subspan(static_cast<size_t>(record.position()) + saver::kSaverDataChunkHeaderSize,
                   static_cast<size_t>(chunk.storedSize()));
  std::vector<uint8_t> expanded;
  try {
    expanded = ExplodeBytes(stored);
  } catch (const PackError& e) {
    Damaged(RecordLabel(index) + "'s compressed data: " + e.what());
  }
  if (expanded.size() != static_cast<size_t>(chunk.fileSize())) {
    Damaged(RecordLabel(index) + " expands to " + std::to_string(expanded.size()) +
            " bytes, not its file size " + std::to_string(chunk.fileSize()));
  }
}

std::string Colour(uint32_t bgr) {
  std::ostringstream out;
  out << '#' << std::uppercase << std::hex << std::setfill('0') << std::setw(2) << (bgr & 0xFF)
      << std::setw(2) << ((bgr >> 8) & 0xFF) << std::setw(2) << ((bgr >> 16) & 0xFF);
  return out.str();
}

// The engine's settings as the engine reads them from the header.
void ListEngineSettings(std::ostream& out, const saver::SaverDataHeader& header) {
  const std::optional<int> version = EngineSettingsVersion(header.bytes);
  if (!version) {
    out << "engine settings: none (the engine uses its defaults)\n";
    return;
  }
  const saver::SaverSettings s = saver::ReadEngineSettings(header.bytes);
  out << "engine settings: version " << *version << "\n"
      << "  picture: "
      << (s.picture.empty() ? "(none: installer.BMP)" : Windows1252ForDisplay(s.picture)) << "\n"
      << "  text: " << (s.text.empty() ? "(none: the title)" : Windows1252ForDisplay(s.text))
      << "\n"
      << "  background: " << Colour(s.background) << "\n"
      << "  text colour: " << Colour(s.textColour) << "\n"
      << "  speed: " << s.speed << " pixels per second\n"
      << "  text over picture: " << ((s.flags & saver::kFlagTextOverPicture) ? "yes" : "no")
      << "\n";
}

std::string Ratio(int64_t stored, int64_t size) {
  if (size == 0) return "-";
  std::ostringstream out;
  out << std::fixed << std::setprecision(2) << 100.0 * static_cast<double>(stored) / size << "%";
  return out.str();
}

}  // namespace

std::string FormatDataListing(std::span<const uint8_t> file) {
  const saver::SaverDataHeader header = ReadHeader(file);
  size_t nonZero = 0;
  for (size_t i = 0; i < header.bytes.size(); ++i) {
    const bool field = (i >= 212 && i < 216) || (i >= 1204 && i < 1208);
    if (!field && header.bytes[i] != 0) ++nonZero;
  }
  std::ostringstream out;
  out << "data file: " << file.size() << " bytes\n"
      << "recordCount: " << header.recordCount() << "\n"
      << "firstRecordMode: " << header.firstRecordMode() << "\n"
      << "other header bytes: " << nonZero << " non-zero\n";
  ListEngineSettings(out, header);
  out << "   #  kind  name                              position   file size      stored  "
         "compressed  ratio\n";
  const bool firstCopies = header.firstRecordMode() == saver::kFirstRecordCopiesPreview;
  const std::string firstName = header.recordCount() > 0 ? ReadRecord(file, 1).name() : "";
  for (int i = 1; i <= header.recordCount(); ++i) {
    const saver::SaverDataRecord record = ReadRecord(file, i);
    out << std::setw(4) << i << "  " << std::setw(4) << int{record.kind()} << "  " << std::left
        << std::setw(32) << (record.empty() ? "(empty)" : record.name()) << std::right;
    if (record.empty()) {
      out << "  skipped\n";
    } else if (record.kind() == saver::kRecordKindCopy || (i == 1 && firstCopies)) {
      out << "  copy of " << (i == 1 ? saver::kPreviewMovieName : firstName) << "\n";
    } else {
      const saver::SaverDataChunkHeader chunk = ReadChunk(file, i, record);
      CheckExpansion(file, i, record, chunk);
      const int64_t stored = chunk.fileSize() == 0 ? 0 : chunk.storedLength();
      out << std::setw(10) << record.position() << std::setw(12) << chunk.fileSize()
          << std::setw(12) << stored << "  " << std::left << std::setw(10)
          << (chunk.compressed() ? "yes" : "no") << std::right << "  "
          << Ratio(stored, chunk.fileSize()) << (chunk.hasMagic() ? "" : "  (no CHUN mark)")
          << "\n";
    }
  }
  return out.str();
}

}  // namespace saverpack

// Helpers shared by the builder's unit tests: a scratch folder that removes
// itself, file helpers and a complete, valid set of package contents.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "pack_error.h"
#include "package/constants_shared.h"
#include "package_writer.h"

namespace saverpack::testing {

// The message of the PackError that `f` throws, or "(no error)".
inline std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const PackError& e) {
    return e.what();
  }
  return "(no error)";
}

class ScratchDir {
 public:
  ScratchDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("saverpack-test-" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << file;
}

inline void WriteText(const std::filesystem::path& file, const std::string& text) {
  WriteFile(file, std::vector<uint8_t>(text.begin(), text.end()));
}

// Bytes that compress: text-like runs with some variation.
inline std::vector<uint8_t> TextBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> out(size);
  std::mt19937 gen(seed);
  const std::string words[] = {"saver ", "flash ", "movie ", "preview ", "\r\n", "install "};
  size_t i = 0;
  while (i < size) {
    for (char c : words[gen() % 6]) {
      if (i < size) out[i++] = static_cast<uint8_t>(c);
    }
  }
  return out;
}

// Bytes that do not compress.
inline std::vector<uint8_t> NoiseBytes(size_t size, uint32_t seed) {
  std::vector<uint8_t> out(size);
  std::mt19937 gen(seed);
  for (auto& b : out) b = static_cast<uint8_t>(gen());
  return out;
}

inline SlotContent Slot(std::string name, int32_t type, bool compressed,
                        std::vector<uint8_t> data) {
  SlotContent slot;
  slot.name = std::move(name);
  slot.type = type;
  slot.compressed = compressed;
  slot.data = std::move(data);
  return slot;
}

// A package as the installer expects it: Flash preview, no licence, no
// read-me, every required slot filled; slots 6, 9 and 10 compressed.
inline PackageContents TypicalContents() {
  PackageContents c;
  c.title = "Aqua";
  c.previewKind = saver::kPreviewFlash;
  c.openDisplayProperties = 1;
  c.slots[1] = Slot("impborl.dat", 3, false, NoiseBytes(1200, 1));
  c.slots[2] = Slot("flashax.exe", 3, false, NoiseBytes(3000, 2));
  c.slots[3] = Slot("installer.scf", 5, false, TextBytes(900, 3));
  c.slots[6] = Slot("Aqua.scr", 2, true, TextBytes(20000, 6));
  c.slots[7] = Slot("pattern.bmp", 5, false, NoiseBytes(77, 7));
  c.slots[8] = Slot("Aqua.ssd", 4, false, TextBytes(5000, 8));
  c.slots[9] = Slot("saver1.dll", 5, true, TextBytes(7000, 9));
  c.slots[10] = Slot("saver2.dll", 5, true, TextBytes(3000, 10));
  return c;
}

// A stub of `size` bytes (at least 90) whose headers say: a Windows program
// for `machine` with optional header `magic` and file `characteristics`.
// Layout: "MZ", the PE header's offset 0x40 at 0x3C, "PE\0\0" at 0x40,
// machine at 0x44, characteristics at 0x56, magic at 0x58.
inline std::vector<uint8_t> PeStub(size_t size, uint16_t machine = 0x014C, uint16_t magic = 0x010B,
                                   uint16_t characteristics = 0x0102) {
  std::vector<uint8_t> stub = NoiseBytes(size, 42);
  const auto put16 = [&](size_t at, uint16_t v) {
    stub[at] = static_cast<uint8_t>(v);
    stub[at + 1] = static_cast<uint8_t>(v >> 8);
  };
  put16(0, 0x5A4D);
  put16(0x3C, 0x40);
  put16(0x3E, 0);
  put16(0x40, 0x4550);
  put16(0x42, 0);
  put16(0x44, machine);
  put16(0x56, characteristics);
  put16(0x58, magic);
  return stub;
}

// PeStub with the installer stub's marker (saver::kStubMarker) inside.
inline std::vector<uint8_t> MarkedStub(size_t size, uint16_t machine = 0x014C,
                                       uint16_t magic = 0x010B) {
  std::vector<uint8_t> stub = PeStub(size, machine, magic);
  const std::string_view marker = saver::kStubMarker;
  std::copy(marker.begin(), marker.end(), stub.begin() + 0x100);
  return stub;
}

// A Flash movie's header ("FWS", version, u32 length) and `size` - 8 bytes.
inline std::vector<uint8_t> SwfBytes(size_t size, uint8_t version = 6) {
  std::vector<uint8_t> movie = TextBytes(size, 33);
  const uint8_t header[8] = {'F',
                             'W',
                             'S',
                             version,
                             static_cast<uint8_t>(size),
                             static_cast<uint8_t>(size >> 8),
                             static_cast<uint8_t>(size >> 16),
                             0};
  std::copy(header, header + 8, movie.begin());
  return movie;
}

// An i386 Windows program's headers followed by compressible bytes.
inline std::vector<uint8_t> EngineBytes(size_t size) {
  std::vector<uint8_t> engine = TextBytes(size, 66);
  const std::vector<uint8_t> headers = PeStub(0x60);
  std::copy(headers.begin(), headers.end(), engine.begin());
  return engine;
}

// A stub for in-memory builds, which do not look at its headers.
inline std::vector<uint8_t> StubBytes(size_t size) {
  std::vector<uint8_t> stub = NoiseBytes(size, 42);
  if (size >= 2) {
    stub[0] = 'M';
    stub[1] = 'Z';
  }
  return stub;
}

}  // namespace saverpack::testing

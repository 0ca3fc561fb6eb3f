// Reads the package behind an installer's program image and checks that its
// table describes entries inside the file (see package_writer.h for the
// layout).
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "package/dataStructures_shared.h"

namespace saverpack {

struct PackageInfo {
  saver::PackageDirectory directory;
  uint64_t fileSize = 0;
};

// Decodes the 3148 bytes at PackageOffset of a file of `fileSize` bytes and
// checks the table: every filled slot's type is 1..6, its bytes lie inside
// the file (endOffset may be startOffset - 1 for an empty file), its
// extracted size is not negative and, when stored, equals its stored length.
// Throws PackError("not a package: ...") naming the first fault.
PackageInfo ParsePackage(std::span<const uint8_t> headerAndTable, uint64_t fileSize);

// Reads and checks the package of an installer file.
PackageInfo ReadPackage(const std::filesystem::path& installer);

// The bytes of an entry as they stand in the file.
std::vector<uint8_t> ReadStoredBytes(const std::filesystem::path& installer,
                                     const saver::PackageEntry& entry);

// The entry's file as extracted: stored bytes, or the exploded stream, which
// must come out at exactly extractedSize bytes. Throws PackError otherwise.
std::vector<uint8_t> ExtractEntryBytes(const std::filesystem::path& installer,
                                       const saver::PackageEntry& entry);

// A human-readable listing: the header switches and title, then one row per
// slot with name, type, offsets, sizes, compression and ratio.
std::string FormatListing(const PackageInfo& info);

}  // namespace saverpack

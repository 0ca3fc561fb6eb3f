// What the builder refuses because the installer could not install it.
#include <limits>
#include <map>

#include "diagnostics.h"
#include "pack_error.h"
#include "package_writer.h"
#include "text_encoding.h"
#include "windows_names.h"

namespace saverpack {
namespace {

using saver::kPackageSlots;

constexpr int64_t kMaxFileSize = std::numeric_limits<int32_t>::max();
constexpr int64_t kDataStart = int64_t{saver::PackageOffset} + saver::kHeaderAndTableSize;

std::string SlotLabel(int slot) { return "slot " + std::to_string(slot); }

// A Windows-1252 name quoted for a message.
std::string Quoted(const std::string& name) {
  std::string quoted = "'";
  quoted += Windows1252ForDisplay(name);
  quoted += '\'';
  return quoted;
}

// Characters that cannot stand in a Windows file name or would lead out of
// the destination folder.
std::string Describe(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20) return "control character " + std::to_string(u);
  return std::string("'") + c + "'";
}

// The title names the saver folder ("TITLE dir"), the engine (TITLE.scr)
// and the uninstall entry.
void CheckTitle(const std::string& title) {
  if (title.empty()) {
    throw PackError("the package title is missing or empty (add 'title = NAME')");
  }
  if (title.size() > static_cast<size_t>(saver::kTitleSize)) {
    throw PackError("title is " + std::to_string(title.size()) + " bytes long; at most " +
                    std::to_string(saver::kTitleSize) + " are allowed (shorten it)");
  }
  for (char c : title) {
    if (saver::IsForbiddenNameChar(c)) {
      throw PackError("title contains " + Describe(c) +
                      ", which Windows refuses in the saver folder's name (remove it)");
    }
  }
  if (saver::IsReservedDeviceName(title)) {
    throw PackError("title " + Quoted(title) +
                    " is a reserved device name in Windows (CON, PRN, AUX, NUL, COM1-9, LPT1-9)");
  }
}

}  // namespace

void CheckSlotName(int slot, const std::string& name) {
  if (const auto problem = FileNameProblem(name)) {
    throw PackError(SlotLabel(slot) + " name " + Quoted(name) + " " + *problem);
  }
}

namespace {

// `key` is the manifest key that makes the slot necessary.
void RequireSlot(const PackageContents& c, int slot, const std::string& key,
                 const std::string& why) {
  if (!c.slots[slot]) {
    throw PackError(Located(c.places.Where(key), SlotLabel(slot) + " is missing: " + why +
                                                     " (add 'slot" + std::to_string(slot) +
                                                     " = FILE')"));
  }
}

void CheckRequiredSlots(const PackageContents& c) {
  RequireSlot(c, saver::kSlotCodecLibrary, "", "the decompression library is always needed");
  if (c.previewKind != saver::kPreviewSilent) {
    RequireSlot(c, saver::kSlotPreview, "preview_kind",
                "a preview is needed unless preview_kind is 4");
  }
  if (c.showLicence != 0)
    RequireSlot(c, saver::kSlotLicence, "show_licence", "show_licence is set");
  if (c.showReadMe != 0) RequireSlot(c, saver::kSlotReadMe, "show_readme", "show_readme is set");
  for (int slot = saver::kSlotEngine; slot < kPackageSlots; ++slot) {
    RequireSlot(c, slot, "", "slots 6 to 10 must all be filled");
  }
}

// The installer writes slot 1 as impborl.dll into the Windows folder and
// loads it to expand every compressed slot, so it can only be stored there.
void CheckCodecSlot(const SlotContent& codec, const ManifestPlaces& places) {
  const std::string why = " (the installer loads it as impborl.dll to expand the other slots)";
  if (codec.compressed) {
    throw PackError(
        Located(places.Where("slot1.compressed"), "slot 1 must be stored, not compressed" + why));
  }
  if (codec.type != saver::kTypeWindowsLibrary) {
    throw PackError(Located(places.Where("slot1.type"), "slot 1 must have entry type 3, not " +
                                                            std::to_string(codec.type) + why));
  }
  if (codec.name != "impborl.dat") {
    throw PackError(Located(places.Where("slot1.name"),
                            "slot 1 must be named 'impborl.dat', not " + Quoted(codec.name) + why));
  }
}

// `name` with its extension (from its last '.') replaced, or added.
std::string ChangeExtension(const std::string& name, const std::string& extension) {
  const size_t dot = name.rfind('.');
  return (dot == std::string::npos ? name : name.substr(0, dot)) + extension;
}

// Where the installer writes a slot, as (folder, name) in one string, with
// the name folded to upper case the way Windows compares names.
std::string Destination(int slot, const SlotContent& s, uint8_t previewKind) {
  std::string name = s.name;
  if (slot == saver::kSlotPreview && previewKind == saver::kPreviewBitmap) {
    name = ChangeExtension(name.size() > 255 - 4 ? name.substr(0, 251) : name, ".BMP");
  }
  std::string folder = "the saver folder";
  if (s.type == saver::kTypeWindowsFolder) folder = "the Windows folder";
  if (s.type == saver::kTypeWindowsLibrary) {
    folder = "the Windows folder";
    if (name != "flashax.exe") name = ChangeExtension(name, ".dll");
  }
  name = WindowsFolded(name);
  return folder + " as '" + Windows1252ForDisplay(name) + "'";
}

void CheckDestinations(const PackageContents& c) {
  std::map<std::string, int> taken;
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    if (!c.slots[slot]) continue;
    const auto [it, fresh] = taken.emplace(Destination(slot, *c.slots[slot], c.previewKind), slot);
    if (!fresh) {
      const std::string key = "slot" + std::to_string(slot);
      throw PackError(Located(c.places.WhereAny({key + ".name", key}),
                              "slots " + std::to_string(it->second) + " and " +
                                  std::to_string(slot) + " would both be installed to " +
                                  it->first + " (names compared as Windows does, ignoring " +
                                  "case; give one another name)"));
    }
  }
}

}  // namespace

void CheckContents(const PackageContents& contents) {
  const ManifestPlaces& places = contents.places;
  AtPlace(places.Where("title"), [&] { CheckTitle(contents.title); });
  CheckRequiredSlots(contents);
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    if (!contents.slots[slot]) continue;
    const std::string key = "slot" + std::to_string(slot);
    AtPlace(places.WhereAny({key + ".name", key}),
            [&] { CheckSlotName(slot, contents.slots[slot]->name); });
    const int32_t type = contents.slots[slot]->type;
    const std::string& name = contents.slots[slot]->name;
    const bool inWindowsFolder =
        type == saver::kTypeWindowsFolder || type == saver::kTypeWindowsLibrary;
    if (const auto problem = inWindowsFolder ? WindowsFolderPathProblem(name)
                                             : SaverFolderPathProblem(contents.title, name)) {
      throw PackError(Located(places.WhereAny({key + ".name", key}),
                              SlotLabel(slot) + " name " + Quoted(name) + " " + *problem));
    }
    if (type < saver::kTypeSaverFolder1 || type > saver::kTypeInstallerImage) {
      throw PackError(Located(
          places.Where(key + ".type"),
          SlotLabel(slot) + " has entry type " + std::to_string(type) + "; types run from 1 to 6"));
    }
  }
  CheckCodecSlot(*contents.slots[saver::kSlotCodecLibrary], places);
  CheckDestinations(contents);
}

void CheckEntrySizes(const PackageContents& contents) {
  int64_t storedTotal = kDataStart;
  for (int slot = 1; slot < kPackageSlots; ++slot) {
    const auto& s = contents.slots[slot];
    if (!s) continue;
    if (s->size() > static_cast<uint64_t>(kMaxFileSize)) {
      throw PackError(Located(contents.places.Where("slot" + std::to_string(slot)),
                              SlotLabel(slot) + " file '" + s->file.string() + "' has " +
                                  std::to_string(s->size()) +
                                  " bytes; an entry holds at most 2147483647 " +
                                  "(the package's offsets are signed 32-bit)"));
    }
    if (!s->compressed) storedTotal += static_cast<int64_t>(s->size());
  }
  if (storedTotal > kMaxFileSize) {
    throw PackError("the stored slots make an installer of " + std::to_string(storedTotal) +
                    " bytes; at most 2147483647 are possible (the package's offsets are " +
                    "signed 32-bit)");
  }
}

void CheckStubSize(uintmax_t size) {
  if (size > static_cast<uintmax_t>(saver::PackageOffset)) {
    throw PackError("the stub is " + std::to_string(size) + " bytes; at most " +
                    std::to_string(saver::PackageOffset) + " fit before the package");
  }
}

}  // namespace saverpack

// What the slots' files are: refusals of files the installer cannot use for
// their slot, and warnings about packages that will probably not work on
// the user's machine. Only the first bytes of a file are read here.
#include <algorithm>

#include "data_file.h"
#include "file_io.h"
#include "file_kinds.h"
#include "pack_error.h"
#include "package_writer.h"
#include "text_encoding.h"
#include "windows_names.h"

namespace saverpack {
namespace {

// The installer window's preview area, and the most a licence box shows
// quickly on every Windows (the multi-line edit control of the older ones
// holds 64 KB).
constexpr int32_t kPreviewWidth = 350;
constexpr int32_t kPreviewHeight = 150;
constexpr uint64_t kLicenceLimit = 64 * 1024;

std::string Key(int slot) { return "slot" + std::to_string(slot); }

std::vector<uint8_t> HeadOf(const SlotContent& s) {
  if (!s.file.empty()) {
    return ReadFileRange(s.file, 0, std::min<uint64_t>(s.fileSize, kHeadSize));
  }
  return {s.data.begin(),
          s.data.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(s.data.size(), kHeadSize))};
}

// "slot 3 file 'x.png'" or "slot 3" for contents made in memory.
std::string FileLabel(int slot, const SlotContent& s) {
  std::string label = "slot " + std::to_string(slot);
  if (!s.file.empty()) label += " file '" + s.file.string() + "'";
  return label;
}

std::string ShownName(const SlotContent& s) {
  return s.file.empty() ? std::string("preview") : s.file.filename().string();
}

// The command that makes a bitmap the installer can show from any image.
std::string ConvertCommand(const SlotContent& s) {
  const std::string name = ShownName(s);
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
  const bool bitmap = dot != std::string::npos && WindowsFolded(name.substr(dot)) == ".BMP";
  return "convert '" + name + "' -resize 350x150! -type truecolor BMP3:'" + stem +
         (bitmap ? "-24" : "") + ".bmp'";
}

void CheckBitmapPreview(const PackageContents& c, const SlotContent& s, Warnings& warnings) {
  const std::string where = c.places.Where(Key(3));
  const std::vector<uint8_t> head = HeadOf(s);
  const BitmapResult bitmap = ReadBitmapHeader(head);
  const std::string label = FileLabel(3, s);
  if (!bitmap.info) {
    const auto format = DescribeFormat(head);
    std::string what;
    if (format && format->find("SWF") != std::string::npos) {
      what = label + " is " + *format + ", not a bitmap: preview_kind 1 shows a bitmap (set " +
             "'preview_kind = 2' for a movie preview)";
    } else if (format && *format == "a bitmap (BMP)") {
      what =
          label + " is a bitmap Windows cannot load: " + bitmap.problem +
          "; the user would see \"Bitmap image is not valid\" (convert it: " + ConvertCommand(s) +
          ")";
    } else {
      what = label + " is " + format.value_or("not a bitmap (" + bitmap.problem + ")") +
             ", but preview_kind 1 needs a BMP bitmap; the user would see \"Bitmap image is not " +
             "valid\" (convert it: " + ConvertCommand(s) + ")";
    }
    throw PackError(Located(where, what));
  }
  if (bitmap.info->width != kPreviewWidth || bitmap.info->height != kPreviewHeight) {
    warnings.Add(where, "slot 3 bitmap is " + std::to_string(bitmap.info->width) + " x " +
                            std::to_string(bitmap.info->height) +
                            " pixels; the installer's preview area is 350 x 150 (resize it: " +
                            ConvertCommand(s) + ")");
  }
}

void CheckMoviePreview(const PackageContents& c, const SlotContent& s, Warnings& warnings) {
  const std::string where = c.places.Where(Key(3));
  const std::vector<uint8_t> head = HeadOf(s);
  const SwfResult swf = ReadSwfHeader(head);
  const std::string label = FileLabel(3, s);
  const std::string kind = std::to_string(c.previewKind);
  if (!swf.problem.empty()) {
    const auto format = DescribeFormat(head);
    std::string what;
    if (format && *format == "a bitmap (BMP)") {
      what = label + " is a bitmap, but preview_kind " + kind + " plays a Flash movie (set " +
             "'preview_kind = 1' for a bitmap preview)";
    } else if (format && format->find("image") != std::string::npos) {
      what = label + " is " + *format + ", but preview_kind " + kind +
             " plays a Flash movie (SWF); for a picture set 'preview_kind = 1' and convert it: " +
             ConvertCommand(s);
    } else {
      what = label + " is not a Flash movie the control can play: " + swf.problem +
             " (preview_kind " + kind + " needs an SWF starting with FWS or CWS)";
    }
    throw PackError(Located(where, what));
  }
  if (swf.version > kInstallerFlashVersion) {
    warnings.Add(where, "slot 3 movie is SWF version " + std::to_string(swf.version) +
                            "; the installer accepts Flash 6 and later, so on a computer with " +
                            "an older control than " + std::to_string(swf.version) +
                            " the preview may not play (publish it for Flash 6)");
  }
}

// The product's stub is i386, and so must the engine be. A stub for x86-64
// (the test build for 64-bit-only Windows) takes either: 64-bit Windows
// runs both.
void CheckEngine(const PackageContents& c, const SlotContent& s, const PeHeader& stub) {
  const bool wide = stub.IsX64();
  const std::string wanted =
      wide ? "a Windows program (PE, i386 or x86-64)" : "a 32-bit Windows program (PE, i386)";
  const std::vector<uint8_t> head = HeadOf(s);
  const PeResult pe = ReadPeHeader(head);
  std::string why;
  if (!pe.header) {
    const auto format = DescribeFormat(head);
    why = format && pe.problem != "it is empty" ? "it is " + *format : pe.problem;
  } else if (!pe.header->IsI386() && !(wide && pe.header->IsX64())) {
    why = "it is for " + DescribeMachine(*pe.header);
  } else if (pe.header->IsDll()) {
    why = "it is a DLL";
  } else if (!pe.header->IsExecutable()) {
    why = "it is not marked executable";
  }
  if (why.empty()) return;
  throw PackError(Located(
      c.places.Where(Key(6)),
      FileLabel(6, s) + " is not " + wanted + ": " + why +
          ". It would become the system's screen saver, and its uninstall command (the engine " +
          "with /u) would fail, so the user could not uninstall; give slot 6 the screen saver " +
          "engine (.scr)"));
}

// A data file that copies the preview movie into record 1 needs the movie
// in the saver folder as installer.scf: a movie preview of that name, in a
// package with a window (a silent one extracts no preview).
void CheckDataFile(const PackageContents& c, const SlotContent& s) {
  int32_t mode = 0;
  std::string where = c.places.Where(Key(8));
  if (s.dataFile) {
    CheckDataContents(*s.dataFile, c.title);
    mode = s.dataFile->header.firstRecordMode();
    where = s.dataFile->places.Where("first_record_mode");
  } else if (s.size() >= static_cast<uint64_t>(saver::kSaverDataHeaderSize)) {
    saver::SaverDataHeader header;
    const std::vector<uint8_t> bytes =
        !s.file.empty()
            ? ReadFileRange(s.file, 0, header.bytes.size())
            : std::vector<uint8_t>(s.data.begin(), s.data.begin() + header.bytes.size());
    std::copy(bytes.begin(), bytes.end(), header.bytes.begin());
    mode = header.firstRecordMode();
  }
  if (mode != saver::kFirstRecordCopiesPreview) return;
  const bool movie =
      c.previewKind == saver::kPreviewFlash || c.previewKind == saver::kPreviewFlashAlt;
  const bool named =
      c.slots[3] && WindowsFolded(c.slots[3]->name) == WindowsFolded(saver::kPreviewMovieName);
  if (movie && named) return;
  throw PackError(Located(
      where, "first_record_mode 3 copies the preview movie installer.scf into record 1, but " +
                 std::string(movie ? "slot 3 is not named installer.scf"
                                   : "this package's preview is not a movie (preview_kind " +
                                         std::to_string(c.previewKind) + ")") +
                 ": the installer would stop with error -532 (use a movie preview named " +
                 "installer.scf, or another first_record_mode)"));
}

void WarnAboutSwitches(const PackageContents& c, Warnings& warnings) {
  const ManifestPlaces& at = c.places;
  const bool silent = c.previewKind == saver::kPreviewSilent;
  if (!c.slots[saver::kSlotFlashInstaller]) {
    warnings.Add(at.Where({}),
                 "slot 2 (the Flash runtime installer flashax.exe) is empty: on a computer "
                 "without Flash 6 or later the installer stops with error -402 before "
                 "installing, whatever preview_kind is (add 'slot2 = flashax.exe')");
  }
  if (c.previewKind < saver::kPreviewBitmap || c.previewKind > saver::kPreviewSilent) {
    warnings.Add(at.Where("preview_kind"),
                 "preview_kind " + std::to_string(c.previewKind) +
                     " shows no preview; 1 shows a bitmap, 2 or 3 a Flash movie, 4 installs "
                     "silently");
  }
  if (c.showLicence != 0 && silent) {
    warnings.Add(at.Where("show_licence"),
                 "show_licence is set, but a silent package (preview_kind 4) shows no licence "
                 "(drop show_licence, or choose another preview_kind)");
  }
  if (c.slots[saver::kSlotLicence] && c.showLicence == 0) {
    warnings.Add(at.Where(Key(4)),
                 "slot 4 (the licence) is never shown: show_licence is 0 "
                 "(set 'show_licence = 1' or drop slot 4)");
  }
  if (c.slots[saver::kSlotReadMe] && c.showReadMe == 0) {
    warnings.Add(at.Where(Key(5)),
                 "slot 5 (the read-me) is never installed or opened: "
                 "show_readme is 0 (set 'show_readme = 1' or drop slot 5)");
  }
  const auto& licence = c.slots[saver::kSlotLicence];
  if (licence && c.showLicence != 0 && !silent && licence->size() > kLicenceLimit) {
    warnings.Add(at.Where(Key(4)),
                 "slot 4 licence has " + std::to_string(licence->size()) +
                     " bytes; the licence box holds 64 KB on older Windows and shows a long "
                     "text slowly (a 1 MB licence takes seconds): shorten it, and put the rest "
                     "in the read-me");
  }
}

}  // namespace

void CheckSlotFiles(const PackageContents& c, const PeHeader& machine, Warnings& warnings) {
  const auto& preview = c.slots[saver::kSlotPreview];
  if (preview && c.previewKind == saver::kPreviewBitmap) {
    CheckBitmapPreview(c, *preview, warnings);
  }
  if (preview &&
      (c.previewKind == saver::kPreviewFlash || c.previewKind == saver::kPreviewFlashAlt)) {
    CheckMoviePreview(c, *preview, warnings);
  }
  if (const auto& engine = c.slots[saver::kSlotEngine]) CheckEngine(c, *engine, machine);
  if (const auto& data = c.slots[saver::kSlotSaverData]) CheckDataFile(c, *data);
  WarnAboutSwitches(c, warnings);
}

}  // namespace saverpack

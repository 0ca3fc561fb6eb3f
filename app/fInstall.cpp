// Start-up: the preparation sequence and the window's close handling.
#include "fInstall.h"

#include "dataFunctions_shared.h"
#include "step_codes.h"
#include "string_ids.h"

namespace app {
namespace {

// The caption prefix: eight bytes whose first is NUL. The window system keeps
// a title only up to its first NUL, so the title bar and the task bar entry
// stay empty whatever the package title is.
const std::string kCaptionPrefix("\0Install", 8);

// The memo shows lines; an EDIT control breaks lines at CR LF only.
std::string MemoText(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

}  // namespace

TInstallerForm::TInstallerForm(os::Platform& platform, InstallerView& view)
    : platform_(platform), view_(view) {}

TInstallerForm::~TInstallerForm() = default;

void TInstallerForm::FormCreate() { PrepareInstaller(); }

void TInstallerForm::PrepareInstaller() {
  int32_t code = kOk;
  bool silent = false;
  installBusy = false;
  filesCounter = 0;
  showLicence = 0;
  showReadMe = 0;
  PrepareWorkingFolders();
  code = MakeWorkingCopy();
  if (code == kOk) code = ReadPackageTable();
  if (code == kOk) {
    PrepareSaverFolder();
    // A run of an installer for this saver folder that was killed half-way
    // is undone before this run writes anything there.
    RecoverInterruptedInstall();
    previewKind = package.header.previewKind();
  }
  if (code == kOk) {
    showReadMe = package.header.showReadMe();
    if (showReadMe) code = ExtractReadMe();
  }
  if (code == kOk) code = FlashRuntimeCheck();
  if (code == kOk) {
    if (previewKind == saver::kPreviewSilent) {
      silent = true;
      code = InstallSilently();
    } else {
      view_.SetCaption(kCaptionPrefix + package.header.title());
    }
  }
  if (code == kOk && !silent) ApplyLicenceMode(code);
  if (code == kOk && !silent) code = ExtractPreview();
  if (code == kOk && !silent) {
    // A preview picture that cannot be read stops the preparation here; the
    // window then opens as far as it was prepared.
    if (!ApplyPreviewMode()) return;
  }
  if (code == kOk && !silent) {
    view_.SetProgressMax(10);
    view_.SizeWindow();
  }
  view_.SetCursor(CursorKind::kDefault);
  if (code != kOk) {
    // The install manifest is temporary: a preparation that ends here
    // leaves none behind.
    settings.reset();
    if (!settingsPath.empty()) DeleteExistingOnce(settingsPath, false);
    view_.MessageBox(Text(kStrInstallerCorrupted) + std::to_string(code) + ". ", BoxIcon::kError);
    view_.CloseWindow();
    view_.Terminate();
    return;
  }
  if (silent) {
    view_.CloseWindow();
    view_.Terminate();
  }
}

// Every failure of the Flash runtime check ends as -402.
int32_t TInstallerForm::FlashRuntimeCheck() {
  int32_t code = kOk;
  if (setup::FlashRuntimeVersion(platform_) < kFlashVersion6) {
    code = ExtractFlashInstaller();
    if (code == kOk) code = setup::RunFlashInstaller(platform_, windowsFolder);
  }
  const bool available = code == kOk && setup::FlashControlAvailable(platform_);
  return available ? kOk : kErrNoFlashControl;
}

void TInstallerForm::ApplyLicenceMode(int32_t& code) {
  showLicence = package.header.showLicence();
  if (!showLicence) {
    view_.ApplyNoLicenceMode();
    return;
  }
  code = ExtractLicence();
  if (code != kOk) return;
  const std::string path = saverFolder + package.table[saver::kSlotLicence].name();
  try {
    auto stream = platform_.OpenRead(path);
    std::string text(static_cast<size_t>(stream->Size()), '\0');
    text.resize(stream->Read(text.data(), static_cast<uint32_t>(text.size())));
    view_.ApplyLicenceMode(MemoText(text));
  } catch (const os::IoError& e) {
    code = e.code();
    ShowInstallError(code, path);
  }
}

bool TInstallerForm::ApplyPreviewMode() {
  const std::string path = saverFolder + package.table[saver::kSlotPreview].name();
  switch (previewKind) {
    case saver::kPreviewBitmap:
      if (view_.ShowBitmapPreview(path)) return true;
      view_.MessageBox("Bitmap image is not valid.\r\n\r\nFile: " + path, BoxIcon::kError);
      return false;
    case saver::kPreviewFlash:
    case saver::kPreviewFlashAlt:
      view_.ShowMoviePreview(path);
      return true;
    default:
      return true;
  }
}

void TInstallerForm::FormClose() {
  if (previewKind != saver::kPreviewSilent) view_.CloseMovie();
  DeleteExistingOnce(workingCopy, false);
}

void TInstallerForm::declineBtnClick() { view_.CloseWindow(); }

}  // namespace app

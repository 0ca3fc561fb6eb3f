// The movie panel: opening, closing and activating the preview movie, and the
// movie's commands.
#include "FlashPanel.h"

#include <cstring>
#include <exception>

namespace flash {
namespace {

// Upper-cases the letters a to z only; every other byte stays as it is.
std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

}  // namespace

TFlashPanel::TFlashPanel(PanelWindow& window, FlashControlFactory& controls)
    : window_(window), controls_(controls) {
  window_.SetColor(kBlack);
}

// The hosted control goes with the panel, without being stopped first.
TFlashPanel::~TFlashPanel() = default;

void TFlashPanel::OpenMovie(const std::string& path) {
  if (path.empty() || path == swfFilename) return;
  swfFilename = path;
  // A control that could not be stopped stays hosted; CreateFlash then
  // finds it and the new movie is loaded into it.
  ReleaseFlash();
  if (CreateFlash() == 0) StartMovie();
}

void TFlashPanel::CloseMovie() {
  ReleaseFlash();
  window_.SetColor(kBlack);
  swfFilename.clear();
}

void TFlashPanel::ActivateMovie() {
  try {
    if (!window_.Visible() || !control_) return;
    window_.Invalidate();
    window_.Focus();
    control_->Focus();
  } catch (const std::exception&) {
    // A panel or control that cannot take the focus keeps the movie as it is.
  }
}

// The control is destroyed (and the reference cleared) before the one window
// message is handled, so an error there never leaves a reference to a
// destroyed control.
int32_t TFlashPanel::ReleaseFlash() {
  if (!control_) return 0;
  try {
    control_->StopPlay();
    control_.reset();
    window_.HandleMessage();
  } catch (const std::exception&) {
    return kErrFlashNotReleased;
  }
  return 0;
}

int32_t TFlashPanel::CreateFlash() {
  for (int attempts = 0; attempts < kCreateAttempts && !control_;) {
    ++attempts;
    try {
      control_ = controls_.Create();
      Configure(*control_);
    } catch (const std::exception&) {
      // A failed creation leaves no control and the loop tries again; a
      // failed setting leaves the control with the remaining settings unset.
    }
  }
  return control_ ? 0 : kErrFlashNotCreated;
}

// Settings of a new control, in this order; the control keeps the panel's
// size of this moment.
void TFlashPanel::Configure(FlashControl& control) {
  control.PlaceIn(window_.Handle(), window_.Width(), window_.Height());
  control.SetFSCommandHandler([this](const std::string& command, const std::string& args) {
    FlashFSCommand(command, args);
  });
  control.SetScaleMode(0);
  control.SetVariable("Align", "AlClient");
  control.SetWMode("Opaque");
  control.SetMenu(false);
}

void TFlashPanel::StartMovie() {
  control_->SetMovie(swfFilename);
  control_->Play();
}

void TFlashPanel::SetAllowScale(int32_t value) {
  if (value != allowScale_) allowScale_ = value;
}

// ALLOWSCALE (any letter case) with an argument whose first four characters
// are TRUE in any letter case sets the allow-scale state to 1, with any other
// argument to 0; only while enableAllowScale is set. Every other command is
// ignored.
void TFlashPanel::FlashFSCommand(const std::string& command, const std::string& args) {
  if (UpperAscii(command) != "ALLOWSCALE" || !enableAllowScale) return;
  // At most four characters are compared, up to the first NUL as the
  // 8-bit string ends there.
  const bool isTrue = std::strncmp(UpperAscii(args).c_str(), "TRUE", 4) == 0;
  SetAllowScale(isTrue ? 1 : 0);
}

}  // namespace flash

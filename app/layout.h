// The installer window's geometry: its stored controls and the arithmetic
// that sizes the window and places the controls when it is resized.
//
// Everything here is in pixels at 96 dots per inch; the window is not
// rescaled for other screen densities. The Win32 window (app/win32) creates
// its controls from `kControls` and asks `FormResize` where to put them on
// every size change.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace app::layout {

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  constexpr int right() const { return left + width; }
  constexpr int bottom() const { return top + height; }
  constexpr bool operator==(const Rect&) const = default;
};

struct Size {
  int width = 0;
  int height = 0;
  constexpr bool operator==(const Size&) const = default;
};

// The controls of the window, in creation order.
enum class ControlId {
  kLicenseScrollBox,
  kContentPanel,
  kBmpPanel,
  kMoviePanel1,
  kButtonPanel,
  kLabFile,
  kLabCopying,
  kDeclineBtn,
  kInstallBtn,
  kProgressBar,
};

enum class ControlKind { kMemo, kPanel, kImage, kMoviePanel, kLabel, kButton, kProgressBar };

struct StoredControl {
  ControlId id;
  std::string_view name;
  ControlKind kind;
  std::optional<ControlId> parent;  // empty: the window itself
  Rect rect;                        // relative to the parent's client area
  bool visibleAtStart;
  std::string_view caption;
};

// Stored window bounds (left, top, width, height) and its design-time client area.
inline constexpr Rect kStoredBounds{315, 283, 360, 347};
inline constexpr Size kDesignClient{352, 320};

// `SizeWindow` sets this width; licence mode allows no smaller window than kMinTrackSize.
inline constexpr int kWindowWidth = 359;
inline constexpr Size kMinTrackSize{359, 340};
inline constexpr int kLicenceMemoMinHeight = 103;

// Font of the window and its controls.
inline constexpr std::string_view kFontFace = "MS Sans Serif";
inline constexpr int kFontHeight = -11;

// pauseTimer: interval in milliseconds. progressBar: stored range and step.
inline constexpr unsigned kPauseTimerInterval = 1000;
inline constexpr int kProgressStoredMax = 100;
inline constexpr int kProgressStep = 1;

// A later control of the same parent lies above an earlier one.
inline constexpr std::array<StoredControl, 10> kControls{{
    {ControlId::kLicenseScrollBox,
     "licenseScrollBox",
     ControlKind::kMemo,
     std::nullopt,
     {0, 153, 350, 105},
     true,
     ""},
    {ControlId::kContentPanel,
     "contentPanel",
     ControlKind::kPanel,
     std::nullopt,
     {0, 0, 352, 152},
     true,
     ""},
    {ControlId::kBmpPanel,
     "bmpPanel",
     ControlKind::kImage,
     ControlId::kContentPanel,
     {1, 1, 350, 150},
     true,
     ""},
    {ControlId::kMoviePanel1,
     "moviePanel1",
     ControlKind::kMoviePanel,
     ControlId::kContentPanel,
     {1, 1, 350, 150},
     true,
     ""},
    {ControlId::kButtonPanel,
     "buttonPanel",
     ControlKind::kPanel,
     std::nullopt,
     {0, 256, 350, 63},
     true,
     ""},
    {ControlId::kLabFile,
     "labFile",
     ControlKind::kLabel,
     ControlId::kButtonPanel,
     {-1, 2, 190, 18},
     false,
     ""},
    {ControlId::kLabCopying,
     "labCopying",
     ControlKind::kLabel,
     ControlId::kButtonPanel,
     {1, 3, 419, 13},
     false,
     ""},
    {ControlId::kDeclineBtn,
     "declineBtn",
     ControlKind::kButton,
     ControlId::kButtonPanel,
     {2, 36, 78, 25},
     false,
     "&Decline"},
    {ControlId::kInstallBtn,
     "installBtn",
     ControlKind::kButton,
     ControlId::kButtonPanel,
     {241, 36, 107, 25},
     true,
     "&Install"},
    {ControlId::kProgressBar,
     "progressBar",
     ControlKind::kProgressBar,
     ControlId::kButtonPanel,
     {1, 20, 347, 11},
     true,
     ""},
}};

constexpr const StoredControl& Control(ControlId id) { return kControls[static_cast<int>(id)]; }

// What `FitWindowHeight` needs to know about the window as it is now.
struct WindowMetrics {
  int windowHeight = 0;  // outer height, frame included
  int clientHeight = 0;
  bool licenceShown = false;
  int licenceMemoHeight = 0;
};

// The client height the window's content needs: preview area and button
// strip, plus the licence memo and its 4-pixel gaps when the licence is shown.
int ContentHeight(bool licenceShown, int licenceMemoHeight);

// The outer window height that gives the content its client height: the
// current frame (outer minus client height) plus `ContentHeight`.
int FitWindowHeight(const WindowMetrics& metrics);

// Where the resize rule puts the controls it moves, for a client area.
struct ResizedLayout {
  Rect contentPanel;
  Rect licenseScrollBox;
  Rect buttonPanel;
  Rect installBtn;   // relative to buttonPanel
  Rect progressBar;  // relative to buttonPanel
};

// The resize rule: the strip fills the bottom 63 pixels, the memo takes the
// height between preview and strip (never below its minimum, the strip then
// covering its lower part), installBtn keeps its distance to the strip's
// right edge and progressBar stretches with the strip.
ResizedLayout FormResize(Size client);

}  // namespace app::layout

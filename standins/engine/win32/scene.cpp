#include "scene.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "flash_host.h"
#include "handles.h"
#include "scene_choice.h"

namespace engine::win32 {
namespace {

using os::win32::UniqueBitmap;
using os::win32::UniqueFont;
using UniqueBrush = os::win32::UniqueResource<os::win32::GdiObjectTraits<HBRUSH>>;

// A memory device context holding `bitmap` for the scope.
class BitmapDc {
 public:
  BitmapDc(HDC compatible, HBITMAP bitmap)
      : dc_(CreateCompatibleDC(compatible)), old_(dc_ ? SelectObject(dc_, bitmap) : nullptr) {}
  ~BitmapDc() {
    if (!dc_) return;
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  BitmapDc(const BitmapDc&) = delete;
  BitmapDc& operator=(const BitmapDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

void FillBackground(HDC dc, Extent area, COLORREF colour) {
  const UniqueBrush brush(CreateSolidBrush(colour));
  const RECT all{0, 0, area.width, area.height};
  FillRect(dc, &all, brush.Get());
}

UniqueFont TextFont(Extent area) {
  const int height = std::max(8, area.height / 10);
  return UniqueFont(CreateFontA(-height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                DEFAULT_PITCH | FF_SWISS, "Arial"));
}

// A text gliding across the background: the settings' text, else the title.
class TextLayer {
 public:
  TextLayer(const EngineContext& context, double scale)
      : text_(context.settings.text.empty() ? context.title : context.settings.text),
        colour_(context.settings.textColour),
        bouncer_({1, 1}, {1, 1}, Speed(context, scale)) {}

  static uint32_t Speed(const EngineContext& context, double scale) {
    return std::max<uint32_t>(1, static_cast<uint32_t>(context.settings.speed * scale));
  }

  void Resize(Extent area) {
    font_ = TextFont(area);
    bouncer_.Resize(area, Measure());
  }
  void Advance(uint32_t elapsedMs) { bouncer_.Advance(elapsedMs); }
  void Paint(HDC dc) const {
    const HGDIOBJ old = SelectObject(dc, font_.Get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour_);
    const Point at = bouncer_.Position();
    TextOutA(dc, at.x, at.y, text_.c_str(), static_cast<int>(text_.size()));
    SelectObject(dc, old);
  }

 private:
  Extent Measure() const {
    HDC screen = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(screen, font_.Get());
    SIZE size{};
    GetTextExtentPoint32A(screen, text_.c_str(), static_cast<int>(text_.size()), &size);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return Extent{size.cx, size.cy};
  }

  std::string text_;
  COLORREF colour_;
  UniqueFont font_;
  Bouncer bouncer_;
};

class DrawnScene : public Scene {
 public:
  DrawnScene(const EngineContext& context, double scale)
      : background_(context.settings.background), text_(context, scale) {}
  void Resize(Extent area) override { text_.Resize(area); }
  void Advance(uint32_t elapsedMs) override { text_.Advance(elapsedMs); }
  void Paint(HDC dc, Extent area) override {
    FillBackground(dc, area, background_);
    text_.Paint(dc);
  }

 private:
  COLORREF background_;
  TextLayer text_;
};

// The picture gliding across the background, shrunk to fit the area (and
// by `scale`), with the text over it when the settings ask for it.
class BitmapScene : public Scene {
 public:
  BitmapScene(const EngineContext& context, UniqueBitmap bitmap, double scale)
      : background_(context.settings.background),
        withText_((context.settings.flags & saver::kFlagTextOverPicture) != 0),
        scale_(scale),
        bitmap_(std::move(bitmap)),
        bouncer_({1, 1}, {1, 1}, TextLayer::Speed(context, scale)),
        text_(context, scale) {
    BITMAP info{};
    GetObjectA(bitmap_.Get(), sizeof info, &info);
    native_ = Extent{info.bmWidth, std::abs(info.bmHeight)};
  }

  bool Usable() const { return native_.width > 0 && native_.height > 0; }

  void Resize(Extent area) override {
    const double fit = std::min({1.0, static_cast<double>(area.width) / (native_.width * scale_),
                                 static_cast<double>(area.height) / (native_.height * scale_)});
    shown_ = Extent{std::max(1, static_cast<int>(native_.width * scale_ * fit)),
                    std::max(1, static_cast<int>(native_.height * scale_ * fit))};
    bouncer_.Resize(area, shown_);
    text_.Resize(area);
  }
  void Advance(uint32_t elapsedMs) override {
    bouncer_.Advance(elapsedMs);
    text_.Advance(elapsedMs);
  }
  void Paint(HDC dc, Extent area) override {
    FillBackground(dc, area, background_);
    const BitmapDc source(dc, bitmap_.Get());
    const Point at = bouncer_.Position();
    SetStretchBltMode(dc, HALFTONE);
    StretchBlt(dc, at.x, at.y, shown_.width, shown_.height, source.Get(), 0, 0, native_.width,
               native_.height, SRCCOPY);
    if (withText_) text_.Paint(dc);
  }

 private:
  COLORREF background_;
  bool withText_;
  double scale_;
  UniqueBitmap bitmap_;
  Extent native_;
  Extent shown_;
  Bouncer bouncer_;
  TextLayer text_;
};

// The movie played by the Shockwave Flash control, a child filling the
// window: the control draws and times it itself, so the scene only paints
// the background the control does not cover. The control shows the whole
// movie scaled to its size, without its context menu.
class MovieScene : public Scene {
 public:
  MovieScene(const EngineContext& context, std::unique_ptr<flash::FlashControlFactory> controls,
             std::unique_ptr<flash::FlashControl> control, std::string path)
      : background_(context.settings.background),
        controls_(std::move(controls)),
        control_(std::move(control)),
        path_(std::move(path)) {}

  void ShowIn(HWND window, Extent area) override {
    try {
      control_->PlaceIn(reinterpret_cast<flash::WindowHandle>(window), area.width, area.height);
      control_->SetScaleMode(kShowAll);
      control_->SetMenu(false);
      control_->SetMovie(path_);
      control_->Play();
    } catch (const flash::ControlError&) {
      // A control that refuses its window or movie shows the background.
    }
  }
  void Resize(Extent) override {}
  void Advance(uint32_t) override {}
  void Paint(HDC dc, Extent area) override { FillBackground(dc, area, background_); }

 private:
  static constexpr int32_t kShowAll = 0;

  COLORREF background_;
  std::unique_ptr<flash::FlashControlFactory> controls_;  // outlives the control
  std::unique_ptr<flash::FlashControl> control_;
  std::string path_;
};

// A control for the movie; null when none can be created.
std::unique_ptr<Scene> MakeMovieScene(const EngineContext& context, const std::string& path) {
  auto controls = os::win32::NewFlashControlFactory();
  try {
    auto control = controls->Create();
    return std::make_unique<MovieScene>(context, std::move(controls), std::move(control), path);
  } catch (const flash::ControlError&) {
    return nullptr;
  }
}

UniqueBitmap LoadBitmapFile(const std::string& path) {
  return UniqueBitmap(static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                                                      LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::unique_ptr<Scene> MakeScene(const EngineContext& context, double scale) {
  SceneChoice choice = ChooseScene(context.saverFolder, context.settings.picture, true, FileExists);
  if (choice.kind == SceneKind::kMovie) {
    if (auto movie = MakeMovieScene(context, choice.path)) return movie;
    choice = ChooseScene(context.saverFolder, context.settings.picture, false, FileExists);
  }
  if (choice.kind == SceneKind::kBitmap) {
    if (UniqueBitmap bitmap = LoadBitmapFile(choice.path)) {
      auto scene = std::make_unique<BitmapScene>(context, std::move(bitmap), scale);
      if (scene->Usable()) return scene;
    }
  }
  return std::make_unique<DrawnScene>(context, scale);
}

bool CanPlayMovies() {
  try {
    return os::win32::NewFlashControlFactory()->Create() != nullptr;
  } catch (const flash::ControlError&) {
    return false;
  }
}

}  // namespace engine::win32

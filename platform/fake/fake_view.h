// A recording stand-in for the installer window in the native unit tests.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "installer_view.h"

namespace fake {

struct Box {
  std::string text;
  app::BoxIcon icon;
};

class FakeView : public app::InstallerView {
 public:
  std::vector<Box> boxes;
  std::vector<std::string> statusTexts;
  std::vector<std::string> events;  // every call, in order, for sequence checks
  int progress = 0;
  int progressMax = 100;
  int pauses = 0;
  std::string caption = "unset";
  std::string licenceText;
  bool licenceMode = false;
  bool noLicenceMode = false;
  std::string bitmapPath, moviePath;
  bool bitmapLoads = true;
  bool sized = false, hidden = false, closed = false, terminated = false;
  bool installEnabled = true, declineEnabled = true;
  app::CursorKind cursor = app::CursorKind::kDefault;
  // Called when the window is asked to close, as the real window runs the
  // close query and close handler then.
  std::function<void()> onClose;

  void MessageBox(const std::string& text, app::BoxIcon icon) override {
    boxes.push_back({text, icon});
    events.push_back("box");
  }
  void ShowStatusText(const std::string& text) override {
    statusTexts.push_back(text);
    events.push_back("status");
  }
  void StepProgressBar() override {
    progress = std::min(progress + 1, progressMax);
    events.push_back("step");
  }
  void SetProgressMax(int max) override { progressMax = max; }
  int ProgressMax() override { return progressMax; }
  void SetProgressPosition(int position) override { progress = position; }
  void PauseTick() override {
    ++pauses;
    events.push_back("pause");
  }
  void SetCaption(const std::string& title) override { caption = title.c_str(); }
  void ApplyLicenceMode(const std::string& text) override {
    licenceMode = true;
    licenceText = text;
  }
  void ApplyNoLicenceMode() override { noLicenceMode = true; }
  bool ShowBitmapPreview(const std::string& path) override {
    bitmapPath = path;
    return bitmapLoads;
  }
  void ShowMoviePreview(const std::string& path) override { moviePath = path; }
  void CloseMovie() override { events.push_back("closeMovie"); }
  void SizeWindow() override { sized = true; }
  void HideForSilentInstall() override { hidden = true; }
  void SetInstallEnabled(bool enabled) override { installEnabled = enabled; }
  void SetDeclineEnabled(bool enabled) override { declineEnabled = enabled; }
  app::CursorKind SetCursor(app::CursorKind c) override {
    const app::CursorKind old = cursor;
    cursor = c;
    return old;
  }
  void BringToFront() override { events.push_back("front"); }
  void CloseWindow() override {
    events.push_back("close");
    if (!closed && onClose) onClose();
    closed = true;
  }
  void Terminate() override { terminated = true; }
};

}  // namespace fake

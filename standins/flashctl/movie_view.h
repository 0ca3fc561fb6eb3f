// The control's movie and its window: loads the file named by Movie, plays
// it on a timer at the movie's frame rate (at most 60 a second, looping),
// and draws a frame only when the picture changes: a frame that alters the
// display list or the background, a new size, a new movie or scale mode.
// A one-frame movie is drawn once and then costs nothing; a stopped one
// keeps its last picture. Each frame is drawn into a back buffer a slice
// at a time between the host's messages (see DrawSlice) and shown once
// complete, so the host answers input and closing whatever the movie.
// Commands raised by the movie's actions go to the sink given at
// construction.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gdi_draw.h"
#include "swf_player.h"

namespace flashctl {

struct Command {
  std::wstring command;
  std::wstring args;
};

class MovieView {
 public:
  // Called with the commands of one frame. The call may end the control
  // (the host may release it): the view touches nothing after it.
  using CommandSink = std::function<void(std::vector<Command>)>;

  explicit MovieView(CommandSink sink) : sink_(std::move(sink)) {}
  ~MovieView();
  MovieView(const MovieView&) = delete;
  MovieView& operator=(const MovieView&) = delete;

  // Reads the movie; false when it cannot be read (a placeholder shows).
  bool Load(const std::wstring& path);
  void Play();
  void Stop();
  bool Playing() const { return playing_; }
  void SetScaleMode(int mode);
  long FrameIndex() const { return player_ ? player_->FrameIndex() : -1; }
  long TotalFrames() const { return movie_ ? static_cast<long>(movie_->frames.size()) : 0; }

  // The window, a child of `parent` at `rect`; Move and Destroy act on it.
  bool Create(HWND parent, const RECT& rect);
  void Move(const RECT& rect);
  void Show(bool visible);
  void Destroy();
  HWND Window() const { return window_; }

  // The current picture into any device context (IViewObject::Draw).
  void Draw(HDC dc, const RECT& area) const;

  // Called by the DLL when it is unloaded.
  static void UnregisterWindowClass();

 private:
  // The window procedure of the view's window (public for the class's
  // registration only).
 public:
  static LRESULT WindowProcFor(MovieView* view, HWND window, UINT message, WPARAM wParam,
                               LPARAM lParam);

 private:
  void Tick();
  // The picture changed: a new frame is drawn, starting now.
  void Invalidate();
  // Draws the next slice of the frame being drawn (starting one when the
  // picture changed): steps until about kSliceMs passed or input waits,
  // then asks for the next slice after the messages waiting; a complete
  // frame becomes the one shown.
  void DrawSlice();
  void ScheduleSlice();
  void StartDrawing();
  void StartTimer();
  void ForgetDrawing();

  CommandSink sink_;
  std::unique_ptr<swf::Movie> movie_;
  std::unique_ptr<swf::Player> player_;
  std::vector<swf::FsCommand> pendingFirst_;  // the first frame's, sent on the first tick
  bool failed_ = false;
  bool playing_ = false;
  int scaleMode_ = 0;
  HWND window_ = nullptr;
  bool dirty_ = false;             // the picture changed since the last frame was started
  bool slicePending_ = false;      // a slice is asked for
  std::unique_ptr<Canvas> shown_;  // the last complete frame
  std::unique_ptr<Canvas> back_;   // the frame being drawn
  std::unique_ptr<FrameDrawing> drawing_;
  swf::PathCache cache_;
};

}  // namespace flashctl

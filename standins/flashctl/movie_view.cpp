#include "movie_view.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "module.h"
#include "text.h"

namespace flashctl {
namespace {

constexpr wchar_t kWindowClass[] = L"SaverFlashControl";
constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT_PTR kSliceTimer = 2;          // the next slice, after the input waiting
constexpr UINT kSliceMessage = WM_USER + 1;  // the next slice, nothing waiting
// Drawing goes back to the message loop after about this long (or sooner
// when input arrives); one step of a frame is never cut.
constexpr auto kSliceTime = std::chrono::milliseconds(8);

LRESULT CALLBACK ViewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* view = reinterpret_cast<MovieView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    view = static_cast<MovieView*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
  }
  return view ? MovieView::WindowProcFor(view, window, message, wParam, lParam)
              : DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterWindowClass() {
  WNDCLASSW windowClass{};
  if (GetClassInfoW(ModuleInstance(), kWindowClass, &windowClass)) return true;
  windowClass.lpfnWndProc = ViewWindowProc;
  windowClass.hInstance = ModuleInstance();
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kWindowClass;
  return RegisterClassW(&windowClass) != 0;
}

std::vector<uint8_t> ReadWholeFile(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size{};
  if (GetFileSizeEx(file, &size) && size.QuadPart > 0 &&
      size.QuadPart <= static_cast<LONGLONG>(swf::kMaxMovieBytes)) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) read = 0;
    bytes.resize(read);
  }
  CloseHandle(file);
  return bytes;
}

// "file:///C:/x.swf" and "file://C:\x.swf" name the file C:\x.swf.
std::wstring FilePath(std::wstring path) {
  for (const wchar_t* prefix : {L"file:///", L"file://"}) {
    const size_t n = wcslen(prefix);
    if (path.size() > n && _wcsnicmp(path.c_str(), prefix, n) == 0) {
      path = path.substr(n);
      std::replace(path.begin(), path.end(), L'/', L'\\');
      break;
    }
  }
  return path;
}

}  // namespace

MovieView::~MovieView() { Destroy(); }

bool MovieView::Load(const std::wstring& path) {
  // The frame being drawn and the cache point into the old movie.
  ForgetDrawing();
  player_.reset();
  movie_.reset();
  failed_ = true;
  const std::vector<uint8_t> bytes = ReadWholeFile(FilePath(path));
  try {
    movie_ = std::make_unique<swf::Movie>(swf::ParseMovie(bytes));
    player_ = std::make_unique<swf::Player>(*movie_);
    failed_ = false;
  } catch (const std::exception&) {
    movie_.reset();
  }
  Invalidate();
  return !failed_;
}

void MovieView::Play() {
  playing_ = true;
  if (player_ && player_->FrameIndex() < 0) {
    std::vector<swf::FsCommand> first = player_->Advance();
    Invalidate();
    if (!first.empty()) {
      // The first frame's commands go out from the timer, like the others,
      // so that the host never sees an event inside its own Play call.
      pendingFirst_ = std::move(first);
    }
  }
  StartTimer();
}

void MovieView::Stop() {
  playing_ = false;
  if (window_) KillTimer(window_, kFrameTimer);
}

void MovieView::SetScaleMode(int mode) {
  if (mode == scaleMode_) return;
  scaleMode_ = mode;
  Invalidate();
}

void MovieView::StartTimer() {
  if (!window_ || !playing_ || !player_) return;
  SetTimer(window_, kFrameTimer, swf::FrameIntervalMs(movie_->frameRate), nullptr);
}

bool MovieView::Create(HWND parent, const RECT& rect) {
  if (window_) {
    Move(rect);
    return true;
  }
  if (!RegisterWindowClass()) return false;
  window_ = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                            rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                            parent, nullptr, ModuleInstance(), this);
  if (!window_) return false;
  Invalidate();
  StartTimer();
  return true;
}

void MovieView::Move(const RECT& rect) {
  if (!window_) return;
  SetWindowPos(window_, nullptr, rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MovieView::Show(bool visible) {
  if (window_) ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
}

void MovieView::Destroy() {
  ForgetDrawing();
  shown_.reset();
  if (window_) {
    HWND window = window_;
    window_ = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    KillTimer(window, kFrameTimer);
    KillTimer(window, kSliceTimer);
    DestroyWindow(window);
  }
}

void MovieView::ForgetDrawing() {
  slicePending_ = false;
  drawing_.reset();
  back_.reset();
  cache_.Clear();
}

void MovieView::Draw(HDC dc, const RECT& area) const {
  if (failed_) {
    DrawPlaceholder(dc, area);
  } else if (movie_ && player_) {
    DrawFrame(dc, area, *movie_, *player_, scaleMode_);
  } else {
    DrawEmpty(dc, area);
  }
}

void MovieView::Invalidate() {
  dirty_ = true;
  // A frame half drawn at another size is of no use any more.
  RECT client{};
  if (window_ && drawing_ && GetClientRect(window_, &client) &&
      (back_->Width() != std::max<LONG>(client.right, 1) ||
       back_->Height() != std::max<LONG>(client.bottom, 1))) {
    drawing_.reset();
  }
  if (!drawing_) DrawSlice();
}

void MovieView::StartDrawing() {
  RECT client{};
  GetClientRect(window_, &client);
  const int width = std::max<LONG>(client.right, 1), height = std::max<LONG>(client.bottom, 1);
  if (!back_ || back_->Width() != width || back_->Height() != height) {
    HDC windowDc = GetDC(window_);
    back_ = std::make_unique<Canvas>(windowDc, width, height);
    ReleaseDC(window_, windowDc);
  }
  const RECT area{0, 0, width, height};
  if (movie_ && player_ && !failed_) {
    const swf::Viewport view = FrameView(area, *movie_, scaleMode_);
    drawing_ = std::make_unique<FrameDrawing>(swf::PlanFrame(*player_, view), view, area, &cache_);
  } else {
    // The placeholder and the empty control are drawn in one step.
    Draw(back_->Dc(), area);
    drawing_ = std::make_unique<FrameDrawing>(swf::FramePlan{}, swf::Viewport{}, RECT{}, nullptr);
  }
}

void MovieView::DrawSlice() {
  if (!window_) return;
  if (!drawing_) {
    if (!dirty_) return;
    dirty_ = false;
    StartDrawing();
  }
  const auto deadline = std::chrono::steady_clock::now() + kSliceTime;
  const bool done = drawing_->Continue(back_->Dc(), [deadline] {
    return std::chrono::steady_clock::now() >= deadline || GetQueueStatus(QS_INPUT) != 0;
  });
  if (done) {
    drawing_.reset();
    std::swap(shown_, back_);
    InvalidateRect(window_, nullptr, FALSE);
  }
  if (drawing_ || dirty_) ScheduleSlice();
}

void MovieView::ScheduleSlice() {
  if (slicePending_) return;
  slicePending_ = true;
  // A posted message comes before input: with input waiting, the timer
  // (which comes after it) asks for the next slice instead.
  if (GetQueueStatus(QS_INPUT) != 0 || !PostMessageW(window_, kSliceMessage, 0, 0)) {
    SetTimer(window_, kSliceTimer, USER_TIMER_MINIMUM, nullptr);
  }
}

void MovieView::Tick() {
  if (!player_ || !playing_) return;
  std::vector<swf::FsCommand> raised = std::move(pendingFirst_);
  pendingFirst_.clear();
  if (raised.empty()) {
    raised = player_->Advance();
    if (player_->Changed()) Invalidate();
  }
  // A movie of one frame has nothing more to show once its commands went.
  if (movie_->frames.size() <= 1) KillTimer(window_, kFrameTimer);
  if (raised.empty()) return;
  const UINT codePage = movie_->version >= 6 ? CP_UTF8 : CP_ACP;
  std::vector<Command> commands;
  for (const swf::FsCommand& c : raised) {
    commands.push_back(Command{ToWide(c.command, codePage), ToWide(c.args, codePage)});
  }
  // Last, through a copy of the sink: the call may end this view.
  const CommandSink sink = sink_;
  sink(std::move(commands));
}

LRESULT MovieView::WindowProcFor(MovieView* view, HWND window, UINT message, WPARAM wParam,
                                 LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kFrameTimer) view->Tick();
      if (wParam == kSliceTimer) {
        KillTimer(window, kSliceTimer);
        view->slicePending_ = false;
        view->DrawSlice();
      }
      return 0;
    case kSliceMessage:
      view->slicePending_ = false;
      view->DrawSlice();
      return 0;
    case WM_SIZE:
      view->Invalidate();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCDESTROY:
      // Destroyed with its parent: the view forgets the handle, which the
      // system may give to another window later.
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      view->window_ = nullptr;
      view->ForgetDrawing();
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client{};
      GetClientRect(window, &client);
      if (view->shown_) {
        // Until the frame of a new size is complete, the last one shows.
        BitBlt(dc, 0, 0, client.right, client.bottom, view->shown_->Dc(), 0, 0, SRCCOPY);
      } else {
        view->Draw(dc, client);
      }
      EndPaint(window, &paint);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void MovieView::UnregisterWindowClass() { UnregisterClassW(kWindowClass, ModuleInstance()); }

}  // namespace flashctl

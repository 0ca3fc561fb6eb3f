#include "movie_view.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "gdi_draw.h"
#include "module.h"
#include "text.h"

namespace flashctl {
namespace {

constexpr wchar_t kWindowClass[] = L"SaverFlashControl";
constexpr UINT_PTR kFrameTimer = 1;
constexpr double kDefaultRate = 12.0;

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
  Render();
  return !failed_;
}

void MovieView::Play() {
  playing_ = true;
  if (player_ && player_->FrameIndex() < 0) {
    std::vector<swf::FsCommand> first = player_->Advance();
    Render();
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
  scaleMode_ = mode;
  Render();
}

void MovieView::StartTimer() {
  if (!window_ || !playing_ || !player_) return;
  double rate = movie_->frameRate;
  if (!(rate >= 1 && rate <= 120)) rate = rate > 120 ? 120 : kDefaultRate;
  SetTimer(window_, kFrameTimer, static_cast<UINT>(1000 / rate), nullptr);
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
  Render();
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
  if (bufferDc_) {
    SelectObject(bufferDc_, oldBitmap_);
    DeleteDC(bufferDc_);
    bufferDc_ = nullptr;
  }
  if (buffer_) {
    DeleteObject(buffer_);
    buffer_ = nullptr;
  }
  if (window_) {
    HWND window = window_;
    window_ = nullptr;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    KillTimer(window, kFrameTimer);
    DestroyWindow(window);
  }
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

// Draws the current picture into the buffer of the window's size (made
// anew when the size changed) and asks for a repaint.
void MovieView::Render() {
  if (!window_) return;
  RECT client{};
  GetClientRect(window_, &client);
  BITMAP info{};
  if (buffer_) GetObject(buffer_, sizeof info, &info);
  if (!buffer_ || info.bmWidth != client.right || info.bmHeight != client.bottom) {
    if (bufferDc_) SelectObject(bufferDc_, oldBitmap_);
    if (buffer_) DeleteObject(buffer_);
    HDC windowDc = GetDC(window_);
    if (!bufferDc_) bufferDc_ = CreateCompatibleDC(windowDc);
    buffer_ = CreateCompatibleBitmap(windowDc, std::max<LONG>(client.right, 1),
                                     std::max<LONG>(client.bottom, 1));
    ReleaseDC(window_, windowDc);
    oldBitmap_ = SelectObject(bufferDc_, buffer_);
  }
  Draw(bufferDc_, client);
  InvalidateRect(window_, nullptr, FALSE);
}

void MovieView::Tick() {
  if (!player_ || !playing_) return;
  std::vector<swf::FsCommand> raised = std::move(pendingFirst_);
  pendingFirst_.clear();
  if (raised.empty()) {
    raised = player_->Advance();
    Render();
  }
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
      return 0;
    case WM_SIZE:
      view->Render();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_NCDESTROY:
      // Destroyed with its parent: the view forgets the handle, which the
      // system may give to another window later.
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      view->window_ = nullptr;
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client{};
      GetClientRect(window, &client);
      if (view->bufferDc_) {
        BitBlt(dc, 0, 0, client.right, client.bottom, view->bufferDc_, 0, 0, SRCCOPY);
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

#include "installer_window.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

#include "keyboard_focus.h"
#include "message_box.h"
#include "movie_panel.h"
#include "startup_trace.h"
#include "string_ids.h"
#include "window_geometry.h"

namespace app::win32 {
namespace {

using layout::ControlId;
using layout::ControlKind;
using layout::StoredControl;

constexpr const char* kPanelClass = "TPanel";
constexpr int kFirstControlId = 100;
// Resource number of the program's icon (16, 32 and 48 pixels).
constexpr WORD kIconResource = 1;

// The window itself: caption, system menu, fixed border (single) at creation.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_TOPMOST | WS_EX_CONTROLPARENT;

// How a "TPanel" paints itself; kept in the panel's GWLP_USERDATA.
enum class PanelLook : LONG_PTR { kFlat, kLowered, kBlack };

int ControlNumber(ControlId id) { return kFirstControlId + static_cast<int>(id); }

// Panels hand what their children report to the top-level window, which
// handles every control of the form.
bool IsForwardedToForm(UINT message) {
  switch (message) {
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return true;
    default:
      return false;
  }
}

void PaintPanel(HWND panel) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(panel, &ps);
  RECT r;
  ::GetClientRect(panel, &r);
  const auto look = static_cast<PanelLook>(::GetWindowLongPtrA(panel, GWLP_USERDATA));
  const HBRUSH fill = look == PanelLook::kBlack ? static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH))
                                                : ::GetSysColorBrush(COLOR_BTNFACE);
  ::FillRect(dc, &r, fill);
  // Lowered outer bevel, 1 pixel: shadow at top and left, highlight at bottom and right.
  if (look == PanelLook::kLowered) ::DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  ::EndPaint(panel, &ps);
}

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(panel, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  if (IsForwardedToForm(message)) {
    return ::SendMessageA(::GetAncestor(panel, GA_ROOT), message, wParam, lParam);
  }
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the whole panel
    case WM_PAINT:
      PaintPanel(panel);
      return 0;
    default:
      return ::DefWindowProcA(panel, message, wParam, lParam);
  }
}

PanelLook LookOf(ControlId id) {
  switch (id) {
    case ControlId::kContentPanel:
      return PanelLook::kLowered;
    case ControlId::kMoviePanel1:
      return PanelLook::kBlack;
    default:
      return PanelLook::kFlat;
  }
}

struct ControlClass {
  const char* className;
  DWORD style;
  DWORD exStyle;
};

ControlClass ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::kMemo:
      return {"EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP,
              WS_EX_CLIENTEDGE};
    case ControlKind::kPanel:
    case ControlKind::kMoviePanel:
      return {kPanelClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    case ControlKind::kImage:
      return {"STATIC", SS_OWNERDRAW, 0};
    case ControlKind::kLabel:
      return {"STATIC", SS_LEFTNOWORDWRAP, 0};
    case ControlKind::kButton:
      return {"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0};
    case ControlKind::kProgressBar:
      return {PROGRESS_CLASSA, 0, 0};
  }
  return {"STATIC", 0, 0};
}

}  // namespace

InstallerWindow::InstallerWindow(HINSTANCE instance) : instance_(instance) {}

InstallerWindow::~InstallerWindow() {
  events_ = nullptr;
  window_.Reset();  // before the font and the picture it uses
}

bool InstallerWindow::RegisterClasses() {
  WNDCLASSEXA form{};
  form.cbSize = sizeof form;
  form.lpfnWndProc = WindowProc;
  form.hInstance = instance_;
  form.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form.lpszClassName = kClassName;
  form.hIcon = static_cast<HICON>(
      ::LoadImageA(instance_, MAKEINTRESOURCEA(kIconResource), IMAGE_ICON, 32, 32, LR_SHARED));
  form.hIconSm = static_cast<HICON>(
      ::LoadImageA(instance_, MAKEINTRESOURCEA(kIconResource), IMAGE_ICON, 16, 16, LR_SHARED));
  WNDCLASSEXA panel{};
  panel.cbSize = sizeof panel;
  panel.lpfnWndProc = PanelProc;
  panel.hInstance = instance_;
  panel.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  panel.lpszClassName = kPanelClass;
  return ::RegisterClassExA(&form) != 0 && ::RegisterClassExA(&panel) != 0;
}

bool InstallerWindow::Create() {
  if (!RegisterClasses()) return false;
  const layout::Rect& bounds = layout::kStoredBounds;
  // WM_NCCREATE takes ownership of the handle into window_.
  return ::CreateWindowExA(kWindowExStyle, kClassName, "", kWindowStyle, bounds.left, bounds.top,
                           bounds.width, bounds.height, nullptr, nullptr, instance_,
                           this) != nullptr;
}

void InstallerWindow::EnsureControls() {
  if (controlsCreated_ || !window_) return;
  controlsCreated_ = true;
  LoadCommonControls();
  font_.Reset(::CreateFontA(layout::kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            std::string(layout::kFontFace).c_str()));
  CreateControls();
  if (flashControls_ != nullptr) {
    moviePanel_ = std::make_unique<MoviePanel>(Control(ControlId::kMoviePanel1), *flashControls_,
                                               [this] { HandleOneMessage(); });
  }
  os::win32::StartupMark("controls created");
}

// The common controls library comes with the controls, not with the program:
// loading it initialises every common control class and the visual styles,
// which a silent package never needs.
void InstallerWindow::LoadCommonControls() {
  commonControls_.Reset(::LoadLibraryA("comctl32.dll"));
  if (!commonControls_) return;
  using InitFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  const auto init = reinterpret_cast<InitFunction>(
      reinterpret_cast<void*>(::GetProcAddress(commonControls_.Get(), "InitCommonControlsEx")));
  const INITCOMMONCONTROLSEX common{sizeof common, ICC_PROGRESS_CLASS};
  if (init != nullptr) init(&common);
}

void InstallerWindow::CreateControls() {
  for (const StoredControl& stored : layout::kControls) {
    HWND control = CreateControl(stored);
    controls_[static_cast<size_t>(stored.id)] = control;
    // A later control of the same parent lies above the earlier ones.
    ::SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  }
  HWND progress = Control(ControlId::kProgressBar);
  ::SendMessageA(progress, PBM_SETRANGE32, 0, layout::kProgressStoredMax);
  ::SendMessageA(progress, PBM_SETSTEP, layout::kProgressStep, 0);
}

HWND InstallerWindow::CreateControl(const StoredControl& stored) {
  const ControlClass cls = ClassOf(stored.kind);
  const HWND parent = stored.parent ? Control(*stored.parent) : window_.Get();
  const DWORD style =
      WS_CHILD | WS_CLIPSIBLINGS | cls.style | (stored.visibleAtStart ? WS_VISIBLE : 0);
  const std::string caption(stored.caption);
  const auto look = reinterpret_cast<void*>(static_cast<LONG_PTR>(LookOf(stored.id)));
  return ::CreateWindowExA(cls.exStyle, cls.className, caption.c_str(), style, stored.rect.left,
                           stored.rect.top, stored.rect.width, stored.rect.height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlNumber(stored.id))),
                           instance_, look);
}

LRESULT CALLBACK InstallerWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<InstallerWindow*>(
        reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_.Reset(window);
  }
  auto* self = reinterpret_cast<InstallerWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT InstallerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND window = window_.Get();
  switch (message) {
    case WM_SIZE:
      OnSize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_GETMINMAXINFO:
      OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kPauseTimerId) pauseTimerTimer();
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_DRAWITEM:
      DrawPreview(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CLOSE:
      OnClose();
      return 0;
    case WM_DESTROY:
      moviePanel_.reset();  // the control goes while its panel still exists
      ::PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      OnDestroyed();
      break;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void InstallerWindow::OnSize(int clientWidth, int clientHeight) {
  if (Control(ControlId::kButtonPanel) == nullptr) return;  // still being created
  const layout::ResizedLayout l = layout::FormResize({clientWidth, clientHeight});
  Place(Control(ControlId::kButtonPanel), l.buttonPanel);
  Place(Control(ControlId::kLicenseScrollBox), l.licenseScrollBox);
  Place(Control(ControlId::kInstallBtn), l.installBtn);
  Place(Control(ControlId::kProgressBar), l.progressBar);
}

void InstallerWindow::OnGetMinMaxInfo(MINMAXINFO& info) const {
  if (!licenceShown_) return;
  info.ptMinTrackSize = {layout::kMinTrackSize.width, layout::kMinTrackSize.height};
}

void InstallerWindow::OnCommand(int id, int code) {
  if (events_ == nullptr || code != BN_CLICKED) return;
  if (id == ControlNumber(ControlId::kInstallBtn)) events_->installBtnClick();
  if (id == ControlNumber(ControlId::kDeclineBtn)) events_->declineBtnClick();
}

void InstallerWindow::OnClose() {
  if (events_ != nullptr) {
    if (!events_->FormCloseQuery()) return;
    events_->FormClose();
  }
  ::DestroyWindow(window_.Get());
}

void InstallerWindow::OnDestroyed() {
  window_.Release();  // the system has destroyed it
  controls_.fill(nullptr);
  pauseTimerEnabled_ = false;
  terminated_ = true;
}

bool InstallerWindow::OnSetCursor() {
  if (cursor_ != CursorKind::kHourGlass) return false;
  ::SetCursor(::LoadCursorA(nullptr, IDC_WAIT));
  return true;
}

LRESULT InstallerWindow::OnControlColour(HDC dc, HWND control) {
  if (control == Control(ControlId::kLicenseScrollBox)) {
    // The read-only memo keeps the white of an editable one.
    ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
    ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
  }
  ::SetTextColor(dc, RGB(0, 0, 0));
  ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

void InstallerWindow::DrawPreview(const DRAWITEMSTRUCT& item) const {
  if (item.hwndItem != Control(ControlId::kBmpPanel)) return;
  const RECT& r = item.rcItem;
  if (!preview_) {
    ::FillRect(item.hDC, &r, ::GetSysColorBrush(COLOR_BTNFACE));
    return;
  }
  BITMAP info{};
  ::GetObjectA(preview_.Get(), sizeof info, &info);
  ScopedMemoryDc source(item.hDC, preview_.Get());
  ::SetStretchBltMode(item.hDC, HALFTONE);
  ::SetBrushOrgEx(item.hDC, 0, 0, nullptr);
  ::StretchBlt(item.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, source.get(), 0, 0,
               info.bmWidth, info.bmHeight, SRCCOPY);
}

void InstallerWindow::ShowCentred() {
  HWND window = window_.Get();
  if (window == nullptr) return;
  EnsureControls();
  const SIZE size = WindowSize(window);
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
  ::SetWindowPos(window, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE);
  ::ShowWindow(window, SW_SHOWNORMAL);
  ::UpdateWindow(window);
  ::SetFocus(licenceShown_ ? Control(ControlId::kLicenseScrollBox)
                           : Control(ControlId::kInstallBtn));
  os::win32::StartupMark("window shown");
}

bool InstallerWindow::TranslateForWindow(MSG& message) {
  if (!window_) return false;
  std::array<HWND, std::size(kTabOrder)> order{};
  std::transform(std::begin(kTabOrder), std::end(kTabOrder), order.begin(),
                 [this](ControlId id) { return Control(id); });
  if (HandleTabKey(window_.Get(), message, order)) return true;
  return ::IsDialogMessageA(window_.Get(), &message);
}

int InstallerWindow::RunMessageLoop() {
  MSG message{};
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (TranslateForWindow(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

void InstallerWindow::ProcessPendingMessages() {
  MSG message{};
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (TranslateForWindow(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}

std::string InstallerWindow::LoadText(unsigned id) const {
  char buffer[1024];
  const int length = ::LoadStringA(instance_, id, buffer, sizeof buffer);
  return std::string(buffer, static_cast<size_t>(std::max(length, 0)));
}

}  // namespace app::win32

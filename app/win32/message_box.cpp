#include "message_box.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "win_handles.h"

namespace app::win32 {
namespace {

// Spacing of the box, in pixels.
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kMaxTextWidth = 420;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

struct BoxRequest {
  const std::string* text;
  BoxIcon icon;
};

// An in-memory dialog template without controls (they are created when the
// box opens, sized to the text). Layout, WORD-aligned, DWORD-aligned start:
//   DLGTEMPLATE: DWORD style, DWORD exStyle, WORD cdit,
//                short x, y, cx, cy           (dialog units)
//   WORD menu = 0, WORD class = 0 (the dialog class), WCHAR title[] + NUL
//   WORD pointSize, WCHAR faceName[] + NUL    (because of DS_SETFONT)
class DialogTemplate {
 public:
  explicit DialogTemplate(std::string_view caption) {
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    const DWORD exStyle = WS_EX_TOPMOST | WS_EX_DLGMODALFRAME;
    PutDword(style);
    PutDword(exStyle);
    words_.push_back(0);                              // cdit
    for (int i = 0; i < 4; ++i) words_.push_back(0);  // x, y, cx, cy
    words_.push_back(0);                              // menu
    words_.push_back(0);                              // class
    PutText(caption);
    words_.push_back(8);  // point size
    PutText("MS Shell Dlg");
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void PutDword(DWORD value) {
    words_.push_back(static_cast<WORD>(value & 0xFFFF));
    words_.push_back(static_cast<WORD>(value >> 16));
  }
  // ASCII only: the captions and the face name.
  void PutText(std::string_view text) {
    for (char c : text) words_.push_back(static_cast<WORD>(static_cast<unsigned char>(c)));
    words_.push_back(0);
  }

  std::vector<WORD> words_;  // operator new aligns the start for a DWORD
};

HWND AddChild(HWND box, const char* className, const char* text, DWORD style, int id) {
  HWND child = ::CreateWindowExA(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, box,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 ::GetModuleHandleA(nullptr), nullptr);
  ::SendMessageA(child, WM_SETFONT, ::SendMessageA(box, WM_GETFONT, 0, 0), FALSE);
  return child;
}

SIZE MeasureText(HWND box, const std::string& text) {
  HDC dc = ::GetDC(box);
  RECT r{0, 0, kMaxTextWidth, 0};
  {
    ScopedSelect font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(box, WM_GETFONT, 0, 0)));
    ::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
                DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  }
  ::ReleaseDC(box, dc);
  return {r.right - r.left, r.bottom - r.top};
}

// Places icon, text and button, then sizes the box and centres it on the screen.
void ArrangeBox(HWND box, const std::string& text) {
  const SIZE textSize = MeasureText(box, text);
  const int textLeft = kMargin + kIconSize + kMargin;
  const int bodyHeight = std::max<int>(kIconSize, textSize.cy);
  const int textTop = kMargin + (bodyHeight - textSize.cy) / 2;
  const int clientWidth =
      std::max<int>(textLeft + textSize.cx + kMargin, kButtonWidth + 2 * kMargin);
  const int buttonTop = kMargin + bodyHeight + kMargin;
  const int clientHeight = buttonTop + kButtonHeight + kMargin;

  ::MoveWindow(::GetDlgItem(box, kBoxIconId), kMargin, kMargin, kIconSize, kIconSize, FALSE);
  ::MoveWindow(::GetDlgItem(box, kBoxTextId), textLeft, textTop, textSize.cx, textSize.cy, FALSE);
  ::MoveWindow(::GetDlgItem(box, IDABORT), (clientWidth - kButtonWidth) / 2, buttonTop,
               kButtonWidth, kButtonHeight, FALSE);

  RECT outer{0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&outer, static_cast<DWORD>(::GetWindowLongA(box, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(::GetWindowLongA(box, GWL_EXSTYLE)));
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const int x = (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  ::SetWindowPos(box, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE);
}

void InitBox(HWND box, const BoxRequest& request) {
  const bool error = request.icon == BoxIcon::kError;
  AddChild(box, "STATIC", request.text->c_str(), SS_LEFT | SS_NOPREFIX, kBoxTextId);
  HWND icon = AddChild(box, "STATIC", "", SS_ICON, kBoxIconId);
  ::SendMessageA(icon, STM_SETICON,
                 reinterpret_cast<WPARAM>(::LoadIconA(nullptr, error ? IDI_HAND : IDI_ASTERISK)),
                 0);
  HWND button = AddChild(box, "BUTTON", "&Abort", BS_DEFPUSHBUTTON | WS_TABSTOP, IDABORT);
  ::SendMessageA(box, DM_SETDEFID, IDABORT, 0);
  ArrangeBox(box, *request.text);
  ::SetForegroundWindow(box);
  ::SetFocus(button);
  ::MessageBeep(error ? MB_ICONHAND : MB_ICONASTERISK);
}

INT_PTR CALLBACK BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitBox(box, *reinterpret_cast<const BoxRequest*>(lParam));
      return FALSE;  // focus already set on the button
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDABORT:
        case IDOK:
        case IDCANCEL:  // Esc and the close button
          ::EndDialog(box, IDABORT);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

void ShowAbortBox(HWND owner, const std::string& text, BoxIcon icon) {
  const DialogTemplate dialog(icon == BoxIcon::kError ? "Error" : "Information");
  BoxRequest request{&text, icon};
  if (owner != nullptr && !::IsWindow(owner)) owner = nullptr;
  ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr), dialog.get(), owner, BoxProc,
                            reinterpret_cast<LPARAM>(&request));
}

}  // namespace app::win32

#include "saver_window.h"

#include <memory>

#include "handles.h"
#include "motion.h"
#include "scene.h"

namespace engine::win32 {
namespace {

constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT kFrameMs = 30;

struct WindowState {
  bool preview = false;
  HWND parent = nullptr;
  std::unique_ptr<Scene> scene;
  MouseWatch mouse;
  DWORD lastTick = 0;
  Extent area;
};

WindowState* StateOf(HWND window) {
  return reinterpret_cast<WindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// Draws a whole frame off screen first, so that it never flickers.
void Render(HDC dc, WindowState& state) {
  const os::win32::UniqueBitmap frame(
      CreateCompatibleBitmap(dc, state.area.width, state.area.height));
  HDC memory = CreateCompatibleDC(dc);
  if (frame && memory) {
    const HGDIOBJ old = SelectObject(memory, frame.Get());
    state.scene->Paint(memory, state.area);
    BitBlt(dc, 0, 0, state.area.width, state.area.height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
  }
  if (memory) DeleteDC(memory);
}

void PaintFrame(HWND window, WindowState& state) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  Render(dc, state);
  EndPaint(window, &paint);
}

void NextFrame(HWND window, WindowState& state) {
  if (state.preview && !IsWindow(state.parent)) {
    DestroyWindow(window);
    return;
  }
  const DWORD now = GetTickCount();
  state.scene->Advance(now - state.lastTick);
  state.lastTick = now;
  // Drawn at once rather than through WM_PAINT: a preview window inside
  // another process's window gets no paint messages under every system.
  HDC dc = GetDC(window);
  Render(dc, state);
  ReleaseDC(window, dc);
}

bool EndsOnInput(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      return true;
    default:
      return false;
  }
}

LRESULT HandleMessage(HWND window, WindowState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      state.area = Extent{LOWORD(lParam), HIWORD(lParam)};
      state.scene->Resize(state.area);
      return 0;
    case WM_TIMER:
      NextFrame(window, state);
      return 0;
    case WM_PAINT:
      PaintFrame(window, state);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  if (state.preview) return DefWindowProcA(window, message, wParam, lParam);
  if (message == WM_SETCURSOR) {
    SetCursor(nullptr);
    return TRUE;
  }
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_SCREENSAVE) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  WindowState* state = StateOf(window);
  if (state == nullptr || !state->scene) return DefWindowProcA(window, message, wParam, lParam);
  return HandleMessage(window, *state, message, wParam, lParam);
}

void RegisterSaverClass() {
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = SaverWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.lpszClassName = kSaverWindowClass;
  RegisterClassA(&windowClass);
}

// Full screen ends on a key, a click or a real mouse movement in any of the
// thread's windows: a movie's control, a child filling the screen, gets the
// input rather than the saver window. Mouse positions are compared on the
// screen, so a child's messages count like the window's own.
bool EndsFullScreen(const MSG& message, WindowState& state) {
  if (state.preview) return false;
  if (EndsOnInput(message.message)) return true;
  if (message.message != WM_MOUSEMOVE) return false;
  POINT at{static_cast<short>(LOWORD(message.lParam)), static_cast<short>(HIWORD(message.lParam))};
  ClientToScreen(message.hwnd, &at);
  return state.mouse.MovedFar(Point{at.x, at.y});
}

int RunLoop(HWND window, WindowState& state) {
  if (!window) return 1;
  RECT client{};
  GetClientRect(window, &client);
  state.area = Extent{client.right, client.bottom};
  state.scene->Resize(state.area);
  state.scene->ShowIn(window, state.area);
  state.lastTick = GetTickCount();
  SetTimer(window, kFrameTimer, kFrameMs, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (IsWindow(window) && EndsFullScreen(message, state)) {
      DestroyWindow(window);
      continue;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace

int RunFullScreen(const EngineContext& context) {
  RegisterSaverClass();
  WindowState state;
  state.scene = MakeScene(context, 1.0);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  HWND window = CreateWindowExA(WS_EX_TOPMOST, kSaverWindowClass, context.title.c_str(),
                                WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                                nullptr, nullptr, GetModuleHandleA(nullptr), &state);
  if (window) {
    SetForegroundWindow(window);
    SetFocus(window);
  }
  return RunLoop(window, state);
}

int RunPreview(const EngineContext& context, HWND parent) {
  if (!parent) return 1;
  RegisterSaverClass();
  RECT client{};
  GetClientRect(parent, &client);
  WindowState state;
  state.preview = true;
  state.parent = parent;
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  state.scene =
      MakeScene(context, screenWidth > 0 ? static_cast<double>(client.right) / screenWidth : 1.0);
  HWND window = CreateWindowExA(0, kSaverWindowClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                0, 0, client.right, client.bottom, parent, nullptr,
                                GetModuleHandleA(nullptr), &state);
  return RunLoop(window, state);
}

}  // namespace engine::win32

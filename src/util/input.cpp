// Keyboard, input-method and menu helpers, and rectangle conversions.
#include "cmddll3/input.h"

#include "cmddll3/util_money.h"
#include "cmddll3/platform/resources.h"

namespace {

// The composition text is read into 260 bytes: 130 UTF-16 characters.
constexpr DWORD kCompositionBytes = 260;
constexpr double kCoordinateBias = 0.444;

int IsKeyDown(int virtualKey) {
  // 1 alone only says that the key went down and up since the last query.
  WORD state = static_cast<WORD>(GetAsyncKeyState(virtualKey));
  return (state == 0 || state == 1) ? 0 : 1;
}

}  // namespace

// ---- Input method of a window

CString IMEgetstring(HWND window) {
  HIMC context = ImmGetContext(window);
  if (!context) return CString();
  char16_t text[kCompositionBytes / sizeof(char16_t) + 1] = {};
  LONG bytes = ImmGetCompositionStringW(context, GCS_COMPSTR, text, kCompositionBytes);
  ImmReleaseContext(window, context);
  if (bytes <= 0) return CString();
  return CString(text, static_cast<int>(bytes / sizeof(char16_t)));
}

BOOL IMEopen(HWND window, BOOL open) {
  HIMC context = ImmGetContext(window);
  ImmSetOpenStatus(context, open);
  return ImmReleaseContext(window, context);
}

BOOL IMEstate(HWND window) {
  HIMC context = ImmGetContext(window);
  BOOL open = ImmGetOpenStatus(context);
  ImmReleaseContext(window, context);
  return open;
}

// ---- Keys held down

int IsCtrlKeyDown() { return IsKeyDown(VK_CONTROL); }
int IsShiftKeyDown() { return IsKeyDown(VK_SHIFT); }
int IsEscapeKeyDown() { return IsKeyDown(VK_ESCAPE); }

// ---- Messages and menus

int DoEvent(HWND dialog) {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return 0;
  if (dialog && IsDialogMessageW(dialog, &msg)) return 1;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return 1;
}

void PopUpMenu(int x, int y, CWnd* owner, UINT menuId) {
  // The menu is the host's: it is looked up in the running program's
  // resource chain, not in this library.
  LPCWSTR name = MAKEINTRESOURCEW(menuId);
  HINSTANCE module = AfxFindResourceHandle(name, RT_MENU);
  HMENU menu = LoadMenuW(module, name);
  if (!menu) return;
  if (HMENU popup = GetSubMenu(menu, 0))
    TrackPopupMenu(popup, TPM_LEFTALIGN, x, y, 0, owner ? owner->m_hWnd : nullptr, nullptr);
  DestroyMenu(menu);
}

// ---- Rectangles

double* RectToDblRect(const RECT* r, double* d) {
  if (!r || !d) return d;
  d[0] = r->top + kCoordinateBias;
  d[1] = r->bottom + kCoordinateBias;
  d[2] = r->right + kCoordinateBias;
  d[3] = r->left + kCoordinateBias;
  return d;
}

void DblRectToRect(const double* d, RECT* r) {
  if (!d || !r) return;
  r->top = getLongFromDouble(d[0]);
  r->bottom = getLongFromDouble(d[1]);
  r->right = getLongFromDouble(d[2]);
  r->left = getLongFromDouble(d[3]);
}

// Keyboard, input-method and menu helpers of the host's screens, and the
// conversions between integer and floating-point rectangles.
//
// A floating-point rectangle is four doubles in the order top, bottom,
// right, left (not the RECT order).
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/ui.h"
#include "cmddll3/platform/windef.h"

// ---- Input method of a window

// The composition text the input method holds for the window (at most 130
// characters); "" when the window has no input context.
CMD_API CString IMEgetstring(HWND window);
// Opens (TRUE) or closes (FALSE) the window's input method; the result is
// that of giving the input context back (FALSE when there is none).
CMD_API BOOL IMEopen(HWND window, BOOL open);
// Whether the window's input method is open.
CMD_API BOOL IMEstate(HWND window);

// ---- Keys held down (polled during long operations)

// 1 while the key is held, 0 when it is up or was only pressed and released
// since the previous query.
CMD_API int IsCtrlKeyDown();
CMD_API int IsShiftKeyDown();
CMD_API int IsEscapeKeyDown();

// ---- Messages and menus

// Handles one waiting message of the thread (through the dialog's keyboard
// handling when a dialog is given, else translated and dispatched); 0 when
// none was waiting, else non-zero.
CMD_API int DoEvent(HWND dialog);
// Shows the first sub-menu of the host's menu resource `menuId` at the
// screen point (x, y) for the owner; the command chosen reaches the owner
// as WM_COMMAND. Nothing happens when no module of the resource chain holds
// the menu.
CMD_API void PopUpMenu(int x, int y, CWnd* owner, UINT menuId);

// ---- Rectangles

// d = {top, bottom, right, left}, each + 0.444. Returns d.
CMD_API double* RectToDblRect(const RECT* r, double* d);
// r from {top, bottom, right, left}, each truncated toward zero as
// getLongFromDouble does (0 outside the 32-bit range).
CMD_API void DblRectToRect(const double* d, RECT* r);

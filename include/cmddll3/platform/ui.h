// The headless user-interface model: windows and controls, the thread's
// message queue, key state, the input method and menus.
//
// Nothing here draws or waits for a person. A window is a record with a
// class, a text, a parent, a control id, an owning thread, an optional window
// procedure and an input context; a host or a test creates windows with
// cmd::ui::CreateTestWindow and drives them through the Windows calls below.
//
// Built-in behaviour (what DefWindowProcW does here):
//   - every window keeps its text (WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH);
//   - a window of class "COMBOBOX" keeps a list of items and a selection
//     (CB_RESETCONTENT, CB_ADDSTRING, CB_GETCOUNT, CB_GETLBTEXT,
//     CB_GETLBTEXTLEN, CB_GETCURSEL, CB_SETCURSEL); its text is the text of
//     its edit field, which CB_SETCURSEL sets to the selected item. Items
//     are kept in the order they are added (no sorting style).
// A window procedure given at creation sees every message first and calls
// DefWindowProcW for what it leaves alone. Messages are delivered by direct
// call on the calling thread (SendMessageW), also to a window of another
// thread; posted messages wait in the queue of the window's thread.
//
// Key state comes from a replaceable hook, the user's choice in a pop-up
// menu from another one. Windows of a thread are not destroyed when the
// thread ends; DestroyWindow removes them.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// ------------------------------------------------------------ constants

constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_SYSCHAR = 0x0106;

constexpr LRESULT CB_OKAY = 0;
constexpr LRESULT CB_ERR = -1;

// Menu item flags (AppendMenuW, GetMenuState, menu templates).
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_END = 0x0080;  // last item of a menu template level
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_NONOTIFY = 0x0080;

// Results of ImmGetCompositionStringW.
constexpr LONG IMM_ERROR_NODATA = -1;
constexpr LONG IMM_ERROR_GENERAL = -2;

constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_INVALID_MENU_HANDLE = 1401;
constexpr DWORD ERROR_MENU_ITEM_NOT_FOUND = 1456;

constexpr WORD LOWORD(std::uintptr_t v) { return WORD(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return WORD((v >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
  return WPARAM(DWORD(low) | (DWORD(high) << 16));
}
constexpr LPARAM MAKELPARAM(WORD low, WORD high) {
  return LPARAM(DWORD(low) | (DWORD(high) << 16));
}

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;  // milliseconds of the thread's clock when posted
  POINT pt;
};
using LPMSG = MSG*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

namespace cmd::ui {

// A window procedure; unlike WNDPROC it may carry state (a lambda).
using WindowProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// Creates a window of the calling thread, as CreateWindowExW would: class
// name ("COMBOBOX", "EDIT", "BUTTON", "STATIC", "#32770" for a dialog, or
// any other), initial text, parent (null for a top-level window) and
// control id (the id GetDlgItem finds under the parent). The window gets its
// own input context (closed, no composition). The procedure, when given,
// receives WM_CREATE (a result of -1 refuses the window: null is returned)
// and every later message. Null with ERROR_INVALID_WINDOW_HANDLE for a
// parent that is not a window.
CMD_PLATFORM_API HWND CreateTestWindow(const char16_t* className, const char16_t* text,
                                       HWND parent = nullptr, int controlId = 0,
                                       WindowProc proc = {});
// Replaces the window's procedure; returns the previous one (empty for the
// built-in behaviour).
CMD_PLATFORM_API WindowProc SetWindowProc(HWND window, WindowProc proc);
// The window's class name as given at creation ("" for no window).
CMD_PLATFORM_API std::u16string GetClassName(HWND window);

// The composition text that the input method holds for a context, as a
// person typing would leave it (the IME itself is not modelled).
CMD_PLATFORM_API BOOL SetCompositionString(HIMC context, std::u16string_view text);

// The user's choice in a pop-up menu: given the menu shown, the flags, the
// screen point and the owner, the command id picked, or 0 for a menu
// dismissed. The default hook picks nothing. Returns the previous hook; an
// empty hook restores the default.
using TrackPopupMenuHook = std::function<UINT(HMENU menu, UINT flags, int x, int y, HWND owner)>;
CMD_PLATFORM_API TrackPopupMenuHook SetTrackPopupMenuHook(TrackPopupMenuHook hook);

// The state of a key as GetAsyncKeyState reports it: bit 15 while the key is
// down, bit 0 when it was pressed since the previous query. The default hook
// reports every key up (0). Returns the previous hook; an empty hook
// restores the default.
using KeyStateHook = std::function<SHORT(int virtualKey)>;

// One item of a menu template: a separator (the default), a command (text
// and id) or a pop-up (text and items).
struct MenuTemplateItem {
  MenuTemplateItem() = default;
  MenuTemplateItem(std::u16string text, UINT id, UINT flags = 0)
      : text(std::move(text)), id(id), flags(flags) {}
  MenuTemplateItem(std::u16string text, std::vector<MenuTemplateItem> items, UINT flags = 0)
      : text(std::move(text)), flags(flags | MF_POPUP), items(std::move(items)) {}

  std::u16string text;
  UINT id = 0;
  UINT flags = 0;  // MF_GRAYED, MF_DISABLED, MF_CHECKED; MF_POPUP for a pop-up
  std::vector<MenuTemplateItem> items;
};
// The bytes of a standard menu resource (the form a resource compiler writes
// for MENU: a 4-byte header, then the items, each level ending with MF_END),
// for registering with cmd::res::Register under RT_MENU.
CMD_PLATFORM_API std::string BuildMenuTemplate(const std::vector<MenuTemplateItem>& items);

}  // namespace cmd::ui

CMD_PLATFORM_API cmd::ui::KeyStateHook SetKeyStateHook(cmd::ui::KeyStateHook hook);

// ------------------------------------------------------------ windows

CMD_PLATFORM_API BOOL IsWindow(HWND window);
// Sends WM_DESTROY to the window and then to its children (deepest last),
// and forgets them all with their input contexts. Their posted messages stay
// queued and are dropped when dispatched.
CMD_PLATFORM_API BOOL DestroyWindow(HWND window);
CMD_PLATFORM_API HWND GetParent(HWND window);
// The direct child of the dialog with that control id, or null
// (ERROR_CONTROL_ID_NOT_FOUND behaves as ERROR_INVALID_WINDOW_HANDLE here).
CMD_PLATFORM_API HWND GetDlgItem(HWND dialog, int controlId);
CMD_PLATFORM_API int GetDlgCtrlID(HWND window);
// Whether `window` is a descendant of `parent`.
CMD_PLATFORM_API BOOL IsChild(HWND parent, HWND window);

// Calls the window's procedure (or the built-in behaviour) and returns its
// result; 0 for a window that does not exist.
CMD_PLATFORM_API LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
CMD_PLATFORM_API LRESULT SendDlgItemMessageW(HWND dialog, int controlId, UINT message,
                                             WPARAM wParam, LPARAM lParam);
// The built-in behaviour described at the top of this header.
CMD_PLATFORM_API LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
CMD_PLATFORM_API LRESULT CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam);

// Text through WM_GETTEXT / WM_SETTEXT: at most maxCount - 1 units and a
// terminator are copied; the result is the number of units copied (0 with an
// empty buffer for a missing window or maxCount of 0 or less).
CMD_PLATFORM_API int GetWindowTextW(HWND window, LPWSTR buffer, int maxCount);
CMD_PLATFORM_API int GetWindowTextLengthW(HWND window);
CMD_PLATFORM_API BOOL SetWindowTextW(HWND window, LPCWSTR text);
CMD_PLATFORM_API UINT GetDlgItemTextW(HWND dialog, int controlId, LPWSTR buffer, int maxCount);
CMD_PLATFORM_API BOOL SetDlgItemTextW(HWND dialog, int controlId, LPCWSTR text);

// ------------------------------------------------------------ message queue
//
// Each thread has its own queue. A posted message goes to the queue of the
// thread that created the window (null window: the calling thread's queue).
// PeekMessageW and GetMessageW take from the calling thread's queue, oldest
// first, the first message that passes the filters: window (null: any; -1
// cast to HWND: only those posted without a window; otherwise that window
// and its descendants) and message range (0, 0: all).

CMD_PLATFORM_API BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
CMD_PLATFORM_API void PostQuitMessage(int exitCode);
// FALSE when no message passes the filters; with PM_REMOVE the message is
// taken out of the queue.
CMD_PLATFORM_API BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax,
                                   UINT removeFlags);
// Waits for a message (also one posted by another thread): 0 for WM_QUIT,
// -1 for a window filter that is not a window, else non-zero.
CMD_PLATFORM_API BOOL GetMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax);
// For WM_KEYDOWN / WM_SYSKEYDOWN of a key that types a character (letters,
// lower case unless Shift is down, digits, space, Enter, Backspace, Tab,
// Esc) posts WM_CHAR / WM_SYSCHAR with it to the same window. Non-zero for
// every key message, 0 for others.
CMD_PLATFORM_API BOOL TranslateMessage(const MSG* msg);
// Calls the procedure of the message's window with the message; 0 when the
// message has no window or the window is gone.
CMD_PLATFORM_API LRESULT DispatchMessageW(const MSG* msg);
// The dialog's share of the keyboard: a message for the dialog or one of its
// descendants is processed here and TRUE returned (Esc key-down sends
// WM_COMMAND IDCANCEL to the dialog, Enter WM_COMMAND IDOK, Tab is taken for
// focus moves; anything else is translated and dispatched). FALSE for
// messages of other windows.
CMD_PLATFORM_API BOOL IsDialogMessageW(HWND dialog, LPMSG msg);

// ------------------------------------------------------------ key state

// The key's state from the key-state hook (see cmd::ui::KeyStateHook).
CMD_PLATFORM_API SHORT GetAsyncKeyState(int virtualKey);

// ------------------------------------------------------------ input method

// The window's input context, null when it has none (ImmAssociateContext
// with null took it away) or the window does not exist.
CMD_PLATFORM_API HIMC ImmGetContext(HWND window);
// TRUE when the context is the window's.
CMD_PLATFORM_API BOOL ImmReleaseContext(HWND window, HIMC context);
// Gives the window another context (or none, with null); returns the
// previous one. The previous context stays valid until ImmDestroyContext or
// the window's destruction.
CMD_PLATFORM_API HIMC ImmAssociateContext(HWND window, HIMC context);
CMD_PLATFORM_API HIMC ImmCreateContext();
CMD_PLATFORM_API BOOL ImmDestroyContext(HIMC context);
CMD_PLATFORM_API BOOL ImmGetOpenStatus(HIMC context);
CMD_PLATFORM_API BOOL ImmSetOpenStatus(HIMC context, BOOL open);
// GCS_COMPSTR (or GCS_RESULTSTR, always empty here): the composition text
// in bytes. With a buffer size of 0 the size the text needs (no
// terminator); otherwise as many whole characters as fit, and the number of
// bytes copied. IMM_ERROR_GENERAL for a null context or another index.
CMD_PLATFORM_API LONG ImmGetCompositionStringW(HIMC context, DWORD index, LPVOID buffer,
                                               DWORD bufferBytes);

// ------------------------------------------------------------ menus

CMD_PLATFORM_API HMENU CreateMenu();
CMD_PLATFORM_API HMENU CreatePopupMenu();
// Appends a command (MF_STRING with an id), a separator (MF_SEPARATOR) or a
// pop-up (MF_POPUP with the sub-menu's handle cast to UINT_PTR, which then
// belongs to this menu).
CMD_PLATFORM_API BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrSubMenu, LPCWSTR text);
// Destroys the menu and its sub-menus.
CMD_PLATFORM_API BOOL DestroyMenu(HMENU menu);
CMD_PLATFORM_API BOOL IsMenu(HMENU menu);
CMD_PLATFORM_API int GetMenuItemCount(HMENU menu);  // -1 for no menu
// The command id of the item at a position; -1 (as UINT) for a pop-up or
// no item.
CMD_PLATFORM_API UINT GetMenuItemID(HMENU menu, int position);
CMD_PLATFORM_API HMENU GetSubMenu(HMENU menu, int position);
// MF_BYCOMMAND (searching sub-menus too) or MF_BYPOSITION; the buffer
// protocol of GetWindowTextW; a null buffer gives the length.
CMD_PLATFORM_API int GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int maxCount,
                                    UINT flags);
// The item's flags (MF_GRAYED, MF_CHECKED, MF_POPUP, MF_SEPARATOR, ...),
// -1 (as UINT) for no item.
CMD_PLATFORM_API UINT GetMenuState(HMENU menu, UINT item, UINT flags);
// A menu from a menu resource of the module (RT_MENU); null with
// ERROR_RESOURCE_NAME_NOT_FOUND when there is none, ERROR_INVALID_DATA when
// its bytes are not a menu template.
CMD_PLATFORM_API HMENU LoadMenuW(HINSTANCE module, LPCWSTR name);
// The same from template bytes in memory (size bytes of them).
CMD_PLATFORM_API HMENU LoadMenuIndirectW(const void* menuTemplate, std::size_t size);
// Shows a pop-up menu: the track-pop-up hook decides which command the user
// picks (only enabled command items of the menu or its sub-menus can be
// picked). With TPM_RETURNCMD the result is that command (0 for none);
// otherwise the command is posted to the owner as WM_COMMAND (command id in
// the low word of wParam, lParam 0), as Windows does, and the result is
// non-zero. FALSE (0) for a menu or owner that does not exist.
CMD_PLATFORM_API BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved,
                                     HWND owner, const RECT* excludeRect);

// ------------------------------------------------------------ CWnd

// The framework's window object: a thin wrapper of a window handle.
class CMD_PLATFORM_API CWnd {
 public:
  CWnd() = default;
  explicit CWnd(HWND window) : m_hWnd(window) {}
  virtual ~CWnd() = default;

  // The framework's permanent object of a handle: one per window, owned by
  // the window and gone with it; null for null.
  static CWnd* FromHandle(HWND window);

  HWND GetSafeHwnd() const { return m_hWnd; }
  int GetWindowTextW(LPWSTR buffer, int maxCount) const;
  void GetWindowTextW(CString& text) const;
  int GetWindowTextLengthW() const;
  void SetWindowTextW(LPCWSTR text);
  CWnd* GetDlgItem(int controlId) const;
  LRESULT SendMessageW(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  LRESULT SendDlgItemMessageW(int controlId, UINT message, WPARAM wParam = 0,
                              LPARAM lParam = 0);

  HWND m_hWnd = nullptr;
};

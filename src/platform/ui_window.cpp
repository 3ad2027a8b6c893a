// Windows and controls of the user-interface model: creation, destruction,
// message sending, the built-in text and combo-box behaviour, and CWnd.
#include <algorithm>

#include "cmddll3/platform/ui.h"
#include "platform/ui_impl.h"

namespace cmd::ui::detail {

State& GetState() {
  static State* state = new State;  // lives as long as the process
  return *state;
}

std::uintptr_t NewHandleLocked(State& s) {
  s.nextHandle += 4;
  return s.nextHandle;
}

Window* FindWindowLocked(State& s, HWND window) {
  if (!window) return nullptr;
  auto it = s.windows.find(window);
  return it == s.windows.end() ? nullptr : it->second.get();
}

bool IsDescendantLocked(State& s, HWND ancestor, HWND window) {
  // A parent is always created before its children and never changes, so
  // the walk up ends.
  Window* w = FindWindowLocked(s, window);
  while (w && w->parent) {
    if (w->parent == ancestor) return true;
    w = FindWindowLocked(s, w->parent);
  }
  return false;
}

}  // namespace cmd::ui::detail

using namespace cmd::ui::detail;

namespace {

bool IsComboBoxClass(std::u16string_view name) {
  constexpr std::u16string_view kCombo = u"COMBOBOX";
  if (name.size() != kCombo.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char16_t c = name[i];
    if (c >= u'a' && c <= u'z') c = char16_t(c - (u'a' - u'A'));
    if (c != kCombo[i]) return false;
  }
  return true;
}

const char16_t* TextArg(LPARAM lParam) {
  const auto* text = reinterpret_cast<const char16_t*>(lParam);
  return text ? text : u"";
}

// Copies text into a caller's buffer of maxCount units, cut to fit and
// terminated; returns the units copied.
LRESULT CopyOut(const std::u16string& text, char16_t* buffer, std::size_t maxCount) {
  if (!buffer || maxCount == 0) return 0;
  std::size_t n = std::min(text.size(), maxCount - 1);
  text.copy(buffer, n);
  buffer[n] = 0;
  return static_cast<LRESULT>(n);
}

LRESULT ComboBoxMessage(Window& w, UINT message, WPARAM wParam, LPARAM lParam) {
  auto validIndex = [&w](WPARAM index) { return index < w.items.size(); };
  switch (message) {
    case CB_RESETCONTENT:
      w.items.clear();
      w.selection = -1;
      w.text.clear();
      return CB_OKAY;
    case CB_ADDSTRING:
      w.items.emplace_back(TextArg(lParam));
      return static_cast<LRESULT>(w.items.size() - 1);
    case CB_GETCOUNT:
      return static_cast<LRESULT>(w.items.size());
    case CB_GETLBTEXT: {
      // As on Windows, the buffer must hold the whole item (CB_GETLBTEXTLEN).
      if (!validIndex(wParam)) return CB_ERR;
      const std::u16string& item = w.items[wParam];
      auto* buffer = reinterpret_cast<char16_t*>(lParam);
      if (!buffer) return CB_ERR;
      return CopyOut(item, buffer, item.size() + 1);
    }
    case CB_GETLBTEXTLEN:
      return validIndex(wParam) ? static_cast<LRESULT>(w.items[wParam].size()) : CB_ERR;
    case CB_GETCURSEL:
      return w.selection;
    case CB_SETCURSEL:
      if (!validIndex(wParam)) {
        w.selection = -1;
        w.text.clear();
        return CB_ERR;
      }
      w.selection = static_cast<int>(wParam);
      w.text = w.items[wParam];
      return w.selection;
    default:
      return 0;
  }
}

LRESULT CallProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  State& s = GetState();
  cmd::ui::WindowProc proc;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    Window* w = FindWindowLocked(s, window);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    proc = w->proc;
  }
  return proc ? proc(window, message, wParam, lParam)
              : DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

namespace cmd::ui {

HWND CreateTestWindow(const char16_t* className, const char16_t* text, HWND parent,
                      int controlId, WindowProc proc) {
  State& s = GetState();
  HWND handle;
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (parent && !FindWindowLocked(s, parent)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    auto w = std::make_unique<Window>();
    handle = reinterpret_cast<HWND>(NewHandleLocked(s));
    w->handle = handle;
    w->className = className ? className : u"";
    w->isComboBox = IsComboBoxClass(w->className);
    w->text = text ? text : u"";
    w->parent = parent;
    w->controlId = controlId;
    w->thread = std::this_thread::get_id();
    w->proc = proc;
    w->ownContext = reinterpret_cast<HIMC>(NewHandleLocked(s));
    w->context = w->ownContext;
    s.contexts[w->ownContext] = InputContext{};
    s.windows[handle] = std::move(w);
  }
  if (proc && proc(handle, WM_CREATE, 0, 0) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  return handle;
}

WindowProc SetWindowProc(HWND window, WindowProc proc) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  Window* w = FindWindowLocked(s, window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return {};
  }
  std::swap(w->proc, proc);
  return proc;
}

std::u16string GetClassName(HWND window) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  Window* w = FindWindowLocked(s, window);
  return w ? w->className : std::u16string();
}

}  // namespace cmd::ui

BOOL IsWindow(HWND window) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return FindWindowLocked(s, window) != nullptr;
}

BOOL DestroyWindow(HWND window) {
  State& s = GetState();
  std::vector<HWND> doomed;  // the window first, then its descendants
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!FindWindowLocked(s, window)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    doomed.push_back(window);
    for (std::size_t i = 0; i < doomed.size(); ++i)
      for (auto& [handle, w] : s.windows)
        if (w->parent == doomed[i]) doomed.push_back(handle);
  }
  for (HWND h : doomed) CallProcedure(h, WM_DESTROY, 0, 0);
  std::lock_guard<std::mutex> lock(s.mutex);
  for (HWND h : doomed) {
    auto it = s.windows.find(h);
    if (it == s.windows.end()) continue;  // destroyed by its own WM_DESTROY
    DestroyContextLocked(s, it->second->ownContext);
    s.windows.erase(it);
  }
  return TRUE;
}

HWND GetParent(HWND window) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  Window* w = FindWindowLocked(s, window);
  return w ? w->parent : nullptr;
}

HWND GetDlgItem(HWND dialog, int controlId) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (dialog && FindWindowLocked(s, dialog)) {
    // Handles grow with creation, so the first match is the oldest child.
    for (auto& [handle, w] : s.windows)
      if (w->parent == dialog && w->controlId == controlId) return handle;
  }
  SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return nullptr;
}

int GetDlgCtrlID(HWND window) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  Window* w = FindWindowLocked(s, window);
  return w ? w->controlId : 0;
}

BOOL IsChild(HWND parent, HWND window) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return parent && IsDescendantLocked(s, parent, window);
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallProcedure(window, message, wParam, lParam);
}

LRESULT SendDlgItemMessageW(HWND dialog, int controlId, UINT message, WPARAM wParam,
                            LPARAM lParam) {
  HWND control = GetDlgItem(dialog, controlId);
  return control ? SendMessageW(control, message, wParam, lParam) : 0;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  Window* w = FindWindowLocked(s, window);
  if (!w) return 0;
  switch (message) {
    case WM_SETTEXT:
      w->text = TextArg(lParam);
      return TRUE;
    case WM_GETTEXT:
      return CopyOut(w->text, reinterpret_cast<char16_t*>(lParam), wParam);
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
    default:
      return w->isComboBox ? ComboBoxMessage(*w, message, wParam, lParam) : 0;
  }
}

LRESULT CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(window, message, wParam, lParam) : 0;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  buffer[0] = 0;
  if (!IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LRESULT n = SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                           reinterpret_cast<LPARAM>(buffer));
  // A procedure may answer anything; the result never exceeds the buffer.
  return static_cast<int>(std::clamp<LRESULT>(n, 0, maxCount - 1));
}

int GetWindowTextLengthW(HWND window) {
  return static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  if (!IsWindow(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

UINT GetDlgItemTextW(HWND dialog, int controlId, LPWSTR buffer, int maxCount) {
  HWND control = GetDlgItem(dialog, controlId);
  if (!control) {
    if (buffer && maxCount > 0) buffer[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowTextW(control, buffer, maxCount));
}

BOOL SetDlgItemTextW(HWND dialog, int controlId, LPCWSTR text) {
  HWND control = GetDlgItem(dialog, controlId);
  return control ? SetWindowTextW(control, text) : FALSE;
}

// ------------------------------------------------------------ CWnd

CWnd* CWnd::FromHandle(HWND window) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  Window* w = FindWindowLocked(s, window);
  if (!w) return nullptr;
  if (!w->wrapper) w->wrapper = std::make_unique<CWnd>(window);
  return w->wrapper.get();
}

int CWnd::GetWindowTextW(LPWSTR buffer, int maxCount) const {
  return ::GetWindowTextW(m_hWnd, buffer, maxCount);
}

void CWnd::GetWindowTextW(CString& text) const {
  int length = std::max(::GetWindowTextLengthW(m_hWnd), 0);
  char16_t* buffer = text.GetBuffer(length);
  ::GetWindowTextW(m_hWnd, buffer, length + 1);
  text.ReleaseBuffer();
}

int CWnd::GetWindowTextLengthW() const { return ::GetWindowTextLengthW(m_hWnd); }

void CWnd::SetWindowTextW(LPCWSTR text) { ::SetWindowTextW(m_hWnd, text); }

CWnd* CWnd::GetDlgItem(int controlId) const { return FromHandle(::GetDlgItem(m_hWnd, controlId)); }

LRESULT CWnd::SendMessageW(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendDlgItemMessageW(int controlId, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendDlgItemMessageW(m_hWnd, controlId, message, wParam, lParam);
}

// The threads' message queues, message translation and dispatch, the
// dialog's keyboard handling and the key-state hook.
#include <chrono>

#include "cmddll3/platform/ui.h"
#include "platform/ui_impl.h"

namespace cmd::ui::detail {

namespace {

DWORD NowMilliseconds() {
  using namespace std::chrono;
  auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<DWORD>(ms);
}

}  // namespace

bool PostLocked(State& s, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::thread::id thread = std::this_thread::get_id();
  if (window) {
    Window* w = FindWindowLocked(s, window);
    if (!w) return false;
    thread = w->thread;
  }
  s.queues[thread].messages.push_back(MSG{window, message, wParam, lParam, NowMilliseconds(), {}});
  s.posted.notify_all();
  return true;
}

}  // namespace cmd::ui::detail

using namespace cmd::ui::detail;

namespace {

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

bool PassesFilter(State& s, const MSG& m, HWND window, UINT filterMin, UINT filterMax) {
  if (m.message == WM_QUIT) return true;  // as Windows, whatever the filters
  if (window == kThreadMessagesOnly) {
    if (m.hwnd) return false;
  } else if (window && m.hwnd != window && !IsDescendantLocked(s, window, m.hwnd)) {
    return false;
  }
  if (filterMin == 0 && filterMax == 0) return true;
  return m.message >= filterMin && m.message <= filterMax;
}

// Takes (or copies) the first message of the calling thread's queue that
// passes the filters.
bool TakeLocked(State& s, MSG& out, HWND window, UINT filterMin, UINT filterMax, bool remove) {
  auto found = s.queues.find(std::this_thread::get_id());
  if (found == s.queues.end()) return false;
  auto& messages = found->second.messages;
  for (auto it = messages.begin(); it != messages.end(); ++it) {
    if (!PassesFilter(s, *it, window, filterMin, filterMax)) continue;
    out = *it;
    if (remove) messages.erase(it);
    return true;
  }
  return false;
}

std::mutex g_keyMutex;
cmd::ui::KeyStateHook g_keyHook;

// The character a key types, 0 for none.
char16_t CharacterOfKey(WPARAM key) {
  if (key >= 'A' && key <= 'Z') {
    bool shift = (static_cast<WORD>(GetAsyncKeyState(VK_SHIFT)) & 0x8000) != 0;
    return shift ? char16_t(key) : char16_t(key - 'A' + 'a');
  }
  if (key >= '0' && key <= '9') return char16_t(key);
  switch (key) {
    case VK_SPACE: return u' ';
    case VK_RETURN: return u'\r';
    case VK_BACK: return 0x08;
    case VK_TAB: return 0x09;
    case VK_ESCAPE: return 0x1B;
    default: return 0;
  }
}

}  // namespace

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!PostLocked(s, window, message, wParam, lParam)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  PostLocked(s, nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (!msg) return FALSE;
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return TakeLocked(s, *msg, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0);
}

BOOL GetMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
  State& s = GetState();
  std::unique_lock<std::mutex> lock(s.mutex);
  if (!msg || (window && window != kThreadMessagesOnly && !FindWindowLocked(s, window))) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  s.posted.wait(lock, [&] { return TakeLocked(s, *msg, window, filterMin, filterMax, true); });
  return msg->message != WM_QUIT;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  switch (msg->message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      char16_t c = CharacterOfKey(msg->wParam);
      if (c)
        PostMessageW(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, c,
                     msg->lParam);
      return TRUE;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return TRUE;
    default:
      return FALSE;
  }
}

LRESULT DispatchMessageW(const MSG* msg) {
  if (!msg || !msg->hwnd || !IsWindow(msg->hwnd)) return 0;
  return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL IsDialogMessageW(HWND dialog, LPMSG msg) {
  if (!msg || !IsWindow(dialog)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  if (msg->message == WM_KEYDOWN) {
    switch (msg->wParam) {
      case VK_ESCAPE:
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
        return TRUE;
      case VK_RETURN:
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
        return TRUE;
      case VK_TAB:
        return TRUE;  // a focus move; there is no focus to move here
      default:
        break;
    }
  }
  TranslateMessage(msg);
  DispatchMessageW(msg);
  return TRUE;
}

cmd::ui::KeyStateHook SetKeyStateHook(cmd::ui::KeyStateHook hook) {
  std::lock_guard<std::mutex> lock(g_keyMutex);
  std::swap(g_keyHook, hook);
  return hook;
}

SHORT GetAsyncKeyState(int virtualKey) {
  cmd::ui::KeyStateHook hook;
  {
    std::lock_guard<std::mutex> lock(g_keyMutex);
    hook = g_keyHook;
  }
  return hook ? hook(virtualKey) : SHORT(0);
}

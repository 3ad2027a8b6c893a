// Message boxes, debugger output, the clock and the thread's last error.
#include "cmddll3/platform/hooks.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex g_mutex;
MessageBoxHook g_messageBox;
DebugOutputHook g_debugOutput;
ClockHook g_clock;
thread_local DWORD t_lastError = 0;

int DefaultMessageBox(HWND, const CString& text, const CString& caption, UINT type) {
  std::string line = caption.ToUtf8() + ": " + text.ToUtf8() + "\n";
  std::fputs(line.c_str(), stderr);
  switch (type & MB_TYPEMASK) {
    case MB_OK: return IDOK;
    case MB_YESNO: return IDNO;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    default: return IDCANCEL;  // every other box has a Cancel button
  }
}

template <class Hook>
Hook Swap(Hook& slot, Hook hook) {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::swap(slot, hook);
  return hook;
}

template <class Hook>
Hook Get(const Hook& slot) {
  std::lock_guard<std::mutex> lock(g_mutex);
  return slot;
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) { return Swap(g_messageBox, std::move(hook)); }
DebugOutputHook SetDebugOutputHook(DebugOutputHook hook) { return Swap(g_debugOutput, std::move(hook)); }
ClockHook SetClockHook(ClockHook hook) { return Swap(g_clock, std::move(hook)); }

int MessageBoxW(HWND owner, const char16_t* text, const char16_t* caption, UINT type) {
  // Windows shows "Error" for a null caption.
  CString cap = caption ? CString(caption) : CString(u"エラー");
  auto hook = Get(g_messageBox);
  return hook ? hook(owner, CString(text), cap, type) : DefaultMessageBox(owner, text, cap, type);
}

int AfxMessageBox(const char16_t* text, UINT type, UINT) {
  return MessageBoxW(nullptr, text, u"", type);
}

void OutputDebugStringW(const char16_t* text) {
  auto hook = Get(g_debugOutput);
  if (hook) hook(CString(text));
}

std::time_t CurrentTime() {
  auto hook = Get(g_clock);
  return hook ? hook() : std::time(nullptr);
}

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }

// Input contexts of the input method: open status and composition text.
#include <algorithm>
#include <cstring>

#include "cmddll3/platform/ui.h"
#include "platform/ui_impl.h"

namespace cmd::ui::detail {

void DestroyContextLocked(State& s, HIMC context) {
  if (!context) return;
  s.contexts.erase(context);
  for (auto& [handle, w] : s.windows)
    if (w->context == context) w->context = nullptr;
}

}  // namespace cmd::ui::detail

using namespace cmd::ui::detail;

namespace {

InputContext* FindContextLocked(State& s, HIMC context) {
  if (!context) return nullptr;
  auto it = s.contexts.find(context);
  return it == s.contexts.end() ? nullptr : &it->second;
}

}  // namespace

namespace cmd::ui {

BOOL SetCompositionString(HIMC context, std::u16string_view text) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  InputContext* c = FindContextLocked(s, context);
  if (!c) return FALSE;
  c->composition.assign(text);
  return TRUE;
}

}  // namespace cmd::ui

HIMC ImmGetContext(HWND window) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  Window* w = FindWindowLocked(s, window);
  return w ? w->context : nullptr;
}

BOOL ImmReleaseContext(HWND window, HIMC context) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  Window* w = FindWindowLocked(s, window);
  return w && context && w->context == context;
}

HIMC ImmAssociateContext(HWND window, HIMC context) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  Window* w = FindWindowLocked(s, window);
  if (!w || (context && !FindContextLocked(s, context))) return nullptr;
  HIMC previous = w->context;
  w->context = context;
  return previous;
}

HIMC ImmCreateContext() {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  HIMC context = reinterpret_cast<HIMC>(NewHandleLocked(s));
  s.contexts[context] = InputContext{};
  return context;
}

BOOL ImmDestroyContext(HIMC context) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!FindContextLocked(s, context)) return FALSE;
  // A window's own context goes with the window, as the default context of
  // Windows cannot be destroyed by the application.
  for (auto& [handle, w] : s.windows)
    if (w->ownContext == context) return FALSE;
  DestroyContextLocked(s, context);
  return TRUE;
}

BOOL ImmGetOpenStatus(HIMC context) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  InputContext* c = FindContextLocked(s, context);
  return c && c->open;
}

BOOL ImmSetOpenStatus(HIMC context, BOOL open) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  InputContext* c = FindContextLocked(s, context);
  if (!c) return FALSE;
  c->open = open != FALSE;
  return TRUE;
}

LONG ImmGetCompositionStringW(HIMC context, DWORD index, LPVOID buffer, DWORD bufferBytes) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  InputContext* c = FindContextLocked(s, context);
  if (!c) return IMM_ERROR_GENERAL;
  std::u16string_view text;
  if (index == GCS_COMPSTR)
    text = c->composition;
  else if (index != GCS_RESULTSTR)
    return IMM_ERROR_GENERAL;
  if (bufferBytes == 0) return static_cast<LONG>(text.size() * sizeof(char16_t));
  if (!buffer) return IMM_ERROR_GENERAL;
  std::size_t units = std::min<std::size_t>(text.size(), bufferBytes / sizeof(char16_t));
  if (units) std::memcpy(buffer, text.data(), units * sizeof(char16_t));
  return static_cast<LONG>(units * sizeof(char16_t));
}

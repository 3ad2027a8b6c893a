// The records behind the user-interface model: windows, input contexts,
// menus and the threads' message queues, all under one lock. Window
// procedures and hooks are always called with the lock released, so they may
// call back into the model.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cmddll3/platform/ui.h"

namespace cmd::ui::detail {

struct Window {
  HWND handle = nullptr;
  std::u16string className;
  std::u16string text;
  HWND parent = nullptr;
  int controlId = 0;
  std::thread::id thread;
  WindowProc proc;
  HIMC ownContext = nullptr;  // created with the window, destroyed with it
  HIMC context = nullptr;     // the associated one (null: none)
  bool isComboBox = false;
  std::vector<std::u16string> items;  // combo-box list
  int selection = -1;
  std::unique_ptr<CWnd> wrapper;  // CWnd::FromHandle
};

struct InputContext {
  bool open = false;
  std::u16string composition;
};

struct MenuItem {
  UINT flags = 0;  // MF_* of the item; MF_POPUP items own `subMenu`
  UINT id = 0;
  std::u16string text;
  HMENU subMenu = nullptr;
};

struct Menu {
  bool popup = false;
  std::vector<MenuItem> items;
};

struct Queue {
  std::deque<MSG> messages;
};

struct State {
  std::mutex mutex;
  std::condition_variable posted;  // signalled whenever a message is queued
  std::map<HWND, std::unique_ptr<Window>> windows;
  std::map<HIMC, InputContext> contexts;
  std::map<HMENU, Menu> menus;
  std::map<std::thread::id, Queue> queues;
  std::uintptr_t nextHandle = 0x10000;
};

State& GetState();

// A new handle value of any kind (never null, never reused).
std::uintptr_t NewHandleLocked(State& s);

Window* FindWindowLocked(State& s, HWND window);
bool IsDescendantLocked(State& s, HWND ancestor, HWND window);

// Queues a message for the window's thread (or the calling thread for a
// null window). The caller holds the lock; returns false for a window that
// does not exist.
bool PostLocked(State& s, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Forgets an input context (the caller holds the lock).
void DestroyContextLocked(State& s, HIMC context);

}  // namespace cmd::ui::detail

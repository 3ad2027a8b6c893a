// Menus: building them by hand or from menu resources, reading their items,
// and the pop-up menu whose choice comes from the track-pop-up hook.
#include <algorithm>
#include <cstring>

#include "cmddll3/platform/resources.h"
#include "cmddll3/platform/ui.h"
#include "platform/ui_impl.h"

using namespace cmd::ui::detail;

namespace {

constexpr UINT kNoItem = static_cast<UINT>(-1);
// Menu templates nest pop-ups; resource compilers stop far below this.
constexpr int kMaxTemplateDepth = 32;

std::mutex g_hookMutex;
cmd::ui::TrackPopupMenuHook g_trackHook;

Menu* FindMenuLocked(State& s, HMENU menu) {
  if (!menu) return nullptr;
  auto it = s.menus.find(menu);
  return it == s.menus.end() ? nullptr : &it->second;
}

HMENU NewMenuLocked(State& s, bool popup) {
  HMENU menu = reinterpret_cast<HMENU>(NewHandleLocked(s));
  s.menus[menu].popup = popup;
  return menu;
}

void DestroyMenuLocked(State& s, HMENU menu) {
  auto it = s.menus.find(menu);
  if (it == s.menus.end()) return;
  std::vector<MenuItem> items = std::move(it->second.items);
  s.menus.erase(it);
  for (const MenuItem& item : items)
    if (item.subMenu) DestroyMenuLocked(s, item.subMenu);
}

// Whether `inner` is `outer` or one of its sub-menus, at any depth.
bool ContainsLocked(State& s, HMENU outer, HMENU inner) {
  if (outer == inner) return true;
  Menu* m = FindMenuLocked(s, outer);
  if (!m) return false;
  for (const MenuItem& item : m->items)
    if (item.subMenu && ContainsLocked(s, item.subMenu, inner)) return true;
  return false;
}

// The item by position or, with MF_BYCOMMAND, the first command item with
// that id in the menu or its sub-menus.
MenuItem* FindItemLocked(State& s, HMENU menu, UINT item, UINT flags) {
  Menu* m = FindMenuLocked(s, menu);
  if (!m) return nullptr;
  if (flags & MF_BYPOSITION) return item < m->items.size() ? &m->items[item] : nullptr;
  for (MenuItem& it : m->items) {
    if (it.subMenu) {
      if (MenuItem* inner = FindItemLocked(s, it.subMenu, item, flags)) return inner;
    } else if (!(it.flags & MF_SEPARATOR) && it.id == item) {
      return &it;
    }
  }
  return nullptr;
}

bool HasEnabledCommandLocked(State& s, HMENU menu, UINT command) {
  Menu* m = FindMenuLocked(s, menu);
  if (!m) return false;
  for (const MenuItem& item : m->items) {
    if (item.subMenu) {
      if (!(item.flags & (MF_GRAYED | MF_DISABLED)) &&
          HasEnabledCommandLocked(s, item.subMenu, command))
        return true;
    } else if (!(item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)) && item.id == command) {
      return true;
    }
  }
  return false;
}

// ---- Menu templates

class TemplateReader {
 public:
  TemplateReader(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

  bool Word(WORD& w) {
    if (size_ - pos_ < 2) return false;
    w = WORD(bytes_[pos_] | (bytes_[pos_ + 1] << 8));
    pos_ += 2;
    return true;
  }
  bool String(std::u16string& s) {
    s.clear();
    for (WORD c; Word(c);) {
      if (c == 0) return true;
      s.push_back(char16_t(c));
    }
    return false;  // no terminator before the end
  }
  bool AtEnd() const { return pos_ >= size_; }
  void Skip(std::size_t n) { pos_ = n > size_ - pos_ ? size_ : pos_ + n; }

 private:
  const unsigned char* bytes_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Reads one level of items into `menu` up to the item marked MF_END.
bool ReadLevelLocked(State& s, TemplateReader& in, HMENU menu, int depth) {
  if (depth > kMaxTemplateDepth) return false;
  for (;;) {
    MenuItem item;
    WORD option;
    if (!in.Word(option)) return false;
    if (option & MF_POPUP) {
      if (!in.String(item.text)) return false;
      item.subMenu = NewMenuLocked(s, true);
      // Owned by the item from here on, so a failure below frees it too.
      item.flags = option & ~MF_END;
      s.menus[menu].items.push_back(item);
      if (!ReadLevelLocked(s, in, item.subMenu, depth + 1)) return false;
    } else {
      WORD id;
      if (!in.Word(id) || !in.String(item.text)) return false;
      item.id = id;
      item.flags = option & ~MF_END;
      // MENUITEM SEPARATOR is written as an item of id 0 without text.
      if (item.flags == 0 && id == 0 && item.text.empty()) item.flags = MF_SEPARATOR;
      s.menus[menu].items.push_back(item);
    }
    if (option & MF_END) return true;
  }
}

void WriteWord(std::string& out, WORD w) {
  out.push_back(char(w & 0xFF));
  out.push_back(char(w >> 8));
}

void WriteString(std::string& out, const std::u16string& s) {
  for (char16_t c : s) WriteWord(out, WORD(c));
  WriteWord(out, 0);
}

void WriteLevel(std::string& out, const std::vector<cmd::ui::MenuTemplateItem>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    const auto& item = items[i];
    WORD option = WORD(item.flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED));
    if (i + 1 == items.size()) option |= MF_END;
    if ((item.flags & MF_POPUP) || !item.items.empty()) {
      WriteWord(out, WORD(option | MF_POPUP));
      WriteString(out, item.text);
      if (item.items.empty())
        WriteLevel(out, {cmd::ui::MenuTemplateItem{}});  // a level needs one item
      else
        WriteLevel(out, item.items);
    } else {
      WriteWord(out, option);
      WriteWord(out, WORD(item.id));
      WriteString(out, item.text);
    }
  }
}

}  // namespace

namespace cmd::ui {

TrackPopupMenuHook SetTrackPopupMenuHook(TrackPopupMenuHook hook) {
  std::lock_guard<std::mutex> lock(g_hookMutex);
  std::swap(g_trackHook, hook);
  return hook;
}

std::string BuildMenuTemplate(const std::vector<MenuTemplateItem>& items) {
  std::string out;
  WriteWord(out, 0);  // version: a standard menu
  WriteWord(out, 0);  // header size: the items follow at once
  WriteLevel(out, items);
  return out;
}

}  // namespace cmd::ui

HMENU CreateMenu() {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return NewMenuLocked(s, false);
}

HMENU CreatePopupMenu() {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return NewMenuLocked(s, true);
}

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrSubMenu, LPCWSTR text) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  Menu* m = FindMenuLocked(s, menu);
  if (!m) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  MenuItem item;
  item.flags = flags & ~(MF_BYPOSITION | MF_END);
  item.text = text ? text : u"";
  if (flags & MF_POPUP) {
    HMENU sub = reinterpret_cast<HMENU>(idOrSubMenu);
    // A menu cannot hold itself, directly or through its sub-menus.
    if (!FindMenuLocked(s, sub) || ContainsLocked(s, sub, menu)) {
      SetLastError(ERROR_INVALID_MENU_HANDLE);
      return FALSE;
    }
    item.subMenu = sub;
  } else if (flags & MF_SEPARATOR) {
    item.text.clear();
  } else {
    item.id = static_cast<UINT>(idOrSubMenu);
  }
  m->items.push_back(std::move(item));
  return TRUE;
}

BOOL DestroyMenu(HMENU menu) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (!FindMenuLocked(s, menu)) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return FALSE;
  }
  // A sub-menu destroyed on its own leaves its parent's item without one.
  for (auto& [handle, m] : s.menus)
    for (MenuItem& item : m.items)
      if (item.subMenu == menu) item.subMenu = nullptr;
  DestroyMenuLocked(s, menu);
  return TRUE;
}

BOOL IsMenu(HMENU menu) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return FindMenuLocked(s, menu) != nullptr;
}

int GetMenuItemCount(HMENU menu) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  Menu* m = FindMenuLocked(s, menu);
  if (!m) {
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return -1;
  }
  return static_cast<int>(m->items.size());
}

UINT GetMenuItemID(HMENU menu, int position) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (position < 0) return kNoItem;
  MenuItem* item = FindItemLocked(s, menu, static_cast<UINT>(position), MF_BYPOSITION);
  if (!item || item->subMenu) return kNoItem;
  return item->id;
}

HMENU GetSubMenu(HMENU menu, int position) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (position < 0) return nullptr;
  MenuItem* item = FindItemLocked(s, menu, static_cast<UINT>(position), MF_BYPOSITION);
  return item ? item->subMenu : nullptr;
}

int GetMenuStringW(HMENU menu, UINT itemId, LPWSTR buffer, int maxCount, UINT flags) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  MenuItem* item = FindItemLocked(s, menu, itemId, flags);
  if (!item) {
    if (buffer && maxCount > 0) buffer[0] = 0;
    SetLastError(ERROR_MENU_ITEM_NOT_FOUND);
    return 0;
  }
  if (!buffer) return static_cast<int>(item->text.size());
  if (maxCount <= 0) return 0;
  std::size_t n = std::min<std::size_t>(item->text.size(), std::size_t(maxCount) - 1);
  item->text.copy(buffer, n);
  buffer[n] = 0;
  return static_cast<int>(n);
}

UINT GetMenuState(HMENU menu, UINT itemId, UINT flags) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  MenuItem* item = FindItemLocked(s, menu, itemId, flags);
  if (!item) return kNoItem;
  if (!item->subMenu) return item->flags;
  // For a pop-up, the high byte counts its items, as on Windows.
  Menu* sub = FindMenuLocked(s, item->subMenu);
  UINT count = sub ? static_cast<UINT>(std::min<std::size_t>(sub->items.size(), 0xFF)) : 0;
  return (count << 8) | (item->flags & 0xFF) | MF_POPUP;
}

HMENU LoadMenuIndirectW(const void* menuTemplate, std::size_t size) {
  if (!menuTemplate) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  TemplateReader in(static_cast<const unsigned char*>(menuTemplate), size);
  WORD version, headerSize;
  if (!in.Word(version) || !in.Word(headerSize) || version != 0) {
    SetLastError(ERROR_INVALID_DATA);  // extended menus are not read
    return nullptr;
  }
  in.Skip(headerSize);
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  HMENU menu = NewMenuLocked(s, false);
  if (!in.AtEnd() && !ReadLevelLocked(s, in, menu, 0)) {
    DestroyMenuLocked(s, menu);
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return menu;
}

HMENU LoadMenuW(HINSTANCE module, LPCWSTR name) {
  HRSRC resource = module && name ? FindResourceW(module, name, RT_MENU) : nullptr;
  if (!resource) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  HGLOBAL data = LoadResource(module, resource);
  return LoadMenuIndirectW(LockResource(data), SizeofResource(module, resource));
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  State& s = GetState();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!FindMenuLocked(s, menu)) {
      SetLastError(ERROR_INVALID_MENU_HANDLE);
      return FALSE;
    }
    if (!FindWindowLocked(s, owner)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
  }
  cmd::ui::TrackPopupMenuHook hook;
  {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    hook = g_trackHook;
  }
  UINT command = hook ? hook(menu, flags, x, y, owner) : 0;

  std::lock_guard<std::mutex> lock(s.mutex);
  // A person can only pick what the menu offers.
  if (command && !HasEnabledCommandLocked(s, menu, command)) command = 0;
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(command);
  if (command) PostLocked(s, owner, WM_COMMAND, MAKEWPARAM(WORD(command), 0), 0);
  return TRUE;
}

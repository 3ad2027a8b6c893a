// The headless user-interface model: windows and combo boxes, message
// queues across threads, the input method, menus; module resources and
// global memory blocks.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "cmddll3/platform/globalmem.h"
#include "cmddll3/platform/resources.h"
#include "cmddll3/platform/ui.h"

namespace {

std::u16string Text(HWND w) {
  char16_t buffer[64] = {};
  GetWindowTextW(w, buffer, 64);
  return buffer;
}

}  // namespace

// Text is cut to the caller's buffer; dialog items are direct children only;
// destroying a window destroys its children first-to-last; a combo box keeps
// its list and shows its selection.
TEST(UiWindows, TextControlsAndComboBoxes) {
  std::vector<HWND> destroyed;
  auto proc = [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_DESTROY) destroyed.push_back(h);
    return DefWindowProcW(h, m, wp, lp);
  };
  HWND dialog = cmd::ui::CreateTestWindow(u"#32770", u"", nullptr, 0, proc);
  HWND a = cmd::ui::CreateTestWindow(u"EDIT", u"abcdef", dialog, 5, proc);
  HWND b = cmd::ui::CreateTestWindow(u"STATIC", u"", a, 6, proc);
  char16_t small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(GetWindowTextW(a, small, 4), 3);
  EXPECT_EQ(std::u16string(small), u"abc");
  EXPECT_EQ(GetWindowTextW(a, small, 0), 0);
  EXPECT_EQ(GetWindowTextLengthW(a), 6);
  EXPECT_EQ(GetDlgItemTextW(dialog, 5, small, 4), 3u);
  EXPECT_EQ(GetDlgItem(dialog, 5), a);
  EXPECT_EQ(GetDlgItem(dialog, 6), nullptr);  // a grandchild is not a dialog item
  EXPECT_EQ(GetParent(b), a);
  EXPECT_TRUE(IsChild(dialog, b));
  EXPECT_FALSE(IsChild(b, dialog));
  EXPECT_EQ(GetDlgCtrlID(a), 5);
  EXPECT_TRUE(SetDlgItemTextW(dialog, 5, u"second"));
  CString s;
  CWnd::FromHandle(dialog)->GetDlgItem(5)->GetWindowTextW(s);
  EXPECT_EQ(s, u"second");
  EXPECT_EQ(CWnd::FromHandle(a), CWnd::FromHandle(a));
  EXPECT_TRUE(SetWindowTextW(b, nullptr));
  EXPECT_EQ(Text(b), u"");
  EXPECT_EQ(cmd::ui::CreateTestWindow(u"EDIT", u"", reinterpret_cast<HWND>(0x99), 1), nullptr);
  DestroyWindow(dialog);
  EXPECT_EQ(destroyed, (std::vector<HWND>{dialog, a, b}));
  EXPECT_FALSE(IsWindow(a) || IsWindow(b));
  EXPECT_EQ(GetWindowTextW(a, small, 4), 0);
  EXPECT_EQ(small[0], 0);
  EXPECT_FALSE(SetWindowTextW(a, u"gone"));

  HWND combo = cmd::ui::CreateTestWindow(u"ComboBox", u"");
  auto send = [&](UINT m, WPARAM wp = 0, const void* lp = nullptr) {
    return SendMessageW(combo, m, wp, reinterpret_cast<LPARAM>(lp));
  };
  char16_t item[8];
  EXPECT_EQ(send(CB_GETCURSEL), CB_ERR);
  EXPECT_EQ(send(CB_ADDSTRING, 0, u"[-a-]"), 0);
  EXPECT_EQ(send(CB_ADDSTRING, 0, u"[-c-]"), 1);
  EXPECT_EQ(send(CB_GETCOUNT), 2);
  EXPECT_EQ(send(CB_SETCURSEL, 1), 1);
  EXPECT_EQ(Text(combo), u"[-c-]");
  EXPECT_EQ(send(CB_GETLBTEXT, 0, item), 5);
  EXPECT_EQ(std::u16string(item), u"[-a-]");
  EXPECT_EQ(send(CB_GETLBTEXT, 2, item), CB_ERR);
  EXPECT_EQ(send(CB_GETLBTEXTLEN, 1), 5);
  EXPECT_EQ(send(CB_SETCURSEL, WPARAM(-1)), CB_ERR);
  EXPECT_EQ(Text(combo), u"");
  send(CB_SETCURSEL, 0);
  EXPECT_EQ(send(CB_RESETCONTENT), CB_OKAY);
  EXPECT_EQ(std::pair(send(CB_GETCOUNT), send(CB_GETCURSEL)), std::pair(LRESULT(0), LRESULT(CB_ERR)));
  EXPECT_EQ(Text(combo), u"");
  DestroyWindow(combo);
}

// Queues filter by window (and its descendants) and message range; another
// thread has its own queue and can post into this one; keys translate to
// characters by the shift state; a destroyed window's messages are dropped.
TEST(UiQueue, FiltersThreadsAndTranslation) {
  HWND parent = cmd::ui::CreateTestWindow(u"MAIN", u"");
  HWND child = cmd::ui::CreateTestWindow(u"EDIT", u"", parent, 1);
  HWND other = cmd::ui::CreateTestWindow(u"MAIN", u"");
  PostMessageW(other, WM_USER + 1, 0, 0);
  PostMessageW(child, WM_USER + 2, 0, 0);
  PostMessageW(nullptr, WM_USER + 3, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, parent, 0, 0, PM_NOREMOVE));  // a descendant's message
  EXPECT_EQ(msg.message, WM_USER + 2u);
  ASSERT_TRUE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 3u);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER + 5, WM_USER + 9, PM_REMOVE));
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, child);
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x77), WM_USER, 0, 0));
  std::thread worker([&] {
    MSG m;
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    PostMessageW(parent, WM_USER + 4, 44, 0);
    PostQuitMessage(0);
    EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), 0);
  });
  worker.join();
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, WM_USER + 1u);
  ASSERT_EQ(GetMessageW(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(std::pair(msg.message, msg.wParam), std::pair(WM_USER + 4u, WPARAM(44)));
  EXPECT_EQ(GetMessageW(&msg, reinterpret_cast<HWND>(0x77), 0, 0), -1);
  DestroyWindow(parent);
  DestroyWindow(other);

  std::vector<WPARAM> chars;
  HWND w = cmd::ui::CreateTestWindow(u"EDIT", u"", nullptr, 0,
                                     [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                                       if (m == WM_CHAR) chars.push_back(wp);
                                       return m == WM_USER ? 77 : DefWindowProcW(h, m, wp, lp);
                                     });
  SHORT shift = 0;
  SetKeyStateHook([&](int vk) { return vk == VK_SHIFT ? shift : SHORT(0); });
  for (WPARAM key : {WPARAM('A'), WPARAM('7'), WPARAM(VK_LEFT), WPARAM('B')}) {
    if (key == 'B') shift = SHORT(0x8000);
    MSG down{w, WM_KEYDOWN, key, 0, 0, {}};
    EXPECT_TRUE(TranslateMessage(&down));
  }
  MSG user{w, WM_USER, 0, 0, 0, {}};
  EXPECT_FALSE(TranslateMessage(&user));
  EXPECT_EQ(DispatchMessageW(&user), 77);
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(chars, (std::vector<WPARAM>{'a', '7', 'B'}));
  SetKeyStateHook({});
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
  PostMessageW(w, WM_USER, 0, 0);
  DestroyWindow(w);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));  // still queued
  EXPECT_EQ(DispatchMessageW(&msg), 0);                         // and dropped
}

// A window's own input context stays; an associated one replaces it until
// destroyed; the composition string is read in whole units.
TEST(UiIme, ContextsOfWindows) {
  HWND w = cmd::ui::CreateTestWindow(u"EDIT", u"");
  HIMC own = ImmGetContext(w);
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(ImmReleaseContext(w, own));
  EXPECT_FALSE(ImmDestroyContext(own));
  cmd::ui::SetCompositionString(own, u"かな");
  char16_t buffer[8];
  EXPECT_EQ(ImmGetCompositionStringW(own, GCS_COMPSTR, nullptr, 0), 4);
  EXPECT_EQ(ImmGetCompositionStringW(own, GCS_COMPSTR, buffer, 3), 2);  // one whole unit
  EXPECT_EQ(buffer[0], u'か');
  EXPECT_EQ(ImmGetCompositionStringW(own, GCS_RESULTSTR, buffer, 16), 0);
  EXPECT_EQ(ImmGetCompositionStringW(own, 0x1234, buffer, 16), IMM_ERROR_GENERAL);
  HIMC mine = ImmCreateContext();
  EXPECT_EQ(ImmAssociateContext(w, mine), own);
  EXPECT_TRUE(ImmSetOpenStatus(mine, TRUE));
  EXPECT_TRUE(ImmGetOpenStatus(ImmGetContext(w)));
  EXPECT_FALSE(ImmReleaseContext(w, own));
  EXPECT_TRUE(ImmDestroyContext(mine));
  EXPECT_EQ(ImmGetContext(w), nullptr);
  EXPECT_FALSE(ImmSetOpenStatus(mine, TRUE));
  EXPECT_EQ(ImmGetCompositionStringW(nullptr, GCS_COMPSTR, buffer, 16), IMM_ERROR_GENERAL);
  DestroyWindow(w);
  EXPECT_FALSE(ImmGetOpenStatus(own));
}

// Menu templates round trip, and every truncated, extended or too deep one
// is refused without reading past its end; built menus, the pick of a popup
// (a disabled or unknown item is none), menus from resources.
TEST(UiMenus, TemplatesBuiltMenusAndTheirChoice) {
  using Item = cmd::ui::MenuTemplateItem;
  std::string bytes = cmd::ui::BuildMenuTemplate(
      {Item{u"&File", {Item{u"Open", 10}, Item{}, Item{u"Exit", 11, MF_GRAYED}}}, Item{u"Help", 20}});
  HMENU menu = LoadMenuIndirectW(bytes.data(), bytes.size());
  ASSERT_NE(menu, nullptr);
  HMENU file = GetSubMenu(menu, 0);
  EXPECT_EQ(std::vector<UINT>({UINT(GetMenuItemCount(menu)), GetMenuItemID(menu, 0),
                               GetMenuItemID(menu, 1), UINT(GetMenuItemCount(file))}),
            std::vector<UINT>({2, UINT(-1), 20, 3}));
  EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION), MF_SEPARATOR);
  EXPECT_EQ(GetMenuState(menu, 11, MF_BYCOMMAND), MF_GRAYED);
  EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION), (3u << 8) | MF_POPUP);
  EXPECT_EQ(GetMenuStringW(menu, 10, nullptr, 0, MF_BYCOMMAND), 4);
  DestroyMenu(menu);
  EXPECT_FALSE(IsMenu(file));
  for (std::size_t n = 5; n < bytes.size(); ++n) {
    std::vector<char> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    EXPECT_EQ(LoadMenuIndirectW(cut.data(), cut.size()), nullptr) << n;
  }
  std::string deep = std::string(4, '\0');
  for (int i = 0; i < 100; ++i) deep += std::string("\x10\x00\x41\x00\x00\x00", 6);
  for (const std::string& bad : {std::string("\x01\x00\x04\x00", 4), deep})
    EXPECT_EQ(LoadMenuIndirectW(bad.data(), bad.size()), nullptr);

  HMENU bar = CreateMenu(), popup = CreatePopupMenu();
  EXPECT_TRUE(AppendMenuW(popup, MF_STRING, 7, u"Seven"));
  EXPECT_TRUE(AppendMenuW(popup, MF_STRING | MF_DISABLED, 8, u"Eight"));
  EXPECT_TRUE(AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), u"Menu"));
  EXPECT_FALSE(AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(bar), u"Loop"));
  HWND owner = cmd::ui::CreateTestWindow(u"MAIN", u"");
  UINT pick = 7;
  cmd::ui::SetTrackPopupMenuHook([&](HMENU, UINT, int, int, HWND) { return pick; });
  const std::pair<UINT, BOOL> picks[] = {{7, 7}, {8, 0}};  // 8 is disabled
  for (auto [chosen, result] : picks) {
    pick = chosen;
    EXPECT_EQ(TrackPopupMenu(bar, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), result);
  }
  MSG msg;
  pick = 99;  // not in the menu: nothing is posted
  EXPECT_EQ(TrackPopupMenu(popup, 0, 0, 0, 0, owner, nullptr), TRUE);
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  pick = 7;
  EXPECT_EQ(TrackPopupMenu(popup, 0, 0, 0, 0, owner, nullptr), TRUE);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(std::tuple(msg.hwnd, msg.message, msg.wParam), std::tuple(owner, UINT(WM_COMMAND), WPARAM(7)));
  EXPECT_FALSE(TrackPopupMenu(popup, 0, 0, 0, 0, nullptr, nullptr));
  cmd::ui::SetTrackPopupMenuHook({});
  EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 0);
  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(IsMenu(popup));
  EXPECT_FALSE(TrackPopupMenu(popup, 0, 0, 0, 0, owner, nullptr));
  DestroyWindow(owner);

  HINSTANCE module = cmd::res::NewModuleHandle();
  cmd::res::Register(module, RT_MENU, u"Context", cmd::ui::BuildMenuTemplate({{u"x", 3}}));
  menu = LoadMenuW(module, u"context");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemID(menu, 0), 3u);
  DestroyMenu(menu);
  EXPECT_EQ(LoadMenuW(module, u"other"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  cmd::res::Register(module, RT_MENU, MAKEINTRESOURCEW(9), "junk");
  EXPECT_EQ(LoadMenuW(module, MAKEINTRESOURCEW(9)), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
  cmd::res::RemoveModule(module);
}

// The resource chain finds the module holding a resource, else the first;
// strings are cut to the buffer; fixed and moveable memory blocks lock,
// unlock and free as Windows counts them.
TEST(UiResources, ChainStringsAndGlobalMemory) {
  const std::vector<HINSTANCE> loaded = cmd::res::Chain();  // the library's own module
  for (HINSTANCE m : loaded) cmd::res::RemoveFromChain(m);
  HINSTANCE program = cmd::res::NewModuleHandle(), extension = cmd::res::NewModuleHandle();
  for (HINSTANCE m : {program, extension, program}) cmd::res::AddToChain(m);  // once only
  cmd::res::Register(extension, RT_MENU, MAKEINTRESOURCEW(7), "menu");
  EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCEW(7), RT_MENU), extension);
  EXPECT_EQ(AfxFindResourceHandle(MAKEINTRESOURCEW(8), RT_MENU), program);
  EXPECT_EQ(cmd::res::Chain().size(), 2u);
  cmd::res::RegisterString(program, 5, u"工事材料");
  char16_t buffer[3];
  EXPECT_EQ(LoadStringW(program, 5, buffer, 3), 2);
  EXPECT_EQ(std::u16string(buffer), u"工事");
  EXPECT_EQ(LoadStringW(program, 6, buffer, 3), 0);
  EXPECT_EQ(buffer[0], 0);
  cmd::res::RemoveModule(program);
  cmd::res::RemoveModule(extension);
  EXPECT_TRUE(cmd::res::Chain().empty());
  for (HINSTANCE m : loaded) cmd::res::AddToChain(m);

  HGLOBAL fixed = GlobalAlloc(GPTR, 16);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(GlobalLock(fixed), fixed);
  EXPECT_EQ(static_cast<unsigned char*>(fixed)[15], 0);
  EXPECT_EQ(GlobalSize(fixed), 16u);
  EXPECT_EQ(GlobalFree(fixed), nullptr);
  HGLOBAL moveable = GlobalAlloc(GHND, 8);
  void* p = GlobalLock(moveable);
  ASSERT_NE(p, nullptr);
  EXPECT_NE(p, moveable);
  EXPECT_EQ(GlobalLock(moveable), p);
  for (BOOL locked : {TRUE, FALSE, FALSE}) EXPECT_EQ(GlobalUnlock(moveable), locked);  // 2, 1, 0 locks
  EXPECT_EQ(GlobalFree(moveable), nullptr);
  EXPECT_EQ(GlobalFree(moveable), moveable);  // no longer a block
  EXPECT_EQ(GlobalLock(moveable), nullptr);
  EXPECT_EQ(GlobalSize(moveable), 0u);
}

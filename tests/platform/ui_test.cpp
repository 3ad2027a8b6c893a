// The headless user-interface model: windows and combo boxes, message
// queues across threads, the input method, menus and menu resources.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "cmddll3/platform/resources.h"
#include "cmddll3/platform/ui.h"

namespace {

std::u16string Text(HWND w) {
  char16_t buffer[64] = {};
  GetWindowTextW(w, buffer, 64);
  return buffer;
}

}  // namespace

TEST(UiWindows, TextIsCutToTheCallersBuffer) {
  HWND w = cmd::ui::CreateTestWindow(u"EDIT", u"abcdef");
  char16_t small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ(GetWindowTextW(w, small, 4), 3);
  EXPECT_EQ(std::u16string(small), u"abc");
  EXPECT_EQ(GetWindowTextW(w, small, 0), 0);
  EXPECT_EQ(GetWindowTextLengthW(w), 6);
  EXPECT_TRUE(SetWindowTextW(w, nullptr));
  EXPECT_EQ(Text(w), u"");
  DestroyWindow(w);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(GetWindowTextW(w, small, 4), 0);
  EXPECT_EQ(small[0], 0);
  EXPECT_FALSE(SetWindowTextW(w, u"gone"));
}

TEST(UiWindows, ControlsOfADialog) {
  std::vector<HWND> destroyed;
  auto proc = [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_DESTROY) destroyed.push_back(h);
    return DefWindowProcW(h, m, wp, lp);
  };
  HWND dialog = cmd::ui::CreateTestWindow(u"#32770", u"", nullptr, 0, proc);
  HWND a = cmd::ui::CreateTestWindow(u"EDIT", u"first", dialog, 5, proc);
  HWND b = cmd::ui::CreateTestWindow(u"STATIC", u"", a, 6, proc);
  EXPECT_EQ(GetDlgItem(dialog, 5), a);
  EXPECT_EQ(GetDlgItem(dialog, 6), nullptr);  // a grandchild is not a dialog item
  EXPECT_EQ(GetParent(b), a);
  EXPECT_TRUE(IsChild(dialog, b));
  EXPECT_FALSE(IsChild(b, dialog));
  EXPECT_EQ(GetDlgCtrlID(a), 5);
  char16_t text[16];
  EXPECT_EQ(GetDlgItemTextW(dialog, 5, text, 16), 5u);
  EXPECT_TRUE(SetDlgItemTextW(dialog, 5, u"second"));
  CString s;
  CWnd::FromHandle(dialog)->GetDlgItem(5)->GetWindowTextW(s);
  EXPECT_EQ(s, u"second");
  EXPECT_EQ(CWnd::FromHandle(a), CWnd::FromHandle(a));
  EXPECT_EQ(cmd::ui::CreateTestWindow(u"EDIT", u"", reinterpret_cast<HWND>(0x99), 1), nullptr);

  DestroyWindow(dialog);
  EXPECT_EQ(destroyed, (std::vector<HWND>{dialog, a, b}));
  EXPECT_FALSE(IsWindow(a));
  EXPECT_FALSE(IsWindow(b));
}

TEST(UiWindows, ComboBoxKeepsItsListAndSelection) {
  HWND combo = cmd::ui::CreateTestWindow(u"ComboBox", u"");
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"[-a-]")), 0);
  EXPECT_EQ(SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"[-c-]")), 1);
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 1, 0), 1);
  EXPECT_EQ(Text(combo), u"[-c-]");
  char16_t item[8];
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item)), 5);
  EXPECT_EQ(std::u16string(item), u"[-a-]");
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(item)), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXTLEN, 1, 0), 5);
  EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, WPARAM(-1), 0), CB_ERR);
  EXPECT_EQ(Text(combo), u"");
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  EXPECT_EQ(SendMessageW(combo, CB_RESETCONTENT, 0, 0), CB_OKAY);
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(Text(combo), u"");
  DestroyWindow(combo);
}

TEST(UiQueue, FiltersAndThreadQueues) {
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

  // Another thread has its own queue, and can post into this one.
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
  EXPECT_EQ(msg.message, WM_USER + 4u);
  EXPECT_EQ(msg.wParam, 44u);
  EXPECT_EQ(GetMessageW(&msg, reinterpret_cast<HWND>(0x77), 0, 0), -1);
  DestroyWindow(parent);
  DestroyWindow(other);
}

TEST(UiQueue, TranslationAndDispatch) {
  std::vector<WPARAM> chars;
  HWND w = cmd::ui::CreateTestWindow(u"EDIT", u"", nullptr, 0,
                                     [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                                       if (m == WM_CHAR) chars.push_back(wp);
                                       return m == WM_USER ? 77 : DefWindowProcW(h, m, wp, lp);
                                     });
  SHORT shift = 0;
  SetKeyStateHook([&](int vk) { return vk == VK_SHIFT ? shift : SHORT(0); });
  for (WPARAM key : {WPARAM('A'), WPARAM('7'), WPARAM(VK_LEFT)}) {
    MSG down{w, WM_KEYDOWN, key, 0, 0, {}};
    EXPECT_TRUE(TranslateMessage(&down));
  }
  shift = SHORT(0x8000);
  MSG up{w, WM_KEYDOWN, 'B', 0, 0, {}};
  TranslateMessage(&up);
  MSG other{w, WM_USER, 0, 0, 0, {}};
  EXPECT_FALSE(TranslateMessage(&other));
  EXPECT_EQ(DispatchMessageW(&other), 77);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(chars, (std::vector<WPARAM>{'a', '7', 'B'}));
  SetKeyStateHook({});
  EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);

  PostMessageW(w, WM_USER, 0, 0);
  DestroyWindow(w);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));  // still queued
  EXPECT_EQ(DispatchMessageW(&msg), 0);                         // and dropped
}

TEST(UiIme, ContextsOfWindows) {
  HWND w = cmd::ui::CreateTestWindow(u"EDIT", u"");
  HIMC own = ImmGetContext(w);
  ASSERT_NE(own, nullptr);
  EXPECT_TRUE(ImmReleaseContext(w, own));
  EXPECT_FALSE(ImmDestroyContext(own));  // a window's own context stays
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

TEST(UiMenus, TemplatesRoundTripAndBadOnesAreRefused) {
  using Item = cmd::ui::MenuTemplateItem;
  std::string bytes = cmd::ui::BuildMenuTemplate(
      {Item{u"&File", {Item{u"Open", 10}, Item{}, Item{u"Exit", 11, MF_GRAYED}}},
       Item{u"Help", 20}});
  HMENU menu = LoadMenuIndirectW(bytes.data(), bytes.size());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(GetMenuItemCount(menu), 2);
  EXPECT_EQ(GetMenuItemID(menu, 0), UINT(-1));
  EXPECT_EQ(GetMenuItemID(menu, 1), 20u);
  HMENU file = GetSubMenu(menu, 0);
  EXPECT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION), MF_SEPARATOR);
  EXPECT_EQ(GetMenuState(menu, 11, MF_BYCOMMAND), MF_GRAYED);
  EXPECT_EQ(GetMenuState(menu, 0, MF_BYPOSITION), (3u << 8) | MF_POPUP);
  EXPECT_EQ(GetMenuStringW(menu, 10, nullptr, 0, MF_BYCOMMAND), 4);
  DestroyMenu(menu);
  EXPECT_FALSE(IsMenu(file));

  // Every truncation of the template is refused, never read past its end.
  for (std::size_t n = 5; n < bytes.size(); ++n) {
    std::vector<char> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    EXPECT_EQ(LoadMenuIndirectW(cut.data(), cut.size()), nullptr) << n;
  }
  std::string extended = "\x01\x00\x04\x00";
  EXPECT_EQ(LoadMenuIndirectW(extended.data(), extended.size()), nullptr);
  std::string deep = std::string(4, '\0');
  for (int i = 0; i < 100; ++i) deep += std::string("\x10\x00\x41\x00\x00\x00", 6);
  EXPECT_EQ(LoadMenuIndirectW(deep.data(), deep.size()), nullptr);
}

TEST(UiMenus, BuiltMenusAndTheirChoice) {
  HMENU bar = CreateMenu();
  HMENU popup = CreatePopupMenu();
  EXPECT_TRUE(AppendMenuW(popup, MF_STRING, 7, u"Seven"));
  EXPECT_TRUE(AppendMenuW(popup, MF_STRING | MF_DISABLED, 8, u"Eight"));
  EXPECT_TRUE(AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), u"Menu"));
  EXPECT_FALSE(AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(bar), u"Loop"));

  HWND owner = cmd::ui::CreateTestWindow(u"MAIN", u"");
  UINT pick = 7;
  cmd::ui::SetTrackPopupMenuHook([&](HMENU, UINT, int, int, HWND) { return pick; });
  EXPECT_EQ(TrackPopupMenu(bar, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 7);
  pick = 8;  // disabled: cannot be picked
  EXPECT_EQ(TrackPopupMenu(bar, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 0);
  pick = 99;  // not in the menu
  EXPECT_EQ(TrackPopupMenu(popup, 0, 0, 0, 0, owner, nullptr), TRUE);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  pick = 7;
  EXPECT_EQ(TrackPopupMenu(popup, 0, 0, 0, 0, owner, nullptr), TRUE);
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, owner);
  EXPECT_EQ(msg.message, WM_COMMAND);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(TrackPopupMenu(popup, 0, 0, 0, 0, nullptr, nullptr));
  cmd::ui::SetTrackPopupMenuHook({});
  EXPECT_EQ(TrackPopupMenu(popup, TPM_RETURNCMD, 0, 0, 0, owner, nullptr), 0);
  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(IsMenu(popup));
  EXPECT_FALSE(TrackPopupMenu(popup, 0, 0, 0, 0, owner, nullptr));
  DestroyWindow(owner);

  // Menus from resources.
  HINSTANCE module = cmd::res::NewModuleHandle();
  cmd::res::Register(module, RT_MENU, u"Context", cmd::ui::BuildMenuTemplate({{u"x", 3}}));
  HMENU menu = LoadMenuW(module, u"context");
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

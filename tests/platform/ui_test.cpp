// The headless user-interface model: windows and combo boxes, message
// queues across threads, the input method, menus; module resources and
// global memory blocks. Sequences of calls are checked as one record of
// their results, in the order made.
#include <gtest/gtest.h>

#include <thread>

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
// a window is destroyed before its children; a combo box keeps its list and
// shows its selection.
TEST(UiWindows, TextControlsComboBoxesAndInputContexts) {
  std::vector<HWND> destroyed;
  auto proc = [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m == WM_DESTROY) destroyed.push_back(h);
    return DefWindowProcW(h, m, wp, lp);
  };
  HWND dialog = cmd::ui::CreateTestWindow(u"#32770", u"", nullptr, 0, proc);
  HWND a = cmd::ui::CreateTestWindow(u"EDIT", u"abcdef", dialog, 5, proc);
  HWND b = cmd::ui::CreateTestWindow(u"STATIC", u"", a, 6, proc);
  char16_t small[4] = {u'x', u'x', u'x', u'x'};
  EXPECT_EQ((std::vector<int>{GetWindowTextW(a, small, 4), GetWindowTextW(a, small, 0), GetWindowTextLengthW(a),
                              int(GetDlgItemTextW(dialog, 5, small, 4)), GetDlgCtrlID(a)}),
            (std::vector<int>{3, 0, 6, 3, 5}));
  EXPECT_EQ(std::u16string(small), u"abc");
  EXPECT_EQ(std::tuple(GetDlgItem(dialog, 5), GetDlgItem(dialog, 6), GetParent(b)), std::tuple(a, HWND(), a));
  EXPECT_TRUE(IsChild(dialog, b) && !IsChild(b, dialog));
  EXPECT_TRUE(SetDlgItemTextW(dialog, 5, u"second") && SetWindowTextW(b, nullptr));
  CString s;
  CWnd::FromHandle(dialog)->GetDlgItem(5)->GetWindowTextW(s);
  EXPECT_EQ(std::pair(s, Text(b)), std::pair(CString(u"second"), std::u16string()));
  EXPECT_EQ(CWnd::FromHandle(a), CWnd::FromHandle(a));
  EXPECT_EQ(cmd::ui::CreateTestWindow(u"EDIT", u"", reinterpret_cast<HWND>(0x99), 1), nullptr);
  DestroyWindow(dialog);
  EXPECT_EQ(destroyed, (std::vector<HWND>{dialog, a, b}));
  EXPECT_FALSE(IsWindow(a) || IsWindow(b) || SetWindowTextW(a, u"gone"));
  EXPECT_EQ((std::pair<int, char16_t>{GetWindowTextW(a, small, 4), small[0]}), std::pair(0, u'\0'));

  HWND combo = cmd::ui::CreateTestWindow(u"ComboBox", u"");
  auto send = [&](UINT m, WPARAM wp = 0, const void* lp = nullptr) {
    return SendMessageW(combo, m, wp, reinterpret_cast<LPARAM>(lp));
  };
  char16_t item[8] = {};
  // No selection; two items added and counted; the second selected; an
  // item's text, one past the end, a length; no selection again.
  EXPECT_EQ((std::vector<LRESULT>{send(CB_GETCURSEL), send(CB_ADDSTRING, 0, u"[-a-]"), send(CB_ADDSTRING, 0, u"[-c-]"),
                                  send(CB_GETCOUNT), send(CB_SETCURSEL, 1), send(CB_GETLBTEXT, 0, item),
                                  send(CB_GETLBTEXT, 2, item), send(CB_GETLBTEXTLEN, 1)}),
            (std::vector<LRESULT>{CB_ERR, 0, 1, 2, 1, 5, CB_ERR, 5}));
  EXPECT_EQ(Text(combo) + u"|" + item, u"[-c-]|[-a-]");
  EXPECT_EQ(send(CB_SETCURSEL, WPARAM(-1)), CB_ERR);
  EXPECT_EQ(Text(combo), u"");
  send(CB_SETCURSEL, 0);
  EXPECT_EQ((std::vector<LRESULT>{send(CB_RESETCONTENT), send(CB_GETCOUNT), send(CB_GETCURSEL)}),
            (std::vector<LRESULT>{CB_OKAY, 0, CB_ERR}));
  EXPECT_EQ(Text(combo), u"");
  DestroyWindow(combo);

  // A window's own input context stays; an associated one replaces it until
  // destroyed; the composition string is read in whole units.
  HWND w = cmd::ui::CreateTestWindow(u"EDIT", u"");
  HIMC own = ImmGetContext(w);
  ASSERT_NE(own, nullptr);
  cmd::ui::SetCompositionString(own, u"かな");
  char16_t buffer[8] = {};
  // Released but not destroyed; the composition's size in bytes, then read
  // into 3 bytes (one whole unit); no result string; an unknown index.
  EXPECT_EQ((std::vector<LONG>{ImmReleaseContext(w, own), ImmDestroyContext(own),
                               ImmGetCompositionStringW(own, GCS_COMPSTR, nullptr, 0),
                               ImmGetCompositionStringW(own, GCS_COMPSTR, buffer, 3),
                               ImmGetCompositionStringW(own, GCS_RESULTSTR, buffer + 2, 16),
                               ImmGetCompositionStringW(own, 0x1234, buffer + 2, 16),
                               ImmGetCompositionStringW(nullptr, GCS_COMPSTR, buffer + 2, 16)}),
            (std::vector<LONG>{TRUE, FALSE, 4, 2, 0, IMM_ERROR_GENERAL, IMM_ERROR_GENERAL}));
  EXPECT_EQ(buffer[0], u'か');
  HIMC mine = ImmCreateContext();
  EXPECT_EQ(ImmAssociateContext(w, mine), own);
  EXPECT_TRUE(ImmSetOpenStatus(mine, TRUE) && ImmGetOpenStatus(ImmGetContext(w)));
  EXPECT_FALSE(ImmReleaseContext(w, own));
  EXPECT_TRUE(ImmDestroyContext(mine));
  EXPECT_EQ(ImmGetContext(w), nullptr);
  EXPECT_FALSE(ImmSetOpenStatus(mine, TRUE));
  DestroyWindow(w);
  EXPECT_FALSE(ImmGetOpenStatus(own));
}

// Queues filter by window (with its descendants) and message range; another
// thread has its own queue and can post into this one; keys translate to
// characters by the shift state; a destroyed window's messages are dropped.
TEST(UiQueue, FiltersThreadsAndTranslation) {
  HWND parent = cmd::ui::CreateTestWindow(u"MAIN", u"");
  HWND child = cmd::ui::CreateTestWindow(u"EDIT", u"", parent, 1);
  HWND other = cmd::ui::CreateTestWindow(u"MAIN", u"");
  EXPECT_TRUE(PostMessageW(other, WM_USER + 1, 0, 0) && PostMessageW(child, WM_USER + 2, 0, 0) &&
              PostMessageW(nullptr, WM_USER + 3, 0, 0));
  EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x77), WM_USER, 0, 0));
  MSG msg;
  auto peek = [&](HWND w, UINT first, UINT last, UINT flags) {  // the WM_USER offset, or -1 for none
    return PeekMessageW(&msg, w, first, last, flags) ? int(msg.message - WM_USER) : -1;
  };
  // A descendant's message, left queued; a thread message; none in a range; one exact message.
  EXPECT_EQ((std::vector<int>{peek(parent, 0, 0, PM_NOREMOVE), peek(reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE),
                              peek(nullptr, WM_USER + 5, WM_USER + 9, PM_REMOVE),
                              peek(nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE)}),
            (std::vector<int>{2, 3, -1, 2}));
  EXPECT_EQ(msg.hwnd, child);
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
  HWND w = cmd::ui::CreateTestWindow(u"EDIT", u"", nullptr, 0, [&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
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


// Menu templates round trip, and every truncated, extended or too deep one
// is refused without reading past its end; built menus, the pick of a popup
// (a disabled or unknown item is none), menus from resources.
TEST(UiMenus, TemplatesChoicesResourcesAndMemory) {
  using Item = cmd::ui::MenuTemplateItem;
  std::string bytes = cmd::ui::BuildMenuTemplate(
      {Item{u"&File", {Item{u"Open", 10}, Item{}, Item{u"Exit", 11, MF_GRAYED}}}, Item{u"Help", 20}});
  HMENU menu = LoadMenuIndirectW(bytes.data(), bytes.size());
  ASSERT_NE(menu, nullptr);
  HMENU file = GetSubMenu(menu, 0);
  // Counts, identifiers (none for a popup), states (a popup's holds its count), a length.
  EXPECT_EQ((std::vector<UINT>{UINT(GetMenuItemCount(menu)), GetMenuItemID(menu, 0), GetMenuItemID(menu, 1),
                               UINT(GetMenuItemCount(file)), GetMenuState(file, 1, MF_BYPOSITION),
                               GetMenuState(menu, 11, MF_BYCOMMAND), GetMenuState(menu, 0, MF_BYPOSITION),
                               UINT(GetMenuStringW(menu, 10, nullptr, 0, MF_BYCOMMAND))}),
            (std::vector<UINT>{2, UINT(-1), 20, 3, MF_SEPARATOR, MF_GRAYED, (3u << 8) | MF_POPUP, 4}));
  DestroyMenu(menu);
  EXPECT_FALSE(IsMenu(file));
  for (std::size_t n = 5; n < bytes.size(); ++n) {
    std::vector<char> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    EXPECT_EQ(LoadMenuIndirectW(cut.data(), cut.size()), nullptr) << n;
  }
  std::string deep = std::string(4, '\0');
  for (int i = 0; i < 100; ++i) deep += std::string("\x10\x00\x41\x00\x00\x00", 6);
  for (const std::string& bad : {std::string("\x01"), std::string("\x01\x00\x04\x00", 4), deep})
    EXPECT_EQ(LoadMenuIndirectW(bad.data(), bad.size()), nullptr);

  HMENU bar = CreateMenu(), popup = CreatePopupMenu();
  EXPECT_TRUE(AppendMenuW(popup, MF_STRING, 7, u"Seven") && AppendMenuW(popup, MF_STRING | MF_DISABLED, 8, u"Eight") &&
              AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), u"Menu"));
  EXPECT_FALSE(AppendMenuW(popup, MF_POPUP, reinterpret_cast<UINT_PTR>(bar), u"Loop"));
  HWND owner = cmd::ui::CreateTestWindow(u"MAIN", u"");
  UINT pick = 7;
  cmd::ui::SetTrackPopupMenuHook([&](HMENU, UINT, int, int, HWND) { return pick; });
  auto track = [&](HMENU m, UINT chosen, UINT flags = 0) {
    pick = chosen;
    return TrackPopupMenu(m, flags, 0, 0, 0, owner, nullptr);
  };
  MSG msg;
  // Returned: the pick, none for a disabled item. Posted: nothing for an
  // item not in the menu, else a command to the owner.
  EXPECT_EQ((std::vector<BOOL>{track(bar, 7, TPM_RETURNCMD), track(bar, 8, TPM_RETURNCMD), track(popup, 99),
                               PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE), track(popup, 7),
                               PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)}),
            (std::vector<BOOL>{7, 0, TRUE, FALSE, TRUE, TRUE}));
  EXPECT_EQ(std::tuple(msg.hwnd, msg.message, msg.wParam), std::tuple(owner, UINT(WM_COMMAND), WPARAM(7)));
  EXPECT_FALSE(TrackPopupMenu(popup, 0, 0, 0, 0, nullptr, nullptr));  // no owner window
  cmd::ui::SetTrackPopupMenuHook({});
  EXPECT_EQ(track(popup, 7, TPM_RETURNCMD), 0);
  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(IsMenu(popup) || track(popup, 7));
  DestroyWindow(owner);

  HINSTANCE module = cmd::res::NewModuleHandle();
  cmd::res::Register(module, RT_MENU, u"Context", cmd::ui::BuildMenuTemplate({{u"x", 3}}));
  cmd::res::Register(module, RT_MENU, MAKEINTRESOURCEW(9), "junk");
  menu = LoadMenuW(module, u"context");
  EXPECT_EQ(GetMenuItemID(menu, 0), 3u);
  DestroyMenu(menu);
  EXPECT_EQ((std::pair<HMENU, DWORD>{LoadMenuW(module, u"other"), GetLastError()}),
            std::pair(HMENU(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND)));
  EXPECT_EQ((std::pair<HMENU, DWORD>{LoadMenuW(module, MAKEINTRESOURCEW(9)), GetLastError()}),
            std::pair(HMENU(), DWORD(ERROR_INVALID_DATA)));
  cmd::res::RemoveModule(module);

  // The resource chain finds the module holding a resource, else the first;
  // strings are cut to the buffer; fixed and moveable memory blocks lock,
  // unlock and free as Windows counts them.
  const std::vector<HINSTANCE> loaded = cmd::res::Chain();  // the library's own module
  for (HINSTANCE m : loaded) cmd::res::RemoveFromChain(m);
  HINSTANCE program = cmd::res::NewModuleHandle(), extension = cmd::res::NewModuleHandle();
  for (HINSTANCE m : {program, extension, program}) cmd::res::AddToChain(m);  // once only
  cmd::res::Register(extension, RT_MENU, MAKEINTRESOURCEW(7), "menu");
  EXPECT_EQ(std::tuple(AfxFindResourceHandle(MAKEINTRESOURCEW(7), RT_MENU),
                       AfxFindResourceHandle(MAKEINTRESOURCEW(8), RT_MENU), cmd::res::Chain().size()),
            std::tuple(extension, program, std::size_t(2)));
  cmd::res::RegisterString(program, 5, u"工事材料");
  char16_t buffer[3];
  EXPECT_EQ(LoadStringW(program, 5, buffer, 3), 2);
  EXPECT_EQ(std::u16string(buffer), u"工事");
  EXPECT_EQ((std::pair<int, char16_t>{LoadStringW(program, 6, buffer, 3), buffer[0]}), std::pair(0, u'\0'));
  cmd::res::RemoveModule(program);
  cmd::res::RemoveModule(extension);
  EXPECT_TRUE(cmd::res::Chain().empty());
  for (HINSTANCE m : loaded) cmd::res::AddToChain(m);

  HGLOBAL fixed = GlobalAlloc(GPTR, 16);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(GlobalLock(fixed), fixed);
  EXPECT_EQ(std::pair(int(static_cast<unsigned char*>(fixed)[15]), GlobalSize(fixed)), std::pair(0, SIZE_T(16)));
  EXPECT_EQ(GlobalFree(fixed), nullptr);
  HGLOBAL moveable = GlobalAlloc(GHND, 8);
  void* p = GlobalLock(moveable);
  ASSERT_NE(p, nullptr);
  EXPECT_NE(p, moveable);
  EXPECT_EQ(GlobalLock(moveable), p);
  // Unlocked to one lock, to none, not locked; freed, no longer a block.
  EXPECT_EQ((std::vector<BOOL>{GlobalUnlock(moveable), GlobalUnlock(moveable), GlobalUnlock(moveable)}),
            (std::vector<BOOL>{TRUE, FALSE, FALSE}));
  EXPECT_EQ((std::vector<HGLOBAL>{GlobalFree(moveable), GlobalFree(moveable), GlobalLock(moveable)}),
            (std::vector<HGLOBAL>{nullptr, moveable, nullptr}));
  EXPECT_EQ(GlobalSize(moveable), 0u);
}

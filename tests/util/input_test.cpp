// Keyboard, input-method and menu helpers over the headless window model,
// and the rectangle conversions.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "cmddll3/cmddll3.h"

using Seen = std::vector<std::string>;

namespace {

// Windows numbered from 1 whose procedures record what they receive as
// "window:message:wParam", in order.
class InputTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetKeyStateHook({});
    cmd::ui::SetTrackPopupMenuHook({});
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    for (HWND w : windows_) DestroyWindow(w);
  }
  HWND Window(const char16_t* cls, HWND parent = nullptr, int id = 0) {
    auto proc = [this, n = ++count_](HWND h, UINT m, WPARAM wp, LPARAM lp) {
      if (m != WM_CREATE && m != WM_DESTROY) seen_.push_back(Msg(n, m, wp));
      return DefWindowProcW(h, m, wp, lp);
    };
    HWND w = cmd::ui::CreateTestWindow(cls, u"", parent, id, proc);
    if (!parent) windows_.push_back(w);
    return w;
  }
  static std::string Msg(int window, UINT message, WPARAM wParam) {
    return std::to_string(window) + ":" + std::to_string(message) + ":" + std::to_string(wParam);
  }

  std::vector<HWND> windows_;
  Seen seen_;
  int count_ = 0;
};

}  // namespace

TEST_F(InputTest, CompositionTextAndOpenState) {
  HWND edit = Window(u"EDIT"), other = Window(u"EDIT");
  EXPECT_EQ(IMEgetstring(edit), u"");
  cmd::ui::SetCompositionString(ImmGetContext(edit), u"みつもり");
  EXPECT_EQ(IMEgetstring(edit), u"みつもり");
  cmd::ui::SetCompositionString(ImmGetContext(edit), std::u16string(200, u'あ'));
  EXPECT_EQ(IMEgetstring(edit), CString(u'あ', 130));  // at most 130 units
  EXPECT_FALSE(IMEstate(edit));
  EXPECT_TRUE(IMEopen(edit, TRUE));
  EXPECT_TRUE(IMEstate(edit));
  EXPECT_FALSE(IMEstate(other));
  EXPECT_TRUE(IMEopen(edit, FALSE));
  EXPECT_FALSE(IMEstate(edit));
  // Windows without an input context.
  ImmAssociateContext(edit, nullptr);
  EXPECT_EQ(IMEgetstring(edit), u"");
  EXPECT_EQ(IMEgetstring(nullptr), u"");
  EXPECT_FALSE(IMEopen(edit, TRUE));
  EXPECT_FALSE(IMEstate(edit));
}

TEST_F(InputTest, KeysCountOnlyWhileHeld) {
  // Not held, pressed and released since the last query, held, held and
  // toggled; another key held.
  std::map<int, SHORT> keys;
  SetKeyStateHook([&](int vk) { return keys[vk]; });
  for (auto [vk, poll] : {std::pair{VK_CONTROL, &IsCtrlKeyDown}, {VK_SHIFT, &IsShiftKeyDown},
                          {VK_ESCAPE, &IsEscapeKeyDown}}) {
    for (auto [state, down] : {std::pair{0, 0}, {1, 0}, {0x8000, 1}, {0x8001, 1}}) {
      keys = {{vk, SHORT(state)}};
      EXPECT_EQ(poll(), down) << vk << " " << state;
    }
    keys = {{VK_MENU, SHORT(0x8000)}};
    EXPECT_EQ(poll(), 0) << vk;
  }
}

TEST_F(InputTest, DoEventHandlesOneMessageAtATime) {
  // A key is translated into a character, handled by the next call.
  EXPECT_EQ(DoEvent(nullptr), 0);
  HWND main = Window(u"MAIN");
  PostMessageW(main, WM_USER + 1, 11, 0);
  PostMessageW(main, WM_KEYDOWN, 'K', 0);
  EXPECT_NE(DoEvent(nullptr), 0);
  EXPECT_EQ(seen_, Seen{Msg(1, WM_USER + 1, 11)});
  EXPECT_NE(DoEvent(nullptr), 0);
  EXPECT_NE(DoEvent(nullptr), 0);
  EXPECT_EQ(DoEvent(nullptr), 0);
  EXPECT_EQ(seen_, (Seen{Msg(1, WM_USER + 1, 11), Msg(1, WM_KEYDOWN, 'K'), Msg(1, WM_CHAR, 'k')}));
  // A dialog's keys go to the dialog: Escape in its edit box cancels it.
  seen_.clear();
  HWND dialog = Window(u"#32770"), edit = Window(u"EDIT", dialog, 10), other = Window(u"MAIN");
  PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_NE(DoEvent(dialog), 0);
  EXPECT_EQ(seen_, Seen{Msg(2, WM_COMMAND, IDCANCEL)});
  PostMessageW(edit, WM_USER, 0, 0);
  PostMessageW(other, WM_USER, 0, 0);
  EXPECT_NE(DoEvent(dialog), 0);
  EXPECT_NE(DoEvent(dialog), 0);
  EXPECT_EQ(DoEvent(dialog), 0);
  EXPECT_EQ(seen_, (Seen{Msg(2, WM_COMMAND, IDCANCEL), Msg(3, WM_USER, 0), Msg(4, WM_USER, 0)}));
}

TEST_F(InputTest, PopUpMenuShowsTheFirstSubMenuOfTheHostsResource) {
  HINSTANCE host = cmd::res::NewModuleHandle();
  cmd::res::AddToChain(host);
  using Item = cmd::ui::MenuTemplateItem;
  cmd::res::Register(host, RT_MENU, MAKEINTRESOURCEW(500),
                     cmd::ui::BuildMenuTemplate({Item{u"context", {Item{u"コピー", 1001}, Item{},
                                                                   Item{u"貼り付け", 1002}}}}));
  HWND owner = Window(u"MAIN");
  HMENU shown = nullptr;
  int calls = 0;
  cmd::ui::SetTrackPopupMenuHook([&](HMENU menu, UINT flags, int x, int y, HWND o) -> UINT {
    ++calls;
    shown = menu;
    char16_t text[16];
    GetMenuStringW(menu, 2, text, 16, MF_BYPOSITION);
    EXPECT_EQ(CString(text), u"貼り付け");
    EXPECT_EQ((std::vector<long>{long(flags), x, y, GetMenuItemCount(menu)}),
              (std::vector<long>{0, 120, 45, 3}));
    EXPECT_EQ(o, owner);
    return 1002;
  });
  PopUpMenu(120, 45, CWnd::FromHandle(owner), 500);
  PopUpMenu(0, 0, CWnd::FromHandle(owner), 501);  // no such menu: nothing shown
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(IsMenu(shown));  // the loaded menu is destroyed again
  EXPECT_NE(DoEvent(nullptr), 0);
  EXPECT_EQ(seen_, Seen{Msg(1, WM_COMMAND, 1002)});
  cmd::res::RemoveModule(host);
}

TEST(Rectangles, ConvertWithTheBias) {
  // To doubles (top, bottom, right, left), each plus 0.444; back, negative
  // values move one unit toward zero and values outside 32 bits become 0.
  RECT r{10, 20, 30, 40}, back{};
  double d[4];
  EXPECT_EQ(RectToDblRect(&r, d), d);
  EXPECT_EQ(std::vector<double>(d, d + 4), (std::vector<double>{20.444, 40.444, 30.444, 10.444}));
  EXPECT_EQ(RectToDblRect(nullptr, d), d);
  auto trip = [&](RECT in) {
    RectToDblRect(&in, d);
    DblRectToRect(d, &back);
    return std::vector<LONG>{back.left, back.top, back.right, back.bottom};
  };
  EXPECT_EQ(trip(r), (std::vector<LONG>{10, 20, 30, 40}));
  EXPECT_EQ(trip(RECT{-5, -1, 2147483646, 0}), (std::vector<LONG>{-4, 0, 0, 0}));
  const double edges[4] = {2147483645.9, -2147483647.5, 1e-320, -0.9};
  DblRectToRect(edges, &back);
  EXPECT_EQ((std::vector<LONG>{back.left, back.top, back.right, back.bottom}),
            (std::vector<LONG>{0, 2147483645, 0, 0}));
  DblRectToRect(nullptr, &back);
}

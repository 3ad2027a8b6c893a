// Keyboard, input-method and menu helpers over the headless window model,
// and the rectangle conversions.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "cmddll3/input.h"
#include "cmddll3/platform/resources.h"
#include "cmddll3/platform/ui.h"

namespace {

// A window that records the messages its procedure receives.
struct Recorder {
  struct Seen {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
  };
  std::vector<Seen> seen;
  cmd::ui::WindowProc Proc() {
    return [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m != WM_CREATE && m != WM_DESTROY) seen.push_back({h, m, w});
      return DefWindowProcW(h, m, w, l);
    };
  }
};

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
  HWND Window(const char16_t* cls, HWND parent = nullptr, int id = 0,
              cmd::ui::WindowProc proc = {}) {
    HWND w = cmd::ui::CreateTestWindow(cls, u"", parent, id, std::move(proc));
    if (!parent) windows_.push_back(w);
    return w;
  }
  std::vector<HWND> windows_;
};

}  // namespace

TEST_F(InputTest, CompositionTextOfTheWindow) {
  HWND edit = Window(u"EDIT");
  EXPECT_EQ(IMEgetstring(edit), u"");
  cmd::ui::SetCompositionString(ImmGetContext(edit), u"みつもり");
  EXPECT_EQ(IMEgetstring(edit), u"みつもり");
  std::u16string longText(200, u'あ');
  cmd::ui::SetCompositionString(ImmGetContext(edit), longText);
  EXPECT_EQ(IMEgetstring(edit), CString(longText.substr(0, 130)));

  ImmAssociateContext(edit, nullptr);  // a window without an input context
  EXPECT_EQ(IMEgetstring(edit), u"");
  EXPECT_EQ(IMEgetstring(nullptr), u"");
}

TEST_F(InputTest, OpeningAndClosingTheInputMethod) {
  HWND edit = Window(u"EDIT");
  HWND other = Window(u"EDIT");
  EXPECT_FALSE(IMEstate(edit));
  EXPECT_TRUE(IMEopen(edit, TRUE));
  EXPECT_TRUE(IMEstate(edit));
  EXPECT_FALSE(IMEstate(other));
  EXPECT_TRUE(IMEopen(edit, FALSE));
  EXPECT_FALSE(IMEstate(edit));

  ImmAssociateContext(other, nullptr);
  EXPECT_FALSE(IMEopen(other, TRUE));
  EXPECT_FALSE(IMEstate(other));
}

TEST_F(InputTest, KeysCountOnlyWhileHeld) {
  std::map<int, SHORT> keys;
  SetKeyStateHook([&](int vk) { return keys[vk]; });
  struct Case {
    int vk;
    int (*poll)();
  } polls[] = {{VK_CONTROL, IsCtrlKeyDown}, {VK_SHIFT, IsShiftKeyDown},
               {VK_ESCAPE, IsEscapeKeyDown}};
  for (const Case& c : polls) {
    keys.clear();
    EXPECT_EQ(c.poll(), 0);
    keys[c.vk] = 1;  // pressed and released since the last query
    EXPECT_EQ(c.poll(), 0);
    keys[c.vk] = SHORT(0x8000);
    EXPECT_EQ(c.poll(), 1);
    keys[c.vk] = SHORT(0x8001);
    EXPECT_EQ(c.poll(), 1);
    keys[c.vk] = 0;
    keys[VK_MENU] = SHORT(0x8000);  // another key held
    EXPECT_EQ(c.poll(), 0);
  }
}

TEST_F(InputTest, DoEventHandlesOneMessageAtATime) {
  EXPECT_EQ(DoEvent(nullptr), 0);
  Recorder rec;
  HWND main = Window(u"MAIN", nullptr, 0, rec.Proc());
  PostMessageW(main, WM_USER + 1, 11, 0);
  PostMessageW(main, WM_KEYDOWN, 'K', 0);
  EXPECT_NE(DoEvent(nullptr), 0);
  ASSERT_EQ(rec.seen.size(), 1u);
  EXPECT_EQ(rec.seen[0].message, WM_USER + 1);
  EXPECT_NE(DoEvent(nullptr), 0);  // the key, translated into a character
  EXPECT_NE(DoEvent(nullptr), 0);
  ASSERT_EQ(rec.seen.size(), 3u);
  EXPECT_EQ(rec.seen[1].message, WM_KEYDOWN);
  EXPECT_EQ(rec.seen[2].message, WM_CHAR);
  EXPECT_EQ(rec.seen[2].wParam, WPARAM('k'));
  EXPECT_EQ(DoEvent(nullptr), 0);
}

TEST_F(InputTest, DoEventGivesTheDialogItsKeys) {
  Recorder dialogRec, editRec, otherRec;
  HWND dialog = Window(u"#32770", nullptr, 0, dialogRec.Proc());
  HWND edit = Window(u"EDIT", dialog, 10, editRec.Proc());
  HWND other = Window(u"MAIN", nullptr, 0, otherRec.Proc());
  PostMessageW(edit, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_NE(DoEvent(dialog), 0);
  ASSERT_EQ(dialogRec.seen.size(), 1u);
  EXPECT_EQ(dialogRec.seen[0].message, WM_COMMAND);
  EXPECT_EQ(LOWORD(dialogRec.seen[0].wParam), IDCANCEL);
  EXPECT_TRUE(editRec.seen.empty());

  PostMessageW(edit, WM_USER, 0, 0);
  PostMessageW(other, WM_USER, 0, 0);
  EXPECT_NE(DoEvent(dialog), 0);
  EXPECT_NE(DoEvent(dialog), 0);
  EXPECT_EQ(editRec.seen.size(), 1u);
  EXPECT_EQ(otherRec.seen.size(), 1u);
  EXPECT_EQ(DoEvent(dialog), 0);
}

TEST_F(InputTest, PopUpMenuShowsTheFirstSubMenuOfTheHostsResource) {
  HINSTANCE host = cmd::res::NewModuleHandle();
  cmd::res::AddToChain(host);
  using Item = cmd::ui::MenuTemplateItem;
  cmd::res::Register(host, RT_MENU, MAKEINTRESOURCEW(500),
                     cmd::ui::BuildMenuTemplate({Item{u"context", {Item{u"コピー", 1001}, Item{},
                                                                   Item{u"貼り付け", 1002}}}}));
  Recorder rec;
  HWND owner = Window(u"MAIN", nullptr, 0, rec.Proc());
  HMENU shown = nullptr;
  int calls = 0;
  cmd::ui::SetTrackPopupMenuHook([&](HMENU menu, UINT flags, int x, int y, HWND o) -> UINT {
    ++calls;
    shown = menu;
    EXPECT_EQ(flags, 0u);
    EXPECT_EQ(x, 120);
    EXPECT_EQ(y, 45);
    EXPECT_EQ(o, owner);
    EXPECT_EQ(GetMenuItemCount(menu), 3);
    char16_t text[16];
    GetMenuStringW(menu, 2, text, 16, MF_BYPOSITION);
    EXPECT_EQ(std::u16string(text), u"貼り付け");
    return 1002;
  });
  PopUpMenu(120, 45, CWnd::FromHandle(owner), 500);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(IsMenu(shown));  // the loaded menu is destroyed again
  EXPECT_NE(DoEvent(nullptr), 0);
  ASSERT_EQ(rec.seen.size(), 1u);
  EXPECT_EQ(rec.seen[0].message, WM_COMMAND);
  EXPECT_EQ(rec.seen[0].wParam, WPARAM(1002));

  PopUpMenu(0, 0, CWnd::FromHandle(owner), 501);  // no such menu: nothing shown
  EXPECT_EQ(calls, 1);
  cmd::res::RemoveModule(host);
}

TEST_F(InputTest, RectanglesConvertWithTheBias) {
  RECT r{10, 20, 30, 40};
  double d[4];
  EXPECT_EQ(RectToDblRect(&r, d), d);
  EXPECT_DOUBLE_EQ(d[0], 20.444);
  EXPECT_DOUBLE_EQ(d[1], 40.444);
  EXPECT_DOUBLE_EQ(d[2], 30.444);
  EXPECT_DOUBLE_EQ(d[3], 10.444);
  RECT back{};
  DblRectToRect(d, &back);
  EXPECT_EQ(back.left, 10);
  EXPECT_EQ(back.top, 20);
  EXPECT_EQ(back.right, 30);
  EXPECT_EQ(back.bottom, 40);

  // Negative coordinates move one unit toward zero; values outside the
  // 32-bit range become 0.
  RECT neg{-5, -1, 2147483646, 0};
  RectToDblRect(&neg, d);
  DblRectToRect(d, &back);
  EXPECT_EQ(back.left, -4);
  EXPECT_EQ(back.top, 0);
  EXPECT_EQ(back.right, 0);
  EXPECT_EQ(back.bottom, 0);
  const double edges[4] = {2147483645.9, -2147483647.5, 1e-320, -0.9};
  DblRectToRect(edges, &back);
  EXPECT_EQ(back.top, 2147483645);
  EXPECT_EQ(back.bottom, 0);
  EXPECT_EQ(back.right, 0);
  EXPECT_EQ(back.left, 0);
  EXPECT_EQ(RectToDblRect(nullptr, d), d);
  DblRectToRect(nullptr, &back);
}

// Screen and sheet colours: loaded from the settings file into two
// process-wide tables and answered from them.
#include "cmddll3/colors.h"

#include <array>

#include "settings/profile_access.h"
#include "settings/record_scan.h"

namespace cmd::settings {
namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kRed = 0x0000FF;

// ---- Screen colours.

constexpr const char16_t* kScreenSection = u"COLOR";
constexpr std::array<const char16_t*, 10> kScreenKeys{
    u"タイトル１", u"ナンバー", u"カーソル",   u"複写",           u"合計１",
    u"合計２",     u"経費ナンバー", u"タイトル２", u"材料タイトル１", u"材料タイトル２"};
constexpr int kScreenBuffer = 200;
constexpr ScannedRecord<3> kRgb{nullptr, nullptr, u"", kScreenBuffer, u"%[^,],%[^,],%[^,]",
                                {{{u"0", 15}, {u"0", 15}, {u"0", 15}}}};

std::array<COLORREF, 10> g_screen{};

COLORREF ParseRgb(const CString& text) {
  const auto f = ScanRecordText(text, kRgb);
  const auto part = [&](std::size_t i) { return static_cast<COLORREF>(f.Int(i)) & 0xFF; };
  return part(0) + part(1) * 256 + part(2) * 65536;
}

// ---- Sheet colours.

constexpr const char16_t* kSheetSection = u"USERCOLOR";
constexpr int kSheetBuffer = 100;
struct SheetSlot {
  const char16_t* key;
  int def;
};
constexpr std::array<SheetSlot, kUserColorSlots> kSheetSlots{{
    {u"カラー", 0},
    {u"シート小計", 7},
    {u"シート値引", 7},
    {u"シート消費税", 7},
    {u"シート合計", 7},
    {u"シート枠", 7},
    {u"シート支持材", 7},
    {u"シート前金", 7},
    {u"シートユーザー補助", 4},
}};
constexpr int kOnOffSlot = 0;
constexpr int kSubtotalSlot = 1;
constexpr int kUserAidSlot = 8;

std::array<int, kUserColorSlots> g_sheet{};

bool SheetColorsOn() { return g_sheet[kOnOffSlot] == 1; }

// Items 2 to 8 have slots of their own; every other item uses the subtotal's.
int SlotOfItem(int item) { return item >= 2 && item <= 8 ? item : kSubtotalSlot; }

COLORREF SheetColor(int number) {
  switch (number) {
    case 2: return 0x00FF00;
    case 3: return 0xFF0000;
    case 4: return 0x00FFFF;
    case 5: return 0xFF00FF;
    case 6: return 0xFFFF00;
    case 7: return kBlack;
    case 8: return 0xFFFFFF;
    default: return kRed;
  }
}

COLORREF UserAidColor(int number) {
  switch (number) {
    case 1: return 0x8080FF;
    case 2: return 0x80FF80;
    case 3: return 0xE8A200;
    case 4: return 0x80FFFF;
    case 5: return 0xFF80FF;
    case 6: return 0xFFFF80;
    case 7: return 0xA2A2A2;
    case 8: return 0xFFFFFF;
    default: return kRed;
  }
}

constexpr const char16_t* kUserAidSection = u"ユーザー補助色";
constexpr const char16_t* kWholeRowKey = u"行全体";

}  // namespace
}  // namespace cmd::settings

using namespace cmd::settings;

CMD_API COLORREF ColorCodeToRGB(int number) {
  switch (number) {
    case 1: return 0x0000FF;
    case 2: return 0x00FF00;
    case 3: return 0xFF0000;
    case 4: return 0x00FFFF;
    case 5: return 0xFF00FF;
    case 6: return 0xFFFF00;
    case 8: return 0xFFFFFF;
    default: return kBlack;  // 7 is black, and so is any unknown number
  }
}

CMD_API void GetColorMst() {
  g_screen.fill(kBlack);
  const CString file = MainFile();
  for (std::size_t i = 0; i < kScreenKeys.size(); ++i) {
    const CString text = ReadText(file, kScreenSection, kScreenKeys[i], u"", kScreenBuffer);
    if (!text.IsEmpty()) g_screen[i] = ParseRgb(text);
  }
}

CMD_API COLORREF MyGetColor(int index) {
  return index >= 2 && index <= 10 ? g_screen[static_cast<std::size_t>(index - 1)] : g_screen[0];
}

CMD_API void GetUserColorMst(int* slots) {
  const CString file = MainFile();
  for (std::size_t i = 0; i < kSheetSlots.size(); ++i) {
    g_sheet[i] = kSheetSlots[i].def;
    // A missing or empty key keeps the default.
    const CString text = ReadText(file, kSheetSection, kSheetSlots[i].key, u"", kSheetBuffer);
    if (!text.IsEmpty()) g_sheet[i] = _wtoi(text.GetString());
  }
  if (slots) {
    for (std::size_t i = 0; i < g_sheet.size(); ++i) slots[i] = g_sheet[i];
  }
}

CMD_API void SetUserColorMst(const int* slots) {
  if (!slots) return;
  const CString file = MainFile();
  for (std::size_t i = 0; i < kSheetSlots.size(); ++i) {
    WriteInt(file, kSheetSection, kSheetSlots[i].key, slots[i]);
  }
}

CMD_API COLORREF GetUserColor(int item, int mode) {
  const int slot = SlotOfItem(item);
  if (mode == 1 && !SheetColorsOn()) return kBlack;
  return SheetColor(g_sheet[static_cast<std::size_t>(slot)]);
}

CMD_API int GetUserColorId(int item) {
  if (item == 0) return g_sheet[kOnOffSlot];
  if (!SheetColorsOn()) return 7;
  return g_sheet[static_cast<std::size_t>(SlotOfItem(item))];
}

CMD_API COLORREF GetUserHojoColor(int /*unused*/, int mode) {
  if (mode == 1 && !SheetColorsOn()) return kBlack;
  return UserAidColor(g_sheet[kUserAidSlot]);
}

CMD_API int GetHojoColorGyoIni() {
  return ReadInt(MainFile(), kUserAidSection, kWholeRowKey, u"a", 20) != 0 ? 1 : 0;
}

CMD_API void SetHojoColorGyoIni(int flag) {
  WriteText(MainFile(), kUserAidSection, kWholeRowKey, flag == 1 ? u"1" : u"0");
}

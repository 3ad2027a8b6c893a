// Footer, own-company and printer settings, on the settings file and on a
// file the caller names.
#include <array>

#include "settings_fixture.h"

namespace fs = std::filesystem;
using settingstest::kMissing;
using settingstest::SettingsTest;

using PrintSettingsTest = SettingsTest;

namespace {
struct Attributes {
  std::array<int, 7> values{-1, -1, -1, -1, -1, -1, -1};
  CString face;
};

Attributes FooterAttributes() {
  Attributes a;
  auto& v = a.values;
  a.face = GetFooterInfoAttrIni(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]);
  return a;
}
}  // namespace

TEST_F(PrintSettingsTest, FooterBlocksUseNumberedSectionsExceptBlockOne) {
  EXPECT_EQ(GetFooterInfoIni(1), u"");
  SetFooterInfoIni(u"毎度ありがとうございます", 1);
  SetFooterInfoIni(u"三番", 3);
  SetFooterInfoIni(u"零番", 0);
  EXPECT_EQ(Stored(u"ﾌｯﾀｰ情報", u"1"), u"毎度ありがとうございます");
  EXPECT_EQ(Stored(u"ﾌｯﾀｰ情報3", u"1"), u"三番");
  EXPECT_EQ(Stored(u"ﾌｯﾀｰ情報0", u"1"), u"零番");
  EXPECT_EQ(GetFooterInfoIni(1), u"毎度ありがとうございます");
  EXPECT_EQ(GetFooterInfoIni(3), u"三番");
  EXPECT_EQ(GetFooterInfoIni(2), u"");
}

TEST_F(PrintSettingsTest, FooterAttributeLine) {
  Attributes a = FooterAttributes();
  EXPECT_EQ(a.face, u"ＭＳ 明朝");
  EXPECT_EQ(a.values, (std::array{0, 0, 0, 0, 0, 0, 0}));
  SetFooterInfoAttrIni(12, 0, 1, 0, 0, 2, 0, u"");
  EXPECT_EQ(Stored(u"ﾌｯﾀｰ情報", u"属性"), u"12,0,1,0,0,2,0,");
  a = FooterAttributes();
  EXPECT_EQ(a.face, u"ＭＳ ゴシック");
  EXPECT_EQ(a.values, (std::array{12, 0, 1, 0, 0, 2, 0}));

  // Field 6 chooses the face (3: field 8; out of range: none). Missing
  // fields read as 0, a missing field 8 as empty; a ninth field is ignored.
  const struct {
    const char16_t* line;
    const char16_t* face;
    std::array<int, 7> values;
  } lines[] = {
      {u"10,0,0,0,0,3,0,Meiryo", u"Meiryo", {10, 0, 0, 0, 0, 3, 0}},
      {u"10,0,0,0,0,5,0,Meiryo", u"", {10, 0, 0, 0, 0, 5, 0}},
      {u"10,0,0,0,0,-1,0,Meiryo", u"", {10, 0, 0, 0, 0, -1, 0}},
      {u"0,0,0,0,0,1", u"ＭＳ 明朝", {0, 0, 0, 0, 0, 1, 0}},
      {u"4,5,,x", u"ＭＳ 明朝", {4, 5, 0, 0, 0, 0, 0}},
      {u"1,1,1,1,1,3,1", u"", {1, 1, 1, 1, 1, 3, 1}},
      {u"1,1,1,1,1,3,1,Face,Extra", u"Face", {1, 1, 1, 1, 1, 3, 1}},
  };
  for (const auto& line : lines) {
    SCOPED_TRACE(CString(line.line).ToUtf8());
    Store(u"ﾌｯﾀｰ情報", u"属性", line.line);
    a = FooterAttributes();
    EXPECT_EQ(a.face, line.face);
    EXPECT_EQ(a.values, line.values);
  }
  GetFooterInfoAttrIni(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST_F(PrintSettingsTest, AttributeLineIsReadWith199Characters) {
  // Field 8 runs past the read buffer: the face is cut with the line.
  std::u16string face(250, u'F');
  SetFooterInfoAttrIni(1, 2, 3, 4, 5, 3, 7, CString(face));
  const int prefix = static_cast<int>(std::u16string_view(u"1,2,3,4,5,3,7,").size());
  EXPECT_EQ(FooterAttributes().face, CString(face.substr(0, static_cast<std::size_t>(199 - prefix))));
}

TEST_F(PrintSettingsTest, OwnCompanyLinesAndAttributes) {
  EXPECT_EQ(GetJishaInfoIni(1, 1), u"");
  SetJishaInfoIni(1, u"株式会社テスト", 1);
  SetJishaInfoIni(4, u"電話 03-0000-0000", 2);
  EXPECT_EQ(Stored(u"自社情報", u"1"), u"株式会社テスト");
  EXPECT_EQ(Stored(u"自社情報2", u"4"), u"電話 03-0000-0000");
  EXPECT_EQ(GetJishaInfoIni(4, 2), u"電話 03-0000-0000");
  EXPECT_EQ(GetJishaInfoIni(4, 1), u"");

  std::array<int, 7> v{};
  EXPECT_EQ(GetJishaInfoAttrIni(4, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]), u"ＭＳ 明朝");
  SetJishaInfoAttrIni(4, 9, 8, 7, 6, 5, 2, 3, u"");
  EXPECT_EQ(Stored(u"自社情報", u"属性4"), u"9,8,7,6,5,2,3,");
  EXPECT_EQ(GetJishaInfoAttrIni(4, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]),
            u"ＭＳ ゴシック");
  EXPECT_EQ(v, (std::array{9, 8, 7, 6, 5, 2, 3}));
  SetJishaInfoAttrIni(1, 0, 0, 0, 0, 0, 3, 0, u"游明朝");
  EXPECT_EQ(GetJishaInfoAttrIni(1, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]), u"游明朝");
}

TEST_F(PrintSettingsTest, UnderscoreVariantsUseTheNamedFile) {
  const CString other = Win(dir() / "other.ini");
  _SetFooterInfoIni(u"別ファイル", 1, other);
  _SetFooterInfoAttrIni(1, 2, 3, 4, 5, 3, 7, u"Face", other);
  _SetJishaInfoIni(2, u"自社", 3, other);
  _SetJishaInfoAttrIni(2, 0, 0, 0, 0, 0, 2, 0, u"", other);
  EXPECT_FALSE(fs::exists(MainHost()));

  EXPECT_EQ(Stored(other, u"ﾌｯﾀｰ情報", u"1"), u"別ファイル");
  EXPECT_EQ(Stored(other, u"ﾌｯﾀｰ情報", u"属性"), u"1,2,3,4,5,3,7,Face");
  EXPECT_EQ(Stored(other, u"自社情報3", u"2"), u"自社");
  EXPECT_EQ(Stored(other, u"自社情報", u"属性2"), u"0,0,0,0,0,2,0,");

  EXPECT_EQ(_GetFooterInfoIni(1, other), u"別ファイル");
  std::array<int, 7> v{};
  EXPECT_EQ(_GetFooterInfoAttrIni(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], other),
            u"Face");
  EXPECT_EQ(v, (std::array{1, 2, 3, 4, 5, 3, 7}));
  EXPECT_EQ(_GetJishaInfoIni(2, 3, other), u"自社");
  EXPECT_EQ(_GetJishaInfoAttrIni(2, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], other),
            u"ＭＳ ゴシック");
  EXPECT_FALSE(fs::exists(MainHost()));
  // A file that does not exist reads as the defaults.
  EXPECT_EQ(_GetJishaInfoAttrIni(2, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                                 Win(dir() / "none.ini")),
            u"ＭＳ 明朝");
}

TEST_F(PrintSettingsTest, PrinterSections) {
  EXPECT_EQ(GetPrnDrvIni(1, 0), u"(null)");
  SetPrnDrvIni(2, u"Laser,winspool,LPT1:");
  EXPECT_EQ(Stored(u"PRINTER2", u"DRV"), u"Laser,winspool,LPT1:");
  EXPECT_EQ(GetPrnDrvIni(2, 0), u"Laser,winspool,LPT1:");

  int x = 0, y = 0;
  GetPrnMergeIni(1, &x, &y, 0);
  EXPECT_EQ((std::array{x, y}), (std::array{1, 1}));
  SetPrnMergeIni(3, 5, -6, 1);
  SetPrnMergeIni(3, 7, 8, 2);
  EXPECT_EQ(Stored(u"PRINTER3", u"MERGETATEY"), u"-6");
  EXPECT_EQ(Stored(u"PRINTER3", u"MERGEYOKOX"), u"7");
  GetPrnMergeIni(3, &x, &y, 1);
  EXPECT_EQ((std::array{x, y}), (std::array{5, -6}));
  GetPrnMergeIni(3, &x, &y, 9);
  EXPECT_EQ((std::array{x, y}), (std::array{7, 8}));
  GetPrnMergeIni(3, nullptr, nullptr, 1);
}

TEST_F(PrintSettingsTest, StandardPrinterSearch) {
  EXPECT_EQ(GetStdPrnIni(-1), 1);
  EXPECT_EQ(GetStdPrnIni(4), 0);
  SetStdPrnIni(3, 1);
  EXPECT_EQ(Stored(u"PRINTER3", u"STDPRN"), u"1");
  EXPECT_EQ(GetStdPrnIni(-1), 3);
  EXPECT_EQ(GetStdPrnIni(3), 1);
  // Only the first character counts.
  Store(u"PRINTER2", u"STDPRN", u"1x");
  EXPECT_EQ(GetStdPrnIni(-1), 2);
  EXPECT_EQ(GetStdPrnIni(2), 1);
  Store(u"PRINTER2", u"STDPRN", u"21");
  EXPECT_EQ(GetStdPrnIni(-1), 3);
  // Printer 11 is outside the search.
  SetStdPrnIni(3, 0);
  SetStdPrnIni(11, 1);
  EXPECT_EQ(GetStdPrnIni(-1), 1);
  Store(u"PRINTER10", u"STDPRN", u"10");
  EXPECT_EQ(GetStdPrnIni(-1), 10);
}

TEST_F(PrintSettingsTest, FaxDriverFromTheUserProfileDevices) {
  const auto profile = dir() / "win.ini";
  WriteUtf16(profile,
             u"[devices]\r\n"
             u"Laser=winspool,Ne00:\r\n"
             u"Microsoft FA=winspool,Ne01:\r\n"
             u"microsoft fax lower=winspool,Ne02:\r\n"
             u"Microsoft FAX Printer=winspool,Ne03:,extra\r\n"
             u"Microsoft FAX 2=winspool,Ne04:\r\n");
  cmd::profile::SetUserProfileFile(Win(profile).str());
  EXPECT_EQ(GetPrnDrvIni(1, 1), u"Microsoft FAX Printer,winspool,Ne03:");
  EXPECT_EQ(GetPrnDrvIni(99, 2), u"Microsoft FAX Printer,winspool,Ne03:");
  EXPECT_EQ(GetPrnDrvIni(1, 0), u"(null)");

  // The entry's value is read with 63 characters; a value without a port
  // gives an empty one.
  WriteUtf16(profile, u"[devices]\r\nMicrosoft FAX=" + std::u16string(70, u'd') + u"\r\n");
  EXPECT_EQ(GetPrnDrvIni(1, 1), CString(u"Microsoft FAX," + std::u16string(63, u'd') + u","));
  // Without a user profile there is no fax device: empty.
  cmd::profile::SetUserProfileFile(u"");
  Store(u"PRINTER1", u"DRV", u"Laser");
  EXPECT_EQ(GetPrnDrvIni(1, 1), u"");
  EXPECT_EQ(GetPrnDrvIni(7, -1), u"");
}

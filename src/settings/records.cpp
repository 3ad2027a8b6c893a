// Options kept as comma-separated records, or as a group of keys read and
// written together, in the settings file.
#include "cmddll3/settings_records.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/crtfile.h"
#include "cmddll3/platform/winpath.h"
#include "settings/profile_access.h"
#include "settings/record_scan.h"

namespace cmd::settings {
namespace {

void Store(int* out, int value) {
  if (out) *out = value;
}

// ---- Window position.
constexpr ScannedRecord<5> kWindowPos{
    u"SYSTEM", u"座標", u"0,0,1024,768,3", kValueBuffer, u"%[^,],%[^,],%[^,],%[^,],%[^\n]",
    {{{u"0", 15}, {u"0", 15}, {u"1024", 15}, {u"768", 15}, {u"3", 15}}}};

// ---- Saved window rectangles: top, bottom, left, right.
constexpr const char16_t* kWindowSection = u"???";
constexpr ScannedRecord<4> kWindowRect{
    kWindowSection, nullptr, u"", kValueBuffer, u"%[^,],%[^,],%[^,],%[^,]",
    {{{u"0", 31}, {u"0", 31}, {u"0", 31}, {u"0", 31}}}};

CString WindowKey(int window) {
  CString key;
  key.Format(u"WIN%d", window);
  return key;
}

// ---- Animation.
constexpr ScannedRecord<7> kAnime{
    u"ANIME", u"MODE", u"0,80,20,20,45,500,20", kValueBuffer,
    u"%[^,],%[^,],%[^,],%[^,],%[^,],%[^,],%[^,]",
    {{{u"0", 31}, {u"80", 31}, {u"20", 31}, {u"20", 31}, {u"45", 31}, {u"500", 31}, {u"20", 31}}}};

// ---- Backup: the drive, then four integers; the default record has four
// fields only.
constexpr ScannedRecord<5> kBackup{
    u"SYSTEM", u"ﾊﾞｯｸｱｯﾌﾟINFO", u"0:,0,0,14", 32, u"%[^,],%[^,],%[^,],%[^,],%[^,]",
    {{{u"0:", 99}, {u"0", 15}, {u"0", 15}, {u"14", 15}, {u"0", 15}}}};

// ---- Digitizer line.
constexpr ScannedRecord<8> kDigitizer{
    u"ﾃﾞｼﾞﾀｲｻﾞ", u"通信設定", u"310,460,10,1,9600,7,2,0", kValueBuffer,
    u"%[^,],%[^,],%[^,],%[^,],%[^,],%[^,],%[^,],%[^,]",
    {{{u"310", 11}, {u"460", 11}, {u"10", 11}, {u"1", 7},
      {u"9600", 7}, {u"7", 7}, {u"2", 7}, {u"0", 7}}}};

// ---- Tax.
constexpr const char16_t* kTaxSection = u"TAX";
constexpr ScannedRecord<7> kTaxMode{
    kTaxSection, u"MODE", u"0,0,0,0,0,1,1", kValueBuffer,
    u"%[^,],%[^,],%[^,],%[^,],%[^,],%[^,],%[^,]",
    {{{u"0", 31}, {u"0", 31}, {u"0", 31}, {u"0", 31}, {u"0", 31}, {u"1", 31}, {u"1", 31}}}};

// ---- Records scanned straight into integers ("%d,%d,..."): the number of
// integers read is the accessor's result.
struct IntRecord {
  const char16_t* section;
  const char16_t* key;
  const char16_t* def;
  int bufferSize;
  const char16_t* scanFormat;
};

constexpr IntRecord kLabelKind1{u"住所ｼｰﾙ", u"属性1", u"830,360,210,1060,250", 64,
                                u"%d,%d,%d,%d,%d"};
constexpr IntRecord kLabelOther{u"住所ｼｰﾙ", u"属性2", u"840,420,200,1060,230", 64,
                                u"%d,%d,%d,%d,%d"};
constexpr IntRecord kInitGroup{u"SYSTEM", u"初期ｸﾞﾙｰﾌﾟ", u"1,2", 12, u"%d,%d"};

template <std::size_t N, std::size_t... I>
int ScanInts(const CString& text, const char16_t* format, std::array<int, N>& out,
             std::index_sequence<I...>) {
  return swscanf(text.GetString(), format, &out[I]...);
}

// Scans the record into the caller's integers: only the integers the scan
// assigns change, the others keep what the caller put there ("7,8" changes
// the first two of five). Returns how many were assigned.
template <std::size_t N>
int ReadIntRecord(const IntRecord& record, const std::array<int*, N>& out) {
  const CString text =
      ReadText(MainFile(), record.section, record.key, record.def, record.bufferSize);
  std::array<int, N> scanned{};
  const int n = std::clamp(ScanInts(text, record.scanFormat, scanned, std::make_index_sequence<N>()),
                           0, static_cast<int>(N));
  for (int i = 0; i < n; ++i) Store(out[static_cast<std::size_t>(i)], scanned[static_cast<std::size_t>(i)]);
  return n;
}

// ---- Labour unit prices.
constexpr ScannedRecord<4> kLabourPrice{
    nullptr, u"単価", u"0,0,1,0", kValueBuffer, u"%[^,],%[^,],%[^,],%[^,]",
    {{{u"0", 31}, {u"0", 31}, {u"1", 31}, {u"0", 31}}}};

const char16_t* LabourSection(int priceSet) { return priceSet == 1 ? u"労務費1" : u"労務費2"; }

int OneOrZero(int value) { return value == 1 ? 1 : 0; }

// ---- Category name lists: keys of section "SYSTEM", each defaulting to its
// own name except "設備".
struct CategoryKey {
  const char16_t* key;
  const char16_t* def;
};

template <std::size_t N>
void ReadCategories(const std::array<CategoryKey, N>& keys, CString* names) {
  if (!names) return;
  const CString file = MainFile();
  for (std::size_t i = 0; i < N; ++i) names[i] = ReadText(file, u"SYSTEM", keys[i].key, keys[i].def);
}

template <std::size_t N>
BOOL WriteCategories(const std::array<CategoryKey, N>& keys, const CString* names) {
  if (!names) return FALSE;
  const CString file = MainFile();
  BOOL ok = FALSE;
  for (std::size_t i = 0; i < N; ++i) ok = WriteText(file, u"SYSTEM", keys[i].key, names[i]);
  return ok;
}

constexpr std::array<CategoryKey, 4> kZairyouCategories{
    {{u"電気", u"電気"}, {u"水道", u"水道"}, {u"設備", u"空調"}, {u"建築", u"建築"}}};
constexpr std::array<CategoryKey, 4> kBukakeCategories{{{u"歩掛1-1", u"歩掛1-1"},
                                                        {u"歩掛1-2", u"歩掛1-2"},
                                                        {u"歩掛1-3", u"歩掛1-3"},
                                                        {u"歩掛1-4", u"歩掛1-4"}}};
constexpr std::array<CategoryKey, 3> kGenkaCategories{
    {{u"原価1", u"原価1"}, {u"原価2", u"原価2"}, {u"原価3", u"原価3"}}};
constexpr std::array<CategoryKey, 3> kTankaCategories{
    {{u"単価1", u"単価1"}, {u"単価2", u"単価2"}, {u"定価", u"定価"}}};
constexpr std::array<CategoryKey, 3> kWarikakeCategories{
    {{u"割掛1", u"割掛1"}, {u"割掛2", u"割掛2"}, {u"割掛3", u"割掛3"}}};

// ---- Rounding.
constexpr const char16_t* kRoundingSection = u"端数";
constexpr const char16_t* kItemTotalKey = u"工事項目合計";
constexpr const char16_t* kOptionKey = u"ｵﾌﾟｼｮﾝ";

// ---- Password.
constexpr const char16_t* kNoPassword = u"???";
constexpr ScannedRecord<2> kPassword{u"SYSTEM", u"ﾊﾟｽﾜｰﾄﾞ", u"0,???", kValueBuffer,
                                     u"%[^,],%[^,]", {{{u"0", 31}, {kNoPassword, 259}}}};

// ---- Total-line captions.
CString ReadCaption(const char16_t* section, const char16_t* def, int* form) {
  const CString file = MainFile();
  CString caption = ReadText(file, section, u"NAME", def);
  Store(form, ReadInt(file, section, u"FORM", u"0"));
  return caption;
}

void WriteCaption(const char16_t* section, const CString& caption, int form) {
  const CString file = MainFile();
  WriteText(file, section, u"NAME", caption);
  WriteInt(file, section, u"FORM", form);
}

// ---- Companion drawing program.
const char16_t* OdvanKey(int which) {
  switch (which) {
    case 1: return u"ODVAN";
    case 2: return u"ODVAN2";
    case 3: return u"ODVAN3";
    default: return u"";
  }
}

constexpr ScannedRecord<5> kOdvanHistory{
    u"HISTORY", u"ODVAN", u"1,1,1,1,1", kValueBuffer, u"%[^,],%[^,],%[^,],%[^,],%[^,]",
    {{{u"1", 11}, {u"1", 11}, {u"1", 11}, {u"1", 11}, {u"1", 11}}}};

}  // namespace
}  // namespace cmd::settings

using namespace cmd::settings;

// ---- Window position ------------------------------------------------------

CMD_API void GetWindowPosIni(int* left, int* top, int* width, int* height, int* state) {
  const auto f = ReadRecord(MainFile(), kWindowPos);
  f.StoreInt(0, left);
  f.StoreInt(1, top);
  f.StoreInt(2, width);
  f.StoreInt(3, height);
  f.StoreInt(4, state);
}

CMD_API void SetWindowPosIni(int left, int top, int width, int height, int state) {
  CString record;
  record.Format(u"%d,%d,%d,%d,%d", left, top, width, height, state);
  WriteText(MainFile(), kWindowPos.section, kWindowPos.key, record);
}

// ---- Saved window rectangles ----------------------------------------------

CMD_API int GetWindowIni(RECT* rect, int window) {
  const CString text = ReadText(MainFile(), kWindowSection, WindowKey(window), u"");
  if (text.IsEmpty()) return 0;
  const auto f = ScanRecordText(text, kWindowRect);
  if (rect) {
    rect->top = f.Int(0);
    rect->bottom = f.Int(1);
    rect->left = f.Int(2);
    rect->right = f.Int(3);
  }
  return 1;
}

CMD_API void SetWindowIni(const RECT* rect, int window) {
  if (!rect) return;
  CString record;
  record.Format(u"%d,%d,%d,%d", rect->top, rect->bottom, rect->left, rect->right);
  WriteText(MainFile(), kWindowSection, WindowKey(window), record);
}

// ---- Animation ----------------------------------------------------------------

CMD_API void GetAnimeInfoIni(int* f1, int* f2, int* f3, int* f4, int* f5, int* f6, int* f7) {
  const auto f = ReadRecord(MainFile(), kAnime);
  int* out[] = {f1, f2, f3, f4, f5, f6, f7};
  for (std::size_t i = 0; i < 7; ++i) f.StoreInt(i, out[i]);
}

// ---- Backup -------------------------------------------------------------------

CMD_API CString GetBackupInfoIni(int* f2, int* f3, int* f4, int* f5) {
  const auto f = ReadRecord(MainFile(), kBackup);
  f.StoreInt(1, f2);
  f.StoreInt(2, f3);
  f.StoreInt(3, f4);
  f.StoreInt(4, f5);
  return f.text[0];
}

CMD_API void SetBackupInfoIni(CString drive, int f2, int f3, int f4, int f5) {
  CString record;
  record.Format(u"%s,%d,%d,%d,%d", drive, f2, f3, f4, f5);
  WriteText(MainFile(), kBackup.section, kBackup.key, record);
}

// ---- Digitizer line -----------------------------------------------------------

CMD_API int GetDegitizerComIni(int* f1, int* f2, int* f3, int* f4, int* baudRate, int* dataBits,
                               int* parity, int* stopBits) {
  const auto f = ReadRecord(MainFile(), kDigitizer);
  int* out[] = {f1, f2, f3, f4, baudRate, dataBits, parity, stopBits};
  for (std::size_t i = 0; i < 8; ++i) f.StoreInt(i, out[i]);
  return f.Int(7);
}

CMD_API void SetDegitizerComIni(int f1, int f2, int f3, int f4, int baudRate, int dataBits,
                                int parity, int stopBits) {
  CString record;
  record.Format(u"%d,%d,%d,%d,%d,%d,%d,%d", f1, f2, f3, f4, baudRate, dataBits, parity,
                stopBits);
  WriteText(MainFile(), kDigitizer.section, kDigitizer.key, record);
}

// ---- Tax ------------------------------------------------------------------------

CMD_API CString GetTaxIni(int* rate, int* form, int* display, int* display2) {
  const CString file = MainFile();
  CString name = ReadText(file, kTaxSection, u"NAME", u"消費税");
  Store(rate, ReadInt(file, kTaxSection, u"RITU", u"5"));
  Store(form, ReadInt(file, kTaxSection, u"FORM", u"0"));
  Store(display, ReadInt(file, kTaxSection, u"DISP", u"0"));
  Store(display2, ReadInt(file, kTaxSection, u"DISP2", u"0"));
  return name;
}

CMD_API void SetTaxIni(CString name, int rate, int form, int display, int display2) {
  const CString file = MainFile();
  WriteText(file, kTaxSection, u"NAME", name);
  // -1 leaves the stored value as it is.
  if (rate != -1) WriteInt(file, kTaxSection, u"RITU", rate);
  if (form != -1) WriteInt(file, kTaxSection, u"FORM", form);
  if (display != -1) WriteInt(file, kTaxSection, u"DISP", display);
  if (display2 != -1) WriteInt(file, kTaxSection, u"DISP2", display2);
}

CMD_API int GetTaxModeIni(int* m1, int* m2, int* m3, int* m4, int* m5, int* m6, int* m7) {
  const auto f = ReadRecord(MainFile(), kTaxMode);
  int* out[] = {m1, m2, m3, m4, m5, m6, m7};
  for (std::size_t i = 0; i < 7; ++i) f.StoreInt(i, out[i]);
  // Field 5 knows the values 0 to 2; anything greater reads as 0.
  if (m5 && *m5 > 2) *m5 = 0;
  return f.Int(6);
}

CMD_API void SetTaxModeIni(int m1, int m2, int m3, int m4, int m5, int m6, int m7) {
  CString record;
  record.Format(u"%d,%d,%d,%d,%d,%d,%d", m1, m2, m3, m4, m5, m6, m7);
  WriteText(MainFile(), kTaxMode.section, kTaxMode.key, record);
}

// ---- Address-label layout and initial layout group ----------------------------

CMD_API int GetAdressSheetAttrIni(int kind, int* a1, int* a2, int* a3, int* a4, int* a5) {
  return ReadIntRecord(kind == 1 ? kLabelKind1 : kLabelOther, std::array{a1, a2, a3, a4, a5});
}

CMD_API void SetAdressSheetAttrIni(int kind, int a1, int a2, int a3, int a4, int a5) {
  const auto& record = kind == 1 ? kLabelKind1 : kLabelOther;
  CString text;
  text.Format(u"%d,%d,%d,%d,%d", a1, a2, a3, a4, a5);
  WriteText(MainFile(), record.section, record.key, text);
}

CMD_API int GetInitLayoutGroupIni(int* group1, int* group2) {
  return ReadIntRecord(kInitGroup, std::array{group1, group2});
}

CMD_API void SetInitLayoutGroupIni(int group1, int group2) {
  CString text;
  text.Format(u"%d,%d", group1, group2);
  WriteText(MainFile(), kInitGroup.section, kInitGroup.key, text);
}

// ---- Labour unit prices -----------------------------------------------------------

CMD_API CString GetRoumuTankaIni(int priceSet, int* selected, CString* unit, double* price1,
                                 double* price2, int* flag, int* number, int* withMaterial,
                                 int* asItem) {
  const CString file = MainFile();
  const char16_t* section = LabourSection(priceSet);
  Store(selected, ReadInt(file, section, u"選択", u"1"));
  CString name = ReadText(file, section, u"名称", u"");

  ScannedRecord<4> priceRecord = kLabourPrice;
  priceRecord.section = section;
  const auto f = ReadRecord(file, priceRecord);
  if (price1) *price1 = f.Double(0);
  if (price2) *price2 = f.Double(1);
  Store(flag, f.Double(2) == 1.0 ? 1 : 0);
  f.StoreInt(3, number);

  CString unitText = ReadText(file, section, u"単位", u"");
  if (unit) *unit = unitText.IsEmpty() ? CString(u"式") : unitText;
  Store(withMaterial, ReadInt(file, section, u"材料", u"1"));
  Store(asItem, ReadInt(file, section, u"項目", u"1"));
  return name;
}

CMD_API void SetRoumuTankaIni(int priceSet, int selected, CString name, CString unit,
                              double price1, double price2, int flag, int number,
                              int withMaterial, int asItem) {
  const CString file = MainFile();
  const char16_t* section = LabourSection(priceSet);
  WriteInt(file, section, u"選択", selected);
  WriteText(file, section, u"名称", name);
  CString prices;
  prices.Format(u"%.0f,%.0f,%d,%d", price1, price2, OneOrZero(flag), number);
  WriteText(file, section, u"単価", prices);
  WriteText(file, section, u"単位", unit);
  WriteInt(file, section, u"材料", OneOrZero(withMaterial));
  WriteInt(file, section, u"項目", OneOrZero(asItem));
}

// ---- Category name lists --------------------------------------------------------

CMD_API void GetZairyouCategoryIni(CString* names) { ReadCategories(kZairyouCategories, names); }
CMD_API BOOL SetZairyouCategoryIni(const CString* names) {
  return WriteCategories(kZairyouCategories, names);
}
CMD_API void GetBukakeCategoryIni(CString* names) { ReadCategories(kBukakeCategories, names); }
CMD_API BOOL SetBukakeCategoryIni(const CString* names) {
  return WriteCategories(kBukakeCategories, names);
}
CMD_API void GetGenkaCategoryIni(CString* names) { ReadCategories(kGenkaCategories, names); }
CMD_API BOOL SetGenkaCategoryIni(const CString* names) {
  return WriteCategories(kGenkaCategories, names);
}
CMD_API void GetTankaCategoryIni(CString* names) { ReadCategories(kTankaCategories, names); }
CMD_API BOOL SetTankaCategoryIni(const CString* names) {
  return WriteCategories(kTankaCategories, names);
}
CMD_API void GetWarikakeCategoryIni(CString* names) {
  ReadCategories(kWarikakeCategories, names);
}
CMD_API BOOL SetWarikakeCategoryIni(const CString* names) {
  return WriteCategories(kWarikakeCategories, names);
}

// ---- Rounding ---------------------------------------------------------------------

CMD_API int GetHasuuDecModeIni(int kind) {
  const char16_t* key = u"工事項目";
  const char16_t* def = u"5";
  switch (kind) {
    case 0: key = kItemTotalKey; def = u"1"; break;
    case 1: key = u"労務費"; break;
    case 2: key = u"掛率指定経費"; break;
    default: break;
  }
  return ReadInt(MainFile(), kRoundingSection, key, def, 100);
}

CMD_API CString GetHasuuPathIni(int kind) {
  const char16_t* key = kind == 0 ? kItemTotalKey : kind == 3 ? kOptionKey : u"工事項目";
  return ReadText(MainFile(), kRoundingSection, key, u"5");
}

CMD_API void SetHasuuDecModeIni(const int* values) {
  if (!values) return;
  WriteInt(MainFile(), kRoundingSection, kItemTotalKey, values[0]);
}

CMD_API int SetHasuuPathIni(const int* values) {
  if (!values) return 3;
  const CString file = MainFile();
  WriteInt(file, kRoundingSection, kItemTotalKey, values[0]);
  WriteInt(file, kRoundingSection, kOptionKey, values[3]);
  return 3;
}

// ---- Password -----------------------------------------------------------------------

CMD_API CString GetPaswordIni(int* enabled) {
  const auto f = ReadRecord(MainFile(), kPassword);
  f.StoreInt(0, enabled);
  return f.text[1];
}

CMD_API void SetPaswordIni(int enabled, CString password) {
  CString record;
  record.Format(u"%d,%s", enabled, password.IsEmpty() ? CString(kNoPassword) : password);
  WriteText(MainFile(), kPassword.section, kPassword.key, record);
}

// ---- Total-line captions --------------------------------------------------------

CMD_API CString GetShoukeiIni(int* form) { return ReadCaption(u"SHOUKEI", u"小  計", form); }
CMD_API void SetShoukeiIni(CString caption, int form) { WriteCaption(u"SHOUKEI", caption, form); }
CMD_API CString GetChuukeiIni(int* form) { return ReadCaption(u"CHUUKEI", u"中  計", form); }
CMD_API void SetChuukeiIni(CString caption, int form) { WriteCaption(u"CHUUKEI", caption, form); }
CMD_API CString GetGoukeiIni(int* form) { return ReadCaption(u"GOUKEI", u"合  計", form); }
CMD_API void SetGoukeiIni(CString caption, int form) { WriteCaption(u"GOUKEI", caption, form); }
CMD_API CString GetRuikeiIni(int* form) { return ReadCaption(u"RUIKEI", u"累  計", form); }
CMD_API void SetRuikeiIni(CString caption, int form) { WriteCaption(u"RUIKEI", caption, form); }
CMD_API CString GetAreaShoukeiIni(int* form) {
  return ReadCaption(u"AREASHOUKEI", u"小  計", form);
}
CMD_API void SetAreaShoukeiIni(CString caption, int form) {
  WriteCaption(u"AREASHOUKEI", caption, form);
}

// ---- Companion drawing program ----------------------------------------------------

CMD_API CString GetOdvanIni(int which) {
  return ReadText(MainFile(), u"SYSTEM", OdvanKey(which), u"");
}

CMD_API void SetOdvanIni(CString value, int which) {
  WriteText(MainFile(), u"SYSTEM", OdvanKey(which), value);
}

CMD_API int GetOdvanHistIni(int* h1, int* h2, int* h3, int* h4, int* h5) {
  const auto f = ReadRecord(MainFile(), kOdvanHistory);
  int* out[] = {h1, h2, h3, h4, h5};
  for (std::size_t i = 0; i < 5; ++i) f.StoreInt(i, out[i]);
  return f.Int(4);
}

CMD_API int GetOdvanVerIni() { return ReadInt(MainFile(), u"SYSTEM", u"ODVAN_VER", u"0"); }

// ---- Program paths ----------------------------------------------------------------

CMD_API CString GetDocpathIni(int mode) {
  const CString stored = ReadText(MainFile(), u"SYSTEM", u"DOCPATH", u"");
  if (stored.IsEmpty()) {
    return mode == 1 ? CString(u"\\Program Files\\Accessories\\")
                     : CString(u"\\Program Files\\Windows NT\\Accessories\\");
  }
  // The folder part without drive, file name and extension, ending with
  // exactly one backslash: C:\Tools\edit.exe gives \Tools\ here.
  char16_t folderPart[_MAX_DIR] = {};
  _wsplitpath(stored, nullptr, folderPart, nullptr, nullptr);
  std::u16string_view folder(folderPart);
  while (!folder.empty() && cmd::path::IsSeparator(folder.back())) folder.remove_suffix(1);
  return CString(folder) + u"\\";
}

CMD_API void SetDocpathIni(CString path) { WriteText(MainFile(), u"SYSTEM", u"DOCPATH", path); }

CMD_API CString GetExcelIni() {
  return ReadText(MainFile(), u"???", u"EXCEL", u"\\MSOffice\\Excel\\EXCEL.EXE");
}

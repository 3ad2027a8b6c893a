// Print settings: footer and own-company lines with their font attribute
// lines, on the settings file or on a file the caller names, and the printer
// sections.
#include "cmddll3/settings_print.h"

#include <array>
#include <cstring>

#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/profile.h"
#include "cmddll3/util_split.h"
#include "settings/profile_access.h"

namespace cmd::settings {
namespace {

constexpr const char16_t* kFooterSection = u"ﾌｯﾀｰ情報";
constexpr const char16_t* kCompanySection = u"自社情報";
constexpr const char16_t* kDefaultAttributes = u"0,0,0,0,0,0,0,0";
constexpr int kAttributeBuffer = 200;
constexpr int kAttributeFields = 8;

// Block 1 is the plain section; any other block has its number appended.
CString BlockSection(const char16_t* base, int block) {
  if (block == 1) return CString(base);
  CString section;
  section.Format(u"%s%d", base, block);
  return section;
}

CString Numbered(const char16_t* format, int number) {
  CString text;
  text.Format(format, number);
  return text;
}

// The font face of an attribute line's font kind (field 6) and face (field 8).
CString FaceOf(int fontKind, const CString& storedFace) {
  switch (fontKind) {
    case 0:
    case 1: return CString(u"ＭＳ 明朝");
    case 2: return CString(u"ＭＳ ゴシック");
    case 3: return storedFace;
    default: return CString();
  }
}

// Reads a font attribute line, stores fields 1 to 7 and returns the face.
CString ReadAttributes(const CString& file, const char16_t* section, const char16_t* key,
                       const std::array<int*, 7>& out) {
  const CString line = ReadText(file, section, key, kDefaultAttributes, kAttributeBuffer);
  // Fields the line does not reach stay empty and read as 0.
  std::array<CString, kAttributeFields> fields;
  SplitCStrByComma(line, fields.data(), kAttributeFields);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (out[i]) *out[i] = _wtoi(fields[i].GetString());
  }
  return FaceOf(_wtoi(fields[5].GetString()), fields[7]);
}

void WriteAttributes(const CString& file, const char16_t* section, const char16_t* key,
                     const std::array<int, 7>& values, const CString& face) {
  CString line;
  line.Format(u"%d,%d,%d,%d,%d,%d,%d,%s", values[0], values[1], values[2], values[3], values[4],
              values[5], values[6], face);
  WriteText(file, section, key, line);
}

// ---- The footer and own-company accessors on a given file.

CString FooterText(int block, const CString& file) {
  return ReadText(file, BlockSection(kFooterSection, block), u"1", u"");
}

void WriteFooterText(const CString& text, int block, const CString& file) {
  WriteText(file, BlockSection(kFooterSection, block), u"1", text);
}

CString CompanyText(int line, int block, const CString& file) {
  return ReadText(file, BlockSection(kCompanySection, block), Numbered(u"%d", line), u"");
}

void WriteCompanyText(int line, const CString& text, int block, const CString& file) {
  WriteText(file, BlockSection(kCompanySection, block), Numbered(u"%d", line), text);
}

CString CompanyAttributeKey(int attribute) { return Numbered(u"属性%d", attribute); }

// ---- Printer sections.

CString PrinterSection(int printer) { return Numbered(u"PRINTER%d", printer); }

constexpr const char16_t* kFaxPrefix = u"Microsoft FAX";
constexpr std::size_t kFaxPrefixLength = 13;
constexpr int kDeviceNamesBuffer = 1024;
constexpr int kDeviceValueBuffer = 64;

// The first fax entry of the user profile's "devices" section, as
// "name,driver,port"; empty when there is none.
CString FaxDevice() {
  std::array<char16_t, kDeviceNamesBuffer> names{};
  const DWORD length = GetProfileStringW(u"devices", nullptr, u"", names.data(),
                                         static_cast<DWORD>(names.size()));
  // The names follow one another, each ended by a zero character; an empty
  // name ends the list.
  std::size_t at = 0;
  while (at < length && at < names.size() && names[at] != u'\0') {
    const char16_t* name = names.data() + at;
    const std::size_t nameLength = wcslen16(name);
    if (std::u16string_view(name, nameLength).substr(0, kFaxPrefixLength) ==
        std::u16string_view(kFaxPrefix, kFaxPrefixLength)) {
      std::array<char16_t, kDeviceValueBuffer> value{};
      GetProfileStringW(u"devices", name, u"", value.data(), static_cast<DWORD>(value.size()));
      std::array<CString, 2> pieces;  // driver and port
      SplitCStrByComma(CString(value.data()), pieces.data(), 2);
      CString result;
      result.Format(u"%s,%s,%s", name, pieces[0], pieces[1]);
      return result.Left(MAX_PATH - 1);
    }
    at += nameLength + 1;
  }
  return CString();
}

}  // namespace
}  // namespace cmd::settings

using namespace cmd::settings;

// ---- Footer ---------------------------------------------------------------------

CMD_API CString _GetFooterInfoIni(int block, CString file) { return FooterText(block, file); }

CMD_API void _SetFooterInfoIni(CString text, int block, CString file) {
  WriteFooterText(text, block, file);
}

CMD_API CString _GetFooterInfoAttrIni(int* a1, int* a2, int* a3, int* a4, int* a5, int* fontKind,
                                      int* a7, CString file) {
  return ReadAttributes(file, kFooterSection, u"属性", {a1, a2, a3, a4, a5, fontKind, a7});
}

CMD_API void _SetFooterInfoAttrIni(int a1, int a2, int a3, int a4, int a5, int fontKind, int a7,
                                   CString face, CString file) {
  WriteAttributes(file, kFooterSection, u"属性", {a1, a2, a3, a4, a5, fontKind, a7}, face);
}

CMD_API CString GetFooterInfoIni(int block) { return _GetFooterInfoIni(block, MainFile()); }

CMD_API void SetFooterInfoIni(CString text, int block) {
  _SetFooterInfoIni(text, block, MainFile());
}

CMD_API CString GetFooterInfoAttrIni(int* a1, int* a2, int* a3, int* a4, int* a5, int* fontKind,
                                     int* a7) {
  return _GetFooterInfoAttrIni(a1, a2, a3, a4, a5, fontKind, a7, MainFile());
}

CMD_API void SetFooterInfoAttrIni(int a1, int a2, int a3, int a4, int a5, int fontKind, int a7,
                                  CString face) {
  _SetFooterInfoAttrIni(a1, a2, a3, a4, a5, fontKind, a7, face, MainFile());
}

// ---- Own company ------------------------------------------------------------------

CMD_API CString _GetJishaInfoIni(int line, int block, CString file) {
  return CompanyText(line, block, file);
}

CMD_API void _SetJishaInfoIni(int line, CString text, int block, CString file) {
  WriteCompanyText(line, text, block, file);
}

CMD_API CString _GetJishaInfoAttrIni(int attribute, int* a1, int* a2, int* a3, int* a4, int* a5,
                                     int* fontKind, int* a7, CString file) {
  return ReadAttributes(file, kCompanySection, CompanyAttributeKey(attribute),
                        {a1, a2, a3, a4, a5, fontKind, a7});
}

CMD_API void _SetJishaInfoAttrIni(int attribute, int a1, int a2, int a3, int a4, int a5,
                                  int fontKind, int a7, CString face, CString file) {
  WriteAttributes(file, kCompanySection, CompanyAttributeKey(attribute),
                  {a1, a2, a3, a4, a5, fontKind, a7}, face);
}

CMD_API CString GetJishaInfoIni(int line, int block) {
  return _GetJishaInfoIni(line, block, MainFile());
}

CMD_API void SetJishaInfoIni(int line, CString text, int block) {
  _SetJishaInfoIni(line, text, block, MainFile());
}

CMD_API CString GetJishaInfoAttrIni(int attribute, int* a1, int* a2, int* a3, int* a4, int* a5,
                                    int* fontKind, int* a7) {
  return _GetJishaInfoAttrIni(attribute, a1, a2, a3, a4, a5, fontKind, a7, MainFile());
}

CMD_API void SetJishaInfoAttrIni(int attribute, int a1, int a2, int a3, int a4, int a5,
                                 int fontKind, int a7, CString face) {
  _SetJishaInfoAttrIni(attribute, a1, a2, a3, a4, a5, fontKind, a7, face, MainFile());
}

// ---- Printers -------------------------------------------------------------------------

CMD_API CString GetPrnDrvIni(int printer, int fax) {
  if (fax != 0) return FaxDevice();
  return ReadText(MainFile(), PrinterSection(printer), u"DRV", u"(null)");
}

CMD_API void SetPrnDrvIni(int printer, CString driver) {
  WriteText(MainFile(), PrinterSection(printer), u"DRV", driver);
}

CMD_API int GetStdPrnIni(int printer) {
  const CString file = MainFile();
  if (printer != -1) return ReadInt(file, PrinterSection(printer), u"STDPRN", u"0");
  // Only the first character counts: "1", "10" and "1x" all mark the printer.
  for (int n = 1; n <= 10; ++n) {
    if (ReadText(file, PrinterSection(n), u"STDPRN", u"0").GetAt(0) == u'1') return n;
  }
  return 1;
}

CMD_API void SetStdPrnIni(int printer, int flag) {
  WriteInt(MainFile(), PrinterSection(printer), u"STDPRN", flag);
}

namespace {
struct MergeKeys {
  const char16_t* x;
  const char16_t* y;
};
MergeKeys MergeKeysOf(int direction) {
  return direction == 1 ? MergeKeys{u"MERGETATEX", u"MERGETATEY"}
                        : MergeKeys{u"MERGEYOKOX", u"MERGEYOKOY"};
}
}  // namespace

CMD_API void GetPrnMergeIni(int printer, int* x, int* y, int direction) {
  const CString file = MainFile();
  const CString section = PrinterSection(printer);
  const MergeKeys keys = MergeKeysOf(direction);
  const int valueX = ReadInt(file, section, keys.x, u"1");
  const int valueY = ReadInt(file, section, keys.y, u"1");
  if (x) *x = valueX;
  if (y) *y = valueY;
}

CMD_API void SetPrnMergeIni(int printer, int x, int y, int direction) {
  const CString file = MainFile();
  const CString section = PrinterSection(printer);
  const MergeKeys keys = MergeKeysOf(direction);
  WriteInt(file, section, keys.x, x);
  WriteInt(file, section, keys.y, y);
}

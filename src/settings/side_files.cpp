// The settings files beside "pelmar1.ini": numbering ("mituno.ini",
// "pelmar2.ini"), layout groups ("layout.ini") and envelopes ("fuutou.ini").
#include "cmddll3/settings_side.h"

#include <array>
#include <string_view>

#include "cmddll3/frame.h"
#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/crtfile.h"
#include "cmddll3/platform/shell.h"
#include "cmddll3/platform/textfile.h"
#include "frame/state.h"
#include "settings/profile_access.h"
#include "settings/record_scan.h"

namespace cmd::settings {
namespace {

// ---- Numbering.

constexpr const char16_t* kNumberSection = u"見積No";

struct NumberKey {
  const char16_t* estimate;
  const char16_t* invoice;
  const char16_t* def;
};
constexpr std::array<NumberKey, 4> kNumberKeys{{
    {u"見積1", u"請求1", u""},
    {u"見積2", u"請求2", u"0"},
    {u"見積3", u"請求3", u"1"},
    {u"見積4", u"請求4", u"3"},
}};

// The key of (kind, item), or nullptr for an item outside 1 to 4.
const NumberKey* NumberRow(int item) {
  return item >= 1 && item <= 4 ? &kNumberKeys[static_cast<std::size_t>(item - 1)] : nullptr;
}
const char16_t* NumberKeyName(const NumberKey& row, int kind) {
  return kind == 1 ? row.estimate : row.invoice;
}

CString Combine(const char16_t* folder, const char16_t* name) {
  char16_t path[MAX_PATH] = {};
  if (!PathCombineW(path, folder, name)) return CString();
  path[MAX_PATH - 1] = u'\0';
  return CString(path);
}

bool SharingOn(const CString& mainFile) {
  return ReadInt(mainFile, u"SYSTEM", u"見積No共有", u"0", 100) == 1;
}

CString SharedNumberFile() { return Combine(GetPathIni(), u"mituno.ini"); }

bool Exists(const CString& path) { return !path.IsEmpty() && _waccess(path, 0) == 0; }

// Creates an empty Unicode text file: the byte-order mark alone, so that the
// profile functions keep the file in UTF-16.
bool CreateUnicodeFile(const CString& path) {
  if (path.IsEmpty()) return false;
  CStdioFile file;
  if (!file.Open(path, u"wt,ccs=UNICODE")) return false;
  return file.Close() != FALSE;
}

// The file the numbering getter reads.
CString NumberFileForReading() {
  const CString main = MainFile();
  if (SharingOn(main)) {
    const CString shared = SharedNumberFile();
    if (Exists(shared)) return shared;
  }
  return main;
}

// The file the numbering setter writes, creating the shared file if needed.
CString NumberFileForWriting() {
  const CString main = MainFile();
  if (SharingOn(main)) {
    const CString shared = SharedNumberFile();
    if (Exists(shared) || CreateUnicodeFile(shared)) return shared;
  }
  return main;
}

CString ReadNumber(const CString& file, int kind, int item) {
  const NumberKey* row = NumberRow(item);
  if (!row) return CString();
  return ReadText(file, kNumberSection, NumberKeyName(*row, kind), row->def);
}

void WriteNumber(const CString& file, const CString& value, int kind, int item) {
  const NumberKey* row = NumberRow(item);
  if (!row) return;
  WriteText(file, kNumberSection, NumberKeyName(*row, kind), value);
}

// ---- Layout groups. The folder is spelled "layout" for reading and
// "LAYOUT" for writing; both name the same folder.

constexpr const char16_t* kGroupSection = u"ｸﾞﾙｰﾌﾟ";
constexpr int kLayoutGroups = 10;

CString GroupKey(int group) { return IntText(group); }

// ---- Envelopes.

struct EnvelopeKind {
  int firstCode;  // the code and the one after it name the envelope
  const char16_t* name;
};
constexpr EnvelopeKind kEnvelopeKinds[] = {
    {12, u"長2"}, {14, u"長3"}, {16, u"長40"}, {18, u"長4"}, {20, u"角0"},
    {22, u"角1"}, {24, u"角2"}, {26, u"角3"}, {28, u"角4"}, {30, u"角5"},
    {32, u"角6"}, {34, u"角7"}, {36, u"角8"},
};
constexpr const char16_t* kOtherEnvelope = u"長1";

const char16_t* EnvelopeName(int kind) {
  for (const EnvelopeKind& row : kEnvelopeKinds) {
    if (kind == row.firstCode || kind == row.firstCode + 1) return row.name;
  }
  return kOtherEnvelope;
}

CString EnvelopeKey(int direction, int kind) {
  return CString(EnvelopeName(kind)) + (direction == 1 ? u"縦" : u"横");
}

CString EnvelopeFile() { return Combine(cmd::frame::CurrentDirBuffer(), u"fuutou.ini"); }

constexpr const char16_t* kMarginSection = u"印刷ﾏｰｼﾞﾝ";
constexpr const char16_t* kInsertSection = u"印刷挿入";
constexpr const char16_t* kPositionSection = u"印刷位置";
constexpr const char16_t* kMarginTypeSection = u"印刷ﾏｰｼﾞﾝﾀｲﾌﾟ";
constexpr const char16_t* kPaperSection = u"印刷用紙ｻｲｽﾞ";
constexpr const char16_t* kPaperKey = u"全て";

constexpr ScannedRecord<2> kMargin{nullptr, nullptr, u"0,0", kValueBuffer, u"%[^,],%s",
                                   {{{u"0", kValueBuffer - 1}, {u"0", kValueBuffer - 1}}}};

int ReadEnvelopeInt(const char16_t* section, int direction, int kind, const char16_t* def) {
  return ReadInt(EnvelopeFile(), section, EnvelopeKey(direction, kind), def);
}

void WriteEnvelopeInt(const char16_t* section, int direction, int kind, int value) {
  WriteInt(EnvelopeFile(), section, EnvelopeKey(direction, kind), value);
}

// Glue flaps, by envelope name, in "pelmar1.ini".
constexpr const char16_t* kFlapSection = u"封筒のりしろ";
struct FlapDefault {
  const char16_t* name;
  int size;
};
constexpr FlapDefault kFlapDefaults[] = {
    {u"角0", 380}, {u"角1", 380}, {u"角2", 420}, {u"角3", 280}, {u"角4", 330},
    {u"角5", 330}, {u"角6", 270}, {u"角7", 240}, {u"角8", 260}, {u"長1", 260},
    {u"長2", 260}, {u"長3", 260}, {u"長40", 260}, {u"長4", 260},
};

int FlapDefaultOf(const CString& name) {
  for (const FlapDefault& row : kFlapDefaults) {
    if (name == row.name) return row.size;
  }
  return 0;
}

}  // namespace
}  // namespace cmd::settings

using namespace cmd::settings;

// ---- Numbering ---------------------------------------------------------------

CMD_API CString GetMituNoIni(int kind, int item) {
  return ReadNumber(NumberFileForReading(), kind, item);
}

CMD_API void SetMituNoIni(CString value, int kind, int item) {
  // The file is chosen (and a missing shared file created) before the item
  // is looked at, so even a call with an unknown item creates "mituno.ini".
  WriteNumber(NumberFileForWriting(), value, kind, item);
}

CMD_API CString GetMituNo2Ini(int kind, int item) { return ReadNumber(GetIniFile2(), kind, item); }

CMD_API void SetMituNo2Ini(CString value, int kind, int item) {
  WriteNumber(GetIniFile2(), value, kind, item);
}

// ---- Layout groups -----------------------------------------------------------------

CMD_API void GetLayoutIni(CString* names) {
  if (!names) return;
  const CString file = GetPathIni() + u"layout\\" + u"layout.ini";
  for (int group = 1; group <= kLayoutGroups; ++group) {
    names[group - 1] = ReadText(file, kGroupSection, GroupKey(group), u"");
  }
}

CMD_API void SetLayoutIni(const CString* names) {
  if (!names) return;
  const CString file = GetPathIni() + u"LAYOUT\\" + u"layout.ini";
  for (int group = 1; group <= kLayoutGroups; ++group) {
    WriteText(file, kGroupSection, GroupKey(group), names[group - 1]);
  }
}

// ---- Envelopes -------------------------------------------------------------------

CMD_API void GetFuutouMergenIni(int direction, int kind, int* pair) {
  const CString text = ReadText(EnvelopeFile(), kMarginSection, EnvelopeKey(direction, kind),
                                kMargin.def);
  const auto f = ScanRecordText(text, kMargin);
  if (!pair) return;
  pair[0] = f.Int(0);
  pair[1] = f.Int(1);
}

CMD_API void SetFuutouMergenIni(int direction, int kind, const int* pair) {
  if (!pair) return;
  CString text;
  text.Format(u"%d,%d", pair[0], pair[1]);
  WriteText(EnvelopeFile(), kMarginSection, EnvelopeKey(direction, kind), text);
}

CMD_API int GetFuutouMergenInsPosIni(int direction, int kind) {
  return ReadEnvelopeInt(kInsertSection, direction, kind, u"0");
}
CMD_API void SetFuutouMergenInsPosIni(int direction, int kind, int value) {
  WriteEnvelopeInt(kInsertSection, direction, kind, value);
}
CMD_API int GetFuutouMergenPrnPosIni(int direction, int kind) {
  return ReadEnvelopeInt(kPositionSection, direction, kind, u"0");
}
CMD_API void SetFuutouMergenPrnPosIni(int direction, int kind, int value) {
  WriteEnvelopeInt(kPositionSection, direction, kind, value);
}
CMD_API int GetFuutouMergenTypeIni(int direction, int kind) {
  return ReadEnvelopeInt(kMarginTypeSection, direction, kind, u"1");
}
CMD_API void SetFuutouMergenTypeIni(int direction, int kind, int value) {
  WriteEnvelopeInt(kMarginTypeSection, direction, kind, value);
}

CMD_API int GetFuutouPaperSizeIni() {
  return ReadInt(EnvelopeFile(), kPaperSection, kPaperKey, u"0");
}
CMD_API void SetFuutouPaperSizeIni(int value) {
  WriteInt(EnvelopeFile(), kPaperSection, kPaperKey, value);
}

CMD_API int GetPrnFuutouNorisiroIni(CString envelope) {
  return ReadInt(MainFile(), kFlapSection, envelope, IntText(FlapDefaultOf(envelope)));
}

CMD_API void SetPrnFuutouNorisiroIni(CString envelope, int value) {
  WriteInt(MainFile(), kFlapSection, envelope, value);
}

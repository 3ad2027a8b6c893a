// Character-width conversion, trimming and tokenising.
#include "cmddll3/util_hankaku.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "cmddll3/platform/codepage.h"
#include "cmddll3/platform/crt.h"
#include "util/mbchar.h"

namespace {

struct KanaRow {
  char16_t full;
  const char16_t* half;  // the half-width letter, with its voiced or semi-voiced mark
};

// Full-width katakana and their half-width forms, in code order. The small
// ヮ, ヰ, ヱ, ヵ and ヶ have no half-width form and are not listed.
constexpr KanaRow kKatakana[] = {
    {u'ァ', u"ｧ"}, {u'ア', u"ｱ"}, {u'ィ', u"ｨ"}, {u'イ', u"ｲ"}, {u'ゥ', u"ｩ"}, {u'ウ', u"ｳ"},
    {u'ェ', u"ｪ"}, {u'エ', u"ｴ"}, {u'ォ', u"ｫ"}, {u'オ', u"ｵ"}, {u'カ', u"ｶ"}, {u'ガ', u"ｶﾞ"},
    {u'キ', u"ｷ"}, {u'ギ', u"ｷﾞ"}, {u'ク', u"ｸ"}, {u'グ', u"ｸﾞ"}, {u'ケ', u"ｹ"}, {u'ゲ', u"ｹﾞ"},
    {u'コ', u"ｺ"}, {u'ゴ', u"ｺﾞ"}, {u'サ', u"ｻ"}, {u'ザ', u"ｻﾞ"}, {u'シ', u"ｼ"}, {u'ジ', u"ｼﾞ"},
    {u'ス', u"ｽ"}, {u'ズ', u"ｽﾞ"}, {u'セ', u"ｾ"}, {u'ゼ', u"ｾﾞ"}, {u'ソ', u"ｿ"}, {u'ゾ', u"ｿﾞ"},
    {u'タ', u"ﾀ"}, {u'ダ', u"ﾀﾞ"}, {u'チ', u"ﾁ"}, {u'ヂ', u"ﾁﾞ"}, {u'ッ', u"ｯ"}, {u'ツ', u"ﾂ"},
    {u'ヅ', u"ﾂﾞ"}, {u'テ', u"ﾃ"}, {u'デ', u"ﾃﾞ"}, {u'ト', u"ﾄ"}, {u'ド', u"ﾄﾞ"}, {u'ナ', u"ﾅ"},
    {u'ニ', u"ﾆ"}, {u'ヌ', u"ﾇ"}, {u'ネ', u"ﾈ"}, {u'ノ', u"ﾉ"}, {u'ハ', u"ﾊ"}, {u'バ', u"ﾊﾞ"},
    {u'パ', u"ﾊﾟ"}, {u'ヒ', u"ﾋ"}, {u'ビ', u"ﾋﾞ"}, {u'ピ', u"ﾋﾟ"}, {u'フ', u"ﾌ"}, {u'ブ', u"ﾌﾞ"},
    {u'プ', u"ﾌﾟ"}, {u'ヘ', u"ﾍ"}, {u'ベ', u"ﾍﾞ"}, {u'ペ', u"ﾍﾟ"}, {u'ホ', u"ﾎ"}, {u'ボ', u"ﾎﾞ"},
    {u'ポ', u"ﾎﾟ"}, {u'マ', u"ﾏ"}, {u'ミ', u"ﾐ"}, {u'ム', u"ﾑ"}, {u'メ', u"ﾒ"}, {u'モ', u"ﾓ"},
    {u'ャ', u"ｬ"}, {u'ヤ', u"ﾔ"}, {u'ュ', u"ｭ"}, {u'ユ', u"ﾕ"}, {u'ョ', u"ｮ"}, {u'ヨ', u"ﾖ"},
    {u'ラ', u"ﾗ"}, {u'リ', u"ﾘ"}, {u'ル', u"ﾙ"}, {u'レ', u"ﾚ"}, {u'ロ', u"ﾛ"}, {u'ワ', u"ﾜ"},
    {u'ヲ', u"ｦ"}, {u'ン', u"ﾝ"}, {u'ヴ', u"ｳﾞ"},
};

static_assert(std::is_sorted(std::begin(kKatakana), std::end(kKatakana),
                             [](const KanaRow& a, const KanaRow& b) { return a.full < b.full; }),
              "the katakana table is searched by halving");

const char16_t* HalfWidthKana(char16_t c) {
  auto row = std::lower_bound(std::begin(kKatakana), std::end(kKatakana), c,
                              [](const KanaRow& r, char16_t x) { return r.full < x; });
  return row != std::end(kKatakana) && row->full == c ? row->half : nullptr;
}

bool IsDash(char16_t c) {
  // Prolonged sound mark, full-width hyphen-minus, horizontal bar, hyphen and
  // the half-width prolonged sound mark.
  return c == u'ー' || c == u'－' || c == u'―' || c == u'‐' || c == u'ｰ';
}

bool InRange(char16_t c, char16_t first, char16_t last) { return c >= first && c <= last; }

std::u16string_view ViewOf(const char16_t* text) {
  return text ? std::u16string_view(text) : std::u16string_view();
}

bool IsTokenEnd(char16_t c, char16_t marker) {
  // Tab, space, "," and the closing quote end a token where they stand; any
  // other delimiter reads the token to the end of the line.
  if (marker == u'\t' || marker == u' ' || marker == u',' || marker == u'"') return c == marker;
  return c == u'\n';
}

// The value of a two-character length field, read as the runtime's
// text-to-integer does; a negative length counts as 0.
int FieldLength(const CString& packed, int pos) {
  return std::max(0, _wtoi(packed.Mid(pos, 2).GetString()));
}

}  // namespace

CMD_API CString BaiToHan(const char16_t* text) {
  std::u16string out;
  for (char16_t c : ViewOf(text)) {
    if (const char16_t* half = HalfWidthKana(c)) out += half;
    else if (IsDash(c)) out += u'-';
    else if (InRange(c, u'０', u'９')) out += char16_t(c - u'０' + u'0');
    else if (InRange(c, u'Ａ', u'Ｚ')) out += char16_t(c - u'Ａ' + u'A');
    else if (InRange(c, u'ａ', u'ｚ')) out += char16_t(c - u'ａ' + u'a');
    else out += c;
  }
  // Upper-cased as the runtime's default locale does (a to z only).
  for (char16_t& c : out) c = towupper(c);
  return CString(std::move(out));
}

CMD_API CString UnicodeZenSuu2Han(CString text) {
  std::u16string& s = text.str();
  for (char16_t& c : s) {
    if (InRange(c, u'０', u'９')) c = char16_t(c - u'０' + u'0');
    else if (c == u'　') c = u' ';
    else if (c == u'。' || c == u'．') c = u'.';
  }
  return text;
}

CMD_API char* ToHankakuNum(const char* text, char* out) {
  if (!out) return out;
  const auto* in = reinterpret_cast<const unsigned char*>(text ? text : "");
  std::string result;
  while (*in) {
    std::size_t n = cmd::util::CharBytes932(in);
    if (n == 2 && in[0] == 0x82 && InRange(in[1], 0x4F, 0x58)) {
      result += char('0' + (in[1] - 0x4F));  // ０ to ９
    } else if (n == 2 && in[0] == 0x81 && (in[1] == 0x44 || in[1] == 0x42)) {
      result += '.';  // ． and 。
    } else {
      result.append(reinterpret_cast<const char*>(in), n);
    }
    in += n;
  }
  // The result is never longer than the text, so it fits where the text did.
  std::memcpy(out, result.c_str(), result.size() + 1);
  return out;
}

CMD_API char* getMultiFromWideText(CString text, char* buffer, int size) {
  if (!buffer || size <= 0) return buffer;
  const std::string bytes = cmd::cp::Encode932(ViewOf(text.GetString()));
  const std::size_t used = cmd::util::FitCharacters932(bytes, static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, bytes.data(), used);
  buffer[used] = 0;
  return buffer;
}

CMD_API CString getWideFromMultiText(const char* text) {
  constexpr std::size_t kMaxInput = 260;
  std::string_view bytes = text ? std::string_view(text) : std::string_view();
  bytes = bytes.substr(0, cmd::util::FitCharacters932(bytes, kMaxInput));
  return CString(cmd::cp::Decode932(bytes));
}

CMD_API CString CStrCutSpace(CString text, int length) {
  CString head = length == 0 ? text : text.Left(length);
  head.TrimRight(u' ');
  return head;
}

CMD_API CString MyTrim(const char16_t* text) {
  CString s(text);
  s.Trim(u' ');
  return s;
}

CMD_API int IsAllSpace(const char16_t* text) {
  std::u16string_view s = ViewOf(text);
  return std::all_of(s.begin(), s.end(), [](char16_t c) { return c == u' '; }) ? 1 : 0;
}

CMD_API int MyStrtok(const char16_t* text, char16_t* token, char delimiter) {
  constexpr int kMaxToken = 100;
  const char16_t d = static_cast<unsigned char>(delimiter);
  const char16_t* p = text ? text : u"";
  if ((d == u'\t' || d == u' ' || d == u',') && *p == d) ++p;
  char16_t marker = d;
  if (*p == u'"') {
    ++p;
    marker = u'"';
  }
  if (!*p) {
    if (token) token[0] = 0;
    return 0;
  }
  if (!token) return 1;
  int n = 0;
  while (n < kMaxToken && p[n] && !IsTokenEnd(p[n], marker)) {
    token[n] = p[n];
    ++n;
  }
  token[n] = 0;
  return 1;
}

CMD_API void Split2text(CString packed, CString* out) {
  if (!out) return;
  out[0].Empty();
  out[1].Empty();
  if (packed.IsEmpty()) return;
  const int k1 = FieldLength(packed, 0);
  out[0] = packed.Mid(2, k1);
  if (packed.GetLength() > k1 + 2) {
    const int k2 = FieldLength(packed, k1 + 2);
    out[1] = packed.Mid(k1 + 4, k2);
  }
}

CMD_API void Split3text(CString packed, CString* out) {
  if (!out) return;
  out[2].Empty();
  Split2text(packed, out);
  if (packed.IsEmpty()) return;
  // The lengths are at most 99 each, so the positions cannot overflow.
  const int k1 = FieldLength(packed, 0);
  const int k2 = packed.GetLength() > k1 + 2 ? FieldLength(packed, k1 + 2) : 0;
  if (packed.GetLength() > k1 + k2 + 4) {
    const int k3 = FieldLength(packed, k1 + k2 + 4);
    out[2] = packed.Mid(k1 + k2 + 6, k3);
  }
}

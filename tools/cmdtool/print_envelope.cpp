#include "print_envelope.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "print_estimate.h"
#include "print_output.h"
#include "tool.h"

namespace cmdtool::print {

using nlohmann::json;

namespace {

// The envelope kinds of the envelope settings: the first of the pair of
// codes that names each, and its size in millimetres (width x height,
// standing upright).
struct Kind {
  int code;
  const char16_t* name;
  int width, height;
};
constexpr Kind kKinds[] = {
    {10, u"長1", 142, 332}, {12, u"長2", 119, 277}, {14, u"長3", 120, 235},
    {16, u"長40", 90, 225}, {18, u"長4", 90, 205},  {20, u"角0", 287, 382},
    {22, u"角1", 270, 382}, {24, u"角2", 240, 332}, {26, u"角3", 216, 277},
    {28, u"角4", 197, 267}, {30, u"角5", 190, 240}, {32, u"角6", 162, 229},
    {34, u"角7", 142, 205}, {36, u"角8", 119, 197},
};

const Kind& KindOf(int code) {
  for (const Kind& k : kKinds)
    if (code >= 12 && (code == k.code || code == k.code + 1)) return k;
  return kKinds[0];
}

std::string Text(const json& j, const std::string& where) {
  if (!j.is_string()) throw Failure(where + ": must be a text");
  std::string t = j.get<std::string>();
  if (W(t).GetLength() > 100) throw Failure(where + ": is longer than 100 characters");
  return t;
}

constexpr int kDirectionVertical = 1;

}  // namespace

Address ParseAddress(std::string_view text, const std::string& name) {
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos)
    throw Failure(name + ": the address is empty");
  json top = ParseJsonObject(text, name, "the address");
  Address a;
  for (const auto& [key, value] : top.items()) {
    std::string at = name + ": " + key;
    if (key == "postal") {
      for (char c : Text(value, at))
        if (c >= '0' && c <= '9') a.postal += c;
        else if (c != '-') throw Failure(at + ": '" + value.get<std::string>() + "' is not a postal code");
      if (a.postal.size() != 7) throw Failure(at + ": a postal code has seven digits");
    } else if (key == "address") {
      std::vector<json> items = value.is_array() ? value.get<std::vector<json>>()
                                                 : std::vector<json>{value};
      if (items.empty() || items.size() > 3) throw Failure(at + ": one to three lines");
      for (std::size_t k = 0; k < items.size(); ++k)
        a.lines.push_back(Text(items[k], at + "[" + std::to_string(k) + "]"));
    } else if (key == "company") a.company = Text(value, at);
    else if (key == "department") a.department = Text(value, at);
    else if (key == "name") a.name = Text(value, at);
    else if (key == "honorific") a.honorific = Text(value, at);
    else throw Failure(at + ": unknown field");
  }
  if (a.lines.empty()) throw Failure(name + ": \"address\" is missing");
  if (a.name.empty() && a.company.empty())
    throw Failure(name + ": the address needs a \"name\" or a \"company\"");
  if (a.honorific.empty()) a.honorific = a.name.empty() ? "御中" : "様";
  return a;
}

Address ReadAddress(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure(path + ": cannot read the file");
  return ParseAddress(std::string(std::istreambuf_iterator<char>(in), {}), path);
}

int ParseEnvelopeKind(const std::string& text) {
  long long code = 0;
  if (ParseInteger(text, 0, 99, code)) return static_cast<int>(code);
  for (const Kind& k : kKinds)
    if (W(text) == k.name) return k.code == 10 ? 10 : k.code;
  throw Failure("--kind " + text + ": not an envelope kind (a code 12 to 37, or 長3, 角2, ...)");
}

Envelope ReadEnvelope(int kind) {
  const Kind& k = KindOf(kind);
  Envelope env;
  env.kind = kind;
  env.name = k.name;
  env.width = k.width * 10;
  env.height = k.height * 10;
  // Margin type 1 (the default) prints with the glue flap open above the top.
  if (GetFuutouMergenTypeIni(kDirectionVertical, kind) == 1)
    env.flap = GetPrnFuutouNorisiroIni(env.name);
  int pair[2] = {0, 0};
  GetFuutouMergenIni(kDirectionVertical, kind, pair);
  env.margin = POINT{pair[0], pair[1]};
  return env;
}

POINT EnvelopeAdjustment(const Envelope& env) {
  int x = 0, y = 0;
  GetPrnMergeIni(GetStdPrnIni(-1), &x, &y, kDirectionVertical);
  return POINT{x + env.margin.x, y + env.margin.y};
}

CString VerticalText(const std::string& text) {
  static const char16_t kanji[] = u"〇一二三四五六七八九";
  std::u16string out;
  const CString wide = W(text);
  for (char16_t c : wide.str()) {
    if (c >= u'0' && c <= u'9') out += kanji[c - u'0'];
    else if (c >= u'０' && c <= u'９') out += kanji[c - u'０'];
    else if (c == u'-' || c == u'－' || c == u'‐') out += u'ー';
    else out += c;
  }
  return CString(out);
}

void DrawEnvelope(const Page& page, const Envelope& env, const Address& to, const Letterhead& from) {
  const int w = env.width, h = env.height, top = env.flap;
  const COLORREF red = RGB(214, 40, 40), black = RGB(0, 0, 0);
  // The fold of the open flap.
  if (env.flap > 0) {
    CPen pen(PS_DOT, 1, RGB(150, 150, 150));
    CPen* old = page.dc->SelectObject(&pen);
    page.dc->MoveTo(page.X(0), page.Y(top));
    page.dc->LineTo(page.X(w), page.Y(top));
    page.dc->SelectObject(old);
    pen.DeleteObject();
  }

  // Seven postal-code boxes at the top right: three, a gap, four.
  static const int kBoxLeft[7] = {0, 70, 140, 216, 284, 352, 420};
  const int boxesLeft = w - 80 - 477, boxTop = top + 120;
  CPen boxPen(PS_SOLID, std::max(1, page.L(4)), red);
  CPen* oldPen = page.dc->SelectObject(&boxPen);
  for (int i = 0; i < 7; ++i) {
    int l = boxesLeft + kBoxLeft[i];
    int boxH = i < 3 ? 80 : 75, boxT = boxTop + (i < 3 ? 0 : 5);
    page.dc->MoveTo(page.X(l), page.Y(boxT));
    page.dc->LineTo(page.X(l + 57), page.Y(boxT));
    page.dc->LineTo(page.X(l + 57), page.Y(boxT + boxH));
    page.dc->LineTo(page.X(l), page.Y(boxT + boxH));
    page.dc->LineTo(page.X(l), page.Y(boxT));
    if (i < static_cast<int>(to.postal.size()))
      DrawCell(page, W(to.postal.substr(i, 1)), page.Rect(l + 4, boxT + 4, l + 53, boxT + boxH - 4),
               DT_CENTER, 62);
  }
  page.dc->SelectObject(oldPen);
  boxPen.DeleteObject();

  // The address, right to left from the right edge: the first line from the
  // top, the following ones a little lower, each in up to three columns.
  const int body = top + 300, bottom = top + h - 120;
  LOGFONTW lf{};
  int x = w - 100;
  for (std::size_t i = 0; i < to.lines.size(); ++i) {
    int columnWidth = i == 0 ? 100 : 85;
    MakeLogFont(&lf, u"ＭＳ 明朝", page.L(i == 0 ? 62 : 55), 0, FW_NORMAL, 0, 0, 0);
    RECT r = page.Rect(x - columnWidth, body + static_cast<int>(i) * 150, x, bottom);
    DrawTateText2(page.dc, VerticalText(to.lines[i]), &r, 1, black, &lf);
    x -= columnWidth + 15;
  }

  // The name in the middle, fitted to its column, with company and section
  // beside it on the right.
  CString name = VerticalText(to.name.empty() ? to.company : to.name) + u"　" + W(to.honorific);
  RECT nameColumn = page.Rect(w / 2 - 80, body + 60, w / 2 + 80, bottom - 100);
  MakeLogFont(&lf, u"ＭＳ 明朝", 0, 0, FW_NORMAL, 0, 0, 0);
  DrawSingleTateText(page.dc, name, &nameColumn, 0, black, &lf);
  int side = w / 2 + 95;
  for (const std::string& t : {to.department, to.name.empty() ? std::string() : to.company}) {
    if (t.empty()) continue;
    MakeLogFont(&lf, u"ＭＳ 明朝", page.L(50), 0, FW_NORMAL, 0, 0, 0);
    RECT r = page.Rect(side, body + 120, side + 75, bottom - 100);
    DrawTateText2(page.dc, VerticalText(t), &r, 1, black, &lf);
    side += 80;
    if (side + 75 > x) break;
  }

  // The sender at the bottom left: the first three own-company lines (name,
  // address, telephone), in columns as narrow as the longest line needs to
  // stand whole (between 4 and 6 mm); a line longer still runs on into a
  // column of its own.
  constexpr int kTop = 950, kBottom = 90, kPercent = 85, kHeight = kTop - kBottom;
  std::vector<CString> columns;
  int longest = 1;
  for (const StyledLine& line : from.company) {
    if (columns.size() == 3) break;
    columns.push_back(VerticalText(U8(line.text)));
    longest = std::max(longest, columns.back().GetLength());
  }
  if (!columns.empty()) {
    const int width = std::clamp(kHeight * 100 / (kPercent * longest), 40, 60);
    const int perColumn = std::max(1, kHeight * 100 / (kPercent * width));
    CString sender;
    UINT count = 0;
    for (const CString& column : columns) {
      if (!sender.IsEmpty()) sender += u"\r\n";
      sender += column;
      count += static_cast<UINT>((column.GetLength() + perColumn - 1) / perColumn);
    }
    const int right = 90 + static_cast<int>(count) * width;
    RECT r = page.Rect(90, top + h - kTop, right, top + h - kBottom);
    MakeLogFont(&lf, nullptr, 0, 0, FW_NORMAL, 0, 0, 0);
    DrawFixMultiTateText(page.dc, sender, &r, count, 0, 0, kPercent, black, &lf);
  }
}

}  // namespace cmdtool::print

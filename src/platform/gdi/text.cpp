// Text on device contexts: extents, metrics, TextOut, ExtTextOut and the
// line layout of DrawText. The layout is computed here from the back-end's
// font metrics, so every back-end places lines alike and the recording one
// can report where each line went.
#include <algorithm>
#include <cstdlib>

#include "cmddll3/platform/cstring.h"
#include "platform/gdi/internal.h"

namespace cmd::gdi {
namespace {

constexpr char16_t kBreakChar = u' ';

std::u16string_view TextOf(LPCWSTR text, int count) {
  if (!text) return {};
  if (count < 0) return std::u16string_view(text, wcslen16(text));
  return std::u16string_view(text, std::size_t(count));
}

int BreakCount(std::u16string_view text) {
  return int(std::count(text.begin(), text.end(), kBreakChar));
}

TextJob BaseJob(DeviceContext& dc, int x, int y) {
  TextJob job;
  job.font = CurrentFont(dc);
  job.color = dc.st.textColor;
  job.opaque = dc.st.bkMode == OPAQUE;
  job.bkColor = dc.st.bkColor;
  job.x = x;
  job.y = y;
  job.metrics = dc.device().Fonts().Metrics(job.font);
  return job;
}

// ----------------------------------------------------------------- DrawText lines
struct Line {
  std::u16string text;
  int underline = -1;  // index of the prefixed character
  int width = 0;
};

// Removes the '&' prefixes: "&&" is one '&', "&x" underlines x.
Line StripPrefix(std::u16string_view s) {
  Line line;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'&' && i + 1 < s.size()) {
      ++i;
      if (s[i] != u'&') line.underline = int(line.text.size());
    } else if (s[i] == u'&') {
      continue;  // a trailing '&' shows nothing
    }
    line.text += s[i];
  }
  return line;
}

bool IsWide(char16_t c) { return !(c >= 0x20 && c <= 0x7E) && !(c >= 0xFF61 && c <= 0xFF9F); }

// Breaks one hard line into lines no wider than limit: after a space, or
// next to a wide (Japanese) character; a run with no such place is cut at
// the last character that fits. Leading spaces of a continuation go.
std::vector<std::u16string> WrapLine(FontEngine& fonts, const LOGFONTW& lf, std::u16string s,
                                     int limit) {
  std::vector<std::u16string> out;
  while (!s.empty()) {
    if (fonts.Width(lf, s) <= limit) {
      out.push_back(s);
      break;
    }
    // The longest prefix that fits (advances only grow with the length).
    std::size_t fit = 0, over = s.size();
    while (over - fit > 1) {
      std::size_t mid = fit + (over - fit) / 2;
      if (fonts.Width(lf, std::u16string_view(s).substr(0, mid)) <= limit)
        fit = mid;
      else
        over = mid;
    }
    std::size_t cut = 0;
    for (std::size_t i = fit; i > 0; --i) {
      if (s[i - 1] == u' ' || IsWide(s[i - 1]) || (i < s.size() && IsWide(s[i]))) {
        cut = i;
        break;
      }
    }
    if (cut == 0) cut = std::max<std::size_t>(fit, 1);
    out.push_back(s.substr(0, cut));
    s.erase(0, cut);
    std::size_t spaces = s.find_first_not_of(u' ');
    s.erase(0, spaces == std::u16string::npos ? s.size() : spaces);
  }
  if (out.empty()) out.emplace_back();
  return out;
}

std::vector<Line> LayoutLines(DeviceContext& dc, std::u16string_view text, const RECT& rect,
                              UINT format) {
  FontEngine& fonts = dc.device().Fonts();
  const LOGFONTW& lf = CurrentFont(dc);
  std::vector<std::u16string> hard;
  if (format & DT_SINGLELINE) {
    hard.emplace_back(text);
  } else {
    std::u16string cur;
    for (std::size_t i = 0; i < text.size(); ++i) {
      char16_t c = text[i];
      if (c == u'\r' || c == u'\n') {
        hard.push_back(cur);
        cur.clear();
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      } else {
        cur += c;
      }
    }
    hard.push_back(cur);
  }
  std::vector<Line> lines;
  for (auto& h : hard) {
    std::vector<std::u16string> parts;
    if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE))
      parts = WrapLine(fonts, lf, h, Clamp32((long long)rect.right - rect.left));
    else
      parts.push_back(h);
    for (auto& p : parts) {
      Line line = (format & DT_NOPREFIX) ? Line{p, -1, 0} : StripPrefix(p);
      line.width = TextWidth(dc, line.text);
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

std::vector<TextPiece> PiecesOf(DeviceContext& dc, const Line& line) {
  std::vector<TextPiece> pieces = JustifiedPieces(dc, line.text);
  if (line.underline < 0) return pieces;
  // Split out the prefixed character so the back-end can underline it.
  FontEngine& fonts = dc.device().Fonts();
  const LOGFONTW& lf = CurrentFont(dc);
  std::vector<TextPiece> out;
  int index = 0;
  for (auto& p : pieces) {
    int start = index, end = index + int(p.text.size());
    index = end;
    if (line.underline < start || line.underline >= end) {
      out.push_back(p);
      continue;
    }
    int at = line.underline - start;
    std::u16string_view t = p.text;
    TextPiece before{p.offset, std::u16string(t.substr(0, std::size_t(at))), false};
    int x = Clamp32((long long)p.offset + fonts.Width(lf, before.text));
    TextPiece mark{x, std::u16string(t.substr(std::size_t(at), 1)), true};
    TextPiece after{Clamp32((long long)x + fonts.Width(lf, mark.text)), std::u16string(t.substr(std::size_t(at) + 1)),
                    false};
    for (auto* q : {&before, &mark, &after})
      if (!q->text.empty()) out.push_back(*q);
  }
  return out;
}

}  // namespace

int JustificationExtra(const DcState& st, std::u16string_view text) {
  if (st.breakExtra == 0 || st.breakCount <= 0) return 0;
  long long breaks = std::min(BreakCount(text), st.breakCount);
  // Each break gets extra / count; the remainder goes to the first ones.
  long long each = st.breakExtra / st.breakCount, rest = st.breakExtra % st.breakCount;
  long long spread = rest >= 0 ? std::min(breaks, rest) : std::max(-breaks, rest);
  return Clamp32(breaks * each + spread);
}

int TextWidth(DeviceContext& dc, std::u16string_view text) {
  const LOGFONTW& lf = CurrentFont(dc);
  return Clamp32((long long)dc.device().Fonts().Width(lf, text) + JustificationExtra(dc.st, text));
}

std::vector<TextPiece> JustifiedPieces(DeviceContext& dc, std::u16string_view text) {
  const DcState& st = dc.st;
  if (st.breakExtra == 0 || st.breakCount <= 0 || BreakCount(text) == 0)
    return {TextPiece{0, std::u16string(text), false}};
  FontEngine& fonts = dc.device().Fonts();
  const LOGFONTW& lf = CurrentFont(dc);
  long long each = st.breakExtra / st.breakCount, rest = st.breakExtra % st.breakCount;
  std::vector<TextPiece> pieces;
  long long x = 0;
  int breaks = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != kBreakChar) continue;
    std::u16string_view run = text.substr(start, i - start + (i < text.size() ? 1 : 0));
    if (!run.empty()) pieces.push_back(TextPiece{Clamp32(x), std::u16string(run), false});
    x += fonts.Width(lf, run);
    if (i < text.size() && breaks < st.breakCount) {
      x += each + (breaks < std::llabs(rest) ? (rest > 0 ? 1 : -1) : 0);
      ++breaks;
    }
    start = i + 1;
  }
  return pieces;
}

}  // namespace cmd::gdi

using namespace cmd::gdi;

BOOL SetTextJustification(HDC dc, int breakExtra, int breakCount) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d) return FALSE;
  d->st.breakExtra = breakExtra;
  d->st.breakCount = breakCount;
  if (d->RecordingAll()) {
    GdiOp op = d->Snapshot(OpKind::SetTextJustification);
    op.value = breakExtra;
    op.result = breakCount;
    d->Record(std::move(op));
  }
  return TRUE;
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d || !size || count < 0 || (!text && count > 0)) return FALSE;
  std::u16string_view t = TextOf(text, count);
  const LOGFONTW& lf = CurrentFont(*d);
  FontEngine& fonts = d->device().Fonts();
  size->cx = TextWidth(*d, t);
  size->cy = fonts.Metrics(lf).height;
  if (d->RecordingAll()) {
    GdiOp op = d->Snapshot(OpKind::GetTextExtent);
    op.text = std::u16string(t);
    op.size = *size;
    op.result = TRUE;
    d->Record(std::move(op));
  }
  return TRUE;
}

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* tm) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d || !tm) return FALSE;
  const LOGFONTW& lf = CurrentFont(*d);
  FontMetrics m = d->device().Fonts().Metrics(lf);
  *tm = TEXTMETRICW{};
  tm->tmHeight = m.height;
  tm->tmAscent = m.ascent;
  tm->tmDescent = m.descent;
  tm->tmInternalLeading = m.internalLeading;
  tm->tmExternalLeading = m.externalLeading;
  tm->tmAveCharWidth = m.aveCharWidth;
  tm->tmMaxCharWidth = m.maxCharWidth;
  tm->tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  tm->tmDigitizedAspectX = tm->tmDigitizedAspectY = d->device().Caps(LOGPIXELSX);
  tm->tmFirstChar = 0x20;
  tm->tmLastChar = 0xFFFC;
  tm->tmDefaultChar = 0x30FB;
  tm->tmBreakChar = u' ';
  tm->tmItalic = lf.lfItalic;
  tm->tmUnderlined = lf.lfUnderline;
  tm->tmStruckOut = lf.lfStrikeOut;
  tm->tmPitchAndFamily = lf.lfPitchAndFamily;
  tm->tmCharSet = lf.lfCharSet;
  return TRUE;
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d || count < 0 || (!text && count > 0)) return FALSE;
  std::u16string_view t = TextOf(text, count);
  TextJob job = BaseJob(*d, x, y);
  job.pieces = JustifiedPieces(*d, t);
  job.width = TextWidth(*d, t);
  if (d->Recording()) {
    GdiOp op = d->Snapshot(OpKind::TextOut);
    op.text = std::u16string(t);
    op.point = POINT{x, y};
    op.result = TRUE;
    op.size = SIZE{job.width, job.metrics.height};
    d->Record(std::move(op));
  }
  if (!t.empty()) d->device().DrawTextJob(job);
  return TRUE;
}

BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                 const int* dx) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d || (!text && count > 0) || count > 0x7FFFFFFF) return FALSE;
  std::u16string_view t = TextOf(text, int(count));
  TextJob job = BaseJob(*d, x, y);
  if (dx) {
    long long at = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
      job.pieces.push_back(TextPiece{Clamp32(at), std::u16string(1, t[i]), false});
      at += dx[i];
    }
    job.width = Clamp32(at);
  } else {
    job.pieces = JustifiedPieces(*d, t);
    job.width = TextWidth(*d, t);
  }
  if (rect && (options & ETO_CLIPPED)) {
    job.clipped = true;
    job.clip = *rect;
  }
  if (rect && (options & ETO_OPAQUE)) {
    job.opaque = false;
    job.opaqueRect = true;
    job.fill = *rect;
  }
  if (d->Recording()) {
    GdiOp op = d->Snapshot(OpKind::ExtTextOut);
    op.text = std::u16string(t);
    op.point = POINT{x, y};
    op.flags = options;
    if (rect) op.rect = *rect;
    op.result = TRUE;
    op.size = SIZE{job.width, job.metrics.height};
    d->Record(std::move(op));
  }
  if (!t.empty() || job.opaqueRect) d->device().DrawTextJob(job);
  return TRUE;
}

int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format) {
  Guard g(GdiLock());
  DeviceContext* d = FindDC(dc);
  if (!d || !rect || (!text && count != 0)) return 0;
  std::u16string_view t = TextOf(text, count);
  const RECT in = *rect;
  FontMetrics m = d->device().Fonts().Metrics(CurrentFont(*d));
  int lineHeight = Clamp32((long long)m.height + ((format & DT_EXTERNALLEADING) ? m.externalLeading : 0));

  std::vector<Line> lines;
  if (!t.empty()) lines = LayoutLines(*d, t, in, format);
  long long y = in.top;
  bool single = format & DT_SINGLELINE;
  if (single && (format & DT_VCENTER))
    y = in.top + ((long long)in.bottom - in.top - lineHeight) / 2;
  else if (single && (format & DT_BOTTOM))
    y = (long long)in.bottom - lineHeight;
  long long total = (long long)lines.size() * lineHeight;
  int result = Clamp32(total);
  if (single && (format & (DT_VCENTER | DT_BOTTOM)) && !lines.empty())
    result = Clamp32(y + lineHeight - in.top);

  std::vector<PlacedLine> placed;
  int widest = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    widest = std::max(widest, line.width);
    long long x = in.left;
    if (format & DT_CENTER)
      x = in.left + ((long long)in.right - in.left - line.width) / 2;
    else if (format & DT_RIGHT)
      x = (long long)in.right - line.width;
    placed.push_back(
        PlacedLine{Clamp32(x), Clamp32(y + (long long)i * lineHeight), line.width, line.text});
  }

  if (format & DT_CALCRECT) {
    rect->right = Clamp32((long long)rect->left + widest);
    rect->bottom = Clamp32((long long)rect->top + result);
  }
  if (d->Recording()) {
    GdiOp op = d->Snapshot(OpKind::DrawText);
    op.text = std::u16string(t);
    op.rect = in;
    op.flags = format;
    op.result = result;
    op.rectOut = *rect;
    if (!(format & DT_CALCRECT)) op.lines = placed;
    d->Record(std::move(op));
  }
  if (format & DT_CALCRECT) return result;

  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].text.empty()) continue;
    TextJob job = BaseJob(*d, placed[i].x, placed[i].y);
    job.metrics = m;
    job.width = lines[i].width;
    job.pieces = PiecesOf(*d, lines[i]);
    if (!(format & DT_NOCLIP)) {
      job.clipped = true;
      job.clip = in;
    }
    d->device().DrawTextJob(job);
  }
  return result;
}

// Windows fonts on Pango and fontconfig.
//
// Cell height: Windows takes a TrueType font's ascent and descent from the
// OS/2 table (usWinAscent, usWinDescent), and a positive lfHeight asks for
// that cell; the em is then lfHeight * unitsPerEm / (winAscent +
// winDescent). A negative lfHeight is the em itself. lfWidth asks for an
// average character width (OS/2 xAvgCharWidth); the glyphs are scaled
// horizontally to give it.
#include "platform/gdi/pango_fonts.h"

#include <fontconfig/fontconfig.h>
#include <hb-ot.h>
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "cmddll3/platform/cstring.h"

namespace cmd::gdi {
namespace {

// ---------------------------------------------------------------- face names
enum class FaceClass { Gothic, PGothic, Mincho, PMincho };

const char* const kGothic[] = {"IPAGothic", "IPAexGothic", "Noto Sans Mono CJK JP",
                               "Noto Sans CJK JP", "TakaoGothic", "VL Gothic"};
const char* const kPGothic[] = {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "TakaoPGothic",
                                "VL PGothic", "IPAGothic"};
const char* const kMincho[] = {"IPAMincho", "IPAexMincho", "Noto Serif CJK JP", "TakaoMincho"};
const char* const kPMincho[] = {"IPAPMincho", "IPAexMincho", "Noto Serif CJK JP", "TakaoPMincho",
                                "IPAMincho"};

// Windows face names, folded (see FoldFace), and the kind of Japanese face
// that stands in for each.
struct Substitute {
  const char16_t* face;
  FaceClass cls;
};
const Substitute kSubstitutes[] = {
    {u"msゴシック", FaceClass::Gothic},    {u"msgothic", FaceClass::Gothic},
    {u"mspゴシック", FaceClass::PGothic},  {u"mspgothic", FaceClass::PGothic},
    {u"msuigothic", FaceClass::PGothic},   {u"ms明朝", FaceClass::Mincho},
    {u"msmincho", FaceClass::Mincho},      {u"msp明朝", FaceClass::PMincho},
    {u"mspmincho", FaceClass::PMincho},    {u"meiryo", FaceClass::PGothic},
    {u"メイリオ", FaceClass::PGothic},     {u"meiryoui", FaceClass::PGothic},
    {u"yugothic", FaceClass::PGothic},     {u"yugothicui", FaceClass::PGothic},
    {u"游ゴシック", FaceClass::PGothic},   {u"游ゴシック体", FaceClass::PGothic},
    {u"yumincho", FaceClass::PMincho},     {u"游明朝", FaceClass::PMincho},
    {u"游明朝体", FaceClass::PMincho},     {u"system", FaceClass::Gothic},
    {u"fixedsys", FaceClass::Gothic},      {u"terminal", FaceClass::Gothic},
    {u"msshelldlg", FaceClass::PGothic},   {u"msshelldlg2", FaceClass::PGothic},
    {u"mssansserif", FaceClass::PGothic},  {u"", FaceClass::Gothic},
};

// Full-width ASCII to ASCII, ASCII letters to lower case, spaces (ASCII and
// ideographic) dropped: "ＭＳ　ゴシック", "MS ゴシック" and "msゴシック" meet.
std::u16string FoldFace(std::u16string_view face) {
  std::u16string out;
  for (char16_t c : face) {
    if (c >= 0xFF01 && c <= 0xFF5E) c = char16_t(c - 0xFEE0);
    if (c == u' ' || c == 0x3000) continue;
    if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
    out += c;
  }
  return out;
}

bool Installed(const std::string& family) {
  static std::map<std::string, bool> known;
  auto it = known.find(family);
  if (it != known.end()) return it->second;
  bool found = false;
  if (FcInit()) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, objects);
    found = set && set->nfont > 0;
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
  }
  known.emplace(family, found);
  return found;
}

std::string FirstInstalled(FaceClass cls) {
  auto pick = [](const auto& list) -> std::string {
    for (const char* f : list)
      if (Installed(f)) return f;
    return "";
  };
  std::string f;
  switch (cls) {
    case FaceClass::Gothic: f = pick(kGothic); break;
    case FaceClass::PGothic: f = pick(kPGothic); break;
    case FaceClass::Mincho: f = pick(kMincho); break;
    case FaceClass::PMincho: f = pick(kPMincho); break;
  }
  if (f.empty() && cls != FaceClass::Gothic) f = FirstInstalled(FaceClass::Gothic);
  return f.empty() ? std::string("sans-serif") : f;
}

// ---------------------------------------------------------------- the shared font map
PangoFontMap* SharedFontMap() {
  static PangoFontMap* map = pango_cairo_font_map_new_for_font_type(CAIRO_FONT_TYPE_FT);
  return map;
}

std::uint16_t Be16(const char* p) {
  return std::uint16_t((std::uint8_t(p[0]) << 8) | std::uint8_t(p[1]));
}

// Text as Pango gets it: UTF-8, with C0 controls shown as nothing (a
// zero-width space keeps one cluster per character).
std::string PangoText(std::u16string_view text) {
  std::u16string t(text);
  for (auto& c : t)
    if (c < 0x20 || c == 0x7F) c = 0x200B;
  return Utf16ToUtf8(t);
}

double Clamp(double v, double lo, double hi) { return std::min(std::max(v, lo), hi); }

}  // namespace

std::string ResolveFamilyLocked(std::u16string_view face) {
  if (!face.empty() && face.front() == u'@') face.remove_prefix(1);
  std::u16string folded = FoldFace(face);
  for (const auto& s : kSubstitutes)
    if (folded == s.face) return FirstInstalled(s.cls);
  std::string utf8 = Utf16ToUtf8(face);
  if (Installed(utf8)) return utf8;
  return FirstInstalled(FaceClass::Gothic);
}

std::string ResolveFontFamily(std::u16string_view face) {
  Guard g(GdiLock());
  return ResolveFamilyLocked(face);
}

// ---------------------------------------------------------------- engine
PangoFontEngine::PangoFontEngine(int dpi, bool hintMetrics) : dpi_(dpi > 0 ? dpi : 96) {
  Guard g(GdiLock());
  context_ = pango_font_map_create_context(SharedFontMap());
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options,
                                      hintMetrics ? CAIRO_HINT_METRICS_ON : CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options,
                                    hintMetrics ? CAIRO_HINT_STYLE_SLIGHT : CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  pango_cairo_context_set_font_options(context_, options);
  cairo_font_options_destroy(options);
  pango_cairo_context_set_resolution(context_, dpi_);
  pango_context_set_language(context_, pango_language_from_string("ja-jp"));
}

PangoFontEngine::~PangoFontEngine() {
  Guard g(GdiLock());
  for (auto& [key, r] : fonts_) pango_font_description_free(r.desc);
  g_object_unref(context_);
}

const PangoFontEngine::Face& PangoFontEngine::FaceOf(const std::string& family, int weight,
                                                     bool italic) {
  auto key = std::make_tuple(family, weight, italic);
  auto it = faces_.find(key);
  if (it != faces_.end()) return it->second;
  Face face;
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, family.c_str());
  pango_font_description_set_weight(desc, PangoWeight(weight));
  pango_font_description_set_style(desc, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(desc, 1000.0 * PANGO_SCALE);
  PangoFont* font = pango_font_map_load_font(SharedFontMap(), context_, desc);
  pango_font_description_free(desc);
  bool fromTable = false;
  if (font) {
    hb_font_t* hb = pango_font_get_hb_font(font);
    hb_face_t* hface = hb ? hb_font_get_face(hb) : nullptr;
    if (hface) {
      face.upem = hb_face_get_upem(hface);
      hb_blob_t* blob = hb_face_reference_table(hface, HB_TAG('O', 'S', '/', '2'));
      unsigned length = 0;
      const char* os2 = hb_blob_get_data(blob, &length);
      if (os2 && length >= 78) {
        double avg = std::int16_t(Be16(os2 + 2));
        double ascent = Be16(os2 + 74), descent = Be16(os2 + 76);
        if (ascent + descent > 0) {
          face.winAscent = ascent;
          face.winDescent = descent;
          face.avgWidth = avg > 0 ? avg : face.upem / 2;
          fromTable = true;
        }
      }
      hb_blob_destroy(blob);
    }
    if (!fromTable) {
      // No OS/2 table: Pango's ascent and descent at 1000 units to the em.
      PangoFontMetrics* m = pango_font_get_metrics(font, nullptr);
      face.upem = 1000;
      face.winAscent = pango_font_metrics_get_ascent(m) / double(PANGO_SCALE);
      face.winDescent = pango_font_metrics_get_descent(m) / double(PANGO_SCALE);
      face.avgWidth = pango_font_metrics_get_approximate_char_width(m) / double(PANGO_SCALE);
      pango_font_metrics_unref(m);
      if (face.winAscent + face.winDescent <= 0) face = Face{};
    }
    g_object_unref(font);
  }
  return faces_.emplace(key, face).first->second;
}

PangoFontEngine::Resolved& PangoFontEngine::Resolve(const LOGFONTW& lf) {
  std::u16string faceName(lf.lfFaceName, wcslen16(lf.lfFaceName) < LF_FACESIZE
                                             ? wcslen16(lf.lfFaceName)
                                             : LF_FACESIZE - 1);
  Key key{faceName, lf.lfHeight, lf.lfWidth, lf.lfWeight, lf.lfItalic, lf.lfUnderline,
          lf.lfStrikeOut};
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;

  std::string family = ResolveFamilyLocked(faceName);
  int weight = lf.lfWeight <= 0 ? 400 : std::clamp(int(lf.lfWeight), 100, 1000);
  bool italic = lf.lfItalic != 0;
  const Face& face = FaceOf(family, weight, italic);
  double cellUnits = face.winAscent + face.winDescent;

  Resolved r;
  double cell;
  if (lf.lfHeight < 0) {
    r.em = Clamp(-double(lf.lfHeight), 0.1, 100000.0);
    cell = r.em * cellUnits / face.upem;
  } else {
    cell = lf.lfHeight > 0 ? double(lf.lfHeight) : std::round(12.0 * dpi_ / 72.0);
    cell = Clamp(cell, 0.1, 100000.0);
    r.em = cell * face.upem / cellUnits;
  }
  r.ascent = face.winAscent * r.em / face.upem;
  double avg = face.avgWidth * r.em / face.upem;
  r.sx = lf.lfWidth > 0 && avg > 0 ? Clamp(lf.lfWidth / avg, 0.01, 100.0) : 1.0;

  FontMetrics& m = r.metrics;
  m.ascent = int(std::lround(r.ascent));
  if (lf.lfHeight > 0) {
    m.height = lf.lfHeight;
    m.descent = m.height - m.ascent;
  } else {
    m.descent = int(std::lround(face.winDescent * r.em / face.upem));
    m.height = m.ascent + m.descent;
  }
  m.internalLeading = std::max(0, m.height - int(std::lround(r.em)));
  m.aveCharWidth = lf.lfWidth > 0 ? lf.lfWidth : int(std::lround(avg));
  m.maxCharWidth = int(std::lround(r.em * r.sx));

  r.desc = pango_font_description_new();
  pango_font_description_set_family(r.desc, family.c_str());
  pango_font_description_set_weight(r.desc, PangoWeight(weight));
  pango_font_description_set_style(r.desc, italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(r.desc, r.em * PANGO_SCALE);
  r.underline = lf.lfUnderline != 0;
  r.strikeOut = lf.lfStrikeOut != 0;
  if (fonts_.size() > 256) {
    for (auto& [k, v] : fonts_) pango_font_description_free(v.desc);
    fonts_.clear();
  }
  return fonts_.emplace(key, std::move(r)).first->second;
}

PangoLayout* PangoFontEngine::MakeLayout(const Resolved& r, std::u16string_view text,
                                         bool extraUnderline) {
  PangoLayout* layout = pango_layout_new(context_);
  pango_layout_set_font_description(layout, r.desc);
  pango_layout_set_single_paragraph_mode(layout, TRUE);
  std::string utf8 = PangoText(text);
  pango_layout_set_text(layout, utf8.c_str(), int(utf8.size()));
  if (r.underline || r.strikeOut || extraUnderline) {
    PangoAttrList* attrs = pango_attr_list_new();
    if (r.underline || extraUnderline)
      pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    if (r.strikeOut) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
    pango_layout_set_attributes(layout, attrs);
    pango_attr_list_unref(attrs);
  }
  return layout;
}

FontMetrics PangoFontEngine::Metrics(const LOGFONTW& lf) {
  Guard g(GdiLock());
  return Resolve(lf).metrics;
}

int PangoFontEngine::Width(const LOGFONTW& lf, std::u16string_view text) {
  Guard g(GdiLock());
  if (text.empty()) return 0;
  Resolved& r = Resolve(lf);
  std::u16string key(text);
  auto it = r.widths.find(key);
  if (it != r.widths.end()) return it->second;
  PangoLayout* layout = MakeLayout(r, text, false);
  PangoRectangle logical{};
  pango_layout_get_extents(layout, nullptr, &logical);
  g_object_unref(layout);
  double w = logical.width / double(PANGO_SCALE) * r.sx;
  int width = int(std::lround(Clamp(w, 0, 2e9)));
  if (r.widths.size() > 4096) r.widths.clear();
  r.widths.emplace(std::move(key), width);
  return width;
}

void PangoFontEngine::Render(cairo_t* cr, const LOGFONTW& lf, double x, double y,
                             std::u16string_view text, bool extraUnderline) {
  Guard g(GdiLock());
  if (text.empty()) return;
  Resolved& r = Resolve(lf);
  PangoLayout* layout = MakeLayout(r, text, extraUnderline);
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, r.sx, 1.0);
  cairo_move_to(cr, 0, r.ascent);
  pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(layout, 0));
  cairo_restore(cr);
  g_object_unref(layout);
}

}  // namespace cmd::gdi

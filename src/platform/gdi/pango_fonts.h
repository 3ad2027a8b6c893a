// Fonts of the Cairo back-ends: a LOGFONTW turned into a Pango font whose
// cell height, ascent and average width follow the Windows rules, measured
// and drawn with Pango.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <map>
#include <string>
#include <tuple>
#include <unordered_map>

#include "platform/gdi/internal.h"

namespace cmd::gdi {

class PangoFontEngine : public FontEngine {
 public:
  // dpi gives the size of a font of height 0 (12 points); hintMetrics rounds
  // advances to whole dots, as a screen does.
  PangoFontEngine(int dpi, bool hintMetrics);
  ~PangoFontEngine() override;
  PangoFontEngine(const PangoFontEngine&) = delete;
  PangoFontEngine& operator=(const PangoFontEngine&) = delete;

  FontMetrics Metrics(const LOGFONTW& lf) override;
  int Width(const LOGFONTW& lf, std::u16string_view text) override;
  // Draws text in the current colour with its cell's top-left at (x, y) of
  // the current user space, along the x axis.
  void Render(cairo_t* cr, const LOGFONTW& lf, double x, double y, std::u16string_view text,
              bool extraUnderline);

 private:
  struct Face {
    double upem = 1000, winAscent = 880, winDescent = 120, avgWidth = 500;
  };
  struct Resolved {
    PangoFontDescription* desc = nullptr;
    double em = 16;
    double sx = 1;       // horizontal scale that lfWidth asks for
    double ascent = 0;   // exact, for the baseline
    FontMetrics metrics;
    bool underline = false;
    bool strikeOut = false;
    std::unordered_map<std::u16string, int> widths;  // measured texts
  };
  using Key = std::tuple<std::u16string, LONG, LONG, LONG, BYTE, BYTE, BYTE>;

  Resolved& Resolve(const LOGFONTW& lf);
  const Face& FaceOf(const std::string& family, int weight, bool italic);
  PangoLayout* MakeLayout(const Resolved& r, std::u16string_view text, bool extraUnderline);

  PangoContext* context_ = nullptr;
  int dpi_;
  std::map<Key, Resolved> fonts_;
  std::map<std::tuple<std::string, int, bool>, Face> faces_;
};

}  // namespace cmd::gdi

// The envelope of `cmdtool print envelope`: the postal code in its boxes,
// the address and the name written vertically, the sender's block from the
// own-company lines; size, margins and glue flap from the envelope settings.
#pragma once

#include <string>
#include <vector>

#include "print_sheet.h"

namespace cmdtool::print {

struct Address {
  std::string postal;  // seven digits
  std::vector<std::string> lines;
  std::string company, department, name, honorific;
};
// Reads an address (UTF-8 JSON); a Failure names the file, field and problem.
Address ReadAddress(const std::string& path);
Address ParseAddress(std::string_view json, const std::string& name);

// An envelope kind code (12 to 37, as the envelope settings take them; any
// other number is 長1) or an envelope name (長3, 角2, ...).
int ParseEnvelopeKind(const std::string& text);

struct Envelope {
  int kind = 14;
  CString name;
  int width = 0, height = 0;  // tenths of a millimetre
  int flap = 0;               // the open glue flap above the top edge, 0 when closed
  POINT margin{};             // print margin of the settings, tenths of a millimetre
};
Envelope ReadEnvelope(int kind);

// The printer's adjustment for vertical forms plus the envelope's margin.
POINT EnvelopeAdjustment(const Envelope& env);

void DrawEnvelope(const Page& page, const Envelope& env, const Address& to, const Letterhead& from);

// Address texts as vertical writing wants them: digits as kanji numerals,
// hyphens as the long mark that the vertical drawer turns.
CString VerticalText(const std::string& text);

}  // namespace cmdtool::print

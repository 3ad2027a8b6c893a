// Where printed forms go: a PDF document through the printer device context
// (300 dots per inch, moved by the printer's position adjustment) and PNG
// previews through the image device context (96 dots per inch), each
// written under a staging name and renamed only when every page is done.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "print_sheet.h"

namespace cmdtool::print {

// Draws page `index` of a form on a page.
using DrawPage = std::function<void(const Page& page, std::size_t index)>;

struct Paper {
  int width = kPageWidth, height = kPageHeight;  // tenths of a millimetre
};

// Files made under staging names; Commit renames them all, and the
// destructor removes whatever was not committed.
class Staged {
 public:
  Staged() = default;
  ~Staged();
  Staged(const Staged&) = delete;
  Staged& operator=(const Staged&) = delete;
  // A staging name in the target's folder.
  std::string Add(const std::string& target);
  void Commit();

 private:
  std::vector<std::pair<std::string, std::string>> files_;  // staging, target
};

// The printer's position adjustment for horizontal forms (MERGEYOKOX/Y of
// its section), in tenths of a millimetre; printer 0 means the standard one.
POINT PrinterAdjustment(int printer);

// Writes the pages as one PDF document to `path` (a host path).
void WritePdf(Staged& staged, const std::string& path, const Paper& paper, std::size_t pages,
              POINT adjustment, const DrawPage& draw);
// Writes one PNG a page: PREFIX-1.png, PREFIX-2.png, ...; returns their names.
std::vector<std::string> WritePngs(Staged& staged, const std::string& prefix, const Paper& paper,
                                   std::size_t pages, const DrawPage& draw);

}  // namespace cmdtool::print

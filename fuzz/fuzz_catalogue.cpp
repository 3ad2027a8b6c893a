// The catalogue readers of cmdtool (CSV and JSON exchange files) on
// arbitrary bytes: they refuse with a Failure or give a catalogue that the
// checks accept, and an accepted catalogue written out and read again is
// the same text (a fixed point of the CSV and JSON writers).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "catalogue_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool json = data[0] & 1;
  std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  cmdtool::Catalogue c;
  try {
    c = json ? cmdtool::CatalogueFromJson(text, "fuzz") : cmdtool::CatalogueFromCsv(text, "fuzz");
    cmdtool::CheckCatalogue(c);
  } catch (const cmdtool::Failure&) {
    return 0;
  }
  const cmdtool::Trade trade{1, "電気"};
  std::string csv = cmdtool::CatalogueToCsv(c);
  std::string again;
  try {
    again = cmdtool::CatalogueToCsv(cmdtool::CatalogueFromCsv(csv, "again"));
    std::string viaJson = cmdtool::CatalogueToCsv(
        cmdtool::CatalogueFromJson(cmdtool::CatalogueToJson(c, trade), "again"));
    if (viaJson != csv) std::abort();
  } catch (const cmdtool::Failure&) {
    std::abort();  // what the writers wrote must read back
  }
  if (again != csv) std::abort();
  return 0;
}

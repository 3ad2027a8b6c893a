// The catalogue readers of cmdtool (CSV and JSON exchange files, UTF-8 or
// code page 932, found out or given) on arbitrary bytes: they refuse with a
// Failure or give a catalogue that the checks accept, and an accepted
// catalogue written out and read again is the same text (a fixed point of
// the CSV and JSON writers, and of the code page 932 export).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "catalogue_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool json = data[0] & 1;
  const auto encoding = static_cast<cmdtool::FileEncoding>((data[0] >> 1) % 3);
  const std::string text = cmdtool::DecodeExchangeFile(
      std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), encoding);
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
  std::string cp932;
  try {
    cp932 = cmdtool::EncodeCp932File(csv, "fuzz");
  } catch (const cmdtool::Failure&) {
    return 0;  // a text that code page 932 cannot hold
  }
  try {
    std::string viaCp932 = cmdtool::CatalogueToCsv(cmdtool::CatalogueFromCsv(
        cmdtool::DecodeExchangeFile(cp932, cmdtool::FileEncoding::Cp932), "again"));
    if (viaCp932 != csv) std::abort();
  } catch (const cmdtool::Failure&) {
    std::abort();
  }
  if (again != csv) std::abort();
  return 0;
}

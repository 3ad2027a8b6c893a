// The readers of cmdtool print (estimate documents, their CSV lines and
// envelope addresses) on arbitrary bytes: a Failure or a checked result,
// never a crash; every line of an accepted document has what its kind needs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "print_envelope.h"
#include "print_estimate.h"
#include "tool.h"

using namespace cmdtool::print;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    switch (data[0] % 3) {
      case 0: {
        // "lines" naming a file reads nothing that exists: a Failure.
        Document doc = ParseDocument(text, "fuzz.json", "/nonexistent");
        if (doc.lines.empty()) std::abort();
        break;
      }
      case 1:
        for (const DocLine& line : ParseCsvLines(text, "fuzz.csv"))
          if (line.kind == LineKind::Expense && line.rate.has_value() == line.amount.has_value())
            std::abort();
        break;
      default: {
        Address a = ParseAddress(text, "fuzz.json");
        if (a.lines.empty() || (!a.postal.empty() && a.postal.size() != 7)) std::abort();
        break;
      }
    }
  } catch (const cmdtool::Failure&) {
  }
  return 0;
}

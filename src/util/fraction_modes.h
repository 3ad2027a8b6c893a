// The four process-wide fraction modes (totals, expenses, labour,
// miscellaneous costs). They are 0 at load and nothing in the library
// changes them; the getters of the money family report them.
#pragma once

namespace cmd::util {

struct FractionModes {
  int goukei = 0;  // totals
  int keihi = 0;   // expenses
  int roumu = 0;   // labour
  int zatu = 0;    // miscellaneous costs
};

FractionModes& ProcessFractionModes();

}  // namespace cmd::util

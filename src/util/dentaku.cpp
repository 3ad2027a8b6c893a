// The string calculator.
#include "cmddll3/util_dentaku.h"

#include "cmddll3/platform/crt.h"
#include "cmddll3/util_money.h"

namespace {

double Operand(const CString& text) { return _wtof(text.GetString()); }

// "%f" (six decimals) without trailing zeros and point.
CString ResultText(double value) {
  CString text;
  text.Format(u"%f", value);
  return getCutBack0(text);
}

}  // namespace

CMD_API CString DenCalAdd(CString a, CString b) { return ResultText(Operand(a) + Operand(b)); }
CMD_API CString DenCalMinus(CString a, CString b) { return ResultText(Operand(a) - Operand(b)); }
CMD_API CString DenCalMull(CString a, CString b) { return ResultText(Operand(a) * Operand(b)); }
CMD_API CString DenCalDiv(CString a, CString b) { return ResultText(Operand(a) / Operand(b)); }

CMD_API void DentakuAddString(CString& display, CString& key, CString& out) {
  const bool hasPoint = display.Find(u'.') >= 0;
  CString next;
  if (key == u".") next = hasPoint ? display : display + u'.';
  else if (!hasPoint && display[0] == u'0') next = key;
  else next = display + key;
  out = next;  // out may be the display or the key itself
}

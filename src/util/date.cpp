// Dates.
#include "cmddll3/util_date.h"

#include <ctime>

#include "cmddll3/platform/crt.h"
#include "cmddll3/platform/hooks.h"

namespace {

struct DateNumbers {
  int year = 0;
  int month = 0;
  int day = 0;
};

int NumberAt(const CString& text, int first, int count) {
  return _wtoi(text.Mid(first, count).GetString());
}

DateNumbers ReadStoredDate(const CString& date) {
  return {NumberAt(date, 0, 4), NumberAt(date, 5, 2), NumberAt(date, 8, 2)};
}

CString DisplayDate(const DateNumbers& d) {
  if (d.year < 1) return CString(u"-");
  CString text;
  text.Format(u"%d/%d/%d", d.year, d.month, d.day);
  return text;
}

// One field of the local time of `now`; 0 when the conversion fails.
template <class Field>
int LocalField(std::time_t now, Field field) {
  std::tm local{};
  return localtime_r(&now, &local) ? field(local) : 0;
}

}  // namespace

CMD_API CString GetDate(CString* year, CString* month, CString* day) {
  const std::time_t now = CurrentTime();
  CString y, m, d;
  y.Format(u"%4d", LocalField(now, [](const std::tm& t) { return t.tm_year + 1900; }));
  m.Format(u"%2d", LocalField(now, [](const std::tm& t) { return t.tm_mon + 1; }));
  d.Format(u"%2d", LocalField(now, [](const std::tm& t) { return t.tm_mday; }));
  if (year) *year = y;
  if (month) *month = m;
  if (day) *day = d;
  CString text;
  text.Format(u"%s/%s/%s", y, m, d);
  return text;
}

CMD_API void SplitDate(CString date, int* year, int* month, int* day) {
  const DateNumbers d = ReadStoredDate(date);
  if (year) *year = d.year;
  if (month) *month = d.month;
  if (day) *day = d.day;
}

CMD_API CString GetStrDateFromArray(const char16_t* date) {
  return DisplayDate(ReadStoredDate(CString(date)));
}

CMD_API CString GetStrDateFromInt(int year, int month, int day) {
  return DisplayDate({year, month, day});
}

CMD_API int GetFileHeaderYear(int year) {
  CString text;
  text.Format(u"%04d", year);
  return _wtoi(text.Right(2).GetString());
}

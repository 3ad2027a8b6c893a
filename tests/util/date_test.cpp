#include <gtest/gtest.h>

#include <ctime>
#include <limits>

#include "cmddll3/cmddll3.h"
#include "print_cstring.h"

namespace {

// Noon UTC: the same calendar day in every time zone from -11 to +11 hours.
std::time_t NoonUtc(int year, int month, int day) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = 12;
  return timegm(&t);
}

class ClockAt {
 public:
  explicit ClockAt(std::time_t t) : previous_(SetClockHook([t] { return t; })) {}
  ~ClockAt() { SetClockHook(previous_); }

 private:
  ClockHook previous_;
};

}  // namespace

TEST(GetDate, PadsMonthAndDayWithSpaces) {
  ClockAt clock(NoonUtc(2024, 5, 3));
  CString y, m, d;
  EXPECT_EQ(GetDate(&y, &m, &d), u"2024/ 5/ 3");
  EXPECT_EQ(y, u"2024");
  EXPECT_EQ(m, u" 5");
  EXPECT_EQ(d, u" 3");
}

TEST(GetDate, TwoDigitPartsAndNullOutStrings) {
  ClockAt clock(NoonUtc(1999, 12, 31));
  EXPECT_EQ(GetDate(nullptr, nullptr, nullptr), u"1999/12/31");
}

TEST(GetDate, ATimeThatCannotBeConvertedGivesZeros) {
  ClockAt clock(std::numeric_limits<std::time_t>::max());
  CString y;
  EXPECT_EQ(GetDate(&y, nullptr, nullptr), u"   0/ 0/ 0");
  EXPECT_EQ(y, u"   0");
}

TEST(SplitDate, ReadsFixedPositions) {
  int y = -1, m = -1, d = -1;
  SplitDate(u"2024/05/03", &y, &m, &d);
  EXPECT_EQ(y, 2024);
  EXPECT_EQ(m, 5);
  EXPECT_EQ(d, 3);
  SplitDate(u"2024-12-31", &y, &m, &d);
  EXPECT_EQ(m, 12);
  EXPECT_EQ(d, 31);
  SplitDate(u"", &y, &m, &d);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(m, 0);
  EXPECT_EQ(d, 0);
  SplitDate(u"2024/0", &y, &m, &d);  // cut short
  EXPECT_EQ(y, 2024);
  EXPECT_EQ(m, 0);
  EXPECT_EQ(d, 0);
  SplitDate(u"abcd/xx/ 7", &y, &m, &d);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(m, 0);
  EXPECT_EQ(d, 7);
  SplitDate(u"2024/05/03", nullptr, &m, nullptr);
  EXPECT_EQ(m, 5);
}

TEST(DisplayDate, FromStoredText) {
  EXPECT_EQ(GetStrDateFromArray(u"2024/05/03"), u"2024/5/3");
  EXPECT_EQ(GetStrDateFromArray(u"0000/00/00"), u"-");
  EXPECT_EQ(GetStrDateFromArray(u"1999.12.31"), u"1999/12/31");
  EXPECT_EQ(GetStrDateFromArray(u"2024"), u"2024/0/0");
  EXPECT_EQ(GetStrDateFromArray(u""), u"-");
  EXPECT_EQ(GetStrDateFromArray(nullptr), u"-");
}

TEST(DisplayDate, FromNumbers) {
  EXPECT_EQ(GetStrDateFromInt(0, 5, 3), u"-");
  EXPECT_EQ(GetStrDateFromInt(-1, 5, 3), u"-");
  EXPECT_EQ(GetStrDateFromInt(2024, 13, 40), u"2024/13/40");
  EXPECT_EQ(GetStrDateFromInt(1, -2, 0), u"1/-2/0");
}

TEST(FileHeaderYear, LastTwoDigits) {
  EXPECT_EQ(GetFileHeaderYear(2024), 24);
  EXPECT_EQ(GetFileHeaderYear(1999), 99);
  EXPECT_EQ(GetFileHeaderYear(2005), 5);
  EXPECT_EQ(GetFileHeaderYear(2000), 0);
  EXPECT_EQ(GetFileHeaderYear(7), 7);
  EXPECT_EQ(GetFileHeaderYear(12345), 45);
  EXPECT_EQ(GetFileHeaderYear(-5), 5);  // "-005"
}

#include <gtest/gtest.h>

#include "cmddll3/cmddll3.h"
#include "print_cstring.h"

TEST(DenCal, ResultsWithoutTrailingZeros) {
  EXPECT_EQ(DenCalAdd(u"1", u"2"), u"3");
  EXPECT_EQ(DenCalAdd(u"0.1", u"0.2"), u"0.3");
  EXPECT_EQ(DenCalAdd(u"", u"3"), u"3");
  EXPECT_EQ(DenCalMinus(u"5", u"7"), u"-2");
  EXPECT_EQ(DenCalMull(u"2.5", u"4"), u"10");
  EXPECT_EQ(DenCalDiv(u"10", u"4"), u"2.5");
  EXPECT_EQ(DenCalDiv(u"1", u"3"), u"0.333333");
  EXPECT_EQ(DenCalDiv(u"2", u"3"), u"0.666667");
  EXPECT_EQ(DenCalMull(u"1000000", u"1000000"), u"1000000000000");
}

TEST(DenCal, OperandsAreReadAsTheRuntimeReadsThem) {
  EXPECT_EQ(DenCalAdd(u"1,234", u"1"), u"2");  // a "," ends the number
  EXPECT_EQ(DenCalAdd(u"  12abc", u"x"), u"12");
  EXPECT_EQ(DenCalAdd(u"1e3", u"0"), u"1000");
}

TEST(DenCal, TinyResultsAndZeroDivisors) {
  EXPECT_EQ(DenCalMull(u"0.0001", u"0.001"), u"0");
  EXPECT_EQ(DenCalMull(u"-0.0001", u"0.001"), u"-0");
  // The runtime's "%f" text of an infinity is "1.#INF00"; the trailing zeros go.
  EXPECT_EQ(DenCalDiv(u"1", u"0"), u"1.#INF");
  EXPECT_EQ(DenCalDiv(u"-1", u"0"), u"-1.#INF");
}

TEST(DentakuAddString, KeyPresses) {
  auto press = [](const char16_t* display, const char16_t* key) {
    CString d(display), k(key), out;
    DentakuAddString(d, k, out);
    EXPECT_EQ(d, CString(display));  // the display itself is not changed
    return out;
  };
  EXPECT_EQ(press(u"0", u"5"), u"5");
  EXPECT_EQ(press(u"0", u"."), u"0.");
  EXPECT_EQ(press(u"0.5", u"."), u"0.5");
  EXPECT_EQ(press(u"12", u"3"), u"123");
  EXPECT_EQ(press(u"0.0", u"7"), u"0.07");
  EXPECT_EQ(press(u"", u"7"), u"7");
  EXPECT_EQ(press(u"", u"."), u".");
  EXPECT_EQ(press(u"05", u"1"), u"1");
}

TEST(DentakuAddString, OutMayBeTheDisplay) {
  CString display(u"12"), key(u"3");
  DentakuAddString(display, key, display);
  EXPECT_EQ(display, u"123");
  DentakuAddString(display, display, key);
  EXPECT_EQ(key, u"123123");
}

#include <gtest/gtest.h>

#include "cmddll3/platform/cstring.h"

TEST(CString, SubstringsClampToTheText) {
  CString s(u"ABCDEF");
  EXPECT_EQ(s.Mid(2, 3), u"CDE");
  EXPECT_EQ(s.Mid(4, 10), u"EF");
  EXPECT_EQ(s.Mid(10), u"");
  EXPECT_EQ(s.Left(-1), u"");
  EXPECT_EQ(s.Right(2), u"EF");
  EXPECT_EQ(s.Right(99), u"ABCDEF");
}

TEST(CString, FindAndReplace) {
  CString s(u"電気,電気,水道");
  EXPECT_EQ(s.Find(u','), 2);
  EXPECT_EQ(s.Find(u',', 3), 5);
  EXPECT_EQ(s.ReverseFind(u','), 5);
  EXPECT_EQ(s.Find(u"水道"), 6);
  EXPECT_EQ(s.Replace(u"電気", u"ガス"), 2);
  EXPECT_EQ(s, u"ガス,ガス,水道");
  EXPECT_EQ(s.Find(u"x", 100), -1);
}

TEST(CString, TrimKeepsIdeographicSpace) {
  CString s(u" \t　値　\r\n");
  s.Trim();
  EXPECT_EQ(s, u"　値　");
  CString z(u"00120");
  z.TrimLeft(u'0');
  EXPECT_EQ(z, u"120");
}

TEST(CString, BufferProtocol) {
  CString s;
  char16_t* p = s.GetBuffer(10);
  p[0] = u'a';
  p[1] = u'b';
  p[2] = 0;
  s.ReleaseBuffer();
  EXPECT_EQ(s.GetLength(), 2);
  EXPECT_EQ(s, u"ab");
}

TEST(CString, Utf8RoundTripAndReplacement) {
  CString s = CString::FromUtf8("電気\xF0\x9F\x98\x80");
  EXPECT_EQ(s.GetLength(), 4);
  EXPECT_EQ(s.ToUtf8(), "電気\xF0\x9F\x98\x80");
  EXPECT_EQ(CString::FromUtf8("a\xFF" "b"), u"a\xFFFD" u"b");
  EXPECT_EQ(CString::FromUtf8("\xED\xA0\x80"), u"\xFFFD");  // encoded surrogate
  std::u16string lone(1, char16_t(0xD800));
  EXPECT_EQ(Utf16ToUtf8(lone), "\xEF\xBF\xBD");
}

TEST(CString, CompareNoCaseFoldsAsciiOnly) {
  EXPECT_EQ(CString(u"Abc").CompareNoCase(u"aBC"), 0);
  EXPECT_NE(CString(u"ＡＢＣ").CompareNoCase(u"ａｂｃ"), 0);
}

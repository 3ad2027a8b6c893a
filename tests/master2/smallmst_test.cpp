// The small masters: construction items, units, supply entries and remarks.
#include "fixture.h"

using namespace m2test;

namespace {

class SmallMasterTest : public Master2Test {
 protected:
  std::vector<std::u16string> Lines(const std::string& name) { return ReadMaster(file(name)); }
  std::vector<std::u16string> Numbered(int n, const std::string& prefix) {
    std::vector<std::u16string> lines;
    for (int i = 0; i < n; ++i) lines.push_back(U(prefix + std::to_string(i)));
    return lines;
  }
};

// ---- Construction items

TEST_F(SmallMasterTest, KoujiReadsAtMost300Lines) {
  WriteMaster(file("kouji1.mst"), Numbered(350, "工事"));
  std::vector<CString> lines(301, CString(u"untouched"));
  EXPECT_EQ(GetKoujiMst(1, lines.data(), 1), 300);
  EXPECT_EQ(lines[0], u"工事0");
  EXPECT_EQ(lines[299], u"工事299");
  EXPECT_EQ(lines[300], u"untouched");

  // List 1 is "kouji1.mst"; every other list number reads "kouji2.mst".
  WriteMaster(file("kouji2.mst"), {u"二", u"", u"  空白 "});
  for (int list : {2, 0, -1, 7}) {
    ASSERT_EQ(GetKoujiMst(list, lines.data(), 1), 3) << list;
    EXPECT_EQ(lines[0], u"二");
    EXPECT_EQ(lines[1], u"");           // an empty line is an entry
    EXPECT_EQ(lines[2], u"  空白 ");     // neither trimmed nor split
  }
}

TEST_F(SmallMasterTest, KoujiUpdateWritesTheListAnew) {
  fs::create_directory(file("temp.mst"));  // the host's, in nobody's way
  WriteMaster(file("kouji2.mst"), {u"古い1", u"古い2", u"古い3"});
  CString lines[2] = {u"新1", u"a,b\tc"};
  UpdateKoujiMst(2, lines, 2, 1);
  EXPECT_EQ(Lines("kouji2.mst"), (std::vector<std::u16string>{u"新1", u"a,b\tc"}));
  UpdateKoujiMst(1, nullptr, 0, 1);
  EXPECT_EQ(cmdtest::ReadBytes(file("kouji1.mst")), "\xFF\xFE");
  EXPECT_TRUE(fs::is_directory(file("temp.mst")));
  EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});
}

TEST_F(SmallMasterTest, AMissingFileReadsAsNothingAndLeavesTheArray) {
  CString lines[3] = {u"a", u"b", u"c"};
  EXPECT_EQ(GetKoujiMst(1, lines, 1), 0);
  EXPECT_EQ(GetTanniMst(lines, 1), 0);
  EXPECT_EQ(GetHokyuMst(lines, 1), 0);
  EXPECT_EQ(lines[0], u"a");
  EXPECT_FALSE(fs::exists(file("tanni.mst")));
}

// ---- Units and supply entries

struct PlainList {
  const char* file;
  int (*get)(CString*, int);
  void (*update)(const CString*, int, int);
};

TEST_F(SmallMasterTest, UnitsAndSuppliesRoundTripWithoutABound) {
  fs::create_directory(file("temp.mst"));  // the host's, in nobody's way
  for (const PlainList& list :
       {PlainList{"tanni.mst", GetTanniMst, UpdateTanniMst},
        PlainList{"hokyu.mst", GetHokyuMst, UpdateHokyuMst}}) {
    SCOPED_TRACE(list.file);
    CString units[3] = {u"m", u"", u"式"};
    list.update(units, 3, 1);
    EXPECT_EQ(cmdtest::ReadBytes(file(list.file)), cmdtest::Utf16le(u"m\r\n\r\n式\r\n"));
    EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});
    CString read[3] = {u"x", u"x", u"x"};
    EXPECT_EQ(list.get(read, 1), 3);
    EXPECT_EQ(read[1], u"");
    EXPECT_EQ(read[2], u"式");
    list.update(units, 1, 1);
    EXPECT_EQ(Lines(list.file), std::vector<std::u16string>{u"m"});

    WriteMaster(file(list.file), Numbered(1000, "u"));
    std::vector<CString> lines(1000);
    EXPECT_EQ(list.get(lines.data(), 1), 1000);
    EXPECT_EQ(lines[999], u"u999");
  }
}

TEST_F(SmallMasterTest, EachTradeHasItsOwnFiles) {
  CString lines[1] = {u"水道"};
  UpdateTanniMst(lines, 1, 2);
  UpdateKoujiMst(1, lines, 1, 10);
  EXPECT_EQ(ReadMaster(plumbing() / "tanni.mst"), std::vector<std::u16string>{u"水道"});
  EXPECT_EQ(ReadMaster(work() / "kouji1.mst"), std::vector<std::u16string>{u"水道"});
  EXPECT_FALSE(fs::exists(file("tanni.mst")));
}

TEST_F(SmallMasterTest, ATextThatWouldBreakIntoLinesIsRefused) {
  WriteMaster(file("tanni.mst"), {u"m"});
  WriteMaster(file("bikou.mst"), {u"至急\t1"});
  const std::string tanni = cmdtest::ReadBytes(file("tanni.mst"));
  const std::string bikou = cmdtest::ReadBytes(file("bikou.mst"));
  CString broken[2] = {u"ok", u"two\nlines"};
  UpdateTanniMst(broken, 2, 1);
  UpdateKoujiMst(1, broken, 2, 1);
  CString tabbed[1] = {u"a\tb"};
  int flags[1] = {1};
  UpdateBikouMst(tabbed, flags, 1, 1);
  EXPECT_EQ(cmdtest::ReadBytes(file("tanni.mst")), tanni);
  EXPECT_EQ(cmdtest::ReadBytes(file("bikou.mst")), bikou);
  EXPECT_FALSE(fs::exists(file("kouji1.mst")));
  EXPECT_TRUE(boxes_.empty());
}

// ---- Remarks

TEST_F(SmallMasterTest, RemarkLineIsTextTabFlag) {
  CString texts[2] = {u"至急", u""};
  int flags[2] = {1, -25};
  UpdateBikouMst(texts, flags, 2, 1);
  EXPECT_EQ(cmdtest::ReadBytes(file("bikou.mst")), cmdtest::Utf16le(u"至急\t1\r\n\t-25\r\n"));
  EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});
  std::vector<CString> read(300);
  std::vector<int> readFlags(300, 7);
  EXPECT_EQ(GetBikouMst(read.data(), readFlags.data(), 1), 2);
  EXPECT_EQ(read[0], u"至急");
  EXPECT_EQ(readFlags[0], 1);
  EXPECT_EQ(read[1], u"");
  EXPECT_EQ(readFlags[1], -25);
  EXPECT_EQ(readFlags[2], 0);
  UpdateBikouMst(nullptr, nullptr, 0, 1);
  EXPECT_EQ(cmdtest::ReadBytes(file("bikou.mst")), "\xFF\xFE");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(SmallMasterTest, RemarkLinesWithAndWithoutTabs) {
  WriteMaster(file("bikou.mst"), {u"タブなし", u"二つ\t5\t残り", u"後ろ\t", u"\t\t", u"数字でない\tx",
                                  u"空白\t  42abc", u"", u"三つ\t1\t2\t3"});
  std::vector<CString> texts(300);
  std::vector<int> flags(300);
  ASSERT_EQ(GetBikouMst(texts.data(), flags.data(), 1), 8);
  const std::vector<std::pair<std::u16string, int>> expected = {
      {u"タブなし", 0}, {u"二つ", 5}, {u"後ろ", 0}, {u"", 0},
      {u"数字でない", 0}, {u"空白", 42}, {u"", 0}, {u"三つ", 1}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(texts[i], CString(expected[i].first)) << i;
    EXPECT_EQ(flags[i], expected[i].second) << i;
  }
}

TEST_F(SmallMasterTest, RemarksAreEmptiedFirstAndReadUpTo300) {
  std::vector<CString> texts(300, CString(u"old"));
  std::vector<int> flags(300, 9);
  EXPECT_EQ(GetBikouMst(texts.data(), flags.data(), 1), 0);  // missing file
  EXPECT_EQ(texts[0], u"");
  EXPECT_EQ(texts[299], u"");
  EXPECT_EQ(flags[299], 0);

  std::vector<std::u16string> lines;
  for (int i = 0; i < 310; ++i) lines.push_back(U("r" + std::to_string(i) + "\t" + std::to_string(i)));
  WriteMaster(file("bikou.mst"), lines);
  EXPECT_EQ(GetBikouMst(texts.data(), flags.data(), 1), 300);
  EXPECT_EQ(texts[299], u"r299");
  EXPECT_EQ(flags[299], 299);
}

}  // namespace

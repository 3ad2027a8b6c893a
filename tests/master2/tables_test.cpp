// The CAD and digitizer-panel tables: their lines byte for byte, which items
// they list, and when they are rebuilt.
#include "fixture.h"

using namespace m2test;

namespace {

// A level-3 line with a drawing code and a table-use mark.
std::u16string Item(std::u16string_view cwf, std::u16string_view mark, int level1 = 5) {
  return std::u16string(cwf) + u",K," + std::u16string(mark) + u"," +
         U(std::to_string(level1)) + u",1,1,品名,t2,t3,st,1,2,3,4,5,6,7,8,9,10,11,12,end";
}

class TableTest : public Master2Test {
 protected:
  void Level1(const std::vector<int>& codes) {
    std::vector<std::u16string> lines;
    for (int c : codes) lines.push_back(U(std::to_string(c)) + u",名前,0");
    WriteMaster(file("zairyou1.mst"), lines);
  }
  std::vector<std::u16string> Table(const std::string& name) { return ReadMaster(root() / name); }
  CString TablePath(const std::string& name) { return dir_.win() + CString::FromUtf8(name); }
  // Every "zai*.mst" file of the electrical master at one time.
  void AgeMasters(time_t seconds) {
    for (const auto& e : fs::directory_iterator(master()))
      if (e.path().filename().string().rfind("zai", 0) == 0) SetWriteTime(e.path(), seconds);
  }
};

TEST_F(TableTest, LinesByteForByte) {
  Level1({5});
  WriteMaster(file("zai005-3.mst"), {Item(u"000010000001", u"X"), Item(u"000010000002", u"X"),
                                     Item(u"001230000045", u"B")});
  ASSERT_EQ(MakeDegipaneTable(TablePath("d.tbl"), 1, -1), TRUE);
  EXPECT_EQ(cmdtest::ReadBytes(root() / "d.tbl"),
            cmdtest::Utf16le(u"00123000004500500002\r\n", true));

  WriteMaster(file("zai005-3.mst"), {Item(u"000010000001", u"X"), Item(u"000010000002", u"X"),
                                     Item(u"001230000045", u"A")});
  ASSERT_EQ(MakeCadtable(TablePath("c.tbl"), 1, -1), TRUE);
  EXPECT_EQ(cmdtest::ReadBytes(root() / "c.tbl"),
            cmdtest::Utf16le(u"00123000004500500000\r\n", true));
}

TEST_F(TableTest, WhichMarksEachTableLists) {
  Level1({5});
  WriteMaster(file("zai005-3.mst"),
              {Item(u"000000000001", u"A"), Item(u"000000000002", u"B"),
               Item(u"000000000003", u"Z"), Item(u"000000000004", u""),
               Item(u"000000000005", u"a"), Item(u"000000000006", u"z"),
               Item(u"000000000007", u"AB"), Item(u"000000000000", u"Z"),
               Item(u"000000000000", u"A"), Item(u"000000000000", u"B")});
  ASSERT_EQ(MakeCadtable(TablePath("c.tbl"), 1, -1), TRUE);
  EXPECT_EQ(Table("c.tbl"), (std::vector<std::u16string>{
                                u"00000000000100500000", u"00000000000300500001",
                                u"00000000000400500002"}));
  ASSERT_EQ(MakeDegipaneTable(TablePath("d.tbl"), 1, -1), TRUE);
  EXPECT_EQ(Table("d.tbl"),
            (std::vector<std::u16string>{u"00000000000200500001", u"00000000000300500002"}));
}

TEST_F(TableTest, FieldWidthsAsPrintfPadsThem) {
  // "%12s%03d%05d": a short code is right-aligned, a long one written whole;
  // a level-1 code wider than 3 digits, or negative, keeps all its digits.
  Level1({1234, -7});
  WriteMaster(file("zai1234-3.mst"), {Item(u"45", u"A", 1234), Item(u"1234567890123", u"A", 1234)});
  WriteMaster(file("zai-07-3.mst"), {Item(u"000000000009", u"", -7)});
  ASSERT_EQ(MakeCadtable(TablePath("c.tbl"), 1, -1), TRUE);
  EXPECT_EQ(Table("c.tbl"),
            (std::vector<std::u16string>{u"          45123400000", u"1234567890123123400001",
                                         u"000000000009-0700002"}));
}

TEST_F(TableTest, NumbersFollowLevel1OrderAcrossFiles) {
  // The CAD number runs over the whole table; the digitizer-panel number is
  // the line's index in its own file, listed or not. An empty line is no
  // item but still a line.
  Level1({7, 2});
  WriteMaster(file("zai007-3.mst"), {Item(u"000000000071", u"Z", 7), Item(u"000000000072", u"B", 7)});
  WriteMaster(file("zai002-3.mst"),
              {Item(u"000000000021", u"A", 2), u"", Item(u"000000000022", u"Z", 2)});
  ASSERT_EQ(MakeCadtable(TablePath("c.tbl"), 1, -1), TRUE);
  EXPECT_EQ(Table("c.tbl"), (std::vector<std::u16string>{u"00000000007100700000",
                                                          u"00000000002100200001",
                                                          u"00000000002200200002"}));
  ASSERT_EQ(MakeDegipaneTable(TablePath("d.tbl"), 1, -1), TRUE);
  EXPECT_EQ(Table("d.tbl"), (std::vector<std::u16string>{u"00000000007100700000",
                                                          u"00000000007200700001",
                                                          u"00000000002200200002"}));
}

TEST_F(TableTest, AMissingLevel3FileIsSkippedForCadAndEndsTheDigitizerTable) {
  Level1({2, 3, 4});
  WriteMaster(file("zai002-3.mst"), {Item(u"000000000021", u"Z", 2)});
  WriteMaster(file("zai004-3.mst"), {Item(u"000000000041", u"Z", 4)});
  EXPECT_EQ(MakeCadtable(TablePath("c.tbl"), 1, -1), TRUE);
  EXPECT_EQ(Table("c.tbl"),
            (std::vector<std::u16string>{u"00000000002100200000", u"00000000004100400001"}));
  EXPECT_EQ(MakeDegipaneTable(TablePath("d.tbl"), 1, -1), FALSE);
  EXPECT_EQ(Table("d.tbl"), std::vector<std::u16string>{u"00000000002100200000"});
}

TEST_F(TableTest, AnEmptyOrMissingLevel1File) {
  EXPECT_EQ(MakeCadtable(TablePath("c.tbl"), 1, -1), FALSE);
  EXPECT_EQ(cmdtest::ReadBytes(root() / "c.tbl"), "\xFF\xFE");
  EXPECT_EQ(MakeDegipaneTable(TablePath("d.tbl"), 1, -1), TRUE);
  EXPECT_EQ(cmdtest::ReadBytes(root() / "d.tbl"), "\xFF\xFE");
  WriteMaster(file("zairyou1.mst"), {});
  EXPECT_EQ(MakeCadtable(TablePath("c.tbl"), 1, -1), FALSE);
  EXPECT_EQ(MakeDegipaneTable(TablePath("d.tbl"), 1, -1), TRUE);

  // A table that cannot be written.
  Level1({5});
  WriteMaster(file("zai005-3.mst"), {Item(u"000000000001", u"Z")});
  EXPECT_EQ(MakeCadtable(dir_.win() + u"missing\\c.tbl", 1, -1), FALSE);
  EXPECT_EQ(MakeDegipaneTable(dir_.win() + u"missing\\d.tbl", 1, -1), FALSE);
}

TEST_F(TableTest, MoreThan500Level1EntriesShowTheLimit) {
  std::vector<int> codes(501);
  for (int i = 0; i < 501; ++i) codes[i] = i;
  Level1(codes);
  WriteMaster(file("zai500-3.mst"), {Item(u"000000000001", u"Z", 500)});
  WriteMaster(file("zai499-3.mst"), {Item(u"000000000002", u"Z", 499)});
  ASSERT_EQ(MakeCadtable(TablePath("c.tbl"), 1, -1), TRUE);
  EXPECT_EQ(Table("c.tbl"), std::vector<std::u16string>{u"00000000000249900000"});
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, u"工事材料が500件を超えています。");
}

// ---- Updates

TEST_F(TableTest, CadTableNamesByTrade) {
  fs::create_directories(root() / "MASTER" / "設備");
  fs::create_directories(root() / "MASTER" / "建築");
  const fs::path folders[] = {master(), plumbing(), root() / "MASTER" / "設備",
                              root() / "MASTER" / "建築"};
  for (int trade : {1, 2, 3, 4}) {
    const fs::path& folder = folders[trade - 1];
    WriteMaster(folder / "zairyou1.mst", {u"5,名前,0"});
    WriteMaster(folder / "zai005-3.mst", {Item(U("00000000000" + std::to_string(trade)), u"A")});
    EXPECT_EQ(UpdateCadtable(trade, -1), TRUE);
    const std::string name = "cad" + std::to_string(trade) + "_1.tbl";
    EXPECT_EQ(Table(name), std::vector<std::u16string>{U("00000000000" + std::to_string(trade) +
                                                         "00500000")})
        << name;
  }
  // Trade 7 has no master folder: the bare file names name files of the
  // current directory, and its table is "cad1_1.tbl".
  fs::remove(root() / "cad1_1.tbl");
  WriteMaster(root() / "zairyou1.mst", {u"5,名前,0"});
  WriteMaster(root() / "zai005-3.mst", {Item(u"000000000007", u"A")});
  EXPECT_EQ(UpdateCadtable(7, -1), TRUE);
  EXPECT_EQ(Table("cad1_1.tbl"), std::vector<std::u16string>{u"00000000000700500000"});
  EXPECT_FALSE(fs::exists(root() / "cad7_1.tbl"));
}

TEST_F(TableTest, AnUpToDateTableIsLeftAlone) {
  Level1({5});
  WriteMaster(file("zai005-3.mst"), {Item(u"000000000001", u"Z")});
  AgeMasters(1'000'000'000);
  ASSERT_EQ(UpdateCadtable(1, -1), TRUE);
  ASSERT_EQ(UpdateDegipaneTable(TablePath("d.tbl"), 1, -1), TRUE);
  // Tables marked with a time after every master but before now: a rebuild
  // would give them the current time.
  SetWriteTime(root() / "cad1_1.tbl", 1'100'000'000);
  SetWriteTime(root() / "d.tbl", 1'100'000'000);

  std::vector<Step> steps = RecordSteps([&] {
    EXPECT_EQ(UpdateCadtable(1, -1), TRUE);
    EXPECT_EQ(UpdateDegipaneTable(TablePath("d.tbl"), 1, -1), TRUE);
  });
  EXPECT_EQ(WriteTime(root() / "cad1_1.tbl").tv_sec, 1'100'000'000);
  EXPECT_EQ(WriteTime(root() / "d.tbl").tv_sec, 1'100'000'000);
  EXPECT_FALSE(steps.empty());
  for (const Step& s : steps) {
    // Only folder listings: no file is opened, read or written.
    EXPECT_EQ(s.step, cmd::os::FileStep::List) << s.path;
  }
}

TEST_F(TableTest, TouchingAnyMasterFileMakesTheTableOutOfDate) {
  Level1({5});
  WriteMaster(file("zai005-3.mst"), {Item(u"000000000001", u"Z")});
  WriteMaster(file("zairyou2.mst"), {Line2(5, 1, u"x")});
  WriteMaster(file("keihi.mst"), {u"A,x,1,0,0,0,0,0,0,0"});
  for (const char* touched : {"zai005-3.mst", "zairyou1.mst", "zairyou2.mst"}) {
    AgeMasters(1'000'000'000);
    SetWriteTime(file("keihi.mst"), 1'300'000'000);  // not a material master file
    ASSERT_EQ(UpdateDegipaneTable(TablePath("d.tbl"), 1, -1), TRUE);
    SetWriteTime(root() / "d.tbl", 1'100'000'000);
    ASSERT_EQ(UpdateDegipaneTable(TablePath("d.tbl"), 1, -1), TRUE);
    ASSERT_EQ(WriteTime(root() / "d.tbl").tv_sec, 1'100'000'000);

    SetWriteTime(file(touched), 1'200'000'000);
    ASSERT_EQ(UpdateDegipaneTable(TablePath("d.tbl"), 1, -1), TRUE);
    EXPECT_GT(WriteTime(root() / "d.tbl").tv_sec, 1'200'000'000) << touched;
  }
}

TEST_F(TableTest, StalenessIsToTheSubSecond) {
  Level1({5});
  WriteMaster(file("zai005-3.mst"), {Item(u"000000000001", u"Z")});
  WriteMaster(root() / "d.tbl", {u"old line 1", u"old line 2"});
  // The master is 200 ns newer than the table: out of date.
  SetWriteTime(file("zairyou1.mst"), 1'000'000'000, 0);
  SetWriteTime(file("zai005-3.mst"), 1'000'000'000, 500);
  SetWriteTime(root() / "d.tbl", 1'000'000'000, 300);
  UpdateDegipaneTable(TablePath("d.tbl"), 1, -1);
  EXPECT_EQ(Table("d.tbl"), std::vector<std::u16string>{u"00000000000100500000"});  // whole
  EXPECT_EQ(StagingFilesIn(root()), std::vector<std::string>{});

  // The table 200 ns newer than every master: up to date.
  WriteMaster(root() / "d.tbl", {u"old"});
  SetWriteTime(root() / "d.tbl", 1'000'000'000, 700);
  UpdateDegipaneTable(TablePath("d.tbl"), 1, -1);
  EXPECT_EQ(Table("d.tbl"), std::vector<std::u16string>{u"old"});

  // The same time as the newest master: which came first cannot be told,
  // and the table is rebuilt.
  SetWriteTime(root() / "d.tbl", 1'000'000'000, 500);
  UpdateDegipaneTable(TablePath("d.tbl"), 1, -1);
  EXPECT_EQ(Table("d.tbl"), std::vector<std::u16string>{u"00000000000100500000"});
}

TEST_F(TableTest, WithoutMasterFilesNothingIsOutOfDate) {
  EXPECT_EQ(UpdateCadtable(1, -1), TRUE);
  EXPECT_EQ(UpdateDegipaneTable(TablePath("d.tbl"), 1, -1), TRUE);
  EXPECT_FALSE(fs::exists(root() / "cad1_1.tbl"));
  EXPECT_FALSE(fs::exists(root() / "d.tbl"));
  // A folder named like a master does not count either.
  fs::create_directories(master() / "zaidir.mst");
  EXPECT_EQ(UpdateCadtable(1, -1), TRUE);
  EXPECT_FALSE(fs::exists(root() / "cad1_1.tbl"));
}

}  // namespace

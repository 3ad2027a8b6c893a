// The CAD and digitizer-panel tables: their lines byte for byte, which items
// they list, and when they are rebuilt.
#include <fcntl.h>
#include <sys/stat.h>

#include "master/master_fixture.h"

using namespace mtest;

namespace {

// A level-3 line with a drawing code and a table-use mark.
std::u16string Item(std::u16string_view cwf, std::u16string_view mark, int level1 = 5) {
  return std::u16string(cwf) + u",K," + std::u16string(mark) + u"," + U(std::to_string(level1)) +
         u",1,1,品名,t2,t3,st,1,2,3,4,5,6,7,8,9,10,11,12,end";
}

// Sets a file's last-write time, to the nanosecond, and reads it back.
void SetWriteTime(const fs::path& p, time_t seconds, long nanoseconds = 0) {
  struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(utimensat(AT_FDCWD, p.c_str(), times, 0), 0) << p;
}
time_t WriteTime(const fs::path& p) {
  struct stat st {};
  stat(p.c_str(), &st);
  return st.st_mtim.tv_sec;
}

class TableTest : public MasterTest {
 protected:
  void Level1(const std::vector<int>& codes, const fs::path& folder) {
    Lines lines;
    for (int c : codes) lines.push_back(U(std::to_string(c)) + u",名前,0");
    WriteMaster(folder / "zairyou1.mst", lines);
  }
  CString Path(const std::string& name) { return dir_.win() + CString::FromUtf8(name); }
  // Every "zai*.mst" file of the electrical master at one time.
  void AgeMasters(time_t seconds) {
    for (const auto& e : fs::directory_iterator(master()))
      if (e.path().filename().string().rfind("zai", 0) == 0) SetWriteTime(e.path(), seconds);
  }
};

// "%12s%03d%05d" of drawing code, level-1 code and number. The CAD table
// lists marks "A", "Z" and none, numbered over the whole table; the
// digitizer-panel table lists "B" and "Z", numbered by the line's index in
// its own file. Items without a drawing code are never listed; a missing
// level-3 file is skipped for CAD and ends the digitizer table.
TEST_F(TableTest, WhatTheTablesList) {
  const struct {
    std::vector<int> level1;
    std::vector<std::pair<std::string, Lines>> level3;
    BOOL cadMade, panelMade;
    std::string cad, panel;
  } cases[] = {
      {{5},
       {{"zai005-3.mst",
         {Item(u"001230000045", u"A"), Item(u"001230000046", u"B"), Item(u"000000000003", u"Z"),
          Item(u"000000000004", u""), Item(u"000000000005", u"a"), Item(u"000000000006", u"z"),
          Item(u"000000000007", u"AB"), Item(u"000000000000", u"Z"), Item(u"000000000000", u"A"),
          Item(u"000000000000", u"B")}}},
       TRUE, TRUE,
       Mst({u"00123000004500500000", u"00000000000300500001", u"00000000000400500002"}),
       Mst({u"00123000004600500001", u"00000000000300500002"})},
      // A short code is right-aligned, a long one written whole; a level-1
      // code wider than 3 digits, or negative, keeps all its digits.
      {{1234, -7},
       {{"zai1234-3.mst", {Item(u"45", u"A", 1234), Item(u"1234567890123", u"Z", 1234)}},
        {"zai-07-3.mst", {Item(u"000000000009", u"", -7)}}},
       TRUE, TRUE,
       Mst({u"          45123400000", u"1234567890123123400001", u"000000000009-0700002"}),
       Mst({u"1234567890123123400001"})},
      // In level-1 order across files; an empty line is no item but a line.
      {{7, 2},
       {{"zai007-3.mst", {Item(u"000000000071", u"Z", 7), Item(u"000000000072", u"B", 7)}},
        {"zai002-3.mst", {Item(u"000000000021", u"A", 2), u"", Item(u"000000000022", u"Z", 2)}}},
       TRUE, TRUE,
       Mst({u"00000000007100700000", u"00000000002100200001", u"00000000002200200002"}),
       Mst({u"00000000007100700000", u"00000000007200700001", u"00000000002200200002"})},
      {{2, 3, 4},
       {{"zai002-3.mst", {Item(u"000000000021", u"Z", 2)}},
        {"zai004-3.mst", {Item(u"000000000041", u"Z", 4)}}},
       TRUE, FALSE, Mst({u"00000000002100200000", u"00000000004100400001"}),
       Mst({u"00000000002100200000"})},
      // No level-1 entries, or no level-1 file.
      {{}, {}, FALSE, TRUE, kEmpty, kEmpty},
      {{-1}, {}, FALSE, TRUE, kEmpty, kEmpty},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level1.empty() ? -1 : c.level1[0]);
    for (const auto& e : fs::directory_iterator(master())) fs::remove(e.path());
    if (c.level1 != std::vector<int>{-1}) Level1(c.level1, master());
    for (const auto& [name, lines] : c.level3) WriteMaster(file(name), lines);
    EXPECT_EQ(MakeCadtable(Path("c.tbl"), 1, -1), c.cadMade);
    EXPECT_EQ(Bytes(root() / "c.tbl"), c.cad);
    EXPECT_EQ(MakeDegipaneTable(Path("d.tbl"), 1, -1), c.panelMade);
    EXPECT_EQ(Bytes(root() / "d.tbl"), c.panel);
  }
  EXPECT_EQ(Shown(), u"");

  // A table that cannot be written.
  EXPECT_EQ(MakeCadtable(dir_.win() + u"missing\\c.tbl", 1, -1), FALSE);
  EXPECT_EQ(MakeDegipaneTable(dir_.win() + u"missing\\d.tbl", 1, -1), FALSE);

  // More than 500 level-1 entries: the first 500, and the message.
  std::vector<int> codes(501);
  for (int i = 0; i < 501; ++i) codes[i] = i;
  Level1(codes, master());
  WriteMaster(file("zai500-3.mst"), {Item(u"000000000001", u"Z", 500)});
  WriteMaster(file("zai499-3.mst"), {Item(u"000000000002", u"Z", 499)});
  ASSERT_EQ(MakeCadtable(Path("c.tbl"), 1, -1), TRUE);
  EXPECT_EQ(Bytes(root() / "c.tbl"), Mst({u"00000000000249900000"}));
  EXPECT_EQ(Shown(), u"工事材料が500件を超えています。|工事材料エラー|0\n");
  ExpectNoStaging();
}

// UpdateCadtable writes "cad<trade>_1.tbl" in the current directory from the
// trade's master; trade 7 has no master folder: the bare file names name
// files of the current directory, and its table is "cad1_1.tbl".
TEST_F(TableTest, CadTableNamesByTrade) {
  const fs::path folders[] = {master(), plumbing(), root() / "MASTER" / "設備",
                              root() / "MASTER" / "建築", root()};
  for (int trade : {1, 2, 3, 4, 7}) {
    const fs::path& folder = folders[std::min(trade, 5) - 1];
    const std::string code = "00000000000" + std::to_string(trade);
    fs::create_directories(folder);
    Level1({5}, folder);
    WriteMaster(folder / "zai005-3.mst", {Item(U(code), u"A")});
    EXPECT_EQ(UpdateCadtable(trade, -1), TRUE);
    const std::string name = "cad" + std::to_string(trade == 7 ? 1 : trade) + "_1.tbl";
    EXPECT_EQ(Bytes(root() / name), Mst({U(code + "00500000")})) << name;
  }
  EXPECT_FALSE(fs::exists(root() / "cad7_1.tbl"));
}

// A table newer than every master file is left alone, taking only folder
// listings; touching any material master file (not the expense master)
// makes it out of date, to the nanosecond; a table as old as the newest
// master is rebuilt. Without master files nothing is out of date.
TEST_F(TableTest, ATableIsRebuiltWhenAMasterFileIsNewer) {
  EXPECT_EQ(UpdateCadtable(1, -1), TRUE);
  EXPECT_EQ(UpdateDegipaneTable(Path("d.tbl"), 1, -1), TRUE);
  fs::create_directories(master() / "zaidir.mst");  // a folder named like a master does not count
  EXPECT_EQ(UpdateCadtable(1, -1), TRUE);
  EXPECT_FALSE(fs::exists(root() / "cad1_1.tbl") || fs::exists(root() / "d.tbl"));

  Level1({5}, master());
  WriteMaster(file("zai005-3.mst"), {Item(u"000000000001", u"Z")});
  WriteMaster(file("zairyou2.mst"), {Line2(5, 1, u"x")});
  WriteMaster(file("keihi.mst"), {u"A,x,1,0,0,0,0,0,0,0"});
  const std::string table = Mst({u"00000000000100500000"});
  AgeMasters(1'000'000'000);
  ASSERT_EQ(UpdateCadtable(1, -1), TRUE);
  // Tables marked with a time after every master but before now: a rebuild
  // would give them the current time.
  SetWriteTime(root() / "cad1_1.tbl", 1'100'000'000);
  auto steps = RecordSteps([&] { EXPECT_EQ(UpdateCadtable(1, -1), TRUE); });
  EXPECT_EQ(WriteTime(root() / "cad1_1.tbl"), 1'100'000'000);
  EXPECT_FALSE(steps.empty());
  for (const auto& [step, path] : steps) EXPECT_EQ(step, FileStep::List) << path;

  for (const char* touched : {"zai005-3.mst", "zairyou1.mst", "zairyou2.mst"}) {
    AgeMasters(1'000'000'000);
    SetWriteTime(file("keihi.mst"), 1'300'000'000);  // not a material master file
    ASSERT_EQ(UpdateDegipaneTable(Path("d.tbl"), 1, -1), TRUE);
    SetWriteTime(root() / "d.tbl", 1'100'000'000);
    steps = RecordSteps([&] { ASSERT_EQ(UpdateDegipaneTable(Path("d.tbl"), 1, -1), TRUE); });
    for (const auto& [step, path] : steps) EXPECT_EQ(step, FileStep::List) << path;
    ASSERT_EQ(WriteTime(root() / "d.tbl"), 1'100'000'000);
    SetWriteTime(file(touched), 1'200'000'000);
    ASSERT_EQ(UpdateDegipaneTable(Path("d.tbl"), 1, -1), TRUE);
    EXPECT_GT(WriteTime(root() / "d.tbl"), 1'200'000'000) << touched;
  }

  AgeMasters(1'000'000'000);
  SetWriteTime(file("zai005-3.mst"), 1'000'000'000, 500);
  const struct { long tableNanoseconds; bool rebuilt; } cases[] = {{300, true}, {700, false}, {500, true}};
  for (const auto& c : cases) {
    WriteMaster(root() / "d.tbl", {u"old"});
    SetWriteTime(root() / "d.tbl", 1'000'000'000, c.tableNanoseconds);
    UpdateDegipaneTable(Path("d.tbl"), 1, -1);
    EXPECT_EQ(Bytes(root() / "d.tbl"), c.rebuilt ? table : Mst({u"old"})) << c.tableNanoseconds;
  }
  ExpectNoStaging();
}

}  // namespace

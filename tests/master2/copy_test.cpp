// Copies of the material master between master sets and inside one file.
#include "fixture.h"

using namespace m2test;

namespace {

class CopyTest : public Master2Test {
 protected:
  fs::path elec(const std::string& name) const { return file(name); }
  fs::path plumb(const std::string& name) const { return plumbing() / name; }
  // Copies from the electrical set into the plumbing set.
  static void CopyLevel2(int to, int from) { CopyZaiMst2_2(2, -1, to, 1, -1, from); }
  void CopyLevel3(int destFile, int newL1, int newL2, int srcFile, int srcL1, int srcL2) {
    CString dest = GetMstDrv(2, -1), src = masterWin();
    CopyZaiMst3_4(dest, destFile, newL1, newL2, src, srcFile, srcL1, srcL2);
  }
  // The host's own files that bear the names of the classic staging files
  // are neither overwritten nor removed, and no staging file stays behind.
  void SetUp() override {
    Master2Test::SetUp();
    for (const fs::path& p : HostFiles()) cmdtest::WriteBytes(p, "host's own file");
  }
  std::vector<fs::path> HostFiles() const {
    return {work() / "temp.mst", work() / "temp.txt", plumb("temp.new"), elec("temp.new"),
            elec("temp.mst")};
  }
  void ExpectNoStagingFiles() {
    for (const fs::path& p : HostFiles()) EXPECT_EQ(cmdtest::ReadBytes(p), "host's own file") << p;
    for (const fs::path& folder : {work(), plumbing(), master()})
      EXPECT_EQ(StagingFilesIn(folder), std::vector<std::string>{}) << folder;
  }
};

// ---- Level 2 between master sets

TEST_F(CopyTest, Level2GroupGoesToTheOtherSetUnderItsNewCode) {
  WriteMaster(elec("zairyou2.mst"), {Line2(3, 1, u"電線"), Line2(5, 1, u"管"), Line2(3, 2, u"ケーブル")});
  const std::string source = cmdtest::ReadBytes(elec("zairyou2.mst"));
  WriteMaster(plumb("zairyou2.mst"), {Line2(1, 1, u"既存")});

  CopyLevel2(8, 3);

  EXPECT_EQ(ReadMaster(plumb("zairyou2.mst")),
            (std::vector<std::u16string>{Line2(1, 1, u"既存"), Line2(8, 1, u"電線"),
                                         Line2(8, 2, u"ケーブル")}));
  EXPECT_EQ(cmdtest::ReadBytes(elec("zairyou2.mst")), source);
  ExpectNoStagingFiles();
}

TEST_F(CopyTest, Level2GroupDuplicatedInTheSameFolder) {
  WriteMaster(elec("zairyou2.mst"), {Line2(3, 1, u"電線"), Line2(5, 1, u"管")});
  CString folder = masterWin();
  CopyZaiMst2_3(folder, 9, folder, 3);
  EXPECT_EQ(ReadMaster(elec("zairyou2.mst")),
            (std::vector<std::u16string>{Line2(3, 1, u"電線"), Line2(5, 1, u"管"),
                                         Line2(9, 1, u"電線")}));
  ExpectNoStagingFiles();
}

TEST_F(CopyTest, Level2LinesAreRebuiltFromElevenFields) {
  // A short line gets its missing fields empty; text after field 11 is dropped.
  WriteMaster(elec("zairyou2.mst"), {u"3,1,短い", u"3,2,長い,1,2,3,4,5,6,7,8,余分,もっと"});
  CString src = masterWin(), dest = GetMstDrv(2, -1);
  CopyZaiMst2_3(dest, 4, src, 3);
  EXPECT_EQ(ReadMaster(plumb("zairyou2.mst")),
            (std::vector<std::u16string>{u"4,1,短い,,,,,,,,", u"4,2,長い,1,2,3,4,5,6,7,8"}));
}

TEST_F(CopyTest, Level2WithoutSourceEntriesLeavesTheDestinationAlone) {
  CopyLevel2(8, 3);  // missing source
  EXPECT_FALSE(fs::exists(plumb("zairyou2.mst")));
  WriteMaster(elec("zairyou2.mst"), {Line2(5, 1, u"管")});
  CopyLevel2(8, 3);  // a parent without entries
  EXPECT_FALSE(fs::exists(plumb("zairyou2.mst")));  // not even created

  WriteMaster(plumb("zairyou2.mst"), {Line2(1, 1, u"既存")});
  const std::string before = cmdtest::ReadBytes(plumb("zairyou2.mst"));
  CopyLevel2(8, 3);
  fs::remove(elec("zairyou2.mst"));
  CopyLevel2(8, 3);
  EXPECT_EQ(cmdtest::ReadBytes(plumb("zairyou2.mst")), before);
  ExpectNoStagingFiles();

  // A missing destination is created, but only with a work folder.
  WriteMaster(elec("zairyou2.mst"), {Line2(3, 1, u"電線")});
  fs::remove(plumb("zairyou2.mst"));
  fs::remove_all(work());
  CopyLevel2(8, 3);
  EXPECT_FALSE(fs::exists(plumb("zairyou2.mst")));
  fs::create_directories(work());
  CopyLevel2(8, 3);
  EXPECT_EQ(ReadMaster(plumb("zairyou2.mst")), std::vector<std::u16string>{Line2(8, 1, u"電線")});
}

TEST_F(CopyTest, Level2AppendGoesOnInTheDestinationsEncoding) {
  // "at,ccs=UTF-16LE" on a file without a byte-order mark: UTF-16LE text and
  // no mark in the middle of the file.
  WriteMaster(elec("zairyou2.mst"), {Line2(3, 1, u"電線")});
  cmdtest::WriteBytes(plumb("zairyou2.mst"), cmdtest::Utf16le(u"1,1,a,0,0,0,0,0,0,0,0\r\n", false));
  CopyLevel2(8, 3);
  EXPECT_EQ(cmdtest::ReadBytes(plumb("zairyou2.mst")),
            cmdtest::Utf16le(u"1,1,a,0,0,0,0,0,0,0,0\r\n" + Line2(8, 1, u"電線") + u"\r\n", false));
}

TEST_F(CopyTest, AppendedLinesStartOnALineOfTheirOwn) {
  // A last line without its line end, and a file cut in the middle of a
  // unit (after a line end or inside the last line): the half unit is no
  // character and goes; the new lines start on a line of their own.
  WriteMaster(elec("zairyou2.mst"), {Line2(3, 1, u"電線")});
  WriteMaster(elec("zai004-3.mst"), {Line3(4, 5, 1, u"A")});
  for (const char16_t* end : {u"", u"\r\n"}) {
    for (const std::string& cut : {std::string(), std::string("x")}) {
      SCOPED_TRACE(cmdtest::Hex(cut) + (*end ? " after a line end" : ""));
      cmdtest::WriteBytes(plumb("zairyou2.mst"),
                          cmdtest::Utf16le(Line2(1, 1, u"末尾") + end, true) + cut);
      CopyLevel2(8, 3);
      EXPECT_EQ(ReadMaster(plumb("zairyou2.mst")),
                (std::vector<std::u16string>{Line2(1, 1, u"末尾"), Line2(8, 1, u"電線")}));
      cmdtest::WriteBytes(plumb("zai011-3.mst"),
                          cmdtest::Utf16le(Line3(11, 1, 1, u"末尾") + end, true) + cut);
      CopyLevel3(11, 0, 9, 4, 4, 5);
      EXPECT_EQ(ReadMaster(plumb("zai011-3.mst")),
                (std::vector<std::u16string>{Line3(11, 1, 1, u"末尾"), Line3(11, 9, 1, u"A")}));
    }
  }
  ExpectNoStagingFiles();
}

// ---- Level 3 between files and master sets

TEST_F(CopyTest, Level3AllGroupsKeepTheirFieldsButNameTheDestinationFile) {
  WriteMaster(elec("zai004-3.mst"),
              {Line3(4, 5, 1, u"A"), Line3(6, 5, 2, u"他"), Line3(4, 7, 3, u"B")});
  WriteMaster(plumb("zai011-3.mst"), {Line3(11, 1, 1, u"既存")});
  CopyLevel3(11, 30, 40, 4, 4, -1);
  EXPECT_EQ(ReadMaster(plumb("zai011-3.mst")),
            (std::vector<std::u16string>{Line3(11, 1, 1, u"既存"), Line3(11, 5, 1, u"A"),
                                         Line3(11, 7, 3, u"B")}));
  ExpectNoStagingFiles();
}

TEST_F(CopyTest, Level3OneGroupGetsTheNewLevel2Code) {
  WriteMaster(elec("zai004-3.mst"),
              {Line3(4, 5, 1, u"A"), Line3(4, 6, 2, u"別"), Line3(4, 5, 3, u"B")});
  // The new level-1 code (30) reaches the staging file only: field 4 names
  // the destination file.
  CopyLevel3(11, 30, 9, 4, 4, 5);
  const std::vector<std::u16string> expected = {Line3(11, 9, 1, u"A"), Line3(11, 9, 3, u"B")};
  EXPECT_EQ(ReadMaster(plumb("zai011-3.mst")), expected);
  ExpectNoStagingFiles();
  fs::remove(plumb("zai011-3.mst"));
  CopyZaiMst3_3(2, -1, 11, 30, 9, 1, -1, 4, 4, 5);  // the same by trade and number
  EXPECT_EQ(ReadMaster(plumb("zai011-3.mst")), expected);
}

TEST_F(CopyTest, Level3SourceNumberMinusOneReadsZairyou3) {
  WriteMaster(elec("zairyou3.mst"), {Line3(4, 5, 1, u"単一")});
  CopyLevel3(2, 0, 0, -1, 4, -1);
  EXPECT_EQ(ReadMaster(plumb("zai002-3.mst")), std::vector<std::u16string>{Line3(2, 5, 1, u"単一")});
}

TEST_F(CopyTest, Level3LinesAreRebuiltFromTwentyThreeFields) {
  WriteMaster(elec("zai004-3.mst"), {u"000010000002,K,A,4,5,1,短"});
  CopyLevel3(11, 0, 9, 4, 4, 5);
  EXPECT_EQ(ReadMaster(plumb("zai011-3.mst")),
            std::vector<std::u16string>{u"000010000002,K,A,11,9,1,短,,,,,,,,,,,,,,,,"});
}

TEST_F(CopyTest, Level3MissingFilesAreCreatedEmpty) {
  CopyLevel3(11, 0, 9, 4, 4, 5);
  EXPECT_EQ(cmdtest::ReadBytes(elec("zai004-3.mst")), "\xFF\xFE");
  EXPECT_EQ(cmdtest::ReadBytes(plumb("zai011-3.mst")), "\xFF\xFE");
  ExpectNoStagingFiles();
}

TEST_F(CopyTest, Level3AppendGoesOnInTheDestinationsEncoding) {
  // "at,ccs=UNICODE" on a file without a byte-order mark goes on in the
  // ANSI code page, as the file already is.
  WriteMaster(elec("zai004-3.mst"), {Line3(4, 5, 1, u"A")});
  const std::string ansi = "000010000002,K,A,11,1,1,x,t2,t3,st,1,2,3,4,5,6,7,8,9,10,11,12,e\r\n";
  cmdtest::WriteBytes(plumb("zai011-3.mst"), ansi);
  CopyLevel3(11, 0, 9, 4, 4, 5);
  EXPECT_EQ(cmdtest::ReadBytes(plumb("zai011-3.mst")),
            ansi + Utf16ToUtf8(Line3(11, 9, 1, u"A")) + "\r\n");
}

// ---- Whole level-3 file

TEST_F(CopyTest, WholeFileCopyRenumbersFieldFour) {
  WriteMaster(elec("zai004-3.mst"), {Line3(4, 5, 1, u"A"), Line3(4, 6, 2, u"B")});
  WriteMaster(elec("zai007-3.mst"), {Line3(7, 1, 1, u"消える")});
  CopyZaiMst3_2(7, 4, 7, 1, -1);
  EXPECT_EQ(ReadMaster(elec("zai007-3.mst")),
            (std::vector<std::u16string>{Line3(7, 5, 1, u"A"), Line3(7, 6, 2, u"B")}));
  EXPECT_EQ(ReadMaster(elec("zai004-3.mst")),
            (std::vector<std::u16string>{Line3(4, 5, 1, u"A"), Line3(4, 6, 2, u"B")}));
  ExpectNoStagingFiles();
}

TEST_F(CopyTest, WholeFileCopyOfAMissingSourceOrOntoItself) {
  // The missing source is created empty, and the destination is its copy.
  WriteMaster(elec("zai007-3.mst"), {Line3(7, 1, 1, u"消える")});
  CopyZaiMst3_2(7, 4, 7, 1, -1);
  EXPECT_EQ(cmdtest::ReadBytes(elec("zai004-3.mst")), "\xFF\xFE");
  EXPECT_EQ(cmdtest::ReadBytes(elec("zai007-3.mst")), "\xFF\xFE");
  ExpectNoStagingFiles();

  WriteMaster(elec("zai004-3.mst"), {Line3(4, 5, 1, u"A"), Line3(4, 6, 2, u"B")});
  CopyZaiMst3_2(4, 4, 12, 1, -1);
  EXPECT_EQ(ReadMaster(elec("zai004-3.mst")),
            (std::vector<std::u16string>{Line3(12, 5, 1, u"A"), Line3(12, 6, 2, u"B")}));
}

// ---- Duplicates inside one file

TEST_F(CopyTest, Level2DuplicatesFollowAllLinesWithTheNewLevel2Code) {
  WriteMaster(elec("zairyou2.mst"),
              {Line2(3, 1, u"電線"), Line2(5, 1, u"管"), u"3,2,短い", Line2(7, 1, u"他")});
  CopyZaiMst2_1(3, 40, 1, -1);
  EXPECT_EQ(ReadMaster(elec("zairyou2.mst")),
            (std::vector<std::u16string>{Line2(3, 1, u"電線"), Line2(5, 1, u"管"), u"3,2,短い",
                                         Line2(7, 1, u"他"), Line2(3, 40, u"電線"),
                                         u"3,40,短い,,,,,,,,"}));
  ExpectNoStagingFiles();
  fs::remove(elec("zairyou2.mst"));
  CopyZaiMst2_1(3, 40, 1, -1);  // of a missing file: nothing is created
  EXPECT_FALSE(fs::exists(elec("zairyou2.mst")));
}

TEST_F(CopyTest, Level3DuplicatesOfOneGroupCarryTheNewLevel2Code) {
  CopyZaiMst3_1(4, 4, 5, 8, 1, -1);  // of a missing file: created empty
  EXPECT_EQ(cmdtest::ReadBytes(elec("zai004-3.mst")), "\xFF\xFE");
  WriteMaster(elec("zai004-3.mst"),
              {Line3(4, 5, 1, u"A"), Line3(4, 6, 2, u"別"), Line3(4, 5, 3, u"B")});
  CopyZaiMst3_1(4, 4, 5, 8, 1, -1);
  EXPECT_EQ(ReadMaster(elec("zai004-3.mst")),
            (std::vector<std::u16string>{Line3(4, 5, 1, u"A"), Line3(4, 6, 2, u"別"),
                                         Line3(4, 5, 3, u"B"), Line3(4, 8, 1, u"A"),
                                         Line3(4, 8, 3, u"B")}));
}

TEST_F(CopyTest, Level3DuplicatesOfEveryGroupCarryTheNewLevel1Code) {
  WriteMaster(elec("zai004-3.mst"), {Line3(4, 5, 1, u"A"), Line3(9, 6, 2, u"他"), Line3(4, 6, 3, u"B")});
  CopyZaiMst3_1(4, 4, -1, 8, 1, -1);
  EXPECT_EQ(ReadMaster(elec("zai004-3.mst")),
            (std::vector<std::u16string>{Line3(4, 5, 1, u"A"), Line3(9, 6, 2, u"他"),
                                         Line3(4, 6, 3, u"B"), Line3(8, 5, 1, u"A"),
                                         Line3(8, 6, 3, u"B")}));
}

}  // namespace

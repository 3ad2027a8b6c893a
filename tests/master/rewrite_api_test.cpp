// The shared pieces every master family builds on: the field cursor and the
// staged rewrite.
#include <cmath>
#include <vector>

#include "cmddll3/platform/crt.h"
#include "cmddll3/util_split.h"
#include "master/rewrite.h"
#include "master_fixture.h"

using namespace mtest;
using cmd::master::FieldCursor;
using cmd::master::StagedMaster;

namespace {

TEST(FieldCursorTest, FieldsAreThoseOfTheSplitter) {
  for (std::u16string line : {u"", u",", u"a", u"a,,b", u",a,", u"12,AB,1", u"x,y,z,,,",
                              u"長い名前,１２,\u0001"}) {
    CString split[8];
    int n = SplitCStrByComma(line, split, 8);
    FieldCursor f(line);
    for (int i = 0; i < 8; ++i)
      EXPECT_EQ(std::u16string(f.Text()), i < n ? split[i].str() : u"") << "field " << i;
  }
}

TEST(FieldCursorTest, NumbersAreTheRuntimes) {
  // Plain decimals are converted by the cursor; everything else by the
  // runtime. Both must give what the runtime gives.
  for (std::u16string field :
       {u"0", u"-0", u"007", u"123456789", u"1234567890", u"-2147483648", u"99999999999", u"",
        u"-", u" 5", u"+5", u"5x", u"１２", u"1e3", u"0x10", u"123456789012345",
        u"1234567890123456", u"-000", u"2.5"}) {
    std::u16string line = field + u",tail";
    FieldCursor l(line), i(line), d(line);
    EXPECT_EQ(l.Long(), _wtol(field.c_str())) << Utf16ToUtf8(field);
    EXPECT_EQ(i.Int(), _wtoi(field.c_str())) << Utf16ToUtf8(field);
    double expected = _wtof(field.c_str()), got = d.Double();
    EXPECT_EQ(got, expected) << Utf16ToUtf8(field);
    EXPECT_EQ(std::signbit(got), std::signbit(expected)) << Utf16ToUtf8(field);
    EXPECT_EQ(std::u16string(l.Text()), u"tail");  // the cursor moved past the field either way
    EXPECT_EQ(std::u16string(d.Text()), u"tail");
  }
}

using StagedMasterTest = MasterTest;

TEST_F(StagedMasterTest, AFamilyNamesItsOwnStagingFile) {
  WriteMaster(file("keihi.mst"), {u"A,x"});
  cmdtest::WriteBytes(file("temp.mst"), "another family's staging file");
  CString path = masterWin() + u"keihi.mst";
  ASSERT_TRUE(cmd::master::WriteMasterWhole(
      path, [](StagedMaster& s) { s.Write(u"B,y\n"); }, u"temp"));
  EXPECT_EQ(ReadMaster(file("keihi.mst")), std::vector<std::u16string>{u"B,y"});
  EXPECT_FALSE(fs::exists(file("temp")));
  EXPECT_EQ(cmdtest::ReadBytes(file("temp.mst")), "another family's staging file");
}

TEST_F(StagedMasterTest, AnAbandonedRewriteChangesNothing) {
  WriteMaster(file("list.mst"), {u"a"});
  std::string before = cmdtest::ReadBytes(file("list.mst"));
  {
    StagedMaster staged(masterWin() + u"list.mst");
    ASSERT_TRUE(staged.OpenForRewrite());
    staged.Write(u"half a line");
  }
  EXPECT_EQ(cmdtest::ReadBytes(file("list.mst")), before);
  EXPECT_FALSE(fs::exists(file("temp.mst")));

  // A master that bears the staging file's name is never emptied.
  WriteMaster(file("temp.mst"), {u"precious"});
  StagedMaster self(masterWin() + u"TEMP.MST");
  EXPECT_FALSE(self.OpenForRewrite());
  EXPECT_FALSE(self.OpenForNewContent());
  EXPECT_EQ(ReadMaster(file("temp.mst")), std::vector<std::u16string>{u"precious"});
}

}  // namespace

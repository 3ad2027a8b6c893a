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

TEST_F(StagedMasterTest, StagingFilesNeverMeetTheHostsFiles) {
  // Files and a folder of the names staging files once had stay as they are,
  // and are masters like any other.
  cmdtest::WriteBytes(file("temp"), "the host's own file");
  fs::create_directory(file("temp.mst"));
  WriteMaster(file("temp.new"), {u"A,x"});
  fs::permissions(file("temp.new"), fs::perms::owner_read | fs::perms::owner_write |
                                        fs::perms::group_read);
  ASSERT_TRUE(cmd::master::WriteMasterWhole(masterWin() + u"temp.new",
                                            [](StagedMaster& s) { s.Write(u"B,y\n"); }));
  ASSERT_TRUE(cmd::master::RewriteMaster(
      masterWin() + u"temp.new", [](const CString&) { return true; },
      [](StagedMaster& s) { s.Write(u"C,z\n"); }));
  EXPECT_EQ(ReadMaster(file("temp.new")), (std::vector<std::u16string>{u"B,y", u"C,z"}));
  // A replaced master keeps the permissions the host gave it.
  EXPECT_EQ(fs::status(file("temp.new")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(cmdtest::ReadBytes(file("temp")), "the host's own file");
  EXPECT_TRUE(fs::is_directory(file("temp.mst")));
  EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});
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
  EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{});
}

}  // namespace

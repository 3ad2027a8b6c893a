// The expense master "keihi.mst": reading one kind, appending, deleting and
// replacing in place, and lines that do not follow the layout.
#include "fixture.h"

using namespace m2test;

namespace {

struct Items {
  static constexpr int kSize = 64;
  CString names[kSize];
  double amounts[kSize] = {};
  int f[7][kSize] = {};
  int count = 0;
  // f4 to f10 of item i.
  std::vector<int> Ints(int i) const {
    std::vector<int> v;
    for (int k = 0; k < 7; ++k) v.push_back(f[k][i]);
    return v;
  }
};

class KeihiTest : public Master2Test {
 protected:
  fs::path keihi() const { return file("keihi.mst"); }
  Items Get(char16_t kind) {
    Items items;
    items.count = GetKeihiMst(items.names, items.amounts, items.f[0], items.f[1], items.f[2],
                              items.f[3], items.f[4], items.f[5], items.f[6], kind, 1);
    return items;
  }
  std::vector<std::u16string> Lines() { return ReadMaster(keihi()); }
  void ExpectNoStaging() { EXPECT_EQ(StagingFilesIn(master()), std::vector<std::string>{}); }
};

const std::vector<int> k1to7 = {1, 2, 3, 4, 5, 6, 7};

TEST_F(KeihiTest, AddWritesOneFullLine) {
  EXPECT_EQ(AddKeihiMst(u"運搬費", 12345.0, 1, 2, 3, 4, 5, 6, 7, u'A', 1), 0);
  EXPECT_EQ(cmdtest::ReadBytes(keihi()), cmdtest::Utf16le(u"A,運搬費,12345,1,2,3,4,5,6,7\r\n"));
  AddKeihiMst(u"諸経費", -2.25, -1, 0, 0, 0, 0, 0, 2147483647, u'B', 1);
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"A,運搬費,12345,1,2,3,4,5,6,7",
                                                  u"B,諸経費,-2,-1,0,0,0,0,0,2147483647"}));
  ExpectNoStaging();

  // The amount is stored as a whole number: 1500.4 is not what the file holds.
  fs::remove(keihi());
  AddKeihiMst(u"x", 1500.4, 1, 2, 3, 4, 5, 6, 7, u'A', 1);
  EXPECT_EQ(Lines(), std::vector<std::u16string>{u"A,x,1500,1,2,3,4,5,6,7"});
  DelKeihiMst(u"x", 1500.4, 1, 2, 3, 4, 5, 6, 7, u'A', 1);
  EXPECT_EQ(Lines().size(), 1u);
  DelKeihiMst(u"x", 1500.0, 1, 2, 3, 4, 5, 6, 7, u'A', 1);
  EXPECT_TRUE(Lines().empty());
}

TEST_F(KeihiTest, GetReadsOneKindInFileOrder) {
  EXPECT_EQ(Get(u'A').count, 0);  // a missing file is not created
  EXPECT_FALSE(fs::exists(keihi()));
  WriteMaster(keihi(), {u"A,a1,10,1,1,1,1,1,1,1", u"B,b1,20,2,3,4,5,6,7,8", u"A,a2,30,0,0,0,0,0,0,0",
                        u"B,b2,40,9,9,9,9,9,9,9", u"B,,77,1,2,3,4,5,6,7"});
  Items items = Get(u'B');
  ASSERT_EQ(items.count, 3);
  EXPECT_EQ(items.names[0], u"b1");
  EXPECT_EQ(items.amounts[0], 20.0);
  EXPECT_EQ(items.Ints(0), (std::vector<int>{2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(items.names[1], u"b2");
  EXPECT_EQ(items.amounts[1], 40.0);
  EXPECT_EQ(items.names[2], u"");  // an empty name is an ordinary field
  EXPECT_EQ(items.amounts[2], 77.0);
  EXPECT_EQ(items.Ints(2), k1to7);
  EXPECT_EQ(Get(u'C').count, 0);
}

TEST_F(KeihiTest, LinesThatDoNotFollowTheLayout) {
  WriteMaster(keihi(), {
                           u"A",                       // the kind alone: an item of empty fields
                           u"A,",                      // the kind and its comma
                           u"A,name",                  // no amount and no integers
                           u"A,n,5,1,2",               // f6 to f10 missing
                           u"A,n,5,1,2,3,4,5,6,7,8,9", // the last field takes the rest
                           u"Axyz,1,2",                // no comma after the kind: cut after two
                           u"A,n,abc,x1,-3,,+4, 5,0x9,1e3",  // numbers as the runtime reads them
                           u"",                        // never an item
                       });
  Items items = Get(u'A');
  ASSERT_EQ(items.count, 7);
  for (int i : {0, 1}) {
    EXPECT_EQ(items.names[i], u"") << i;
    EXPECT_EQ(items.amounts[i], 0.0) << i;
    EXPECT_EQ(items.Ints(i), std::vector<int>(7, 0)) << i;
  }
  EXPECT_EQ(items.names[2], u"name");
  EXPECT_EQ(items.amounts[2], 0.0);
  EXPECT_EQ(items.Ints(3), (std::vector<int>{1, 2, 0, 0, 0, 0, 0}));
  EXPECT_EQ(items.Ints(4), k1to7);
  EXPECT_EQ(items.names[5], u"yz");
  EXPECT_EQ(items.amounts[5], 1.0);
  EXPECT_EQ(items.Ints(5), (std::vector<int>{2, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(items.amounts[6], 0.0);
  EXPECT_EQ(items.Ints(6), (std::vector<int>{0, -3, 0, 4, 5, 0, 1}));
}

TEST_F(KeihiTest, OverlongFieldsAreCutAndNeverRunIntoTheNext) {
  const std::u16string longName(250, u'名');
  const std::u16string longAmount = u"1" + std::u16string(249, u'0');
  WriteMaster(keihi(), {u"A," + longName + u"," + longAmount + u",1234567890,-123456789,7,"
                        u"99999999999,5,6,123456789012"});
  Items items = Get(u'A');
  ASSERT_EQ(items.count, 1);
  EXPECT_EQ(items.names[0], CString(std::u16string(199, u'名')));
  EXPECT_EQ(items.amounts[0], 1e198);  // the first 199 characters
  EXPECT_EQ(items.Ints(0), (std::vector<int>{123456789, -12345678, 7, 999999999, 5, 6, 123456789}));
}

TEST_F(KeihiTest, AddAllAppendsEveryItemOfOneKind) {
  AddAllKeihiMst(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                 u'C', 1, 0);  // no items: a missing file is created
  EXPECT_EQ(cmdtest::ReadBytes(keihi()), "\xFF\xFE");
  CString names[2] = {u"一", u"二"};
  double amounts[2] = {100, 200.6};
  int f[7][2] = {{1, 8}, {2, 9}, {3, 10}, {4, 11}, {5, 12}, {6, 13}, {7, 14}};
  // The last unit of the file torn in half: that byte goes.
  cmdtest::WriteBytes(keihi(), cmdtest::Utf16le(u"Z,old,1,0,0,0,0,0,0,0\r\n") + "Z");
  AddAllKeihiMst(names, amounts, f[0], f[1], f[2], f[3], f[4], f[5], f[6], u'C', 1, 2);
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"Z,old,1,0,0,0,0,0,0,0",
                                                  u"C,一,100,1,2,3,4,5,6,7",
                                                  u"C,二,201,8,9,10,11,12,13,14"}));
  ExpectNoStaging();
}

TEST_F(KeihiTest, DelRemovesOnlyTheFirstIdenticalLine) {
  WriteMaster(keihi(), {u"A,x,5,1,2,3,4,5,6,7", u"B,x,5,1,2,3,4,5,6,7", u"A,x,5,1,2,3,4,5,6,7",
                        u"A,x,5,1,2,3,4,5,6,8"});
  EXPECT_EQ(DelKeihiMst(u"x", 5, 1, 2, 3, 4, 5, 6, 7, u'A', 1), 0);
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"B,x,5,1,2,3,4,5,6,7", u"A,x,5,1,2,3,4,5,6,7",
                                                  u"A,x,5,1,2,3,4,5,6,8"}));
  // Names compare exactly, with case.
  DelKeihiMst(u"X", 5, 1, 2, 3, 4, 5, 6, 7, u'A', 1);
  EXPECT_EQ(Lines().size(), 3u);
  ExpectNoStaging();
}

TEST_F(KeihiTest, DelAllRemovesOneKindAndKeepsEmptyLines) {
  DelAllKeihiMst(u'A', 1);  // deletes on a missing file leave an empty one
  EXPECT_EQ(cmdtest::ReadBytes(keihi()), "\xFF\xFE");
  fs::remove(keihi());
  DelKeihiMst(u"x", 1, 0, 0, 0, 0, 0, 0, 0, u'A', 1);
  EXPECT_EQ(cmdtest::ReadBytes(keihi()), "\xFF\xFE");
  WriteMaster(keihi(), {u"A,a,1,0,0,0,0,0,0,0", u"", u"B,b,2,0,0,0,0,0,0,0", u"A"});
  DelAllKeihiMst(u'A', 1);
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"", u"B,b,2,0,0,0,0,0,0,0"}));
}

TEST_F(KeihiTest, UpdateOneReplacesEveryLineOfItsKindInPlace) {
  WriteMaster(keihi(), {u"C,c1,1,1,1,1,1,1,1,1", u"A,a,2,0,0,0,0,0,0,0", u"C,c2,3,3,3,3,3,3,3,3",
                        u"B,b,4,0,0,0,0,0,0,0"});
  EXPECT_EQ(UpdateKeihiMst_1(u"新", 9.0, 1, 2, 3, 4, 5, 6, u'C', 1), 0);
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"C,新,9,1,2,3,4,5,6", u"A,a,2,0,0,0,0,0,0,0",
                                                  u"C,新,9,1,2,3,4,5,6", u"B,b,4,0,0,0,0,0,0,0"}));
  // The short line reads back with f10 = 0.
  Items items = Get(u'C');
  ASSERT_EQ(items.count, 2);
  EXPECT_EQ(items.Ints(1), (std::vector<int>{1, 2, 3, 4, 5, 6, 0}));
  ExpectNoStaging();

  // Without a line of its kind, the item is appended.
  WriteMaster(keihi(), {u"A,a,2,0,0,0,0,0,0,0"});
  UpdateKeihiMst_1(u"新", 9.0, 1, 2, 3, 4, 5, 6, u'C', 1);
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"A,a,2,0,0,0,0,0,0,0", u"C,新,9,1,2,3,4,5,6"}));
  fs::remove(keihi());
  UpdateKeihiMst_1(u"新", 9.0, 1, 2, 3, 4, 5, 6, u'C', 1);
  EXPECT_EQ(Lines(), std::vector<std::u16string>{u"C,新,9,1,2,3,4,5,6"});
}

TEST_F(KeihiTest, UpdateTwoReplacesTheIndexedLineOfItsKind) {
  WriteMaster(keihi(), {u"B,b0,1,0,0,0,0,0,0,0", u"A,a,2,0,0,0,0,0,0,0", u"B", u"B,b2,3,0,0,0,0,0,0,0"});
  EXPECT_EQ(UpdateKeihiMst_2(u"新", 5, 1, 2, 3, 4, 5, 6, 7, 1, u'B', 1), 1);
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"B,b0,1,0,0,0,0,0,0,0", u"A,a,2,0,0,0,0,0,0,0",
                                                  u"B,新,5,1,2,3,4,5,6,7", u"B,b2,3,0,0,0,0,0,0,0"}));
  // The index counts the items as GetKeihiMst returns them.
  Items items = Get(u'B');
  ASSERT_EQ(items.count, 3);
  EXPECT_EQ(items.names[1], u"新");

  // An index beyond the last item, or negative, changes nothing.
  const std::string before = cmdtest::ReadBytes(keihi());
  EXPECT_EQ(UpdateKeihiMst_2(u"新", 5, 1, 2, 3, 4, 5, 6, 7, 3, u'B', 1), 0);
  EXPECT_EQ(UpdateKeihiMst_2(u"新", 5, 1, 2, 3, 4, 5, 6, 7, -1, u'B', 1), 0);
  EXPECT_EQ(cmdtest::ReadBytes(keihi()), before);
  ExpectNoStaging();
}

TEST_F(KeihiTest, ANameThatCannotStayInItsFieldIsRefused) {
  WriteMaster(keihi(), {u"A,a,2,0,0,0,0,0,0,0"});
  const std::string before = cmdtest::ReadBytes(keihi());
  std::vector<std::u16string> debug;
  DebugOutputHook old = SetDebugOutputHook([&](const CString& t) { debug.push_back(t.str()); });
  AddKeihiMst(u"a,b", 1, 0, 0, 0, 0, 0, 0, 0, u'A', 1);
  AddKeihiMst(u"a\nb", 1, 0, 0, 0, 0, 0, 0, 0, u'A', 1);
  AddKeihiMst(CString(std::u16string(u"a\0b", 3)), 1, 0, 0, 0, 0, 0, 0, 0, u'A', 1);
  AddKeihiMst(u"a\x1A", 1, 0, 0, 0, 0, 0, 0, 0, u'A', 1);
  AddKeihiMst(u"ok", 1, 0, 0, 0, 0, 0, 0, 0, u'\n', 1);
  UpdateKeihiMst_1(u"a,b", 1, 0, 0, 0, 0, 0, 0, u'A', 1);
  EXPECT_EQ(UpdateKeihiMst_2(u"a,b", 1, 0, 0, 0, 0, 0, 0, 0, 0, u'A', 1), 0);
  CString names[2] = {u"ok", u"x\ny"};
  double amounts[2] = {};
  int f[7][2] = {};
  AddAllKeihiMst(names, amounts, f[0], f[1], f[2], f[3], f[4], f[5], f[6], u'A', 1, 2);
  SetDebugOutputHook(old);
  EXPECT_EQ(cmdtest::ReadBytes(keihi()), before);
  EXPECT_EQ(debug.size(), 8u);
}

TEST_F(KeihiTest, TheMasterOfEachTradeAndTheWorkFolder) {
  AddKeihiMst(u"水", 1, 0, 0, 0, 0, 0, 0, 0, u'A', 2);
  AddKeihiMst(u"作業", 1, 0, 0, 0, 0, 0, 0, 0, u'A', 10);
  EXPECT_EQ(ReadMaster(plumbing() / "keihi.mst"),
            std::vector<std::u16string>{u"A,水,1,0,0,0,0,0,0,0"});
  EXPECT_EQ(ReadMaster(work() / "keihi.mst"), std::vector<std::u16string>{u"A,作業,1,0,0,0,0,0,0,0"});
  EXPECT_FALSE(fs::exists(keihi()));
}

TEST_F(KeihiTest, RewritesKeepTheOtherLinesAsRead) {
  // A master in another encoding is read by its mark and rewritten as
  // UTF-16LE; its lines are kept as read.
  cmdtest::WriteBytes(keihi(), "\xEF\xBB\xBF" "B,\xE7\xB5\x8C\xE8\xB2\xBB,1,0,0,0,0,0,0,0\r\n");
  AddKeihiMst(u"新", 2, 0, 0, 0, 0, 0, 0, 0, u'A', 1);
  EXPECT_EQ(Lines(), (std::vector<std::u16string>{u"B,経費,1,0,0,0,0,0,0,0", u"A,新,2,0,0,0,0,0,0,0"}));
}

}  // namespace

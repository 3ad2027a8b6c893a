// The expense master "keihi.mst" and the small masters (construction items,
// units, supply entries, remarks): what their readers give, also of lines
// that do not follow the layout, and what every change leaves, byte for byte.
#include <cstdio>

#include "master/master_fixture.h"

using namespace mtest;

namespace {

using MastersTest = MasterTest;

std::u16string Num(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", v);
  return U(text);
}

// The expense items of a kind, "name,amount,f4,...,f10" a line.
std::u16string Items(char16_t kind) {
  CString names[64];
  double amounts[64];
  int f[7][64];
  int n = GetKeihiMst(names, amounts, f[0], f[1], f[2], f[3], f[4], f[5], f[6], kind, 1);
  std::u16string s;
  for (int i = 0; i < n; ++i) {
    s += names[i].str() + u"," + Num(amounts[i]);
    for (const auto& field : f) s += u"," + U(std::to_string(field[i]));
    s += u"\n";
  }
  return s;
}

// Items of one kind in file order; a line without its fields is an item of
// empty ones, the last field takes the rest, numbers read as the runtime
// reads them, overlong fields are cut to 199 characters.
TEST_F(MastersTest, ExpenseItems) {
  EXPECT_EQ(Items(u'A'), u"");  // a missing file is not created
  EXPECT_FALSE(fs::exists(file("keihi.mst")));
  const std::u16string longName(250, u'名'), longAmount = u"1" + std::u16string(249, u'0');
  const struct { Lines lines; char16_t kind; std::u16string items; } cases[] = {
      {{u"A,a1,10,1,1,1,1,1,1,1", u"B,b1,20,2,3,4,5,6,7,8", u"A,a2,30,0,0,0,0,0,0,0",
        u"B,b2,40,9,9,9,9,9,9,9", u"B,,77,1,2,3,4,5,6,7"},
       u'B', u"b1,20,2,3,4,5,6,7,8\nb2,40,9,9,9,9,9,9,9\n,77,1,2,3,4,5,6,7\n"},
      {{u"A,a,1,0,0,0,0,0,0,0"}, u'C', u""},
      {{u"A", u"A,", u"A,name", u"A,n,5,1,2", u"A,n,5,1,2,3,4,5,6,7,8,9", u"Axyz,1,2",
        u"A,n,abc,x1,-3,,+4, 5,0x9,1e3", u""},
       u'A',
       u",0,0,0,0,0,0,0,0\n,0,0,0,0,0,0,0,0\nname,0,0,0,0,0,0,0,0\nn,5,1,2,0,0,0,0,0\n"
       u"n,5,1,2,3,4,5,6,7\nyz,1,2,0,0,0,0,0,0\nn,0,0,-3,0,4,5,0,1\n"},
      {{u"A," + longName + u"," + longAmount + u",1234567890,-123456789,7,99999999999,5,6,123456789012"},
       u'A', std::u16string(199, u'名') + u"," + Num(1e198) + u",123456789,-12345678,7,999999999,5,6,123456789\n"},
  };
  for (const auto& c : cases) {
    WriteMaster(file("keihi.mst"), c.lines);
    EXPECT_EQ(Items(c.kind), c.items);
  }
}

TEST_F(MastersTest, ExpenseChanges) {
  const fs::path k = file("keihi.mst");
  CString names[2] = {u"一", u"二"};
  double amounts[2] = {100, 200.6};
  int f[7][2] = {{1, 8}, {2, 9}, {3, 10}, {4, 11}, {5, 12}, {6, 13}, {7, 14}};
  auto update1 = [] { EXPECT_EQ(UpdateKeihiMst_1(u"新", 9.0, 1, 2, 3, 4, 5, 6, u'C', 1), 0); };
  auto update2 = [](int index, int replaced) {
    EXPECT_EQ(UpdateKeihiMst_2(u"新", 5, 1, 2, 3, 4, 5, 6, 7, index, u'B', 1), replaced);
  };
  const Lines xs = {u"A,x,5,1,2,3,4,5,6,7", u"B,x,5,1,2,3,4,5,6,7", u"A,x,5,1,2,3,4,5,6,7",
                    u"A,x,5,1,2,3,4,5,6,8"};
  const Lines bs = {u"B,b0,1,0,0,0,0,0,0,0", u"A,a,2,0,0,0,0,0,0,0", u"B,新,5,1,2,3,4,5,6,7",
                    u"B,b2,3,0,0,0,0,0,0,0"};
  ExpectRewrites({
      // Each trade has its master; trade 10 is the work folder's.
      {plumbing() / "keihi.mst", kMissing, [] { AddKeihiMst(u"水", 1, 0, 0, 0, 0, 0, 0, 0, u'A', 2); },
       Mst({u"A,水,1,0,0,0,0,0,0,0"})},
      {work() / "keihi.mst", kMissing, [] { AddKeihiMst(u"作業", 1, 0, 0, 0, 0, 0, 0, 0, u'A', 10); },
       Mst({u"A,作業,1,0,0,0,0,0,0,0"})},
      {k, {}, [] {}, kMissing},
      // One full line appended, its amount a whole number: 1500.4 is not
      // what the file holds, 1500 is.
      {k, {}, [] { EXPECT_EQ(AddKeihiMst(u"運搬費", 12345.0, 1, 2, 3, 4, 5, 6, 7, u'A', 1), 0); },
       Mst({u"A,運搬費,12345,1,2,3,4,5,6,7"})},
      {k, {}, [] { AddKeihiMst(u"諸経費", -2.25, -1, 0, 0, 0, 0, 0, 2147483647, u'B', 1); },
       Mst({u"A,運搬費,12345,1,2,3,4,5,6,7", u"B,諸経費,-2,-1,0,0,0,0,0,2147483647"})},
      {k, kMissing,
       [] {
         AddKeihiMst(u"x", 1500.4, 1, 2, 3, 4, 5, 6, 7, u'A', 1);
         DelKeihiMst(u"x", 1500.4, 1, 2, 3, 4, 5, 6, 7, u'A', 1);
       },
       Mst({u"A,x,1500,1,2,3,4,5,6,7"})},
      {k, {}, [] { EXPECT_EQ(DelKeihiMst(u"x", 1500.0, 1, 2, 3, 4, 5, 6, 7, u'A', 1), 0); }, kEmpty},
      // Every item of one kind appended; none makes a missing file; a last
      // unit torn in half goes.
      {k, kMissing,
       [] { AddAllKeihiMst(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, u'C', 1, 0); },
       kEmpty},
      {k, cmdtest::Utf16le(u"Z,old,1,0,0,0,0,0,0,0\r\n") + "Z",
       [&] { AddAllKeihiMst(names, amounts, f[0], f[1], f[2], f[3], f[4], f[5], f[6], u'C', 1, 2); },
       Mst({u"Z,old,1,0,0,0,0,0,0,0", u"C,一,100,1,2,3,4,5,6,7", u"C,二,201,8,9,10,11,12,13,14"})},
      // Only the first identical line of the kind goes; names compare exactly.
      {k, Mst(xs),
       [] {
         EXPECT_EQ(DelKeihiMst(u"x", 5, 1, 2, 3, 4, 5, 6, 7, u'A', 1), 0);
         DelKeihiMst(u"X", 5, 1, 2, 3, 4, 5, 6, 7, u'A', 1);
       },
       Mst({xs[1], xs[2], xs[3]})},
      // Deletes on a missing file leave an empty one; deleting a kind keeps
      // empty lines.
      {k, kMissing, [] { DelAllKeihiMst(u'A', 1); }, kEmpty},
      {k, kMissing, [] { DelKeihiMst(u"x", 1, 0, 0, 0, 0, 0, 0, 0, u'A', 1); }, kEmpty},
      {k, Mst({u"A,a,1,0,0,0,0,0,0,0", u"", u"B,b,2,0,0,0,0,0,0,0", u"A"}), [] { DelAllKeihiMst(u'A', 1); },
       Mst({u"", u"B,b,2,0,0,0,0,0,0,0"})},
      // Every line of the kind replaced in its place by the short line (f10
      // reads back as 0); appended when the kind has none.
      {k, Mst({u"C,c1,1,1,1,1,1,1,1,1", u"A,a,2,0,0,0,0,0,0,0", u"C,c2,3,3,3,3,3,3,3,3"}),
       [&] { update1(); EXPECT_EQ(Items(u'C'), u"新,9,1,2,3,4,5,6,0\n新,9,1,2,3,4,5,6,0\n"); },
       Mst({u"C,新,9,1,2,3,4,5,6", u"A,a,2,0,0,0,0,0,0,0", u"C,新,9,1,2,3,4,5,6"})},
      {k, Mst({u"A,a,2,0,0,0,0,0,0,0"}), update1, Mst({u"A,a,2,0,0,0,0,0,0,0", u"C,新,9,1,2,3,4,5,6"})},
      {k, kMissing, update1, Mst({u"C,新,9,1,2,3,4,5,6"})},
      // The index-th item of the kind, counted as GetKeihiMst counts them;
      // beyond the last or negative: nothing.
      {k, Mst({bs[0], bs[1], u"B", bs[3]}), [&] { update2(1, 1); }, Mst(bs)},
      {k, {}, [&] { update2(3, 0), update2(-1, 0); }, Mst(bs)},
      // A master in another encoding is read by its mark and rewritten as
      // UTF-16LE; its lines are kept as read.
      {k, "\xEF\xBB\xBF" "B,\xE7\xB5\x8C\xE8\xB2\xBB,1,0,0,0,0,0,0,0\r\n",
       [] { AddKeihiMst(u"新", 2, 0, 0, 0, 0, 0, 0, 0, u'A', 1); },
       Mst({u"B,経費,1,0,0,0,0,0,0,0", u"A,新,2,0,0,0,0,0,0,0"})},
  });
}

// A name or kind that cannot stay in its field is refused, with a debug line.
TEST_F(MastersTest, AnExpenseThatCannotStayInItsFieldIsRefused) {
  WriteMaster(file("keihi.mst"), {u"A,a,2,0,0,0,0,0,0,0"});
  std::vector<std::u16string> debug;
  DebugOutputHook old = SetDebugOutputHook([&](const CString& t) { debug.push_back(t.str()); });
  for (CString name : {CString(u"a,b"), CString(u"a\nb"), CString(std::u16string(u"a\0b", 3)), CString(u"a\x1A")})
    AddKeihiMst(name, 1, 0, 0, 0, 0, 0, 0, 0, u'A', 1);
  AddKeihiMst(u"ok", 1, 0, 0, 0, 0, 0, 0, 0, u'\n', 1);
  UpdateKeihiMst_1(u"a,b", 1, 0, 0, 0, 0, 0, 0, u'A', 1);
  EXPECT_EQ(UpdateKeihiMst_2(u"a,b", 1, 0, 0, 0, 0, 0, 0, 0, 0, u'A', 1), 0);
  CString names[2] = {u"ok", u"x\ny"};
  double amounts[2] = {};
  int f[7][2] = {};
  AddAllKeihiMst(names, amounts, f[0], f[1], f[2], f[3], f[4], f[5], f[6], u'A', 1, 2);
  SetDebugOutputHook(old);
  EXPECT_EQ(Bytes(file("keihi.mst")), Mst({u"A,a,2,0,0,0,0,0,0,0"}));
  EXPECT_EQ(debug.size(), 8u);
}

std::u16string Joined(const CString* lines, int n) {
  std::u16string s;
  for (int i = 0; i < n; ++i) s += lines[i].str() + u"|";
  return s;
}

// The construction items (at most 300 read; list 1 is "kouji1.mst", every
// other list "kouji2.mst"), units and supply entries (no bound): a line is an
// entry, neither trimmed nor split; a missing file reads as nothing.
TEST_F(MastersTest, SmallLists) {
  std::vector<CString> lines(1001, CString(u"untouched"));
  EXPECT_EQ(GetKoujiMst(1, lines.data(), 1) + GetTanniMst(lines.data(), 1) + GetHokyuMst(lines.data(), 1), 0);
  EXPECT_EQ(lines[0], u"untouched");
  EXPECT_FALSE(fs::exists(file("tanni.mst")));
  Lines many;
  for (int i = 0; i < 1000; ++i) many.push_back(U("工事" + std::to_string(i)));
  WriteMaster(file("kouji1.mst"), many);
  EXPECT_EQ(GetKoujiMst(1, lines.data(), 1), 300);
  EXPECT_EQ(Joined(&lines[298], 3), u"工事298|工事299|untouched|");
  WriteMaster(file("kouji2.mst"), {u"二", u"", u"  空白 "});
  for (int list : {2, 0, -1, 7}) {
    EXPECT_EQ(GetKoujiMst(list, lines.data(), 1), 3) << list;
    EXPECT_EQ(Joined(lines.data(), 3), u"二||  空白 |");
  }
  for (auto get : {GetTanniMst, GetHokyuMst}) {
    WriteMaster(file("tanni.mst"), many);
    WriteMaster(file("hokyu.mst"), many);
    EXPECT_EQ(get(lines.data(), 1), 1000);
    EXPECT_EQ(Joined(&lines[998], 3), u"工事998|工事999|untouched|");
    WriteMaster(file("tanni.mst"), {u"m", u"", u"式"});
    WriteMaster(file("hokyu.mst"), {u"m", u"", u"式"});
    EXPECT_EQ(get(lines.data(), 1), 3);
    EXPECT_EQ(Joined(lines.data(), 3), u"m||式|");
  }
}

// The remarks: "text<TAB>flag" lines, at most 300 read into arrays emptied first.
TEST_F(MastersTest, Remarks) {
  std::vector<CString> texts(300, CString(u"old"));
  std::vector<int> flags(300, 9);
  EXPECT_EQ(GetBikouMst(texts.data(), flags.data(), 1), 0);  // missing file
  EXPECT_EQ(Joined(&texts[298], 2) + U(std::to_string(flags[299])), u"||0");
  WriteMaster(file("bikou.mst"), {u"タブなし", u"二つ\t5\t残り", u"後ろ\t", u"\t\t", u"数字でない\tx",
                                  u"空白\t  42abc", u"", u"三つ\t1\t2\t3", u"\t-25"});
  ASSERT_EQ(GetBikouMst(texts.data(), flags.data(), 1), 9);
  EXPECT_EQ(Joined(texts.data(), 9), u"タブなし|二つ|後ろ||数字でない|空白||三つ||");
  EXPECT_EQ(std::vector<int>(flags.begin(), flags.begin() + 9),
            (std::vector<int>{0, 5, 0, 0, 0, 42, 0, 1, -25}));
  Lines many;
  for (int i = 0; i < 310; ++i) many.push_back(U("r" + std::to_string(i) + "\t" + std::to_string(i)));
  WriteMaster(file("bikou.mst"), many);
  EXPECT_EQ(GetBikouMst(texts.data(), flags.data(), 1), 300);
  EXPECT_EQ(Joined(&texts[299], 1) + U(std::to_string(flags[299])), u"r299|299");
}

// Every change of the small masters writes the list anew, in the folder of
// its trade; a text that would break into lines or fields is refused.
TEST_F(MastersTest, SmallListChanges) {
  fs::create_directory(file("temp.mst"));  // the host's, in nobody's way
  CString news[2] = {u"新1", u"a,b\tc"}, units[3] = {u"m", u"", u"式"}, water[1] = {u"水道"};
  CString broken[2] = {u"ok", u"two\nlines"}, tabbed[1] = {u"a\tb"}, remarks[2] = {u"至急", u""};
  int flags[2] = {1, -25};
  std::vector<Rewrite> cases = {
      {file("kouji2.mst"), Mst({u"古い1", u"古い2", u"古い3"}), [&] { UpdateKoujiMst(2, news, 2, 1); },
       Mst({u"新1", u"a,b\tc"})},
      {file("kouji1.mst"), kMissing, [] { UpdateKoujiMst(1, nullptr, 0, 1); }, kEmpty},
      {plumbing() / "tanni.mst", kMissing, [&] { UpdateTanniMst(water, 1, 2); }, Mst({u"水道"})},
      {work() / "kouji1.mst", kMissing,
       [&] { UpdateKoujiMst(1, water, 1, 10); EXPECT_FALSE(fs::exists(file("tanni.mst"))); },
       Mst({u"水道"})},
      {file("bikou.mst"), kMissing, [&] { UpdateBikouMst(remarks, flags, 2, 1); }, Mst({u"至急\t1", u"\t-25"})},
      {file("bikou.mst"), {}, [&] { UpdateBikouMst(tabbed, flags, 1, 1); }, Mst({u"至急\t1", u"\t-25"})},
      {file("bikou.mst"), {}, [] { UpdateBikouMst(nullptr, nullptr, 0, 1); }, kEmpty},
  };
  for (const char* list : {"tanni.mst", "hokyu.mst"}) {
    auto update = list[0] == 't' ? UpdateTanniMst : UpdateHokyuMst;
    cases.push_back({file(list), kMissing, [&, update] { update(units, 3, 1); }, Mst({u"m", u"", u"式"})});
    cases.push_back({file(list), {}, [&, update] { update(units, 1, 1); }, Mst({u"m"})});
    cases.push_back({file(list), {}, [&, update] { update(broken, 2, 1); }, Mst({u"m"})});
  }
  cases.push_back({file("kouji1.mst"), kMissing, [&] { UpdateKoujiMst(1, broken, 2, 1); }, kMissing});
  ExpectRewrites(cases);
  EXPECT_TRUE(fs::is_directory(file("temp.mst")));
}

}  // namespace

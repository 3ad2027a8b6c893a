// The masters built on the material master and beside it: copies between
// master sets and inside one file, the expense master "keihi.mst", the small
// masters (construction items, units, supply entries, remarks) and the CAD
// and digitizer-panel tables. What their readers give, also of lines that do
// not follow the layout, and what every change leaves, byte for byte; under
// failure (each file step failing in turn, a half-written append, read
// errors) the destination always holds whole lines, its old content or its
// complete new content.
#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

#include "master/master_fixture.h"

using namespace mtest;

namespace {

using MastersTest = MasterTest;

// Copies of the material master: a group under its new code, lines rebuilt
// from their fields, appended in the destination's encoding on a line of
// their own, the source as it was; the host's own files of the classic
// staging names stay as they are.
TEST_F(MastersTest, EveryCopyByteForByte) {
  const fs::path e2 = file("zairyou2.mst"), p2 = plumbing() / "zairyou2.mst",
      e4 = file("zai004-3.mst"), p11 = plumbing() / "zai011-3.mst", e7 = file("zai007-3.mst");
  CString elec = masterWin(), plumb = GetMstDrv(2, -1);
  auto copy2 = [] { CopyZaiMst2_2(2, -1, 8, 1, -1, 3); };
  auto copy3 = [&](int newL1, int newL2, int srcFile, int srcL2) {
    CopyZaiMst3_4(plumb, srcFile == -1 ? 2 : 11, newL1, newL2, elec, srcFile, 4, srcL2);
  };
  // Writes a source, copies, and finds the source as it was.
  auto from = [](const fs::path& source, const Lines& lines, Op copy) {
    return [=] { WriteMaster(source, lines), copy(); EXPECT_EQ(Bytes(source), Mst(lines)); };
  };
  const std::u16string wire = Line2(3, 1, u"電線"), pipe = Line2(5, 1, u"管"),
      cable = Line2(3, 2, u"ケーブル"), old2 = Line2(1, 1, u"既存"), wire8 = Line2(8, 1, u"電線"),
      a = Line3(4, 5, 1, u"A"), other = Line3(4, 6, 2, u"別"), b = Line3(4, 5, 3, u"B"),
      a11 = Line3(11, 9, 1, u"A"), noMark = u"1,1,a,0,0,0,0,0,0,0,0\r\n";
  const std::string ansi = "000010000002,K,A,11,1,1,x,t2,t3,st,1,2,3,4,5,6,7,8,9,10,11,12,e\r\n";
  // A missing destination is created, but only with a work folder.
  ExpectRewrites(
      {{p2, kMissing, from(e2, {wire}, [&] { fs::remove_all(work()), copy2(); }), kMissing},
       {p2, kAsLeft, [&] { fs::create_directories(work()), copy2(); }, Mst({wire8})}});
  const fs::path hostFiles[] = {work() / "temp.mst", work() / "temp.txt", plumbing() / "temp.new",
                                file("temp.new"),    file("temp.mst"),    file("temp")};
  for (const fs::path& p : hostFiles) cmdtest::WriteBytes(p, "host's own file");
  std::vector<Rewrite> cases = {
      // Level 2 between master sets, or into the same folder, appended.
      {p2, Mst({old2}), from(e2, {wire, pipe, cable}, copy2),
       Mst({old2, wire8, Line2(8, 2, u"ケーブル")})},
      {e2, Mst({wire, pipe, cable}), [&] { CopyZaiMst2_3(elec, 9, elec, 3); },
       Mst({wire, pipe, cable, Line2(9, 1, u"電線"), Line2(9, 2, u"ケーブル")})},
      // Lines rebuilt from eleven fields: missing ones empty, text after the eleventh dropped.
      {p2, kMissing,
       from(e2, {u"3,1,短い", u"3,2,長い,1,2,3,4,5,6,7,8,余分"},
            [&] { CopyZaiMst2_3(plumb, 4, elec, 3); }),
       Mst({u"4,1,短い,,,,,,,,", u"4,2,長い,1,2,3,4,5,6,7,8"})},
      // Without source entries, or without a source, the destination is neither created nor
      // changed.
      {p2, kMissing, from(e2, {pipe}, copy2), kMissing},
      {p2, Mst({old2}), [&] { fs::remove(e2), copy2(); }, Mst({old2})},
      // "at,ccs=UTF-16LE" on a file without a byte-order mark: no mark in the middle.
      {p2, cmdtest::Utf16le(noMark, false), from(e2, {wire}, copy2),
       cmdtest::Utf16le(noMark + wire8 + u"\r\n", false)},
      // Level 3, every group of the level-1 code: fields kept, but field 4
      // names the destination file; one group gets the new level-2 code (the
      // new level-1 code goes nowhere), also by trade and number.
      {p11, Mst({Line3(11, 1, 1, u"既存")}),
       from(e4, {a, Line3(6, 5, 2, u"他"), Line3(4, 7, 3, u"B")}, [&] { copy3(30, 40, 4, -1); }),
       Mst({Line3(11, 1, 1, u"既存"), Line3(11, 5, 1, u"A"), Line3(11, 7, 3, u"B")})},
      {p11, kMissing, from(e4, {a, other, b}, [&] { copy3(30, 9, 4, 5); }),
       Mst({a11, Line3(11, 9, 3, u"B")})},
      {p11, kMissing, [] { CopyZaiMst3_3(2, -1, 11, 30, 9, 1, -1, 4, 4, 5); },
       Mst({a11, Line3(11, 9, 3, u"B")})},
      // Source number -1 reads "zairyou3.mst"; lines rebuilt from 23 fields.
      {plumbing() / "zai002-3.mst", kMissing,
       from(file("zairyou3.mst"), {a}, [&] { copy3(0, 0, -1, -1); }), Mst({Line3(2, 5, 1, u"A")})},
      {p11, kMissing, from(e4, {u"000010000002,K,A,4,5,1,短"}, [&] { copy3(0, 9, 4, 5); }),
       Mst({u"000010000002,K,A,11,9,1,短,,,,,,,,,,,,,,,,"})},
      // Missing files are created empty.
      {p11, kMissing, [&] { fs::remove(e4), copy3(0, 9, 4, 5); }, kEmpty},
      {e4, kAsLeft, [] {}, kEmpty},
      // "at,ccs=UNICODE" on a file without a byte-order mark goes on in the ANSI code page.
      {p11, ansi, from(e4, {a}, [&] { copy3(0, 9, 4, 5); }), ansi + Utf16ToUtf8(a11) + "\r\n"},
      // A whole level-3 file under a new level-1 code; a missing source is
      // created empty and copied; a file onto itself.
      {e7, Mst({Line3(7, 1, 1, u"消える")}),
       from(e4, {a, other}, [] { CopyZaiMst3_2(7, 4, 7, 1, -1); }),
       Mst({Line3(7, 5, 1, u"A"), Line3(7, 6, 2, u"別")})},
      {e7, kAsLeft, [&] { fs::remove(e4), CopyZaiMst3_2(7, 4, 7, 1, -1); }, kEmpty},
      {e4, kAsLeft, [] {}, kEmpty},
      {e4, Mst({a, other}), [] { CopyZaiMst3_2(4, 4, 12, 1, -1); },
       Mst({Line3(12, 5, 1, u"A"), Line3(12, 6, 2, u"別")})},
      // Duplicates inside one file: of a level-2 group under a new level-1
      // code, of a level-3 group under a new level-2 code, of every level-3
      // group under a new level-1 code; a missing level-2 file stays missing.
      {e2, Mst({wire, pipe, u"3,2,短い"}), [] { CopyZaiMst2_1(3, 40, 1, -1); },
       Mst({wire, pipe, u"3,2,短い", Line2(3, 40, u"電線"), u"3,40,短い,,,,,,,,"})},
      {e2, kMissing, [] { CopyZaiMst2_1(3, 40, 1, -1); }, kMissing},
      {e4, kMissing, [] { CopyZaiMst3_1(4, 4, 5, 8, 1, -1); }, kEmpty},
      {e4, Mst({a, other, b}), [] { CopyZaiMst3_1(4, 4, 5, 8, 1, -1); },
       Mst({a, other, b, Line3(4, 8, 1, u"A"), Line3(4, 8, 3, u"B")})},
      {e4, Mst({a, Line3(9, 6, 2, u"他"), other}), [] { CopyZaiMst3_1(4, 4, -1, 8, 1, -1); },
       Mst({a, Line3(9, 6, 2, u"他"), other, Line3(8, 5, 1, u"A"), Line3(8, 6, 2, u"別")})},
  };
  // Appended lines start on a line of their own after a last line without
  // its line end, or a file cut in the middle of a unit (the half unit goes).
  for (const char16_t* end : {u"", u"\r\n"}) {
    for (const char* cut : {"", "x"}) {
      cases.push_back(
          {p2, cmdtest::Utf16le(old2 + end) + cut, from(e2, {wire}, copy2), Mst({old2, wire8})});
      cases.push_back({p11, cmdtest::Utf16le(Line3(11, 1, 1, u"末尾") + end) + cut,
                       from(e4, {a}, [&] { copy3(0, 9, 4, 5); }),
                       Mst({Line3(11, 1, 1, u"末尾"), a11})});
    }
  }
  ExpectRewrites(cases);
  for (const fs::path& p : hostFiles) EXPECT_EQ(Bytes(p), "host's own file") << p;
}

// The expense items of a kind, "name,amount,f4,...,f10" a line (the amount
// in as many digits as tell it apart).
std::u16string Items(char16_t kind) {
  CString names[64];
  double amounts[64];
  int f[7][64];
  std::u16string s;
  for (int i = 0,
           n = GetKeihiMst(names, amounts, f[0], f[1], f[2], f[3], f[4], f[5], f[6], kind, 1);
       i < n; ++i) {
    char amount[32];
    std::snprintf(amount, sizeof amount, ",%.17g", amounts[i]);
    s += names[i].str() + U(amount);
    for (const auto& field : f) s += u"," + U(std::to_string(field[i]));
    s += u"\n";
  }
  return s;
}

// Expense items of one kind in file order: a line without its fields is an
// item of empty ones, the last field takes the rest, numbers read as the
// runtime reads them, overlong fields are cut to 199 characters.
// Then the small lists.
TEST_F(MastersTest, ExpenseItemsSmallListsAndTheirChanges) {
  EXPECT_EQ(Items(u'A'), u"");  // a missing file is not created
  EXPECT_FALSE(fs::exists(file("keihi.mst")));
  const std::u16string longName(250, u'名'), longAmount = u"1" + std::u16string(249, u'0');
  const struct {
    Lines lines;
    char16_t kind;
    std::u16string items;
  } cases[] = {
      {{u"A,a1,10,1,1,1,1,1,1,1", u"B,b1,20,2,3,4,5,6,7,8", u"B,b2,40,9,9,9,9,9,9,9",
        u"B,,77,1,2,3,4,5,6,7"},
       u'B', u"b1,20,2,3,4,5,6,7,8\nb2,40,9,9,9,9,9,9,9\n,77,1,2,3,4,5,6,7\n"},
      {{u"A,a,1,0,0,0,0,0,0,0"}, u'C', u""},
      {{u"A", u"A,", u"A,name", u"A,n,5,1,2", u"A,n,5,1,2,3,4,5,6,7,8,9", u"Axyz,1,2",
        u"A,n,abc,x1,-3,,+4, 5,0x9,1e3", u""},
       u'A', u",0,0,0,0,0,0,0,0\n,0,0,0,0,0,0,0,0\nname,0,0,0,0,0,0,0,0\nn,5,1,2,0,0,0,0,0\n"
             u"n,5,1,2,3,4,5,6,7\nyz,1,2,0,0,0,0,0,0\nn,0,0,-3,0,4,5,0,1\n"},
      {{u"A," + longName + u"," + longAmount +
        u",1234567890,-123456789,7,99999999999,5,6,1234567890"},
       u'A',
       std::u16string(199, u'名') + u",1e+198,123456789,-12345678,7,999999999,5,6,123456789\n"},
  };
  for (const auto& c : cases) {
    WriteMaster(file("keihi.mst"), c.lines);
    EXPECT_EQ(Items(c.kind), c.items);
  }

  // Every change of the expense master, byte for byte; a name or kind that
  // cannot stay in its field is refused, with a debug line.
  fs::remove(file("keihi.mst"));
  const fs::path k = file("keihi.mst");
  const std::u16string x = u"A,x,5,1,2,3,4,5,6,7", a = u"A,a,2,0,0,0,0,0,0,0",
                       c = u"C,新,9,1,2,3,4,5,6";
  CString names[2] = {u"一", u"二"};
  double amounts[2] = {100, 200.6};
  int f[7][2] = {{1, 8}, {2, 9}, {3, 10}, {4, 11}, {5, 12}, {6, 13}, {7, 14}};
  // Items with f4 to f10 of 1 to 7.
  auto add = [](CString name, double amount, int trade = 1) {
    EXPECT_EQ(AddKeihiMst(name, amount, 1, 2, 3, 4, 5, 6, 7, u'A', trade), 0);
  };
  auto del = [](CString name, double amount) {
    EXPECT_EQ(DelKeihiMst(name, amount, 1, 2, 3, 4, 5, 6, 7, u'A', 1), 0);
  };
  auto update1 = [] { EXPECT_EQ(UpdateKeihiMst_1(u"新", 9.0, 1, 2, 3, 4, 5, 6, u'C', 1), 0); };
  auto update2 = [](int index) {
    return UpdateKeihiMst_2(u"新", 5, 1, 2, 3, 4, 5, 6, 7, index, u'B', 1);
  };
  const Lines bs = {u"B,b0,1,0,0,0,0,0,0,0", a, u"B,新,5,1,2,3,4,5,6,7", u"B,b2,3,0,0,0,0,0,0,0"};
  const Lines added = {u"B,経費,1,0,0,0,0,0,0,0", u"A,新,2,1,2,3,4,5,6,7"};
  ExpectRewrites({
      // Each trade has its master.
      {plumbing() / "keihi.mst", kMissing, [&] { add(u"水", 1, 2); },
       Mst({u"A,水,1,1,2,3,4,5,6,7"})},
      {k, kAsLeft, [] {}, kMissing},
      // One full line appended, its amount a whole number: 1500.4 is not
      // what the file holds, 1500 is.
      {k, kAsLeft, [&] { add(u"運搬費", 12345.0); }, Mst({u"A,運搬費,12345,1,2,3,4,5,6,7"})},
      {k, kAsLeft, [] { AddKeihiMst(u"諸経費", -2.25, -1, 0, 0, 0, 0, 0, 2147483647, u'B', 1); },
       Mst({u"A,運搬費,12345,1,2,3,4,5,6,7", u"B,諸経費,-2,-1,0,0,0,0,0,2147483647"})},
      {k, kMissing, [&] { add(u"x", 1500.4), del(u"x", 1500.4); },
       Mst({u"A,x,1500,1,2,3,4,5,6,7"})},
      {k, kAsLeft, [&] { del(u"x", 1500.0); }, kEmpty},
      // Every item of one kind appended; none makes a missing file; a last
      // unit torn in half goes.
      {k, kMissing, [] {
         AddAllKeihiMst(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                        nullptr, u'C', 1, 0);
       }, kEmpty},
      {k, cmdtest::Utf16le(u"Z,old,1,0,0,0,0,0,0,0\r\n") + "Z", [&] {
         AddAllKeihiMst(names, amounts, f[0], f[1], f[2], f[3], f[4], f[5], f[6], u'C', 1, 2);
       }, Mst({u"Z,old,1,0,0,0,0,0,0,0", u"C,一,100,1,2,3,4,5,6,7", u"C,二,201,8,9,10,11,12,13,14"})},
      // Only the first identical line of the kind goes; names compare exactly.
      {k, Mst({x, u"B,x,5,1,2,3,4,5,6,7", x, u"A,x,5,1,2,3,4,5,6,8"}),
       [&] { del(u"x", 5), del(u"X", 5); },
       Mst({u"B,x,5,1,2,3,4,5,6,7", x, u"A,x,5,1,2,3,4,5,6,8"})},
      // Deletes on a missing file leave an empty one; deleting a kind keeps empty lines.
      {k, kMissing, [] { DelAllKeihiMst(u'A', 1); }, kEmpty},
      {k, kMissing, [&] { del(u"x", 1); }, kEmpty},
      {k, Mst({a, u"", u"B,b,2,0,0,0,0,0,0,0", u"A"}), [] { DelAllKeihiMst(u'A', 1); },
       Mst({u"", u"B,b,2,0,0,0,0,0,0,0"})},
      // Every line of the kind replaced in its place by the short line (f10
      // then reads back as 0, as the items above show); appended when the kind has none.
      {k, Mst({u"C,c1,1,1,1,1,1,1,1,1", a, u"C,c2,3,3,3,3,3,3,3,3"}), update1, Mst({c, a, c})},
      {k, Mst({a}), update1, Mst({a, c})},
      {k, kMissing, update1, Mst({c})},
      // The index-th item of the kind, counted as GetKeihiMst counts them;
      // beyond the last or negative: nothing.
      {k, Mst({bs[0], bs[1], u"B", bs[3]}), [&] { EXPECT_EQ(update2(1), 1); }, Mst(bs)},
      {k, kAsLeft, [&] { EXPECT_EQ((std::vector{update2(3), update2(-1)}), (std::vector{0, 0})); },
       Mst(bs)},
      {k, Mst({added[0]}), [&] { add(u"新", 2); }, Mst(added)},
  });

  std::vector<std::u16string> debug;
  DebugOutputHook old = SetDebugOutputHook([&](const CString& t) { debug.push_back(t.str()); });
  for (CString name :
       {CString(u"a,b"), CString(u"a\nb"), CString(std::u16string(u"a\0b", 3)), CString(u"a\x1A")})
    AddKeihiMst(name, 1, 0, 0, 0, 0, 0, 0, 0, u'A', 1);
  AddKeihiMst(u"ok", 1, 0, 0, 0, 0, 0, 0, 0, u'\n', 1);
  UpdateKeihiMst_1(u"a,b", 1, 0, 0, 0, 0, 0, 0, u'A', 1);
  EXPECT_EQ(UpdateKeihiMst_2(u"a,b", 1, 0, 0, 0, 0, 0, 0, 0, 0, u'A', 1), 0);
  names[0] = u"x\ny";  // the first name is checked too
  AddAllKeihiMst(names, amounts, f[0], f[1], f[2], f[3], f[4], f[5], f[6], u'A', 1, 2);
  SetDebugOutputHook(old);
  EXPECT_EQ(Bytes(k), Mst(added));
  EXPECT_EQ(debug.size(), 8u);

  // The construction items (at most 300 read; list 1 is "kouji1.mst", every
  // other list "kouji2.mst"), units and supply entries (no bound), remarks
  // ("text<TAB>flag", at most 300, into arrays emptied first): a line is an
  // entry, neither trimmed nor split; a missing file reads as nothing.
  std::vector<CString> lines(1001, CString(u"untouched"));
  std::vector<int> flags(300, 9);
  EXPECT_EQ((std::vector{GetKoujiMst(1, lines.data(), 1), GetTanniMst(lines.data(), 1),
                         GetHokyuMst(lines.data(), 1)}), (std::vector{0, 0, 0}));
  EXPECT_EQ(lines[0], u"untouched");
  EXPECT_FALSE(fs::exists(file("tanni.mst")));
  EXPECT_EQ(GetBikouMst(lines.data(), flags.data(), 1), 0);
  EXPECT_EQ(Joined(&lines[299], 2) + U("|" + std::to_string(flags[299])), u"|untouched|0");

  Lines many;
  for (int i = 0; i < 1000; ++i)
    many.push_back(U("r" + std::to_string(i) + "\t" + std::to_string(i)));
  for (const char* name : {"kouji1.mst", "tanni.mst", "hokyu.mst", "bikou.mst"})
    WriteMaster(file(name), many);
  const std::pair<int (*)(CString*), int> readers[] = {
      {+[](CString* l) { return GetKoujiMst(1, l, 1); }, 300},
      {+[](CString* l) { return GetTanniMst(l, 1); }, 1000},
      {+[](CString* l) { return GetHokyuMst(l, 1); }, 1000}};
  for (auto [get, n] : readers) {
    std::fill(lines.begin(), lines.end(), CString(u"untouched"));
    ASSERT_EQ(get(lines.data()), n);
    EXPECT_EQ(Joined(&lines[n - 1], 2), many[n - 1] + u"|untouched");
  }
  EXPECT_EQ(GetBikouMst(lines.data(), flags.data(), 1), 300);
  EXPECT_EQ(Joined(&lines[299], 1) + U("|" + std::to_string(flags[299])), u"r299|299");

  WriteMaster(file("kouji2.mst"), {u"二", u"", u"  空白 "});
  for (int list : {2, 0, -1, 7}) {
    EXPECT_EQ(GetKoujiMst(list, lines.data(), 1), 3) << list;
    EXPECT_EQ(Joined(lines.data(), 3), u"二||  空白 ");
  }
  WriteMaster(file("bikou.mst"),
              {u"タブなし", u"二つ\t5\t残り", u"後ろ\t", u"\t\t", u"数字でない\tx",
               u"空白\t  42abc", u"", u"三つ\t1\t2\t3", u"\t-25"});
  ASSERT_EQ(GetBikouMst(lines.data(), flags.data(), 1), 9);
  EXPECT_EQ(Joined(lines.data(), 9), u"タブなし|二つ|後ろ||数字でない|空白||三つ|");
  EXPECT_EQ(std::vector<int>(flags.begin(), flags.begin() + 9),
            (std::vector{0, 5, 0, 0, 0, 42, 0, 1, -25}));

  // Every change of a small master writes the list anew, in the folder of its
  // trade; a text that would break into lines or fields is refused.
  for (const auto& e : fs::directory_iterator(master())) fs::remove(e.path());
  fs::create_directory(file("temp.mst"));  // the host's, in nobody's way
  CString news[2] = {u"新1", u"a,b\tc"}, units[3] = {u"m", u"", u"式"}, water[1] = {u"水道"};
  CString broken[2] = {u"ok", u"two\nlines"}, tabbed[1] = {u"a\tb"}, remarks[2] = {u"至急", u""};
  int remarkFlags[2] = {1, -25};
  std::vector<Rewrite> changes = {
      {file("kouji2.mst"), Mst({u"古い1", u"古い2"}), [&] { UpdateKoujiMst(2, news, 2, 1); },
       Mst({u"新1", u"a,b\tc"})},
      {file("kouji1.mst"), kMissing, [] { UpdateKoujiMst(1, nullptr, 0, 1); }, kEmpty},
      {file("kouji1.mst"), kAsLeft, [&] { UpdateKoujiMst(1, news, -1, 1); }, kEmpty},  // no lines
      {plumbing() / "tanni.mst", kMissing, [&] { UpdateTanniMst(water, 1, 2); }, Mst({u"水道"})},
      {work() / "kouji1.mst", kMissing, [&] { UpdateKoujiMst(1, water, 1, 10); }, Mst({u"水道"})},
      {file("tanni.mst"), kAsLeft, [] {}, kMissing},
      {file("bikou.mst"), kMissing, [&] { UpdateBikouMst(remarks, remarkFlags, 2, 1); },
       Mst({u"至急\t1", u"\t-25"})},
      {file("bikou.mst"), kAsLeft, [&] { UpdateBikouMst(tabbed, remarkFlags, 1, 1); },
       Mst({u"至急\t1", u"\t-25"})},
      {file("bikou.mst"), kAsLeft, [] { UpdateBikouMst(nullptr, nullptr, 0, 1); }, kEmpty},
      {file("kouji1.mst"), kMissing, [&] { UpdateKoujiMst(1, broken, 2, 1); }, kMissing},
  };
  // (the lists read back through the one list reader checked above)
  for (auto [name, set] : {std::pair{"tanni.mst", &UpdateTanniMst}, {"hokyu.mst", &UpdateHokyuMst}}) {
    changes.push_back(
        {file(name), kMissing, [&, set = set] { set(units, 3, 1); }, Mst({u"m", u"", u"式"})});
    changes.push_back(
        {file(name), kAsLeft, [&, set = set] { set(units, 1, 1), set(broken, 2, 1); }, Mst({u"m"})});
  }
  ExpectRewrites(changes);
  EXPECT_TRUE(fs::is_directory(file("temp.mst")));
}

// A level-3 line with a drawing code and a table-use mark.
std::u16string Item(std::u16string_view cwf, std::u16string_view mark, int level1 = 5) {
  return std::u16string(cwf) + u",K," + std::u16string(mark) + u"," + U(std::to_string(level1)) +
         u",1,1,品名,t2,t3,st,1,2,3,4,5,6,7,8,9,10,11,12,end";
}

// Sets a file's last-write time, to the nanosecond, and reads it back.
fs::file_time_type SetWriteTime(const fs::path& p, time_t seconds, long nanoseconds = 0) {
  struct timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  EXPECT_EQ(utimensat(AT_FDCWD, p.c_str(), times, 0), 0) << p;
  return fs::last_write_time(p);
}

// The CAD and digitizer-panel tables. A table newer than every master file
// is left alone, taking only folder listings; touching any material master
// file (not the expense master) makes it out of date, to the nanosecond; a
// table as old as the newest master is rebuilt. Without master files nothing
// is out of date. A table line is "%12s%03d%05d" of drawing code, level-1
// code and number. The CAD table lists marks "A", "Z" and none, numbered over
// the whole table; the digitizer-panel table lists "B" and "Z", numbered by
// the line's index in its own file. Items without a drawing code are never
// listed; a missing level-3 file is skipped for CAD and ends the digitizer table.
TEST_F(MastersTest, TablesRebuiltWhenAMasterFileIsNewerAndWhatTheyList) {
  auto level1 = [](const std::vector<int>& codes, const fs::path& folder) {
    Lines lines;
    for (int c : codes) lines.push_back(U(std::to_string(c)) + u",名前,0");
    WriteMaster(folder / "zairyou1.mst", lines);
  };
  auto win = [&](const std::string& name) { return dir_.win() + CString::FromUtf8(name); };
  // Every "zai*.mst" file of the electrical master at one time.
  auto ageMasters = [&](time_t seconds) {
    for (const auto& e : fs::directory_iterator(master()))
      if (e.path().filename().string().rfind("zai", 0) == 0) SetWriteTime(e.path(), seconds);
  };
  fs::create_directories(master() / "zaidir.mst");  // a folder named like a master does not count
  EXPECT_EQ((std::vector{UpdateCadtable(1, -1), UpdateDegipaneTable(win("d.tbl"), 1, -1)}),
            (std::vector<BOOL>{TRUE, TRUE}));
  EXPECT_FALSE(fs::exists(root() / "cad1_1.tbl") || fs::exists(root() / "d.tbl"));

  level1({5}, master());
  WriteMaster(file("zai005-3.mst"), {Item(u"000000000001", u"Z")});
  WriteMaster(file("zairyou2.mst"), {Line2(5, 1, u"x")});
  WriteMaster(file("keihi.mst"), {u"A,x,1,0,0,0,0,0,0,0"});
  // Tables marked with a time after every master but before now: a rebuild
  // would give them the current time.
  auto leftAlone = [&](const std::function<BOOL()>& update, const fs::path& table) {
    const auto marked = SetWriteTime(table, 1'100'000'000);
    auto steps = RecordSteps([&] { EXPECT_EQ(update(), TRUE); });
    EXPECT_FALSE(steps.empty());
    for (const auto& [step, path] : steps) EXPECT_EQ(step, FileStep::List) << path;
    EXPECT_EQ(fs::last_write_time(table), marked);
  };
  ageMasters(1'000'000'000);
  ASSERT_EQ(UpdateCadtable(1, -1), TRUE);
  leftAlone([] { return UpdateCadtable(1, -1); }, root() / "cad1_1.tbl");
  auto panel = [&] { return UpdateDegipaneTable(win("d.tbl"), 1, -1); };
  for (const char* touched : {"zai005-3.mst", "zairyou1.mst", "zairyou2.mst"}) {
    ageMasters(1'000'000'000);
    SetWriteTime(file("keihi.mst"), 1'300'000'000);  // not a material master file
    ASSERT_EQ(panel(), TRUE);
    leftAlone(panel, root() / "d.tbl");
    const auto touchedAt = SetWriteTime(file(touched), 1'200'000'000);
    ASSERT_EQ(panel(), TRUE);
    EXPECT_GT(fs::last_write_time(root() / "d.tbl"), touchedAt) << touched;
  }
  ageMasters(1'000'000'000);
  SetWriteTime(file("zai005-3.mst"), 1'000'000'000, 500);
  for (auto [tableNanoseconds, rebuilt] : {std::pair{300, true}, {700, false}, {500, true}}) {
    WriteMaster(root() / "d.tbl", {u"old"});
    SetWriteTime(root() / "d.tbl", 1'000'000'000, tableNanoseconds);
    panel();
    EXPECT_EQ(Bytes(root() / "d.tbl"), Mst({rebuilt ? u"00000000000100500000" : u"old"}))
        << tableNanoseconds;
  }
  ExpectNoStaging();

  const struct {
    std::vector<int> level1;  // {-1}: no file
    std::vector<std::pair<std::string, Lines>> level3;
    BOOL cadMade, panelMade;
    Lines cad, panel;
  } cases[] = {
      {{5},
       {{"zai005-3.mst",
         {Item(u"001230000045", u"A"), Item(u"001230000046", u"B"), Item(u"000000000003", u"Z"),
          Item(u"000000000004", u""), Item(u"000000000005", u"a"), Item(u"000000000006", u"z"),
          Item(u"000000000007", u"AB"), Item(u"000000000000", u"Z"), Item(u"000000000000", u"A"),
          Item(u"000000000000", u"B")}}},
       TRUE, TRUE, {u"00123000004500500000", u"00000000000300500001", u"00000000000400500002"},
       {u"00123000004600500001", u"00000000000300500002"}},
      // A short code is right-aligned, a long one written whole; a level-1
      // code wider than 3 digits, or negative, keeps all its digits.
      {{1234, -7},
       {{"zai1234-3.mst", {Item(u"45", u"A", 1234), Item(u"1234567890123", u"Z", 1234)}},
        {"zai-07-3.mst", {Item(u"000000000009", u"", -7)}}},
       TRUE, TRUE, {u"          45123400000", u"1234567890123123400001", u"000000000009-0700002"},
       {u"1234567890123123400001"}},
      // In level-1 order across files; an empty line is no item but a line.
      {{7, 2},
       {{"zai007-3.mst", {Item(u"000000000071", u"Z", 7), Item(u"000000000072", u"B", 7)}},
        {"zai002-3.mst", {Item(u"000000000021", u"A", 2), u"", Item(u"000000000022", u"Z", 2)}}},
       TRUE, TRUE, {u"00000000007100700000", u"00000000002100200001", u"00000000002200200002"},
       {u"00000000007100700000", u"00000000007200700001", u"00000000002200200002"}},
      {{2, 3, 4},
       {{"zai002-3.mst", {Item(u"000000000021", u"Z", 2)}},
        {"zai004-3.mst", {Item(u"000000000041", u"Z", 4)}}},
       TRUE, FALSE, {u"00000000002100200000", u"00000000004100400001"}, {u"00000000002100200000"}},
      {{}, {}, FALSE, TRUE, {}, {}},
      {{-1}, {}, FALSE, TRUE, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level1.empty() ? 0 : c.level1[0]);
    for (const auto& e : fs::directory_iterator(master())) fs::remove(e.path());
    if (c.level1 != std::vector<int>{-1}) level1(c.level1, master());
    for (const auto& [name, lines] : c.level3) WriteMaster(file(name), lines);
    EXPECT_EQ(
        (std::vector{MakeCadtable(win("c.tbl"), 1, -1), MakeDegipaneTable(win("d.tbl"), 1, -1)}),
        (std::vector{c.cadMade, c.panelMade}));
    EXPECT_EQ(Bytes(root() / "c.tbl") + Bytes(root() / "d.tbl"), Mst(c.cad) + Mst(c.panel));
  }
  EXPECT_EQ(Shown(), u"");
  // A table that cannot be written.
  EXPECT_EQ((std::vector{MakeCadtable(dir_.win() + u"missing\\c.tbl", 1, -1),
                         MakeDegipaneTable(dir_.win() + u"missing\\d.tbl", 1, -1)}),
            (std::vector<BOOL>{FALSE, FALSE}));
  // More than 500 level-1 entries: the first 500, and the message.
  std::vector<int> codes(501);
  for (int i = 0; i < 501; ++i) codes[i] = i;
  level1(codes, master());
  WriteMaster(file("zai500-3.mst"), {Item(u"000000000001", u"Z", 500)});
  WriteMaster(file("zai499-3.mst"), {Item(u"000000000002", u"Z", 499)});
  ASSERT_EQ(MakeCadtable(win("c.tbl"), 1, -1), TRUE);
  EXPECT_EQ(Bytes(root() / "c.tbl"), Mst({u"00000000000249900000"}));
  EXPECT_EQ(Shown(), u"工事材料が500件を超えています。|工事材料エラー|0\n");
  // UpdateCadtable writes "cad<trade>_1.tbl" in the current directory from the
  // trade's master; trade 7 has no master folder: the bare file names name
  // files of the current directory, and its table is "cad1_1.tbl".
  const fs::path folders[] = {master(), plumbing(), root() / "MASTER" / "設備",
                              root() / "MASTER" / "建築", root()};
  for (int trade : {1, 2, 3, 4, 7}) {
    const fs::path& folder = folders[std::min(trade, 5) - 1];
    const std::string code = "00000000000" + std::to_string(trade);
    fs::create_directories(folder);
    level1({5}, folder);
    WriteMaster(folder / "zai005-3.mst", {Item(U(code), u"A")});
    EXPECT_EQ(UpdateCadtable(trade, -1), TRUE);
    const std::string name = "cad" + std::to_string(trade == 7 ? 1 : trade) + "_1.tbl";
    EXPECT_EQ(Bytes(root() / name), Mst({U(code + "00500000")})) << name;
  }
  EXPECT_FALSE(fs::exists(root() / "cad7_1.tbl"));
  ExpectNoStaging();
}


// Every copy and every change of the expense and small masters with each
// file step failing in turn; a failed copy keeps the old destination from
// more than its last few steps on.
TEST_F(MastersTest, EveryStepFailingAHalfWrittenAppendAndReadErrors) {
  Lines group, items;
  for (int i = 0; i < 100; ++i) {
    group.push_back(Line2(3, i, u"ＶＶＦケーブル　２．０ｍｍ－" + U(std::to_string(i))));
    items.push_back(Line3(4, 5, i, u"品名" + U(std::to_string(i))));
  }
  group.push_back(Line2(5, 1, u"他"));
  const fs::path p2 = plumbing() / "zairyou2.mst", p11 = plumbing() / "zai011-3.mst";
  const fs::path e7 = file("zai007-3.mst"), keihi = file("keihi.mst");
  CString elec = masterWin(), plumb = GetMstDrv(2, -1), names[1] = {u"新"};
  double amounts[1] = {3};
  int f[7] = {}, flags[1] = {2};
  auto expenses = [&] { WriteMaster(keihi, {u"A,a,1,0,0,0,0,0,0,0", u"B,b,2,0,0,0,0,0,0,0"}); };
  auto both = [&](const fs::path& source, const Lines& lines, const fs::path& to, Lines old) {
    return [=] { WriteMaster(source, lines), WriteMaster(to, old); };
  };
  const struct {
    fs::path target;
    std::function<void()> setUp, op;
    bool tells = false, copy = false;
  } cases[] = {
      {p2, both(file("zairyou2.mst"), group, p2, {Line2(1, 1, u"既存")}),
       [] { CopyZaiMst2_2(2, -1, 8, 1, -1, 3); }, false, true},
      {p11, both(file("zai004-3.mst"), items, p11, {Line3(11, 1, 1, u"既")}),
       [&] { CopyZaiMst3_4(plumb, 11, 0, 9, elec, 4, 4, 5); }, false, true},
      {e7, both(file("zai004-3.mst"), items, e7, {Line3(7, 1, 1, u"既")}),
       [] { CopyZaiMst3_2(7, 4, 7, 1, -1); }},
      {keihi, expenses, [] { AddKeihiMst(u"新", 3, 0, 0, 0, 0, 0, 0, 0, u'A', 1); }},
      {keihi, expenses, [] { UpdateKeihiMst_1(u"新", 3, 0, 0, 0, 0, 0, 0, u'A', 1); }},
      {keihi, expenses, [&] {
         AddAllKeihiMst(names, amounts, f, f + 1, f + 2, f + 3, f + 4, f + 5, f + 6, u'A', 1, 1);
       }},
      // The remarks tell the user; the other lists end silently.
      {file("bikou.mst"), [&] { WriteMaster(file("bikou.mst"), {u"古い\t1"}); },
       [&] { UpdateBikouMst(names, flags, 1, 1); }, true},
      {file("tanni.mst"), [&] { WriteMaster(file("tanni.mst"), {u"m"}); },
       [&] { UpdateTanniMst(names, 1, 1); }},
      {file("kouji1.mst"), [&] { fs::remove(file("kouji1.mst")); },
       [&] { UpdateKoujiMst(1, names, 1, 1); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target.filename().string());
    auto [kinds, keptOld] = FailEachStep(c.target, c.setUp, c.op, c.tells);
    EXPECT_GT(keptOld, c.copy ? 3 : -1);
  }

  // The second block written to the destination's copy fails: the copy holds
  // part of a line at that moment, and the destination must not.
  Lines bigGroup;
  for (int i = 0; i < 20000; ++i) bigGroup.push_back(Line2(3, i, u"ＶＶＦケーブル　２．０ｍｍ"));
  WriteMaster(file("zairyou2.mst"), bigGroup);
  WriteMaster(plumbing() / "zairyou2.mst", {Line2(1, 1, u"既存")});
  int writes = 0;
  {
    FaultScope scope([&](FileStep s, const std::string& p) {
      const bool staged = p.find("/MASTER/水道/.~cmd") != p.npos;
      return s == FileStep::Write && staged && ++writes == 2 ? ENOSPC : 0;
    });
    CopyZaiMst2_2(2, -1, 8, 1, -1, 3);
  }
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(Bytes(plumbing() / "zairyou2.mst"), Mst({Line2(1, 1, u"既存")}));

  // A read error ends a getter with nothing, and a table build with the old
  // table (the level-3 file is read in several blocks; the second one fails).
  WriteMaster(file("tanni.mst"), {u"m", u"本"});
  WriteMaster(file("bikou.mst"), {u"至急\t1"});
  WriteMaster(file("keihi.mst"), {u"A,a,1,0,0,0,0,0,0,0"});
  {
    FaultScope scope([&](FileStep s, const std::string&) { return s == FileStep::Read ? EIO : 0; });
    CString lines[300];
    int flags[300], f[7];
    double amounts[1];
    EXPECT_EQ(GetTanniMst(lines, 1), 0);
    EXPECT_EQ(GetBikouMst(lines, flags, 1), 0);
    EXPECT_EQ(GetKeihiMst(lines, amounts, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &f[6], u'A', 1),
              0);
  }
  WriteMaster(file("zairyou1.mst"), {u"5,名前,0"});
  WriteMaster(file("zai005-3.mst"), Lines(4000, Line3(5, 1, 1, u"品名")));
  WriteMaster(root() / "c.tbl", {u"old"});
  int reads = 0;
  FaultScope scope([&](FileStep s, const std::string& p) {
    if (p.find("zai005-3.mst") == p.npos) return 0;
    if (s == FileStep::Open) reads = 0;
    return s == FileStep::Read && ++reads == 2 ? EIO : 0;
  });
  EXPECT_EQ(MakeCadtable(dir_.win() + u"c.tbl", 1, -1), FALSE);
  EXPECT_EQ(MakeDegipaneTable(dir_.win() + u"c.tbl", 1, -1), FALSE);
  EXPECT_EQ(Bytes(root() / "c.tbl"), Mst({u"old"}));
  ExpectNoStaging();
}

}  // namespace

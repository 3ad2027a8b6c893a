// Copies of the material master between master sets and inside one file:
// groups under their new codes, lines rebuilt from their fields, appends in
// the destination's encoding on a line of their own, and the source left as
// it was.
#include "master/master_fixture.h"

using namespace mtest;

namespace {

using CopyTest = MasterTest;

TEST_F(CopyTest, EveryCopyByteForByte) {
  const fs::path e2 = file("zairyou2.mst"), p2 = plumbing() / "zairyou2.mst";
  const fs::path e4 = file("zai004-3.mst"), p11 = plumbing() / "zai011-3.mst";
  CString elec = masterWin(), plumb = GetMstDrv(2, -1);
  auto copy2 = [](int to, int from) { CopyZaiMst2_2(2, -1, to, 1, -1, from); };
  auto copy3 = [&](int destFile, int newL1, int newL2, int srcFile, int srcL1, int srcL2) {
    CopyZaiMst3_4(plumb, destFile, newL1, newL2, elec, srcFile, srcL1, srcL2);
  };
  // Writes a source, copies, and finds the source as it was.
  auto from = [](const fs::path& source, const Lines& lines, std::function<void()> copy) {
    return [=] {
      WriteMaster(source, lines);
      copy();
      EXPECT_EQ(Bytes(source), Mst(lines));
    };
  };
  const Lines cable = {Line2(3, 1, u"電線")}, old2 = {Line2(1, 1, u"既存")};
  // A missing destination is created, but only with a work folder.
  ExpectRewrites({{p2, kMissing, from(e2, cable, [&] { fs::remove_all(work()), copy2(8, 3); }), kMissing},
                  {p2, {}, [&] { fs::create_directories(work()), copy2(8, 3); }, Mst({Line2(8, 1, u"電線")})}});

  // The host's own files of the classic staging names stay as they are.
  const fs::path hostFiles[] = {work() / "temp.mst", work() / "temp.txt", plumbing() / "temp.new",
                                file("temp.new"), file("temp.mst")};
  for (const fs::path& p : hostFiles) cmdtest::WriteBytes(p, "host's own file");
  const Lines group = {Line2(3, 1, u"電線"), Line2(5, 1, u"管"), Line2(3, 2, u"ケーブル")};
  const Lines items = {Line3(4, 5, 1, u"A"), Line3(4, 6, 2, u"別"), Line3(4, 5, 3, u"B")};
  const std::string ansi = "000010000002,K,A,11,1,1,x,t2,t3,st,1,2,3,4,5,6,7,8,9,10,11,12,e\r\n";
  const std::u16string noMark = u"1,1,a,0,0,0,0,0,0,0,0\r\n";
  std::vector<Rewrite> cases = {
      // Level 2 between master sets, or into the same folder: the group
      // under its new code, appended.
      {p2, Mst(old2), from(e2, group, [&] { copy2(8, 3); }),
       Mst({Line2(1, 1, u"既存"), Line2(8, 1, u"電線"), Line2(8, 2, u"ケーブル")})},
      {e2, Mst(group), [&] { CopyZaiMst2_3(elec, 9, elec, 3); },
       Mst({group[0], group[1], group[2], Line2(9, 1, u"電線"), Line2(9, 2, u"ケーブル")})},
      // Lines rebuilt from eleven fields: missing ones empty, text after the
      // eleventh dropped.
      {p2, kMissing,
       from(e2, {u"3,1,短い", u"3,2,長い,1,2,3,4,5,6,7,8,余分,もっと"},
            [&] { CopyZaiMst2_3(plumb, 4, elec, 3); }),
       Mst({u"4,1,短い,,,,,,,,", u"4,2,長い,1,2,3,4,5,6,7,8"})},
      // Without source entries the destination is neither created nor changed.
      {p2, kMissing, from(e2, {Line2(5, 1, u"管")}, [&] { copy2(8, 3); }), kMissing},
      {p2, Mst(old2), from(e2, {Line2(5, 1, u"管")}, [&] { copy2(8, 3); }), Mst(old2)},
      {p2, {}, [&] { fs::remove(e2), copy2(8, 3); }, Mst(old2)},
      {p2, kMissing, [&] { copy2(8, 3); }, kMissing},
      // "at,ccs=UTF-16LE" on a file without a byte-order mark: UTF-16LE and
      // no mark in the middle of the file.
      {p2, cmdtest::Utf16le(noMark, false), from(e2, cable, [&] { copy2(8, 3); }),
       cmdtest::Utf16le(noMark + Line2(8, 1, u"電線") + u"\r\n", false)},
      // Level 3, every group of the level-1 code: fields kept, but field 4
      // names the destination file.
      {p11, Mst({Line3(11, 1, 1, u"既存")}),
       from(e4, {Line3(4, 5, 1, u"A"), Line3(6, 5, 2, u"他"), Line3(4, 7, 3, u"B")},
            [&] { copy3(11, 30, 40, 4, 4, -1); }),
       Mst({Line3(11, 1, 1, u"既存"), Line3(11, 5, 1, u"A"), Line3(11, 7, 3, u"B")})},
      // One group gets the new level-2 code; the new level-1 code goes nowhere.
      {p11, kMissing, from(e4, items, [&] { copy3(11, 30, 9, 4, 4, 5); }),
       Mst({Line3(11, 9, 1, u"A"), Line3(11, 9, 3, u"B")})},
      {p11, kMissing, [&] { CopyZaiMst3_3(2, -1, 11, 30, 9, 1, -1, 4, 4, 5); },
       Mst({Line3(11, 9, 1, u"A"), Line3(11, 9, 3, u"B")})},
      // Source number -1 reads "zairyou3.mst".
      {plumbing() / "zai002-3.mst", kMissing,
       from(file("zairyou3.mst"), {Line3(4, 5, 1, u"単一")}, [&] { copy3(2, 0, 0, -1, 4, -1); }),
       Mst({Line3(2, 5, 1, u"単一")})},
      // Lines rebuilt from 23 fields.
      {p11, kMissing, from(e4, {u"000010000002,K,A,4,5,1,短"}, [&] { copy3(11, 0, 9, 4, 4, 5); }),
       Mst({u"000010000002,K,A,11,9,1,短,,,,,,,,,,,,,,,,"})},
      // Missing files are created empty.
      {p11, kMissing, [&] { fs::remove(e4), copy3(11, 0, 9, 4, 4, 5); }, kEmpty},
      {e4, {}, [] {}, kEmpty},
      // "at,ccs=UNICODE" on a file without a byte-order mark goes on in the
      // ANSI code page, as the file already is.
      {p11, ansi, from(e4, {Line3(4, 5, 1, u"A")}, [&] { copy3(11, 0, 9, 4, 4, 5); }),
       ansi + Utf16ToUtf8(Line3(11, 9, 1, u"A")) + "\r\n"},
      // A whole level-3 file under a new level-1 code; a missing source is
      // created empty and copied; a file onto itself.
      {file("zai007-3.mst"), Mst({Line3(7, 1, 1, u"消える")}),
       from(e4, {Line3(4, 5, 1, u"A"), Line3(4, 6, 2, u"B")}, [] { CopyZaiMst3_2(7, 4, 7, 1, -1); }),
       Mst({Line3(7, 5, 1, u"A"), Line3(7, 6, 2, u"B")})},
      {file("zai007-3.mst"), {}, [&] { fs::remove(e4), CopyZaiMst3_2(7, 4, 7, 1, -1); }, kEmpty},
      {e4, {}, [] {}, kEmpty},
      {e4, Mst({Line3(4, 5, 1, u"A"), Line3(4, 6, 2, u"B")}), [] { CopyZaiMst3_2(4, 4, 12, 1, -1); },
       Mst({Line3(12, 5, 1, u"A"), Line3(12, 6, 2, u"B")})},
      // Duplicates inside one file: of a level-2 group under a new level-1
      // code, of a level-3 group under a new level-2 code, of every level-3
      // group under a new level-1 code; a missing level-2 file stays missing.
      {e2, Mst({Line2(3, 1, u"電線"), Line2(5, 1, u"管"), u"3,2,短い"}), [] { CopyZaiMst2_1(3, 40, 1, -1); },
       Mst({Line2(3, 1, u"電線"), Line2(5, 1, u"管"), u"3,2,短い", Line2(3, 40, u"電線"),
            u"3,40,短い,,,,,,,,"})},
      {e2, kMissing, [] { CopyZaiMst2_1(3, 40, 1, -1); }, kMissing},
      {e4, kMissing, [] { CopyZaiMst3_1(4, 4, 5, 8, 1, -1); }, kEmpty},
      {e4, Mst(items), [] { CopyZaiMst3_1(4, 4, 5, 8, 1, -1); },
       Mst({items[0], items[1], items[2], Line3(4, 8, 1, u"A"), Line3(4, 8, 3, u"B")})},
      {e4, Mst({Line3(4, 5, 1, u"A"), Line3(9, 6, 2, u"他"), Line3(4, 6, 3, u"B")}),
       [] { CopyZaiMst3_1(4, 4, -1, 8, 1, -1); },
       Mst({Line3(4, 5, 1, u"A"), Line3(9, 6, 2, u"他"), Line3(4, 6, 3, u"B"), Line3(8, 5, 1, u"A"),
            Line3(8, 6, 3, u"B")})},
  };
  // Appended lines start on a line of their own after a last line without
  // its line end, or a file cut in the middle of a unit (the half unit goes).
  for (const char16_t* end : {u"", u"\r\n"}) {
    for (const char* cut : {"", "x"}) {
      cases.push_back({p2, cmdtest::Utf16le(Line2(1, 1, u"末尾") + end) + cut,
                       from(e2, cable, [&] { copy2(8, 3); }),
                       Mst({Line2(1, 1, u"末尾"), Line2(8, 1, u"電線")})});
      cases.push_back({p11, cmdtest::Utf16le(Line3(11, 1, 1, u"末尾") + end) + cut,
                       from(e4, {Line3(4, 5, 1, u"A")}, [&] { copy3(11, 0, 9, 4, 4, 5); }),
                       Mst({Line3(11, 1, 1, u"末尾"), Line3(11, 9, 1, u"A")})});
    }
  }
  ExpectRewrites(cases);
  for (const fs::path& p : hostFiles) EXPECT_EQ(Bytes(p), "host's own file") << p;
}

}  // namespace

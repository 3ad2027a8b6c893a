// The material catalogue of one trade master set as a whole: the three
// levels read from the master files through the library's parsers, checked
// against what the files can hold, and written back through the library's
// update functions.
//
// The lists keep the order of the files: level 1 as "zairyou1.mst" lists
// it, level 2 as "zairyou2.mst" holds it, level 3 file by file (in the order
// of level 1) and line by line. Writing replays the library's updates: the
// level-1 list is written whole, each level-2 group and each level-3 group
// is replaced in the order of its first entry. A catalogue whose groups each
// stand in one block (the order the library's updates leave) therefore comes
// back byte for byte.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "cmddll3/frame.h"
#include "tool.h"

namespace cmdtool {

struct Level2Entry {
  LONG parent = 0;
  ZaiMst2Rec rec{};
};

struct Item {
  LONG level1 = 0;  // field 4: the level-1 code, which names the item's file
  LONG level2 = 0;  // field 5: the item's group
  ZaiMst3Rec rec{};
};

struct Catalogue {
  std::vector<ZaiMst1Rec> level1;
  std::vector<Level2Entry> level2;
  std::vector<Item> level3;
  // Where each entry came from ("zairyou2.mst:12", "catalogue.csv:40"),
  // parallel to the lists, for messages.
  std::vector<std::string> where1, where2, where3;
};

// Limits the files and the library's readers set.
constexpr int kMaxLevel1 = 500;           // GetZaiMst1 reads at most 500 entries
constexpr int kMaxLevel2PerParent = 150;  // GetZaiMst2_1 reads at most 150 per parent
constexpr int kMaxItemsPerGroup = 300;    // GetZaiMst3 reads at most 300 per group
constexpr int kNameLength = 60;
constexpr int kText2Length = 20;
constexpr int kText3Length = 60;
constexpr int kShortTextLength = 8;
constexpr int kClosingTextLength = 20;

// A master set: the trade and its sub-master number (-1: the trade's folder).
struct MasterSet {
  Trade trade;
  int number = -1;
  CString Folder() const { return GetMstDrv(trade.number, number); }
};

// Reads the whole catalogue. A file line that the catalogue cannot hold
// exactly (a cut text, a split drawing code, an amount the single-precision
// read changes, an item outside the level-2 list) is a Failure naming the
// file and line: an export must be importable without loss.
// `progress` is told of each line read.
Catalogue ReadCatalogue(const Context& ctx, const MasterSet& set,
                        const std::function<void()>& progress = {});

// Number of lines in the catalogue's master files (for a progress bar).
std::size_t CountCatalogueLines(const MasterSet& set);

// Checks everything the files and the library's readers need: field ranges
// and lengths, codes unique, every level-2 parent in level 1, every item's
// group in level 2, group sizes. A Failure names the entry by its `where`.
void CheckCatalogue(const Catalogue& c);

// Replaces the catalogue of the master set through the library's update
// functions (the caller has checked it). Levels and groups that the new
// catalogue no longer has are deleted; level-3 files of level-1 codes that
// are gone are removed. Then reads the files back: when they do not give
// the catalogue, a Failure says so (the caller keeps the old files to put
// back: ImportCatalogue's journal). `progress` is told after each update.
// Returns the number of update calls made.
int WriteCatalogue(const Context& ctx, const MasterSet& set, const Catalogue& c,
                   const std::function<void(std::size_t done, std::size_t total)>& progress = {});

// The names of the master files that hold the catalogue: the level-1 and
// level-2 files and the level-3 file of each level-1 entry, as the library
// spells them.
std::vector<std::string> CatalogueFileNames(const Catalogue& c);

// ---- Field values shared by the readers and writers of exchange files

// The 12-digit drawing code of an item ("%05ld%07ld").
std::string DrawingCode(const ZaiMst3Rec& rec);
// Sets the record's prefix and number from a 12-digit text; false when the
// text is not 12 digits.
bool SetDrawingCode(ZaiMst3Rec& rec, std::string_view text);
// A factor as the decimal text of its thousandths, as the file keeps it
// ("%.0f" of factor x 1000): 0.035, 1, 2.4.
std::string FactorText(float factor);
// A factor value for the record; false (with the reason) when it has more
// than three decimals or the file cannot keep it exactly.
bool FactorFits(double value, std::string& why);
// A record's factor that a write and a read give back unchanged.
bool FactorKept(float factor, std::string& why);
// An amount for the record; false (with the reason) when it is not a whole
// number or the single-precision read would change it.
bool AmountFits(double value, std::string& why);
// amounts 1 to 7 of an item, in the numbering of the file's fields.
double GetAmount(const ZaiMst3Rec& rec, int k);
void SetAmount(ZaiMst3Rec& rec, int k, double value);

// The text of a record's UTF-16 field (up to its terminator), read byte-wise:
// the byte-packed records may stand at odd addresses in the host's arrays,
// where a char16_t pointer into them would be misaligned.
std::u16string FieldText(const void* field, std::size_t units);
#define CMDTOOL_TEXT(field) \
  ::cmdtool::FieldText(static_cast<const void*>(field), sizeof(field) / sizeof(char16_t))
// A mark field (one unit, 0 for none) as text.
std::string MarkText(char16_t mark);

// Copies a UTF-16 text into a record array of N units (terminator included);
// false when it does not fit.
template <std::size_t N>
bool CopyText(char16_t (&dest)[N], const CString& text) {
  if (static_cast<std::size_t>(text.GetLength()) >= N) return false;
  std::fill(std::begin(dest), std::end(dest), u'\0');
  std::copy(text.GetString(), text.GetString() + text.GetLength(), dest);
  return true;
}

}  // namespace cmdtool

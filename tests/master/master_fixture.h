// Helpers of the master tests (both programs): an installation root in a
// temporary folder with two master sets and a work folder, masters as bytes,
// records, fault injection, and a recorder for message boxes.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cmddll3/cmddll3.h"
#include "support/test_support.h"

namespace mtest {

namespace fs = std::filesystem;
using cmd::os::FileStep;
using Lines = std::vector<std::u16string>;
using Names = std::vector<std::string>;
using Op = std::function<void()>;

inline std::u16string U(const std::string& utf8) { return Utf8ToUtf16(utf8); }

// The bytes of a master as the library writes it: FF FE, UTF-16LE, CR LF.
inline std::string Mst(const Lines& lines) {
  std::u16string text;
  for (const auto& l : lines) text += l + u"\r\n";
  return cmdtest::Utf16le(text, true);
}
inline void WriteMaster(const fs::path& p, const Lines& lines) {
  cmdtest::WriteBytes(p, Mst(lines));
}
// A file's bytes, or kMissing; kEmpty is a master without lines.
inline const std::string kMissing = "(missing)", kEmpty = "\xFF\xFE";
inline std::string Bytes(const fs::path& p) {
  return fs::exists(p) ? cmdtest::ReadBytes(p) : kMissing;
}

// The staging files in a folder: every rewrite stages its new file under a
// hidden name that no host file has (".~cmd....tmp").
inline Names StagingFilesIn(const fs::path& folder) {
  Names names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.path().filename().string().rfind(".~cmd", 0) == 0) names.push_back(e.path().filename());
  return names;
}

// Installs a fault hook for the lifetime of the object.
struct FaultScope {
  explicit FaultScope(cmd::os::FaultHook hook) : previous(cmd::os::SetFaultHook(std::move(hook))) {}
  ~FaultScope() { cmd::os::SetFaultHook(previous); }
  cmd::os::FaultHook previous;
};

// The file steps an operation takes, with their paths.
inline std::vector<std::pair<FileStep, std::string>> RecordSteps(const Op& op) {
  std::vector<std::pair<FileStep, std::string>> steps;
  FaultScope scope([&](FileStep s, const std::string& p) { return steps.emplace_back(s, p), 0; });
  op();
  return steps;
}

// Every test runs in a fresh installation root, which is also the current
// directory (where the CAD tables go), with the electrical master folder
// ("MASTER\電気\": trade 1, number -1), the plumbing one (trade 2) and the
// work folder <XDG_CONFIG_HOME>/tolv/WORK (trade 10; every test of these
// programs sets XDG_CONFIG_HOME); message boxes are recorded, not shown.
class MasterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const fs::path& p : {master(), plumbing(), work()}) fs::create_directories(p);
    setenv("XDG_CONFIG_HOME", (root() / "appdata").c_str(), 1);
    oldCwd_ = fs::current_path();
    fs::current_path(root());
    SetSystemDrv(dir_.win());
    previousHook_ =
        SetMessageBoxHook([this](HWND, const CString& text, const CString& caption, UINT type) {
          shown_ += text.str() + u"|" + caption.str() + u"|" + U(std::to_string(type)) + u"\n";
          return IDOK;
        });
  }
  void TearDown() override {
    SetMessageBoxHook(previousHook_);
    SetSystemDrv(u"");
    fs::current_path(oldCwd_);
  }

  fs::path root() const { return dir_.path(); }
  fs::path master() const { return root() / "MASTER" / "電気"; }
  fs::path plumbing() const { return root() / "MASTER" / "水道"; }
  fs::path work() const { return root() / "appdata" / "tolv" / "WORK"; }
  fs::path file(const std::string& name) const { return master() / name; }
  CString masterWin() const { return GetMstDrv(1, -1); }  // as a caller passes it
  std::vector<fs::path> folders() const { return {master(), plumbing(), work(), root()}; }
  void ExpectNoStaging() const {
    for (const fs::path& f : folders()) EXPECT_EQ(StagingFilesIn(f), Names{}) << f;
  }
  // The message boxes shown since the last call, "text|caption|type" a line.
  std::u16string Shown() { return std::exchange(shown_, u""); }

  // A rewrite: `file` as given (kMissing: no file; kAsLeft: as the previous
  // case left it), then `op`, then the file's bytes. Cases run in order;
  // none leaves a staging file or shows a message.
  static inline const std::optional<std::string> kAsLeft = std::nullopt;
  struct Rewrite {
    fs::path file;
    std::optional<std::string> before;
    Op op;
    std::string after;
  };
  void ExpectRewrites(const std::vector<Rewrite>& cases) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
      const Rewrite& c = cases[i];
      SCOPED_TRACE("case " + std::to_string(i) + ": " + c.file.string());
      if (c.before == kMissing)
        fs::remove(c.file);
      else if (c.before)
        cmdtest::WriteBytes(c.file, *c.before);
      c.op();
      EXPECT_EQ(Bytes(c.file), c.after);
      ExpectNoStaging();
      EXPECT_EQ(Shown(), u"");
    }
  }

  // Runs `op` once from the files `setUp` makes to learn its file steps and
  // its result, then once per step with that step failing (and, in a second
  // round, every removal failing too). After each run `target` holds its old
  // bytes or the new ones, no descriptor stays open, no staging file stays
  // unless its removal failed, and after the second round's failures, with
  // their staging files left behind, the next run without faults succeeds. A
  // failure that keeps the old bytes is silent unless `tells`: then it shows
  // at most one "エラー:" box, none when a file could not be opened, one when
  // a write, flush or rename failed. Returns the kinds of steps taken and how
  // many failing runs kept the old bytes.
  std::pair<std::set<FileStep>, int> FailEachStep(const fs::path& target, const Op& setUp,
                                                  const Op& op, bool tells = false) {
    setUp();
    const std::string oldBytes = Bytes(target);
    const auto steps = RecordSteps(op);
    const std::string newBytes = Bytes(target);
    EXPECT_NE(newBytes, oldBytes) << "the operation must change " << target;
    std::pair<std::set<FileStep>, int> result;
    for (const auto& s : steps) result.first.insert(s.first);
    for (FileStep s :
         {FileStep::Open, FileStep::Write, FileStep::Flush, FileStep::Close, FileStep::Rename})
      EXPECT_TRUE(result.first.count(s)) << "a rewrite takes step " << int(s);
    auto descriptors = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    for (bool removalsFail : {false, true}) {
      for (std::size_t victim = 0; victim < steps.size(); ++victim) {
        const auto& [failed, path] = steps[victim];
        SCOPED_TRACE("step " + std::to_string(int(failed)) + " #" + std::to_string(victim) +
                     " on " + path + (removalsFail ? ", removals failing" : ""));
        setUp();
        Shown();
        const auto open = descriptors();
        std::size_t index = 0;
        {
          FaultScope scope([&](FileStep s, const std::string&) {
            return index++ == victim || (removalsFail && s == FileStep::Remove) ? EIO : 0;
          });
          op();
        }
        EXPECT_GT(index, victim) << "the step never came";
        EXPECT_EQ(descriptors(), open);
        const std::string now = Bytes(target), shown = Utf16ToUtf8(Shown());
        EXPECT_TRUE(now == oldBytes || now == newBytes) << "torn: " << cmdtest::Hex(now);
        if (!removalsFail && !(failed == FileStep::Remove && path.find("/.~cmd") != path.npos))
          ExpectNoStaging();
        result.second += now == oldBytes;
        if (now == newBytes || !tells || failed == FileStep::Open) {
          EXPECT_EQ(shown, "");
        } else if (!shown.empty() || failed == FileStep::Write || failed == FileStep::Flush ||
                   failed == FileStep::Rename) {
          // One box: "エラー:" and the reason, no caption, stop icon, OK button.
          EXPECT_EQ(shown.find("エラー:"), 0u);
          EXPECT_GT(shown.find('|'), std::strlen("エラー:"));
          EXPECT_EQ(shown.substr(shown.find('|')), "||16\n");
        }
        if (removalsFail) {  // the next run succeeds, whatever the failure left behind
          setUp(), op();
          EXPECT_EQ(Bytes(target), newBytes);
        }
        for (const fs::path& f : folders())
          for (const std::string& name : StagingFilesIn(f)) fs::remove(f / name);
      }
    }
    return result;
  }

  cmdtest::TempDir dir_;
  MessageBoxHook previousHook_;
  std::u16string shown_;
  fs::path oldCwd_;
};

// Records as bytes, for comparisons of whole records (the records are
// byte-packed: a reference to a field, as EXPECT_EQ takes, may be unaligned).
template <class Rec>
std::string Raw(const Rec* recs, std::size_t n) {
  return std::string(reinterpret_cast<const char*>(recs), n * sizeof(Rec));
}
template <class Rec, class = std::enable_if_t<!std::is_pointer_v<Rec>>>  // Raw(recs, n) for arrays
std::string Raw(const Rec& rec) { return Raw(&rec, 1); }
template <class Rec>
std::string Raw(std::initializer_list<Rec> recs) { return Raw(recs.begin(), recs.size()); }

// Sets a text field of a record, cut to the field, zero-filled.
inline void SetTextAt(void* field, std::size_t units, std::u16string_view text) {
  std::u16string copy(units, u'\0');
  text.copy(copy.data(), std::min(text.size(), units - 1));
  std::memcpy(field, copy.data(), units * sizeof(char16_t));
}
#define SetRecText(field, text) ::mtest::SetTextAt(&(field), sizeof(field) / sizeof(char16_t), text)

// Strings joined with "|".
inline std::u16string Joined(const CString* f, int n) {
  std::u16string s = f[0].str();
  for (int i = 1; i < n; ++i) s += u"|" + f[i].str();
  return s;
}

// A field padded with spaces to its column width.
inline std::u16string Pad(std::u16string s, std::size_t width) {
  return s + std::u16string(width - s.size(), u' ');
}

inline ZaiMst1Rec Rec1(LONG code, std::u16string_view name, WORD flag = 0) {
  ZaiMst1Rec r{code, {}, flag};
  SetRecText(r.name, name);
  return r;
}

inline ZaiMst2Rec Rec2(LONG code, std::u16string_view name, std::initializer_list<int> attrs = {},
                       std::initializer_list<LONG> values = {}) {
  ZaiMst2Rec r{code, {}, {}, {}};
  SetRecText(r.name, name);
  int i = 0, j = 0;
  for (int a : attrs) r.attr[i++] = static_cast<BYTE>(a);
  for (LONG v : values) r.value[j++] = v;
  return r;
}

inline ZaiMst3Rec Rec3(LONG code, std::u16string_view name) {
  ZaiMst3Rec r{};
  SetRecText(r.name, name);
  return r.code = code, r;
}

// A level-2 line as the library writes it, without its line end.
inline std::u16string Line2(int parent, int code, std::u16string_view name) {
  return U(std::to_string(parent) + "," + std::to_string(code) + ",") + std::u16string(name) +
         u",0,0,0,0,0,0,0,0";
}

// A level-3 line of group (l1, l2) with level-3 code l3, without its line end.
inline std::u16string Line3(int l1, int l2, int l3, std::u16string_view name) {
  return u"000010000002,K,A," +
         U(std::to_string(l1) + "," + std::to_string(l2) + "," + std::to_string(l3) + ",") +
         std::u16string(name) +
         u",t2,t3,st,100,200,300,400,500,600,1000,2000,3000,4000,5000,700,end";
}

// A level-3 item with every field set, and the line it writes as item 3 of
// group (4, 5): amounts whole, factors in thousandths.
inline ZaiMst3Rec FullRecord() {
  ZaiMst3Rec r = Rec3(3, u"品名");
  r.cwfPrefix = 123;
  r.cwfNumber = 45;
  r.classMark = u'K';
  r.useMark = u'A';
  SetRecText(r.text2, u"t2");
  SetRecText(r.text3, u"t3");
  SetRecText(r.shortText, u"st");
  SetRecText(r.closingText, u"end");
  const double amounts[] = {1500, 2.5, -0.5, 1234.5, 0, 99};
  std::memcpy(&r.amounts1to3, amounts, sizeof r.amounts1to3);
  std::memcpy(&r.amounts4to6, amounts + 3, sizeof r.amounts4to6);
  const float factors[] = {0.035f, 1.0f, 0.0005f, 2.675f, 0};
  std::memcpy(&r.factors, factors, sizeof r.factors);
  r.amount7 = 7e6;
  return r;
}
inline constexpr char16_t kFullLine[] =
    u"001230000045,K,A,4,5,3,品名,t2,t3,st,1500,3,-1,1235,0,99,35,1000,1,2675,0,7000000,end";

}  // namespace mtest

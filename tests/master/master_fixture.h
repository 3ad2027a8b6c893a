// Helpers of the material master tests: an installation root in a temporary
// folder with the electrical master folder, master files as bytes and as
// lines, records, and a recorder for message boxes.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cmddll3/frame.h"
#include "cmddll3/master.h"
#include "cmddll3/platform/hooks.h"
#include "cmddll3/platform/osfile.h"
#include "support/test_support.h"

namespace mtest {

namespace fs = std::filesystem;

struct ShownBox {
  std::u16string text;
  std::u16string caption;
  UINT type;
};

// Every test runs against a fresh installation root whose electrical master
// folder ("MASTER\電気\", trade 1 and number -1) exists; message boxes are
// recorded instead of shown.
class MasterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(master());
    SetSystemDrv(dir_.win());
    previousHook_ = SetMessageBoxHook([this](HWND, const CString& text, const CString& caption,
                                             UINT type) {
      boxes_.push_back({text.str(), caption.str(), type});
      return IDOK;
    });
  }
  void TearDown() override {
    SetMessageBoxHook(previousHook_);
    SetSystemDrv(u"");
  }

  // The electrical master folder on the host, and a file in it.
  fs::path master() const { return dir_.path() / "MASTER" / "電気"; }
  fs::path file(const std::string& name) const { return master() / name; }
  // The same folder in Windows form, as a caller passes it.
  CString masterWin() const { return GetMstDrv(1, -1); }

  cmdtest::TempDir dir_;
  std::vector<ShownBox> boxes_;
  MessageBoxHook previousHook_;
};

// The staging files in a folder: every rewrite stages its new file under a
// hidden name that no host file has (".~cmd....tmp").
inline std::vector<std::string> StagingFilesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    std::string name = e.path().filename().string();
    if (name.rfind(".~cmd", 0) == 0) names.push_back(name);
  }
  return names;
}

// Removes them (left behind by a removal made to fail).
inline void RemoveStagingFilesIn(const fs::path& folder) {
  for (const std::string& name : StagingFilesIn(folder)) fs::remove(folder / name);
}

// The bytes of a master the library writes: FF FE, UTF-16LE, CR LF.
inline std::string MasterBytes(const std::vector<std::u16string>& lines) {
  std::u16string text;
  for (const auto& l : lines) text += l + u"\r\n";
  return cmdtest::Utf16le(text, true);
}

inline void WriteMaster(const fs::path& p, const std::vector<std::u16string>& lines) {
  cmdtest::WriteBytes(p, MasterBytes(lines));
}

// The lines of a file written as FF FE + UTF-16LE with CR LF line ends;
// fails the test when the file is not in that form.
inline std::vector<std::u16string> ReadMaster(const fs::path& p) {
  std::string bytes = cmdtest::ReadBytes(p);
  std::vector<std::u16string> lines;
  if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0 || bytes.size() % 2) {
    ADD_FAILURE() << p << " is not UTF-16LE with a byte-order mark";
    return lines;
  }
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
    text += char16_t(static_cast<unsigned char>(bytes[i]) |
                     (static_cast<unsigned char>(bytes[i + 1]) << 8));
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u"\r\n", start);
    if (end == std::u16string::npos) {
      ADD_FAILURE() << p << " ends without CR LF";
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// A field of a packed record, copied: the records are byte-packed, so a
// reference to a field (as EXPECT_EQ takes) may be unaligned.
template <class T>
T Val(T v) {
  return v;
}

// Text fields of records, copied bytewise for the same reason. RecText(field)
// reads a record's text field up to its terminator (all of it without one).
inline std::u16string TextAt(const void* field, std::size_t units) {
  std::u16string copy(units, u'\0');
  std::memcpy(copy.data(), field, units * sizeof(char16_t));
  std::size_t n = copy.find(u'\0');
  return n == std::u16string::npos ? copy : copy.substr(0, n);
}
#define RecText(field) ::mtest::TextAt(&(field), sizeof(field) / sizeof(char16_t))

inline void SetTextAt(void* field, std::size_t units, std::u16string_view text) {
  std::u16string copy(units, u'\0');
  text.copy(copy.data(), std::min(text.size(), units - 1));
  std::memcpy(field, copy.data(), units * sizeof(char16_t));
}
#define SetRecText(field, text) ::mtest::SetTextAt(&(field), sizeof(field) / sizeof(char16_t), text)

inline ZaiMst1Rec Rec1(LONG code, std::u16string_view name, WORD flag) {
  ZaiMst1Rec r{};
  r.code = code;
  SetRecText(r.name, name);
  r.flag = flag;
  return r;
}

inline ZaiMst2Rec Rec2(LONG code, std::u16string_view name, std::initializer_list<int> attrs = {},
                       std::initializer_list<LONG> values = {}) {
  ZaiMst2Rec r{};
  r.code = code;
  SetRecText(r.name, name);
  int i = 0;
  for (int a : attrs) r.attr[i++] = static_cast<BYTE>(a);
  i = 0;
  for (LONG v : values) r.value[i++] = v;
  return r;
}

inline ZaiMst3Rec Rec3(LONG code, std::u16string_view name) {
  ZaiMst3Rec r{};
  r.code = code;
  SetRecText(r.name, name);
  return r;
}

// A level-2 line as the library writes it, without its line end.
inline std::u16string Line2(int parent, int code, std::u16string_view name) {
  std::u16string s = Utf8ToUtf16(std::to_string(parent) + "," + std::to_string(code) + ",");
  return s + std::u16string(name) + u",0,0,0,0,0,0,0,0";
}

// A level-3 line of group (l1, l2) with level-3 code l3, without its line end.
inline std::u16string Line3(int l1, int l2, int l3, std::u16string_view name) {
  return u"000010000002,K,A," + Utf8ToUtf16(std::to_string(l1) + "," + std::to_string(l2) + "," +
                                            std::to_string(l3) + ",") +
         std::u16string(name) + u",t2,t3,st,100,200,300,400,500,600,1000,2000,3000,4000,5000,700,end";
}

// Installs a fault hook for the lifetime of the object.
class FaultScope {
 public:
  explicit FaultScope(cmd::os::FaultHook hook) : previous_(cmd::os::SetFaultHook(std::move(hook))) {}
  ~FaultScope() { cmd::os::SetFaultHook(previous_); }
  FaultScope(const FaultScope&) = delete;
  FaultScope& operator=(const FaultScope&) = delete;

 private:
  cmd::os::FaultHook previous_;
};

struct Step {
  cmd::os::FileStep step;
  std::string path;
};

// The file steps an operation takes.
inline std::vector<Step> RecordSteps(const std::function<void()>& operation) {
  std::vector<Step> steps;
  FaultScope scope([&](cmd::os::FileStep s, const std::string& p) {
    steps.push_back({s, p});
    return 0;
  });
  operation();
  return steps;
}

}  // namespace mtest

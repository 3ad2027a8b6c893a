// The utility functions leave libcmddll3.so under their undecorated names.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include "cmddll3/cmddll3.h"
#include "print_cstring.h"

namespace {

class Library {
 public:
  Library() : handle_(dlopen(CMD_DLL3_PATH, RTLD_NOW | RTLD_LOCAL)) {}
  ~Library() {
    if (handle_) dlclose(handle_);
  }
  void* handle() const { return handle_; }

 private:
  void* handle_;
};

}  // namespace

TEST(Exports, UtilityNamesAreUndecorated) {
  Library lib;
  ASSERT_NE(lib.handle(), nullptr) << dlerror();
  for (const char* name :
       {"SplitCStrByComma", "SplitCStrByChar", "SplitCStrByWrap", "UniSSplit", "mbsplit",
        "cstrmemmove", "BaiToHan", "UnicodeZenSuu2Han", "ToHankakuNum", "getMultiFromWideText",
        "getWideFromMultiText", "CStrCutSpace", "MyTrim", "IsAllSpace", "MyStrtok", "Split2text",
        "Split3text", "KanmaFormat_2", "KanmaFormat_2_1", "KanmaFormat_1", "KanmaFormat_3",
        "GetMoneyStrFromLong", "CutKanma", "CutDblKanma", "CutIfDecimalZero", "TrimRightZero",
        "getCutBack0", "getLongFromDouble", "roundKin", "IsAllNumber", "IsDotSyousuu",
        "GetGoukeiHasuu", "GetKeihiHasuu", "GetRoumuHasuu", "GetZatuHasuu", "GetDate",
        "SplitDate", "GetStrDateFromArray", "GetStrDateFromInt", "GetFileHeaderYear",
        "DenCalAdd", "DenCalMinus", "DenCalMull", "DenCalDiv", "DentakuAddString"}) {
    EXPECT_NE(dlsym(lib.handle(), name), nullptr) << name;
  }
}

TEST(Exports, CallThroughTheLoadedSymbol) {
  Library lib;
  ASSERT_NE(lib.handle(), nullptr) << dlerror();
  using RoundKin = LONG (*)(float);
  auto round = reinterpret_cast<RoundKin>(dlsym(lib.handle(), "roundKin"));
  ASSERT_NE(round, nullptr);
  EXPECT_EQ(round(10.01f), 11);
  using Format = CString (*)(const char16_t*);
  auto format = reinterpret_cast<Format>(dlsym(lib.handle(), "KanmaFormat_2"));
  ASSERT_NE(format, nullptr);
  EXPECT_EQ(format(u"1234567"), u"1,234,567");
  // Internal helpers stay inside.
  EXPECT_EQ(dlsym(lib.handle(), "_ZN3cmd4util20ProcessFractionModesEv"), nullptr);
}

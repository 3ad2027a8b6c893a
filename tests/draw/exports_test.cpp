// The text drawers leave libcmddll3.so under their undecorated names, and
// nothing of their internals does.
#include <gtest/gtest.h>

#include <dlfcn.h>

TEST(DrawExports, TextDrawerNamesAreUndecorated) {
  void* lib = dlopen(CMD_DLL3_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name :
       {"DrawTateText2", "DrawYokoText2", "DrawSingleTateText", "FormatTateText", "DrawText2",
        "DrawTextRectSizeRet2", "DrawText2Ext", "DrawDblTextUnderLineExt", "DrawUnderLine",
        "DrawMaltiTateText", "DrawMaltiYokoText", "DrawFixMultiYokoText", "DrawFixMultiTateText",
        "DrawFixMultiYokoText2"}) {
    EXPECT_NE(dlsym(lib, name), nullptr) << name;
  }
  for (const char* internal : {"LastTextWidth", "DrawTextFit", "FitTextToRect", "DrawTextLines",
                               "MeasureTateChar", "DrawTateChar", "IsTateRotateChar",
                               "SplitTateColumns", "SplitYokoLines"}) {
    EXPECT_EQ(dlsym(lib, internal), nullptr) << internal;
  }
  dlclose(lib);
}

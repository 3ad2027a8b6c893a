// The history, file, ledger and input helpers leave libcmddll3.so under
// their undecorated names.
#include <gtest/gtest.h>

#include <dlfcn.h>

TEST(Exports, HelperNamesAreUndecorated) {
  void* lib = dlopen(CMD_DLL3_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name :
       {"ReadHist", "WriteHist", "UpdateHist", "UpHistString", "dir_ext", "dir_filespath",
        "dirdirectory", "deletefile", "deletefile2", "mymkdir", "MyGetFileSize", "IsExist",
        "FreeSize", "FileNameFormat", "GetBuff", "MyDlgDirList", "MyDlgDirSelectComboBox",
        "SaveFdToWork", "Tanpyou1Read", "Tanpyou1Write", "Tanpyou2Read", "Tanpyou2Write",
        "WhatIsTanp1FileID", "WhatIsTanp2FileID", "WhatIsTanp2Index", "IMEgetstring", "IMEopen",
        "IMEstate", "IsCtrlKeyDown", "IsShiftKeyDown", "IsEscapeKeyDown", "DoEvent", "PopUpMenu",
        "RectToDblRect", "DblRectToRect"}) {
    EXPECT_NE(dlsym(lib, name), nullptr) << name;
  }
  dlclose(lib);
}

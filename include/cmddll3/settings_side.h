// The settings kept beside "pelmar1.ini": estimate and invoice numbering
// ("mituno.ini", "pelmar2.ini"), print-layout group names ("layout.ini") and
// envelope printing ("fuutou.ini", and the glue-flap table of "pelmar1.ini").
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// ---- Estimate and invoice numbering, section "見積No". Kind 1 addresses the
// estimate keys "見積1" to "見積4", any other kind the invoice keys "請求1" to
// "請求4"; item 1 to 4 picks the key (defaults "", "0", "1", "3"). The values
// are texts that the library only stores.
//
// The numbering file is "pelmar1.ini", unless key "見積No共有" of section
// "SYSTEM" is 1 and "mituno.ini" exists in the environment folder (key
// "PELMAR" of section "DIR"): then that shared file. SetMituNoIni with sharing
// on creates a missing "mituno.ini" first, as an empty UTF-16LE file with a
// byte-order mark, so that its Japanese names are stored in UTF-16; when it
// cannot be created, the value goes to "pelmar1.ini".
// An item outside 1 to 4 reads as an empty string and writes nothing (the
// shared file is still created first when sharing is on).
CMD_API CString GetMituNoIni(int kind, int item);
CMD_API void SetMituNoIni(CString value, int kind, int item);

// The same keys in "pelmar2.ini" of the environment folder (GetIniFile2),
// with no sharing switch and no creation step.
CMD_API CString GetMituNo2Ini(int kind, int item);
CMD_API void SetMituNo2Ini(CString value, int kind, int item);

// ---- Print-layout group names: keys "1" to "10" of section "ｸﾞﾙｰﾌﾟ" of
// "layout.ini" in the "layout" folder of the environment folder; default
// empty. The arrays hold ten names, group i at element i-1. A missing folder
// is not created: the getter then gives ten empty names and the setter
// writes nothing.
CMD_API void GetLayoutIni(CString* names);
CMD_API void SetLayoutIni(const CString* names);

// ---- Envelopes, in "fuutou.ini" of the current-directory copy (normally
// beside "pelmar1.ini"). An envelope kind code names the envelope: 12/13
// "長2", 14/15 "長3", 16/17 "長40", 18/19 "長4", 20/21 "角0", 22/23 "角1", ...
// 36/37 "角8", any other code "長1". The key is that name followed by "縦"
// (direction 1) or "横" (any other direction).
//   GetFuutouMergenIni      section "印刷ﾏｰｼﾞﾝ", pair x then y, default "0,0"
//   ...InsPosIni            section "印刷挿入", default 0
//   ...PrnPosIni            section "印刷位置", default 0
//   ...TypeIni              section "印刷ﾏｰｼﾞﾝﾀｲﾌﾟ", default 1
CMD_API void GetFuutouMergenIni(int direction, int kind, int* pair);
CMD_API void SetFuutouMergenIni(int direction, int kind, const int* pair);
CMD_API int GetFuutouMergenInsPosIni(int direction, int kind);
CMD_API void SetFuutouMergenInsPosIni(int direction, int kind, int value);
CMD_API int GetFuutouMergenPrnPosIni(int direction, int kind);
CMD_API void SetFuutouMergenPrnPosIni(int direction, int kind, int value);
CMD_API int GetFuutouMergenTypeIni(int direction, int kind);
CMD_API void SetFuutouMergenTypeIni(int direction, int kind, int value);

// Paper size of every envelope: key "全て" of section "印刷用紙ｻｲｽﾞ", default 0.
CMD_API int GetFuutouPaperSizeIni();
CMD_API void SetFuutouPaperSizeIni(int value);

// Glue-flap size of an envelope, by its name, in section "封筒のりしろ" of
// "pelmar1.ini". Defaults: "角0", "角1" 380; "角2" 420; "角3" 280; "角4", "角5"
// 330; "角6" 270; "角7" 240; "角8", "長1", "長2", "長3", "長40", "長4" 260; any
// other name 0 (names are compared exactly).
CMD_API int GetPrnFuutouNorisiroIni(CString envelope);
CMD_API void SetPrnFuutouNorisiroIni(CString envelope, int value);

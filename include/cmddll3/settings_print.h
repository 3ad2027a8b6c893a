// Print settings: footer lines, the user's own-company block, their font
// attribute lines, and one section per printer. Reads fall back to the
// defaults below when the file, section or key is missing; writes replace
// one key and report nothing.
//
// The footer and own-company accessors exist twice: on the settings file
// "pelmar1.ini", and under the same name with a leading underscore on the
// settings file whose path the caller gives as the last argument.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// ---- Footer lines: key "1" of section "ﾌｯﾀｰ情報" for block 1, of the
// section "ﾌｯﾀｰ情報%d" of the block number for any other block; default empty,
// at most 259 characters.
CMD_API CString GetFooterInfoIni(int block);
CMD_API void SetFooterInfoIni(CString text, int block);

// ---- Font attribute lines: eight comma-separated fields, written
// "%d,%d,%d,%d,%d,%d,%d,%s", default "0,0,0,0,0,0,0,0", read buffer 200.
// The getters store fields 1 to 7 (as _wtoi reads them; a field the line does
// not reach reads as 0) and return the font face: "ＭＳ 明朝" for a font kind
// (field 6) of 0 or 1, "ＭＳ ゴシック" for 2, field 8 as stored for 3, an empty
// face for any other kind.
// The footer attribute line is key "属性" of section "ﾌｯﾀｰ情報", whatever the
// block.
CMD_API CString GetFooterInfoAttrIni(int* a1, int* a2, int* a3, int* a4, int* a5, int* fontKind,
                                     int* a7);
CMD_API void SetFooterInfoAttrIni(int a1, int a2, int a3, int a4, int a5, int fontKind, int a7,
                                  CString face);

// ---- Own-company lines: key "%d" of the line number in section "自社情報"
// for block 1, "自社情報%d" of the block number otherwise; default empty.
CMD_API CString GetJishaInfoIni(int line, int block);
CMD_API void SetJishaInfoIni(int line, CString text, int block);

// Own-company attribute lines: key "属性%d" of the attribute number in
// section "自社情報", whatever the block; a font attribute line as above.
CMD_API CString GetJishaInfoAttrIni(int attribute, int* a1, int* a2, int* a3, int* a4, int* a5,
                                    int* fontKind, int* a7);
CMD_API void SetJishaInfoAttrIni(int attribute, int a1, int a2, int a3, int a4, int a5,
                                 int fontKind, int a7, CString face);

// ---- The same on a settings file that the caller names.
CMD_API CString _GetFooterInfoIni(int block, CString file);
CMD_API void _SetFooterInfoIni(CString text, int block, CString file);
CMD_API CString _GetFooterInfoAttrIni(int* a1, int* a2, int* a3, int* a4, int* a5, int* fontKind,
                                      int* a7, CString file);
CMD_API void _SetFooterInfoAttrIni(int a1, int a2, int a3, int a4, int a5, int fontKind, int a7,
                                   CString face, CString file);
CMD_API CString _GetJishaInfoIni(int line, int block, CString file);
CMD_API void _SetJishaInfoIni(int line, CString text, int block, CString file);
CMD_API CString _GetJishaInfoAttrIni(int attribute, int* a1, int* a2, int* a3, int* a4, int* a5,
                                     int* fontKind, int* a7, CString file);
CMD_API void _SetJishaInfoAttrIni(int attribute, int a1, int a2, int a3, int a4, int a5,
                                  int fontKind, int a7, CString face, CString file);

// ---- Printers: section "PRINTER%d" of the printer number.
// GetPrnDrvIni with the fax switch 0 returns key "DRV" (default "(null)").
// With any other fax switch it ignores the printer number and returns the
// first entry of section "devices" of the user's profile whose name starts
// with "Microsoft FAX", as "name,driver,port" (at most 259 characters), or an
// empty string when there is none.
CMD_API CString GetPrnDrvIni(int printer, int fax);
CMD_API void SetPrnDrvIni(int printer, CString driver);

// GetStdPrnIni: key "STDPRN" (default 0) of the printer; for printer -1, the
// first of printers 1 to 10 whose "STDPRN" starts with the character 1, or 1
// when none does.
CMD_API int GetStdPrnIni(int printer);
CMD_API void SetStdPrnIni(int printer, int flag);

// Print position adjustments (default 1): direction 1 (vertical layout) keys
// "MERGETATEX"/"MERGETATEY", any other direction "MERGEYOKOX"/"MERGEYOKOY".
CMD_API void GetPrnMergeIni(int printer, int* x, int* y, int direction);
CMD_API void SetPrnMergeIni(int printer, int x, int y, int direction);

// Colours of the estimate and invoice screens and of the printed sheets, kept
// in the settings file and held in two process-wide tables:
//   - screen colours: section "COLOR", ten keys holding "r,g,b" (each part
//     cut to its low 8 bits; a missing or empty key is black), loaded by
//     GetColorMst;
//   - sheet colours: section "USERCOLOR", nine colour numbers loaded by
//     GetUserColorMst (all 0 until it is first called).
// Colours are COLORREF values (0x00BBGGRR). The tables are unguarded: load
// and query them from one thread.
#pragma once

#include "cmddll3/platform/windef.h"

// Colour numbers: 1 red, 2 green, 3 blue, 4 yellow, 5 magenta, 6 cyan,
// 8 white; 7 (black) and any other number give black.
CMD_API COLORREF ColorCodeToRGB(int number);

// Reloads the screen colours: index 1 "タイトル１", 2 "ナンバー", 3 "カーソル",
// 4 "複写", 5 "合計１", 6 "合計２", 7 "経費ナンバー", 8 "タイトル２",
// 9 "材料タイトル１", 10 "材料タイトル２".
CMD_API void GetColorMst();
// The screen colour of index 2 to 10; any other index gives index 1.
CMD_API COLORREF MyGetColor(int index);

// The sheet colour slots, in this order: 0 "カラー" (sheet colours on when 1,
// default 0), 1 "シート小計", 2 "シート値引", 3 "シート消費税", 4 "シート合計",
// 5 "シート枠", 6 "シート支持材", 7 "シート前金" (default 7 each),
// 8 "シートユーザー補助" (user-aid colour number, default 4).
constexpr int kUserColorSlots = 9;
// Reloads the slots (defaults first, then the stored keys) and, when `slots`
// is not null, copies the nine of them into it.
CMD_API void GetUserColorMst(int* slots);
// Writes nine slots to section "USERCOLOR"; the loaded table is unchanged
// until the next GetUserColorMst.
CMD_API void SetUserColorMst(const int* slots);

// The colour of a sheet item: items 2 to 8 use slots 2 to 8, any other item
// slot 1. Mode 1 gives black while sheet colours are off. Slot numbers map 2
// green, 3 blue, 4 yellow, 5 magenta, 6 cyan, 7 black, 8 white, others red.
CMD_API COLORREF GetUserColor(int item, int mode);
// Item 0: the on/off slot. Otherwise, while sheet colours are on, the slot's
// colour number (items 2 to 8 their own slot, others slot 1); while they are
// off, 7 (black).
CMD_API int GetUserColorId(int item);
// The user-aid colour of slot 8: 1 light red, 2 light green, 3 light blue,
// 4 light yellow, 5 light magenta, 6 light cyan, 7 grey, 8 white, others red.
// Mode 1 gives black while sheet colours are off. The first argument is not
// used.
CMD_API COLORREF GetUserHojoColor(int unused, int mode);

// Whether the user-aid colour covers the whole row: key "行全体" of section
// "ユーザー補助色" (1 for a non-zero number, else 0; at most 19 characters
// are read). The setter writes "1" for the flag 1, "0" otherwise.
CMD_API int GetHojoColorGyoIni();
CMD_API void SetHojoColorGyoIni(int flag);

// The material master: three levels of catalogue files per trade master set.
//
//   level 1  "zairyou1.mst"   code,name,flag                      (the top list)
//   level 2  "zairyou2.mst"   parent,code,name,a1..a5,v1..v3      (entries of every parent)
//   level 3  "zai%03d-3.mst"  23 fields per priced item, one file per level-1 code
//
// The files live in the master folder that GetMstDrv(trade, number) names
// (trade 1 to 4, number -1 for the trade's own folder, n for its sub-master
// n+1; 10 for the work folder). Functions that take a folder string use it
// instead when it is not empty; it ends with a backslash.
//
// Every master is UTF-16LE text with a byte-order mark and CR LF line ends,
// one record per line, fields separated by commas without quoting. Numbers
// are read as the C runtime's _wtol/_wtoi/_wtof read them (an empty or
// non-numeric field is 0). A change that keeps some lines of a master is a
// master rewrite: the kept lines stay in their order and the new lines follow
// them, so a replaced group always moves to the end of the file. The new
// content replaces the master in one atomic step: a failed step or a crash
// leaves the old master or the new one, never neither and never a torn one.
//
// The host owns the record arrays and sizes them; none of these functions
// throws to the caller.
#pragma once

#include <cstddef>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// ---- Records (Windows byte layouts; the host's code depends on them)

// Level-1 entry (natural alignment).
struct ZaiMst1Rec {
  LONG code;
  char16_t name[61];  // at most 60 characters, zero-terminated
  WORD flag;
};
static_assert(sizeof(ZaiMst1Rec) == 128);
static_assert(offsetof(ZaiMst1Rec, code) == 0);
static_assert(offsetof(ZaiMst1Rec, name) == 4);
static_assert(offsetof(ZaiMst1Rec, flag) == 126);

#pragma pack(push, 1)

// Level-2 entry (byte-packed: value[] is unaligned).
struct ZaiMst2Rec {
  LONG code;
  char16_t name[61];
  BYTE attr[5];   // fields 4 to 8 of the line, each 0 to 255
  LONG value[3];  // fields 9 to 11 of the line
};

// Level-2 entry with the level-1 code of its parent (byte-packed).
struct ZaiMst2ParentRec {
  LONG parentCode;
  LONG code;
  char16_t name[61];
  BYTE attr[5];
  LONG value[3];
};

// Level-3 item (byte-packed; the doubles are unaligned).
struct ZaiMst3Rec {
  LONG cwfPrefix;          // drawing code: first 5 digits
  LONG cwfNumber;          // drawing code: last 7 digits
  LONG code;               // level-3 code, field 6
  char16_t classMark;      // first character of field 2, 0 when empty
  char16_t name[61];       // field 7, at most 60 characters
  char16_t text2[21];      // field 8, at most 20
  char16_t text3[61];      // field 9, at most 60
  char16_t shortText[9];   // field 10, at most 8
  char16_t useMark;        // first character of field 3 ("A", "B", "Z"), 0 when empty
  DWORD reserved;          // neither read nor written by the library
  double amounts4to6[3];   // fields 14 to 16
  double amounts1to3[3];   // fields 11 to 13
  float factors[5];        // fields 17 to 21 divided by 1000
  double amount7;          // field 22
  char16_t closingText[21];  // field 23, at most 20
};

#pragma pack(pop)

static_assert(sizeof(ZaiMst2Rec) == 143);
static_assert(offsetof(ZaiMst2Rec, name) == 4);
static_assert(offsetof(ZaiMst2Rec, attr) == 126);
static_assert(offsetof(ZaiMst2Rec, value) == 131);

static_assert(sizeof(ZaiMst2ParentRec) == 147);
static_assert(offsetof(ZaiMst2ParentRec, code) == 4);
static_assert(offsetof(ZaiMst2ParentRec, name) == 8);
static_assert(offsetof(ZaiMst2ParentRec, attr) == 130);
static_assert(offsetof(ZaiMst2ParentRec, value) == 135);

static_assert(sizeof(ZaiMst3Rec) == 442);
static_assert(offsetof(ZaiMst3Rec, cwfNumber) == 4);
static_assert(offsetof(ZaiMst3Rec, code) == 8);
static_assert(offsetof(ZaiMst3Rec, classMark) == 12);
static_assert(offsetof(ZaiMst3Rec, name) == 14);
static_assert(offsetof(ZaiMst3Rec, text2) == 136);
static_assert(offsetof(ZaiMst3Rec, text3) == 178);
static_assert(offsetof(ZaiMst3Rec, shortText) == 300);
static_assert(offsetof(ZaiMst3Rec, useMark) == 318);
static_assert(offsetof(ZaiMst3Rec, reserved) == 320);
static_assert(offsetof(ZaiMst3Rec, amounts4to6) == 324);
static_assert(offsetof(ZaiMst3Rec, amounts1to3) == 348);
static_assert(offsetof(ZaiMst3Rec, factors) == 372);
static_assert(offsetof(ZaiMst3Rec, amount7) == 392);
static_assert(offsetof(ZaiMst3Rec, closingText) == 400);

// ---- Lines and records

// "%ld,%s,%d\n" of code, name, flag.
CMD_API CString FormatMst1(const ZaiMst1Rec* rec);
// "%ld,%ld,%s,%d,%d,%d,%d,%d,%d,%d,%d\n" of parent, code, name, attr 1-5, value 1-3.
CMD_API CString FormatMst2(const ZaiMst2Rec* rec, LONG parentCode);
// The 23-field level-3 line (fields 4 and 5 from the arguments), "\n"-ended.
// Amounts print with "%.0f", factors as thousandths.
CMD_API CString FormatMst3(const ZaiMst3Rec* rec, LONG level1Code, LONG level2Code);
// "%05ld" of the prefix followed by "%07ld" of the number; a part too long for
// its width shows the message "図面ｺｰﾄﾞエラー" (caption "DEBUG") and is kept whole.
CMD_API CString MakeCwfCode(LONG prefix, LONG number);

// Older fixed-column layouts, trailing half-width spaces removed.
//   level 1: code 0+4, name 4+60, flag 64+3
CMD_API void SetMst1Data(CString line, CString* code, CString* name, CString* flag);
//   level 2: codes 0+4 and 4+4, name 8+60, attributes 68..88 by 5, values 93..103 by 5
CMD_API void SetMst2Data(CString line, CString* codes, CString* name, CString* attrs,
                         CString* values);
// A comma-separated level-2 line into codes[2], name, attrs[5], values[3];
// the strings of fields the line lacks keep what they held.
CMD_API void SetMst2UNIData(CString line, CString* codes, CString* name, CString* attrs,
                            CString* values);
// A comma-separated level-3 line into its 23 fields: f1, f2, f3, f4to6[3], f7,
// f8, f9, f10, f11to13[3], f14to16[3], f17to20[4], f21, f22, f23; the strings
// of fields the line lacks keep what they held.
CMD_API void SetMst3UNIData(CString line, CString* f1, CString* f2, CString* f3,
                            CString* f4to6, CString* f7, CString* f8, CString* f9,
                            CString* f10, CString* f11to13, CString* f14to16,
                            CString* f17to20, CString* f21, CString* f22, CString* f23);
// The same outputs from a line of the older fixed-column level-3 layout
// (281 characters; the two marks keep their spaces).
CMD_API void SetMst3Data(CString line, CString* f1, CString* f2, CString* f3, CString* f4to6,
                         CString* f7, CString* f8, CString* f9, CString* f10,
                         CString* f11to13, CString* f14to16, CString* f17to20, CString* f21,
                         CString* f22, CString* f23);

// Clear the record (every byte zero), then fill it from a non-empty line.
CMD_API void ExtractToMst1(CString line, ZaiMst1Rec* rec);
CMD_API void ExtractToMst2(CString line, ZaiMst2Rec* rec);  // field 1 (the parent) not stored
CMD_API void ExtractToMst3(CString line, ZaiMst3Rec* rec);

// ---- Level 1

// Reads at most 500 entries (the array holds 500); a longer file shows
// "工事材料が500件を超えています。" (caption "工事材料エラー"). Returns the count.
CMD_API int GetZaiMst1(ZaiMst1Rec* recs, int trade, int number);
CMD_API int GetZaiMst1_1(ZaiMst1Rec* recs, CString folder);
// Writes "zairyou1.mst" anew from the records.
CMD_API void UpdateZaiMst1(const ZaiMst1Rec* recs, int count, int trade, int number);
// 0-based line of the first entry with that code, and the entry into *rec;
// 0 (rec untouched) when the code or the file is missing.
CMD_API int GetMst1Pos(LONG code, int trade, int number, ZaiMst1Rec* rec);

// ---- Level 2

// Every line of "zairyou2.mst" (no bound: the array holds one record per
// line). Returns the count, 0 when the file cannot be opened, -1 on a read error.
CMD_API int GetZaiMst2(ZaiMst2ParentRec* recs, int trade, int number);
// The entries of one parent (-1: of every parent), at most 150; a 151st shows
// "工事種類が150件を超えています。" (caption "工事種類エラー"). Returns the
// count, 0 when the file cannot be opened, -1 on a read error.
CMD_API int GetZaiMst2_1(ZaiMst2Rec* recs, LONG parentCode, CString folder, int trade,
                         int number);
// As GetZaiMst2_1, but each record's code is the line's parent code.
CMD_API int GetZaiMst2_3(ZaiMst2Rec* recs, LONG parentCode, CString folder, int trade,
                         int number);
// The entry (parent, code) into *rec: 1 when found, else 0 (rec untouched).
CMD_API int GetZaiMst2_2(ZaiMst2Rec* rec, LONG parentCode, LONG code, CString folder,
                         int trade, int number);
// 0-based position of the entry within its parent's group, and the entry into
// *rec; 0 (rec untouched) when not found.
CMD_API int GetMst2Pos(LONG parentCode, LONG code, int trade, int number, ZaiMst2Rec* rec);
// Replaces the whole group of a parent by the records; the group moves to the
// end. Creates "zairyou2.mst" when it is missing.
CMD_API void UpdateZaiMst2_1(const ZaiMst2Rec* recs, LONG parentCode, int count, int trade,
                             int number);
// Replaces the one entry (parent, code) by the records (several or none),
// appended at the end. Creates "zairyou2.mst" when it is missing.
CMD_API void UpdateZaiMst2_2(const ZaiMst2Rec* recs, LONG parentCode, LONG code, int count,
                             int trade, int number);
// Remove a parent's group, or one entry; a missing file stays missing.
CMD_API void DelZaiMst2_1(LONG parentCode, int trade, int number);
CMD_API void DelZaiMst2_2(LONG parentCode, LONG code, int trade, int number);
// True when both "zairyou1.mst" and "zairyou2.mst" exist in the master folder.
CMD_API bool IsZaiMstExzist(int trade, int number);

// ---- Level 3 (file "zai%03d-3.mst" of the file number; a caller's folder
// names its single "zairyou3.mst")

// The items of group (level1Code or -1 for any, level2Code), at most 300 and
// no message beyond. A missing file is created empty. Returns the count.
CMD_API int GetZaiMst3(ZaiMst3Rec* recs, int fileNumber, LONG level1Code, LONG level2Code,
                       CString folder, int trade, int number);
// 0-based position of the item within its group, and the item into *rec; 0
// (rec untouched) when not found. A missing file is not created.
CMD_API int GetMst3Pos(LONG level1Code, LONG level2Code, LONG level3Code, int trade,
                       int number, ZaiMst3Rec* rec);
// 1 + index of the last of 300 records whose name is not empty; 0 when none.
CMD_API int GetMst3Cnt(const ZaiMst3Rec* recs);
CMD_API int GetEndLineMst3(const ZaiMst3Rec* recs);
// The smallest level-3 code from 1 to 9999 that none of the first count
// records has; -1 when all are taken.
CMD_API int WhatIsMst3Code(const ZaiMst3Rec* recs, int count);
// Replaces the whole group (level1Code, level2Code) by the records, appended at the end.
CMD_API void UpdateZaiMst3(const ZaiMst3Rec* recs, int fileNumber, LONG level1Code,
                           LONG level2Code, int count, int trade, int number);
// Replaces the item (level1Code, level2Code, level3Code) in its place by the
// records of the array that carry that level-3 code.
CMD_API void UpdateZaiMst3_2(const ZaiMst3Rec* recs, int fileNumber, LONG level1Code,
                             LONG level2Code, LONG level3Code, int count, int trade,
                             int number);
// Remove a group, or one item; a level-2 code of -1 deletes the whole file.
CMD_API void DelZaiMst3_1(int fileNumber, LONG level1Code, LONG level2Code, int trade,
                          int number);
CMD_API void DelZaiMst3_2(int fileNumber, LONG level1Code, LONG level2Code, LONG level3Code,
                          int trade, int number);

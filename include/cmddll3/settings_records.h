// Options whose value is a comma-separated record in one key, or which read
// or write several keys in one call: window position and rectangles,
// animation, backup, digitizer line, tax, address labels, labour prices,
// category names, rounding, password, total-line captions, companion
// programs. All of them work on the settings file "pelmar1.ini".
//
// Reading a record. A missing key gives the default record below. A stored
// record longer than the read buffer is cut to the buffer before it is read.
// A field longer than its maximum length is cut to that length. Fields that a
// shorter stored record does not reach take the value of the same field of
// the default record (0 where the default record has no such field); records
// are scanned up to the first empty field, so "1,,3" holds one field.
// Pointers to the caller's variables may be null; that value is then dropped.
//
// Writing a record replaces the key whole; write failures are not reported.
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/windef.h"

// ---- Window position: section "SYSTEM", key "座標", default
// "0,0,1024,768,3" (left, top, horizontal extent, vertical extent, window
// state), each field at most 15 characters, written "%d,%d,%d,%d,%d".
CMD_API void GetWindowPosIni(int* left, int* top, int* width, int* height, int* state);
CMD_API void SetWindowPosIni(int left, int top, int width, int height, int state);

// ---- Saved window rectangles: section "???", key "WIN%d" of the window
// number, fields top, bottom, left, right (at most 31 characters each).
// GetWindowIni returns 0 and leaves the rectangle alone when the key is
// missing or empty; otherwise it fills the rectangle and returns 1 (members
// that a shorter record does not reach become 0).
CMD_API int GetWindowIni(RECT* rect, int window);
CMD_API void SetWindowIni(const RECT* rect, int window);

// ---- Animation: section "ANIME", key "MODE", default
// "0,80,20,20,45,500,20"; no setter.
CMD_API void GetAnimeInfoIni(int* f1, int* f2, int* f3, int* f4, int* f5, int* f6, int* f7);

// ---- Backup: section "SYSTEM", key "ﾊﾞｯｸｱｯﾌﾟINFO", default "0:,0,0,14",
// read buffer 32 (the whole record is at most 31 characters). Returns the
// drive (field 1) and fills fields 2 to 5; field 5, which the default record
// lacks, is 0 when not stored. Written "%s,%d,%d,%d,%d".
CMD_API CString GetBackupInfoIni(int* f2, int* f3, int* f4, int* f5);
CMD_API void SetBackupInfoIni(CString drive, int f2, int f3, int f4, int f5);

// ---- Digitizer line: section "ﾃﾞｼﾞﾀｲｻﾞ", key "通信設定", default
// "310,460,10,1,9600,7,2,0"; parity and stop bits in the Windows serial-port
// codes. The getter returns the stop bits (field 8).
CMD_API int GetDegitizerComIni(int* f1, int* f2, int* f3, int* f4, int* baudRate, int* dataBits,
                               int* parity, int* stopBits);
CMD_API void SetDegitizerComIni(int f1, int f2, int f3, int f4, int baudRate, int dataBits,
                                int parity, int stopBits);

// ---- Tax: section "TAX", keys "NAME" (default "消費税"), "RITU" (5),
// "FORM" (0), "DISP" (0), "DISP2" (0). The getter returns the name. The
// setter always writes "NAME" and writes each integer only when it is not -1.
CMD_API CString GetTaxIni(int* rate, int* form, int* display, int* display2);
CMD_API void SetTaxIni(CString name, int rate, int form, int display, int display2);

// ---- Tax mode: section "TAX", key "MODE", default "0,0,0,0,0,1,1". Field
// 5 reads as 0 when it is greater than 2. The getter returns field 7.
CMD_API int GetTaxModeIni(int* m1, int* m2, int* m3, int* m4, int* m5, int* m6, int* m7);
CMD_API void SetTaxModeIni(int m1, int m2, int m3, int m4, int m5, int m6, int m7);

// ---- Address-label layout: section "住所ｼｰﾙ", key "属性1" (label kind 1,
// default "830,360,210,1060,250") or "属性2" (any other kind, default
// "840,420,200,1060,230"), read buffer 64. Returns the number of integers
// read from the stored record; the others take the default record's values.
CMD_API int GetAdressSheetAttrIni(int kind, int* a1, int* a2, int* a3, int* a4, int* a5);
CMD_API void SetAdressSheetAttrIni(int kind, int a1, int a2, int a3, int a4, int a5);

// ---- Initial layout group: section "SYSTEM", key "初期ｸﾞﾙｰﾌﾟ", default
// "1,2", read buffer 12; as the address-label layout.
CMD_API int GetInitLayoutGroupIni(int* group1, int* group2);
CMD_API void SetInitLayoutGroupIni(int group1, int group2);

// ---- Labour unit prices: section "労務費1" (price set 1) or "労務費2" (any
// other set), keys "選択" (1), "名称" (""), "単価" (prices 1 and 2, flag,
// number: "0,0,1,0"), "単位" ("" read as "式"), "材料" (1), "項目" (1). The
// getter returns the name. The flag reads as 1 only when its field is
// exactly 1.0. Prices are written with no decimals; the flag, "材料" and
// "項目" are written as 1 when their argument is 1, else as 0.
CMD_API CString GetRoumuTankaIni(int priceSet, int* selected, CString* unit, double* price1,
                                 double* price2, int* flag, int* number, int* withMaterial,
                                 int* asItem);
CMD_API void SetRoumuTankaIni(int priceSet, int selected, CString name, CString unit,
                              double price1, double price2, int flag, int number,
                              int withMaterial, int asItem);

// ---- Category names, section "SYSTEM"; each key's default is its own name
// except "設備", whose default is "空調". The arrays hold as many names as
// the list has keys; the setters return the success flag of the last write.
//   Zairyou  (4): "電気", "水道", "設備", "建築"
//   Bukake   (4): "歩掛1-1", "歩掛1-2", "歩掛1-3", "歩掛1-4"
//   Genka    (3): "原価1", "原価2", "原価3"
//   Tanka    (3): "単価1", "単価2", "定価"
//   Warikake (3): "割掛1", "割掛2", "割掛3"
CMD_API void GetZairyouCategoryIni(CString* names);
CMD_API BOOL SetZairyouCategoryIni(const CString* names);
CMD_API void GetBukakeCategoryIni(CString* names);
CMD_API BOOL SetBukakeCategoryIni(const CString* names);
CMD_API void GetGenkaCategoryIni(CString* names);
CMD_API BOOL SetGenkaCategoryIni(const CString* names);
CMD_API void GetTankaCategoryIni(CString* names);
CMD_API BOOL SetTankaCategoryIni(const CString* names);
CMD_API void GetWarikakeCategoryIni(CString* names);
CMD_API BOOL SetWarikakeCategoryIni(const CString* names);

// ---- Rounding, section "端数".
// GetHasuuDecModeIni: kind 0 "工事項目合計" (default 1), 1 "労務費" (5),
// 2 "掛率指定経費" (5), any other "工事項目" (5); read buffer 100.
// GetHasuuPathIni: the stored text of kind 0 "工事項目合計", 3 "ｵﾌﾟｼｮﾝ", any
// other "工事項目", each with the default "5".
// SetHasuuDecModeIni writes values[0] to "工事項目合計"; SetHasuuPathIni writes
// values[0] to "工事項目合計" and values[3] to "ｵﾌﾟｼｮﾝ" and returns 3.
CMD_API int GetHasuuDecModeIni(int kind);
CMD_API CString GetHasuuPathIni(int kind);
CMD_API void SetHasuuDecModeIni(const int* values);
CMD_API int SetHasuuPathIni(const int* values);

// ---- Password: section "SYSTEM", key "ﾊﾟｽﾜｰﾄﾞ", default "0,???", fields
// switch and password text (at most 259 characters, stored in plain text).
// "???" stands for no password: the setter writes it for an empty one and
// the getter returns it as it stands.
CMD_API CString GetPaswordIni(int* enabled);
CMD_API void SetPaswordIni(int enabled, CString password);

// ---- Total-line captions: keys "NAME" (the caption) and "FORM" (default 0)
// of sections "SHOUKEI", "CHUUKEI", "GOUKEI", "RUIKEI", "AREASHOUKEI"; the
// default captions are "小  計", "中  計", "合  計", "累  計", "小  計".
CMD_API CString GetShoukeiIni(int* form);
CMD_API void SetShoukeiIni(CString caption, int form);
CMD_API CString GetChuukeiIni(int* form);
CMD_API void SetChuukeiIni(CString caption, int form);
CMD_API CString GetGoukeiIni(int* form);
CMD_API void SetGoukeiIni(CString caption, int form);
CMD_API CString GetRuikeiIni(int* form);
CMD_API void SetRuikeiIni(CString caption, int form);
CMD_API CString GetAreaShoukeiIni(int* form);
CMD_API void SetAreaShoukeiIni(CString caption, int form);

// ---- Companion drawing program, section "SYSTEM": keys "ODVAN" (which 1),
// "ODVAN2" (2), "ODVAN3" (3), an empty key name for any other number;
// "ODVAN_VER" (default 0). Section "HISTORY", key "ODVAN", default
// "1,1,1,1,1": GetOdvanHistIni fills the five integers and returns the fifth.
CMD_API CString GetOdvanIni(int which);
CMD_API void SetOdvanIni(CString value, int which);
CMD_API int GetOdvanHistIni(int* h1, int* h2, int* h3, int* h4, int* h5);
CMD_API int GetOdvanVerIni();

// ---- Program paths. GetDocpathIni returns the folder part of "DOCPATH"
// (section "SYSTEM") without its drive and file name, ending with exactly one
// backslash ("C:\Tools\edit.exe" gives "\Tools\"; a path with no folder
// gives "\"); with no "DOCPATH" it
// returns "\Program Files\Accessories\" for mode 1 and
// "\Program Files\Windows NT\Accessories\" otherwise.
// GetExcelIni: key "EXCEL" of section "???", default
// "\MSOffice\Excel\EXCEL.EXE".
CMD_API CString GetDocpathIni(int mode);
CMD_API void SetDocpathIni(CString path);
CMD_API CString GetExcelIni();

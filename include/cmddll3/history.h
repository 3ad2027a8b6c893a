// The input history file "histry.mst": for each of up to 100 kinds of text
// field (numbered 0 to 99 by the host), the 30 texts entered last, most
// recent first. The file lives in the environment folder ([DIR] PELMAR of
// the settings file) and is binary: a count table of 100 bytes, then one
// block of 30 records of 100 bytes per history (a UTF-16LE text of at most
// 49 units, its zero terminator and filler).
#pragma once

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/ui.h"
#include "cmddll3/platform/windef.h"

// Reads history `history` into the caller's 30 strings (each without its
// trailing spaces; the others emptied) and returns how many it read: 0 for
// a missing file, a history number outside 0 to 99 or a read error; fewer
// than the count when the file ends inside the block; never more than 30.
CMD_API int ReadHist(int history, CString* texts);
// Replaces a history with the first `count` texts (0 to 30) of the array,
// as they are (each cut to 49 units). Only an existing file is written;
// file errors are swallowed. Bad arguments write nothing.
CMD_API void WriteHist(int history, int count, const CString* texts);
// Puts a text (cut to 49 units) at the front of a history, removing its
// copies and the oldest text beyond 30; creates the file when it is
// missing. A file that can be neither created nor opened for writing throws
// CFileException to the caller. A history number outside 0 to 99 or a null
// text changes nothing.
CMD_API void UpdateHist(int history, const char16_t* text);
// The window's text (at most 259 units) in a buffer of the library, valid
// until the next call; a text that is not empty is first added to the
// history with UpdateHist (whose exception reaches the caller).
CMD_API const char16_t* UpHistString(CWnd* window, int history);

// The character steps of vertical writing, shared by the vertical drawers and
// the multi-line layout: which characters are turned, how far a character
// advances down a column, and drawing one character into a column cell.
#pragma once

#include "cmddll3/platform/afxgdi.h"
#include "cmddll3/platform/windef.h"

namespace cmd::draw {

// The brackets, dashes and long-vowel marks that vertical writing turns a
// quarter turn clockwise (drawn in the font of SelectMyTateFont).
bool IsTateRotateChar(char16_t c);

// The half-width voiced and semi-voiced sound marks (ﾞ and ﾟ), which sit
// beside the upright character before them and take no place of their own.
bool IsHalfWidthSoundMark(char16_t c);

// The record SelectMyFont builds from lf's fields at the given height and
// width (lf's face, weight, italic, underline and strike-out).
LOGFONTW FontRecordOf(const LOGFONTW& lf, int height, int width);
// The same record turned (escapement 2700), as SelectMyTateFont builds it.
LOGFONTW TateFontRecordOf(const LOGFONTW& lf, int height, int width);

// How far ch advances down a column from pos: a turned character by its
// width in the turned font of lf, any other by its height in the font
// selected in dc. The measured size is given back in *size.
long long MeasureTateChar(CDC* dc, char16_t ch, long long pos, const LOGFONTW* lf, SIZE* size);

// Draws ch at the top of cell and moves the cell's top down by its advance;
// yields pos plus the advance. A turned character is written with TextOut,
// centred across the cell; an upright one with DrawText, centred. When next
// is a half-width sound mark, it is drawn to the right of an upright ch and
// *index grows by one so that the caller skips it.
long long DrawTateChar(CDC* dc, char16_t ch, char16_t next, long long pos, const LOGFONTW* lf,
                       RECT* cell, int* index, SIZE* size);

}  // namespace cmd::draw

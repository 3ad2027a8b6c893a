// Global memory blocks (GlobalAlloc and friends), as packed bitmaps and
// clipboard data travel between callers.
#pragma once

#include "cmddll3/platform/windef.h"

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// A block of bytes; null when it cannot be allocated. A fixed block's handle
// is its address; a moveable one's is not.
CMD_PLATFORM_API HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// The block's address (null for a handle that is not a live block); each
// lock counts until GlobalUnlock.
CMD_PLATFORM_API LPVOID GlobalLock(HGLOBAL block);
// TRUE while the block stays locked, FALSE when the count reaches 0.
CMD_PLATFORM_API BOOL GlobalUnlock(HGLOBAL block);
// Null on success; the handle itself when it is not a live block.
CMD_PLATFORM_API HGLOBAL GlobalFree(HGLOBAL block);
CMD_PLATFORM_API SIZE_T GlobalSize(HGLOBAL block);  // 0 for a handle that is not a live block

// The Windows C runtime's wide-character path and folder functions.
//
// Paths are Windows-form and go through the path mapping (winpath.h).
// Failures return -1 (or NULL) with the runtime's errno value: ENOENT for a
// missing file or folder (and for a path of MAX_PATH units or more), EEXIST,
// EACCES, ENOTEMPTY, ERANGE, EINVAL.
#pragma once

#include "cmddll3/platform/windef.h"

using errno_t = int;

// Splits a path into drive ("C:"), folder (up to and including the last
// "\" or "/"), file name and extension (from the name's last dot), as the
// runtime does: each part is copied into its buffer of _MAX_DRIVE,
// _MAX_DIR, _MAX_FNAME or _MAX_EXT units, cut to fit; null buffers are
// skipped. A null path gives empty parts.
CMD_PLATFORM_API void _wsplitpath(const char16_t* path, char16_t* drive, char16_t* dir,
                                  char16_t* fname, char16_t* ext);
// The bounded form: each buffer comes with its size in units (a null
// buffer needs size 0). EINVAL for a null path or a buffer that does not
// match its size; ERANGE when a part does not fit. On failure every
// buffer given is emptied.
CMD_PLATFORM_API errno_t _wsplitpath_s(const char16_t* path, char16_t* drive, size_t driveSize,
                                       char16_t* dir, size_t dirSize, char16_t* fname,
                                       size_t fnameSize, char16_t* ext, size_t extSize);

// The current folder into buf (at most maxlen units, terminator included):
// NULL with ERANGE when it does not fit, EINVAL when maxlen <= 0. A null buf
// gets a buffer from malloc of at least maxlen units, which the caller frees.
CMD_PLATFORM_API char16_t* _wgetcwd(char16_t* buf, int maxlen);
// Creates one folder: EEXIST when it exists, ENOENT when its parent is
// missing.
CMD_PLATFORM_API int _wmkdir(const char16_t* dirname);
// Removes an empty folder: ENOTEMPTY when it is not empty.
CMD_PLATFORM_API int _wrmdir(const char16_t* dirname);
// Whether a file or folder exists (mode 0), may be written (2), read (4) or
// both (6): a read-only entry fails mode 2 and 6 with EACCES, a missing one
// fails with ENOENT, another mode with EINVAL.
CMD_PLATFORM_API int _waccess(const char16_t* path, int mode);
// Deletes a file (DeleteFileW): EACCES for a folder or a read-only file.
CMD_PLATFORM_API int _wremove(const char16_t* path);
// Renames or moves a file or folder (MoveFileW): EEXIST when the new name
// exists.
CMD_PLATFORM_API int _wrename(const char16_t* oldName, const char16_t* newName);

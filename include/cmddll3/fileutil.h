// File and folder helpers: listings, deleting by wildcard, creating folder
// chains, sizes and free space, safe file names, the drive and file combo
// boxes of dialogs, and the restore of a client's backup archive that was
// split over several floppy disks.
//
// Paths are Windows-form ("C:\\inst\\WORK\\", "A:\\"); a floppy drive is
// reached through the platform's drive map (cmd::path::SetDriveRoot).
#pragma once

#include <vector>

#include "cmddll3/platform/cstring.h"
#include "cmddll3/platform/ui.h"
#include "cmddll3/platform/windef.h"

// ---- Listings (entries come in the file system's order)

// The names (no folder) of the files matching the pattern ("C:\\d\\*.mst"),
// folders left out, at most `capacity` of them; returns how many were
// stored. A capacity below 1 or a null array stores nothing.
CMD_API int dir_ext(CString pattern, CString* names, int capacity);
// Appends the full paths of the matching files; returns how many it
// appended.
CMD_API int dir_filespath(std::vector<CString>& list, CString pattern);
// Appends the names of the matching folders ("." and ".." left out);
// returns the size of the list afterwards.
CMD_API int dirdirectory(std::vector<CString>& list, CString pattern);

// ---- Deleting, creating, measuring

// Deletes the files of `folder` (ending with a backslash) that match the
// wildcard: up to 3000 of them, and again while a pass finds exactly 1000
// (deletefile2: passes of 99000). A file that cannot be deleted throws
// CFileException to the caller; the files deleted before it stay deleted.
// Returns 1.
CMD_API int deletefile(CString folder, CString wildcard);
CMD_API int deletefile2(CString folder, CString wildcard);
// Creates a folder and every missing folder above it. 0 when the folder
// exists afterwards (or already did), -1 when it could not be created, 1
// for an empty (or null) path.
CMD_API int mymkdir(const char16_t* path);
// The file's length in bytes (its low 32 bits), -1 when it cannot be opened
// for reading.
CMD_API int MyGetFileSize(CString path);
// 1 when a file or folder of that path exists, else 0.
CMD_API int IsExist(CString path);
// Free bytes available to the caller on the disk of `folder`, and the free
// share of the disk in whole percent. `freeBytes` is set to 0 first and
// stays 0, with `percent` untouched, when the disk cannot be queried.
// Returns 0.
CMD_API int FreeSize(CString folder, double* freeBytes, int* percent);

// ---- Texts

// Makes a text safe as a file name, in place: five times over, the first
// remaining occurrence of each of \ / ; : * ? < > | . space " becomes "_".
// Returns the result (also left in the buffer).
CMD_API CString FileNameFormat(char16_t* text);
// Copies `source` without its trailing spaces into `destination` (room for
// the source and a terminator).
CMD_API void GetBuff(char16_t* destination, const char16_t* source);

// ---- Dialog combo boxes

// Fills the combo box `controlId` of the dialog with the names of the files
// matching the pattern (at most 3000, in listing order): whole names when
// withExtension is 1, else without extension. Returns the number listed.
CMD_API int MyDlgDirList(CWnd* dialog, const char16_t* pattern, int controlId,
                         int withExtension);
// The drive of the selected entry of a drive combo box ("[-a-]" gives
// "a:"); "" for an empty control or a text too short to be an entry.
CMD_API CString MyDlgDirSelectComboBox(HWND dialog, int controlId);

// ---- Floppy restore

// Restores the backup archive of client `id` from `disks` floppy disks in
// `folder` into the work folder as "<stem>-<id>.lzh". One disk: a plain
// copy. Several: the parts "<stem>-<id>.lz1", ".lz2", ...; each starts with
// the same 14-byte set header, and the archive data after the header of
// parts 2 and up is joined. The user is asked for each disk from the second
// on, and told when a disk is not the right one (missing part, short part,
// other set); Cancel stops the restore. Returns 1 when it ran to its end, 0
// when the user cancelled or the work file could not be written.
CMD_API int SaveFdToWork(HWND owner, int id, CString folder, CString stem, int disks);

/*
 * The one way the repair moves a data file from one folder to another:
 * through handles from the check to the last use, with the copy written
 * under a temporary name, flushed, and only then given the data file's name,
 * and the source deleted last. At every moment the data file has at least
 * one complete copy under its own name.
 */
#ifndef MELVOX_DATA_FILE_MOVE_H
#define MELVOX_DATA_FILE_MOVE_H

#include <windows.h>

/* A folder held open from its check to its last use: the checked handle,
   which shares no delete so the folder cannot be renamed or replaced while
   it is held, and the path it was opened by (a 256-character buffer). */
struct HeldFolder {
    HANDLE handle;
    const wchar_t* path;
};

/* A data file's name, as the repair's literal with its final blank, and the
   name its copy carries while it is incomplete. */
struct DataFileName {
    const wchar_t* name;
    const wchar_t* temporary;
};

enum DataFileMoveFlags {
    kReplaceTarget = 1, /* a regular file at the target is replaced */
    kGrantCopy = 2      /* Everyone gets full access to the copy */
};

/* Moves the data file from one folder to the other. Without kReplaceTarget,
   anything at the target stops the move. Returns ERROR_SUCCESS when the
   copy stands under the data file's name and the source is gone; otherwise
   the platform's error, and the source is where it was (a copy may stand
   at the target as well when only the deletion of the source failed). */
DWORD MoveDataFile(const HeldFolder& from, const HeldFolder& to, const DataFileName& file,
                   int flags);

/* Deletes a temporary that a cut-off run left in the folder, when it is a
   regular file; a link or folder under that name is left alone. */
void RemoveLeftoverTemporary(const HeldFolder& folder, const DataFileName& file);

/* True when the two files, read through their handles from the start, hold
   the same bytes. */
bool SameFileContent(HANDLE first, HANDLE second);

#endif

/*
 * Refusal of links for the elevated repair. The repair works inside a folder
 * that ordinary users can write to, so before it reads, writes, deletes or
 * opens up anything it makes sure, on the very handle it will act through,
 * that the object is what its path names: no reparse point (junction,
 * symbolic link), a file with exactly one link, and a final path that is the
 * path that was asked for (no redirect higher up).
 */
#ifndef MELVOX_LINK_GUARD_H
#define MELVOX_LINK_GUARD_H

#include <windows.h>

/* Share modes for the repair's handles. A held folder or a file being moved
   does not share delete, so no one can rename, replace or delete it while
   the handle is open. */
static const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
static const DWORD kShareNoDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;

/* What OpenPlainObject leaves in GetLastError when the object exists but
   fails the checks (a link, a redirect, a hard-linked file). */
static const DWORD kNotPlainError = ERROR_CANT_ACCESS_FILE;

/* True when finalPath, as GetFinalPathNameByHandleW reports it (with or
   without the "\\?\" or "\\?\UNC\" prefix), names the same place as the full
   path fullPath, letters compared without regard to case. */
bool FinalPathNamesSame(const wchar_t* finalPath, const wchar_t* fullPath);

/* True when the object behind handle passes the checks for path. *isFolder,
   when given, tells which kind of object it is. */
bool HandleIsPlain(HANDLE handle, const wchar_t* path, bool* isFolder);

/* Opens path with the given access and share mode, without following a
   reparse point at its end, and returns the handle only when the object
   passes the checks; otherwise returns INVALID_HANDLE_VALUE with the
   platform's error (missing, in use) or kNotPlainError. *isFolder, when
   given, tells which kind of object it is. The caller closes the handle. */
HANDLE OpenPlainObject(const wchar_t* path, DWORD access, DWORD share, bool* isFolder);

/* The same for a regular file or a folder only: anything of the other kind
   is refused with kNotPlainError. */
HANDLE OpenPlainFile(const wchar_t* path, DWORD access, DWORD share);
HANDLE OpenPlainFolder(const wchar_t* path, DWORD access, DWORD share);

/* True when path is a regular file that passes the checks. */
bool IsPlainFile(const wchar_t* path);

/* Marks the object behind a handle opened with DELETE access for deletion
   (a folder only when it is empty). Where the system offers POSIX
   semantics the name goes at once, even while other programs hold the
   object open; otherwise it goes when the last handle to it closes. */
bool DeleteThroughHandle(HANDLE object);

/* Deletes the regular file behind a checked handle opened with DELETE and
   FILE_WRITE_ATTRIBUTES access. A read-only mark is cleared first, so that
   a damaged file never blocks the repair for good. True when deleted. */
bool DeleteCheckedFile(HANDLE file);

/* Opens the regular file at path, checks it and deletes it through that
   handle, so a link put in its place is never followed. True when deleted. */
bool DeletePlainFile(const wchar_t* path);

/* Volume and file index of the object behind handle, for telling whether
   two handles lead to the same object. */
struct ObjectIdentity {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
};
bool IdentifyObject(HANDLE handle, ObjectIdentity* identity);

#endif

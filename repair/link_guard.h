/*
 * Refusal of links for the elevated repair. The repair works inside a folder
 * that ordinary users can write to, so before it copies, deletes or opens up
 * anything it makes sure the object is what its path names: no reparse point
 * (junction, symbolic link), a file with exactly one link, and a final path
 * that is the path that was asked for (no redirect higher up).
 */
#ifndef MELVOX_LINK_GUARD_H
#define MELVOX_LINK_GUARD_H

#include <windows.h>

/* True when finalPath, as GetFinalPathNameByHandleW reports it (with or
   without the "\\?\" or "\\?\UNC\" prefix), names the same place as the full
   path fullPath, letters compared without regard to case. */
bool FinalPathNamesSame(const wchar_t* finalPath, const wchar_t* fullPath);

/* Opens path without following a reparse point at its end and returns the
   handle only when the object passes the checks above; otherwise (missing,
   link, redirect) returns INVALID_HANDLE_VALUE. *isFolder, when given, tells
   which kind of object it is. The caller closes the handle. */
HANDLE OpenPlainObject(const wchar_t* path, DWORD access, bool* isFolder);

/* True when path is a folder that passes the checks. */
bool IsPlainFolder(const wchar_t* path);

/* True when path is a regular file that passes the checks. */
bool IsPlainFile(const wchar_t* path);

/* Deletes the regular file at path through the very handle that passed the
   checks, so a link put in its place is never followed. True when deleted. */
bool DeletePlainFile(const wchar_t* path);

/* Removes the folder at path through the handle that passed the checks; the
   platform refuses when the folder is not empty. True when removed. */
bool RemovePlainFolder(const wchar_t* path);

#endif

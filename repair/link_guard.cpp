/*
 * Refusal of links for the elevated repair: every object is opened without
 * following a reparse point at its end, then checked on the handle (reparse
 * attribute, link count, final path) before anything acts on it. Deletion
 * goes through that same handle, so what was checked is what goes.
 *
 * Where the platform behaves unexpectedly: Wine ignores
 * FILE_FLAG_OPEN_REPARSE_POINT (the handle is the link's target) and shows a
 * unix file symlink without the reparse attribute; the final-path comparison
 * is what catches those there. Folders report their own link count, which is
 * not one on every system, so the count is checked for files only.
 */
#include "repair/link_guard.h"

/* Room for any path the repair builds (256) plus the "\\?\UNC\" prefix. */
static const DWORD kCheckPathCapacity = 512;

static const wchar_t* SkipFinalPathPrefix(const wchar_t* path, bool* unc)
{
    *unc = false;
    if (path[0] == L'\\' && path[1] == L'\\' && path[2] == L'?' && path[3] == L'\\') {
        path += 4;
        if ((path[0] == L'U' || path[0] == L'u') && (path[1] == L'N' || path[1] == L'n') &&
            (path[2] == L'C' || path[2] == L'c') && path[3] == L'\\') {
            *unc = true;
            path += 4;
        }
    }
    return path;
}

bool FinalPathNamesSame(const wchar_t* finalPath, const wchar_t* fullPath)
{
    bool unc = false;
    const wchar_t* rest = SkipFinalPathPrefix(finalPath, &unc);
    if (unc) {
        /* "\\?\UNC\server\share" stands for "\\server\share". */
        if (fullPath[0] != L'\\' || fullPath[1] != L'\\')
            return false;
        fullPath += 2;
    }
    return CompareStringOrdinal(rest, -1, fullPath, -1, TRUE) == CSTR_EQUAL;
}

static bool HandleIsPlain(HANDLE handle, const wchar_t* path, bool* isFolder)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return false;
    bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (!folder && info.nNumberOfLinks != 1)
        return false; /* a hard link may share its data with a file elsewhere */

    /* The full path drops the final blank of a name, as the platform does
       when it resolves the path, so it names what the handle should be. */
    wchar_t fullPath[kCheckPathCapacity];
    DWORD length = GetFullPathNameW(path, kCheckPathCapacity, fullPath, NULL);
    if (length == 0 || length >= kCheckPathCapacity)
        return false;
    wchar_t finalPath[kCheckPathCapacity];
    length = GetFinalPathNameByHandleW(handle, finalPath, kCheckPathCapacity,
                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= kCheckPathCapacity)
        return false;
    if (!FinalPathNamesSame(finalPath, fullPath))
        return false;
    if (isFolder)
        *isFolder = folder;
    return true;
}

HANDLE OpenPlainObject(const wchar_t* path, DWORD access, bool* isFolder)
{
    HANDLE handle = CreateFileW(
        path, access | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        NULL, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;
    if (!HandleIsPlain(handle, path, isFolder)) {
        CloseHandle(handle);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

static bool IsPlainKind(const wchar_t* path, bool wantFolder)
{
    bool folder = false;
    HANDLE handle = OpenPlainObject(path, 0, &folder);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(handle);
    return folder == wantFolder;
}

bool IsPlainFolder(const wchar_t* path)
{
    return IsPlainKind(path, true);
}

bool IsPlainFile(const wchar_t* path)
{
    return IsPlainKind(path, false);
}

static bool DeletePlainKind(const wchar_t* path, bool wantFolder)
{
    bool folder = false;
    HANDLE handle = OpenPlainObject(path, DELETE, &folder);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    bool deleted = false;
    if (folder == wantFolder) {
        FILE_DISPOSITION_INFO disposition;
        disposition.DeleteFile = TRUE;
        deleted = SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                             sizeof disposition) != FALSE;
    }
    CloseHandle(handle);
    return deleted;
}

bool DeletePlainFile(const wchar_t* path)
{
    return DeletePlainKind(path, false);
}

bool RemovePlainFolder(const wchar_t* path)
{
    return DeletePlainKind(path, true);
}

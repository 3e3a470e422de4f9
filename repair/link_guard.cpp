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
 *
 * Deleting through a handle: the classic disposition takes effect when the
 * last handle closes, so a name that an indexer or a virus scanner holds
 * open would linger; POSIX semantics (Windows 10 and later, looked up by
 * trying) free it at once. A read-only mark refuses either, so the mark is
 * cleared on the same handle first.
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

bool HandleIsPlain(HANDLE handle, const wchar_t* path, bool* isFolder)
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

HANDLE OpenPlainObject(const wchar_t* path, DWORD access, DWORD share, bool* isFolder)
{
    HANDLE handle = CreateFileW(path, access | FILE_READ_ATTRIBUTES, share, NULL, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;
    if (!HandleIsPlain(handle, path, isFolder)) {
        CloseHandle(handle);
        SetLastError(kNotPlainError);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

static HANDLE OpenPlainKind(const wchar_t* path, DWORD access, DWORD share, bool wantFolder)
{
    bool folder = false;
    HANDLE handle = OpenPlainObject(path, access, share, &folder);
    if (handle != INVALID_HANDLE_VALUE && folder != wantFolder) {
        CloseHandle(handle);
        SetLastError(kNotPlainError);
        return INVALID_HANDLE_VALUE;
    }
    return handle;
}

HANDLE OpenPlainFile(const wchar_t* path, DWORD access, DWORD share)
{
    return OpenPlainKind(path, access, share, false);
}

HANDLE OpenPlainFolder(const wchar_t* path, DWORD access, DWORD share)
{
    return OpenPlainKind(path, access, share, true);
}

bool IsPlainFile(const wchar_t* path)
{
    HANDLE handle = OpenPlainFile(path, 0, kShareAll);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(handle);
    return true;
}

/* FileDispositionInfoEx and its flags, newer than the headers this program
   is built against. */
static const FILE_INFO_BY_HANDLE_CLASS kFileDispositionInfoEx =
    static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
static const DWORD kDispositionDelete = 0x1;
static const DWORD kDispositionPosixSemantics = 0x2;

bool DeleteThroughHandle(HANDLE object)
{
    DWORD flags = kDispositionDelete | kDispositionPosixSemantics;
    if (SetFileInformationByHandle(object, kFileDispositionInfoEx, &flags, sizeof flags))
        return true;
    FILE_DISPOSITION_INFO disposition;
    disposition.DeleteFile = TRUE;
    return SetFileInformationByHandle(object, FileDispositionInfo, &disposition,
                                      sizeof disposition) != FALSE;
}

bool DeleteCheckedFile(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info))
        return false;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        /* Zero times leave the file's times as they are. */
        FILE_BASIC_INFO basic;
        ZeroMemory(&basic, sizeof basic);
        basic.FileAttributes = info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY;
        if (basic.FileAttributes == 0)
            basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        if (!SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof basic))
            return false;
    }
    return DeleteThroughHandle(file);
}

bool DeletePlainFile(const wchar_t* path)
{
    HANDLE file = OpenPlainFile(path, DELETE | FILE_WRITE_ATTRIBUTES, kShareAll);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool deleted = DeleteCheckedFile(file);
    CloseHandle(file);
    return deleted;
}

bool IdentifyObject(HANDLE handle, ObjectIdentity* identity)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    identity->volume = info.dwVolumeSerialNumber;
    identity->indexHigh = info.nFileIndexHigh;
    identity->indexLow = info.nFileIndexLow;
    return true;
}

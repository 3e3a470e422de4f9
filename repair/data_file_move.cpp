/*
 * Moving a data file between the parent and the data folder, on handles.
 *
 * The elevated repair works among files that ordinary users can create,
 * rename and link, and a copy by path would open both ends again after they
 * were checked. So the source is read through the handle that passed the
 * check, and shares neither write nor delete while it is read; the copy is
 * written to a temporary created new (never through a link) and checked on
 * its own handle; it is flushed, then renamed to the data file's name
 * through that handle without replacing anything; only then is the source
 * deleted, through its checked handle. A cut-off run leaves at worst a
 * temporary and two complete copies, never a torn file under a data file's
 * name, and the next run starts by removing the temporary.
 *
 * A read-only mark does not travel with the copy and is cleared on the
 * source before its deletion: the mark is damage on a file that the
 * application must write, and it would block the repair on every later run.
 * Times and the other attributes are kept, as a copy by the shell keeps them.
 */
#include "repair/data_file_move.h"

#include <string.h>

#include "repair/access_grant.h"
#include "repair/link_guard.h"
#include "repair/path_join.h"

static const DWORD kCopyChunk = 64 * 1024;

/* Attributes that a copy keeps from its source. */
static const DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                     FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

static bool WriteAll(HANDLE file, const char* bytes, DWORD count)
{
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(file, bytes, count, &written, NULL) || written == 0)
            return false;
        bytes += written;
        count -= written;
    }
    return true;
}

static bool CopyContent(HANDLE source, HANDLE target)
{
    char buffer[kCopyChunk];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source, buffer, kCopyChunk, &read, NULL))
            return false;
        if (read == 0)
            return true;
        if (!WriteAll(target, buffer, read))
            return false;
    }
}

/* Gives the copy the source's times and attributes, less the read-only
   mark (see the top of this file). */
static bool CopyBasicInfo(HANDLE source, HANDLE target)
{
    FILE_BASIC_INFO basic;
    if (!GetFileInformationByHandleEx(source, FileBasicInfo, &basic, sizeof basic))
        return false;
    basic.ChangeTime.QuadPart = 0; /* left to the file system */
    basic.FileAttributes &= kKeptAttributes;
    if (basic.FileAttributes == 0)
        basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(target, FileBasicInfo, &basic, sizeof basic) != FALSE;
}

/* Renames the file behind handle to fullPath, never replacing what is
   there. The name is a full path: the platform resolves it, and the caller
   checks on the handle where the file ended up. */
static bool RenameNoReplace(HANDLE handle, const wchar_t* fullPath)
{
    size_t length = 0;
    while (fullPath[length] != L'\0')
        ++length;
    /* FILE_RENAME_INFO ends in a name of variable length. */
    union {
        FILE_RENAME_INFO info;
        char bytes[sizeof(FILE_RENAME_INFO) + MAX_PATH * sizeof(wchar_t)];
    } rename;
    if (length >= MAX_PATH)
        return false;
    ZeroMemory(&rename, sizeof rename);
    rename.info.ReplaceIfExists = FALSE;
    rename.info.RootDirectory = NULL;
    rename.info.FileNameLength = static_cast<DWORD>(length * sizeof(wchar_t));
    CopyMemory(rename.info.FileName, fullPath, (length + 1) * sizeof(wchar_t));
    return SetFileInformationByHandle(handle, FileRenameInfo, &rename.info,
                                      sizeof rename.info + length * sizeof(wchar_t)) != FALSE;
}

/* Creates the temporary new, without following a link that stands under
   its name, and checks it on its handle. Write-through, so that the rename
   too reaches the disk before the call returns. */
static HANDLE CreateTemporary(const wchar_t* path)
{
    HANDLE file = CreateFileW(
        path, GENERIC_READ | GENERIC_WRITE | DELETE | READ_CONTROL | WRITE_DAC, 0, NULL, CREATE_NEW,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_WRITE_THROUGH |
            FILE_FLAG_SEQUENTIAL_SCAN,
        NULL);
    if (file == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;
    if (!HandleIsPlain(file, path, NULL)) {
        DeleteThroughHandle(file); /* made by this call, so ours to remove */
        CloseHandle(file);
        SetLastError(kNotPlainError);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

/* Writes a complete, flushed copy of source under the target's name. The
   temporary is removed again on every path that does not end in the
   rename. Returns the copy's handle, or INVALID_HANDLE_VALUE. */
static HANDLE PlaceCopy(HANDLE source, const wchar_t* temporaryPath, const wchar_t* targetPath,
                        int flags)
{
    wchar_t targetFullPath[MAX_PATH];
    DWORD length = GetFullPathNameW(targetPath, MAX_PATH, targetFullPath, NULL);
    if (length == 0 || length >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE copy = CreateTemporary(temporaryPath);
    if (copy == INVALID_HANDLE_VALUE)
        return INVALID_HANDLE_VALUE;

    bool placed =
        CopyContent(source, copy) && CopyBasicInfo(source, copy) && FlushFileBuffers(copy);
    if (placed) {
        /* Room for the copy where a regular file may be replaced; anything
           else stays, and the rename refuses it. */
        if (flags & kReplaceTarget)
            DeletePlainFile(targetPath);
        placed = RenameNoReplace(copy, targetFullPath) && HandleIsPlain(copy, targetPath, NULL);
    }
    if (!placed) {
        DWORD error = GetLastError();
        DeleteThroughHandle(copy);
        CloseHandle(copy);
        SetLastError(error == ERROR_SUCCESS ? ERROR_GEN_FAILURE : error);
        return INVALID_HANDLE_VALUE;
    }
    return copy;
}

DWORD MoveDataFile(const HeldFolder& from, const HeldFolder& to, const DataFileName& file,
                   int flags)
{
    wchar_t sourcePath[kRepairPathCapacity];
    wchar_t targetPath[kRepairPathCapacity];
    wchar_t temporaryPath[kRepairPathCapacity];
    if (!BuildRepairPath(sourcePath, from.path, file.name) ||
        !BuildRepairPath(targetPath, to.path, file.name) ||
        !BuildRepairPath(temporaryPath, to.path, file.temporary))
        return ERROR_BUFFER_OVERFLOW;

    /* No write or delete sharing: the bytes cannot change, and the name
       cannot be taken over, while they are read. */
    HANDLE source =
        OpenPlainFile(sourcePath, GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ);
    if (source == INVALID_HANDLE_VALUE)
        return GetLastError();

    HANDLE copy = PlaceCopy(source, temporaryPath, targetPath, flags);
    if (copy == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        CloseHandle(source);
        return error;
    }
    if (flags & kGrantCopy)
        GrantEveryoneFullAccessThrough(copy);
    CloseHandle(copy);

    DWORD result = DeleteCheckedFile(source) ? ERROR_SUCCESS : GetLastError();
    CloseHandle(source);
    return result;
}

void RemoveLeftoverTemporary(const HeldFolder& folder, const DataFileName& file)
{
    wchar_t path[kRepairPathCapacity];
    if (BuildRepairPath(path, folder.path, file.temporary))
        DeletePlainFile(path);
}

bool SameFileContent(HANDLE first, HANDLE second)
{
    LARGE_INTEGER firstSize;
    LARGE_INTEGER secondSize;
    if (!GetFileSizeEx(first, &firstSize) || !GetFileSizeEx(second, &secondSize) ||
        firstSize.QuadPart != secondSize.QuadPart)
        return false;
    /* A read from a local file comes back short only at its end, and both
       ends are at the same place; any other short read counts as a
       difference, which keeps both copies. */
    char firstBytes[kCopyChunk / 2];
    char secondBytes[kCopyChunk / 2];
    for (;;) {
        DWORD firstRead = 0;
        DWORD secondRead = 0;
        if (!ReadFile(first, firstBytes, sizeof firstBytes, &firstRead, NULL) ||
            !ReadFile(second, secondBytes, sizeof secondBytes, &secondRead, NULL) ||
            firstRead != secondRead)
            return false;
        if (firstRead == 0)
            return true;
        if (memcmp(firstBytes, secondBytes, firstRead) != 0)
            return false;
    }
}

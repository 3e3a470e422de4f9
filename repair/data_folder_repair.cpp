/*
 * Data folder repair: moves the two data files of "Varto Computer\Melvox\
 * Zelnar" out to its parent, removes the folder and creates it anew so that
 * it takes its access lists from the parent, moves the files back and gives
 * Everyone full access to each file and last to the folder.
 *
 * The program runs elevated among files that ordinary users can create,
 * rename and link, and it may be cut off at any moment. So:
 * - the parent and the data folder are opened once, checked on their
 *   handles (no link, no redirect) and held without delete sharing until
 *   their last use, so that neither can be renamed or replaced meanwhile;
 *   a link in either place stops the repair before it changes anything;
 * - every data file moves through MoveDataFile (data_file_move.h): a torn
 *   file never stands under a data file's name, and a source is deleted
 *   only once its copy is complete and flushed;
 * - every state a cut-off run leaves is one the next run finishes: a
 *   temporary is removed, two copies of a file resolve to the data folder's
 *   (both are complete), and data files waiting in the parent while the
 *   data folder is missing are moved back into a new folder;
 * - after the removal the repair goes on only with a folder that it created
 *   itself, and a data file that stayed in the data folder (in use, or its
 *   move-out failed) is never replaced: it is granted, and its copy in the
 *   parent is removed only when the bytes are the same.
 *
 * The file-name literals end in a blank that the platform drops when it
 * resolves a path: the files reached are named without it.
 */
#include "repair/data_folder_repair.h"

#include <windows.h>
#include <shlobj.h>

#include "repair/access_grant.h"
#include "repair/data_file_move.h"
#include "repair/link_guard.h"
#include "repair/path_join.h"

static const wchar_t kParentFolder[] = L"Varto Computer\\Melvox";
static const wchar_t kDataFolder[] = L"Varto Computer\\Melvox\\Zelnar";
static const DataFileName kDataFiles[] = {
    {L"Zelnar.qmxb ", L"Zelnar.qmxb.repairing"},
    {L"Zelnar.qmxd ", L"Zelnar.qmxd.repairing"},
};

/* The parent is only held; the data folder is removed through its first
   handle, and the one the files come back into is granted through its. A
   handle counts in the platform's sharing checks only when it has data or
   delete access, so each holds at least the right to list the folder: that
   is what keeps others from renaming it. */
static const DWORD kParentAccess = FILE_LIST_DIRECTORY | SYNCHRONIZE;
static const DWORD kOldFolderAccess = FILE_LIST_DIRECTORY | DELETE | SYNCHRONIZE;
static const DWORD kNewFolderAccess = FILE_LIST_DIRECTORY | READ_CONTROL | WRITE_DAC | SYNCHRONIZE;

/* A folder whose removal is still pending (another program holds it open)
   keeps its name until the last handle closes, and creating it again is
   refused meanwhile. */
static const int kCreateAttempts = 40;
static const DWORD kCreateRetryDelay = 50; /* milliseconds: two seconds in all */

static bool ParentHoldsDataFile(const HeldFolder& parent)
{
    for (const DataFileName& file : kDataFiles) {
        wchar_t path[kRepairPathCapacity];
        if (BuildRepairPath(path, parent.path, file.name) && IsPlainFile(path))
            return true;
    }
    return false;
}

/* Creates the data folder and returns its checked handle, only when this
   very call created it: a folder that someone else put there in the
   meantime is not one to fill with the data files and open up. */
static HANDLE CreateFreshFolder(const wchar_t* path)
{
    for (int attempt = 1;; ++attempt) {
        if (CreateDirectoryW(path, NULL))
            return OpenPlainFolder(path, kNewFolderAccess, kShareNoDelete);
        if (GetLastError() != ERROR_ACCESS_DENIED || attempt == kCreateAttempts)
            return INVALID_HANDLE_VALUE;
        Sleep(kCreateRetryDelay);
    }
}

/* The old folder was not removed (it holds other files): opens it again
   for the move-back and the grant, only if it is still the same folder. */
static HANDLE ReopenSameFolder(const wchar_t* path, const ObjectIdentity& old)
{
    HANDLE folder = OpenPlainFolder(path, kNewFolderAccess, kShareNoDelete);
    ObjectIdentity now;
    if (folder != INVALID_HANDLE_VALUE &&
        (!IdentifyObject(folder, &now) || now.volume != old.volume ||
         now.indexHigh != old.indexHigh || now.indexLow != old.indexLow)) {
        CloseHandle(folder);
        return INVALID_HANDLE_VALUE;
    }
    return folder;
}

/* Moves out what the old folder holds, removes it and returns a handle to
   the folder the files go back into: a new one that this run created, or
   the old one when it could not be removed. INVALID_HANDLE_VALUE stops the
   repair; the data files then wait in the parent for the next run. */
static HANDLE RebuildFolder(const HeldFolder& parent, HeldFolder old)
{
    for (const DataFileName& file : kDataFiles)
        RemoveLeftoverTemporary(old, file);
    for (const DataFileName& file : kDataFiles)
        MoveDataFile(old, parent, file, kReplaceTarget);

    ObjectIdentity identity;
    bool identified = IdentifyObject(old.handle, &identity);
    bool removed = DeleteThroughHandle(old.handle); /* refused unless empty */
    CloseHandle(old.handle);
    if (removed)
        return CreateFreshFolder(old.path);
    return identified ? ReopenSameFolder(old.path, identity) : INVALID_HANDLE_VALUE;
}

/* Puts one data file back. A file already in the data folder is not
   replaced: its move-out did not complete, so it holds the newest content.
   It is granted, and its copy in the parent goes only when it is the same. */
static void MoveDataFileBack(const HeldFolder& parent, const HeldFolder& folder,
                             const DataFileName& file)
{
    wchar_t path[kRepairPathCapacity];
    wchar_t parentPath[kRepairPathCapacity];
    if (!BuildRepairPath(path, folder.path, file.name) ||
        !BuildRepairPath(parentPath, parent.path, file.name))
        return;

    HANDLE staying = OpenPlainFile(path, GENERIC_READ | READ_CONTROL | WRITE_DAC, kShareAll);
    if (staying == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION)
        staying = OpenPlainFile(path, READ_CONTROL | WRITE_DAC, kShareAll); /* grant only */
    if (staying == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            MoveDataFile(parent, folder, file, kGrantCopy);
        return; /* something else stands there: both stay as they are */
    }
    GrantEveryoneFullAccessThrough(staying);
    HANDLE duplicate =
        OpenPlainFile(parentPath, GENERIC_READ | DELETE | FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ);
    if (duplicate != INVALID_HANDLE_VALUE) {
        if (SameFileContent(staying, duplicate))
            DeleteCheckedFile(duplicate);
        CloseHandle(duplicate);
    }
    CloseHandle(staying);
}

void RepairDataFolderIn(const wchar_t* applicationDataFolder)
{
    wchar_t folderPath[kRepairPathCapacity];
    wchar_t parentPath[kRepairPathCapacity];
    if (!BuildRepairPath(parentPath, applicationDataFolder, kParentFolder) ||
        !BuildRepairPath(folderPath, applicationDataFolder, kDataFolder))
        return;

    HeldFolder parent = {OpenPlainFolder(parentPath, kParentAccess, kShareNoDelete), parentPath};
    if (parent.handle == INVALID_HANDLE_VALUE)
        return;
    HeldFolder folder = {OpenPlainFolder(folderPath, kOldFolderAccess, kShareNoDelete), folderPath};
    bool stranded = false;
    if (folder.handle == INVALID_HANDLE_VALUE) {
        /* No data folder but data files in the parent: a repair cut off
           between removal and creation. Anything else (a link, a file, a
           folder in use) is left as it is. */
        stranded = GetLastError() == ERROR_FILE_NOT_FOUND && ParentHoldsDataFile(parent);
        if (!stranded) {
            CloseHandle(parent.handle);
            return;
        }
    }

    for (const DataFileName& file : kDataFiles)
        RemoveLeftoverTemporary(parent, file);
    folder.handle = stranded ? CreateFreshFolder(folderPath) : RebuildFolder(parent, folder);
    if (folder.handle != INVALID_HANDLE_VALUE) {
        for (const DataFileName& file : kDataFiles)
            MoveDataFileBack(parent, folder, file);
        GrantEveryoneFullAccessThrough(folder.handle);
        CloseHandle(folder.handle);
    }
    CloseHandle(parent.handle);
}

void RepairDataFolder()
{
    /* The shell writes up to MAX_PATH characters, more than the repair's
       buffers hold: take the folder in a buffer of that size first. */
    wchar_t applicationDataFolder[MAX_PATH];
    if (SHGetFolderPathW(NULL, CSIDL_COMMON_APPDATA, NULL, SHGFP_TYPE_CURRENT,
                         applicationDataFolder) != S_OK)
        return;
    RepairDataFolderIn(applicationDataFolder);
}

/*
 * Data folder repair: moves the two data files of "Varto Computer\Melvox\
 * Zelnar" out to its parent, removes the folder and creates it anew so that
 * it takes its access lists from the parent, moves the files back and gives
 * Everyone full access to each file and last to the folder.
 *
 * The program runs elevated in a folder that ordinary users can write to, so
 * the repair does nothing at all when the parent or the data folder is a link
 * or leads elsewhere, and leaves alone any data file that is not a regular
 * file of its own (see link_guard.h). A data file is deleted only after its
 * copy succeeded, and a copy never replaces what is at its target: the target
 * is first removed through a checked handle, then the copy refuses to write
 * over whatever appeared there since. A path that does not fit its buffer
 * skips the one operation that needed it.
 *
 * The file-name literals end in a blank that the platform drops when it
 * resolves a path: the files reached are named without it.
 */
#include "repair/data_folder_repair.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "repair/access_grant.h"
#include "repair/link_guard.h"
#include "repair/path_join.h"

static const size_t kRepairPathCapacity = 256;

static const wchar_t kParentFolder[] = L"Varto Computer\\Melvox";
static const wchar_t kDataFolder[] = L"Varto Computer\\Melvox\\Zelnar";
static const wchar_t* const kDataFiles[] = {L"Zelnar.qmxb ", L"Zelnar.qmxd "};

/* Clears the way for a copy to target: nothing there, or a regular file
   there that is then deleted through its checked handle. False when
   something else stands there (a link, a folder) and the copy must not run. */
static bool ClearCopyTarget(const wchar_t* target)
{
    if (!PathFileExistsW(target))
        return true;
    return DeletePlainFile(target);
}

/* Copies source to target without ever writing through a link at the target.
   True when the copy succeeded. */
static bool CopyPlainFile(const wchar_t* source, const wchar_t* target)
{
    if (!IsPlainFile(source))
        return false;
    if (!ClearCopyTarget(target))
        return false;
    return CopyFileW(source, target, TRUE) != FALSE;
}

static void MoveDataFileOut(const wchar_t* folderPath, const wchar_t* parentPath,
                            const wchar_t* name)
{
    wchar_t folderFilePath[kRepairPathCapacity];
    wchar_t parentFilePath[kRepairPathCapacity];
    if (!CopyPath(folderFilePath, kRepairPathCapacity, folderPath) ||
        !CopyPath(parentFilePath, kRepairPathCapacity, parentPath) ||
        !JoinPath(folderFilePath, kRepairPathCapacity, name) ||
        !JoinPath(parentFilePath, kRepairPathCapacity, name))
        return;
    if (!PathFileExistsW(folderFilePath))
        return;
    if (CopyPlainFile(folderFilePath, parentFilePath))
        DeletePlainFile(folderFilePath);
}

static void MoveDataFileBack(const wchar_t* folderPath, const wchar_t* parentPath,
                             const wchar_t* name)
{
    wchar_t parentFilePath[kRepairPathCapacity];
    if (!CopyPath(parentFilePath, kRepairPathCapacity, parentPath) ||
        !JoinPath(parentFilePath, kRepairPathCapacity, name))
        return;
    if (!PathFileExistsW(parentFilePath))
        return;
    wchar_t folderFilePath[kRepairPathCapacity];
    if (!CopyPath(folderFilePath, kRepairPathCapacity, folderPath) ||
        !JoinPath(folderFilePath, kRepairPathCapacity, name))
        return;
    if (!CopyPlainFile(parentFilePath, folderFilePath))
        return;
    GrantEveryoneFullAccess(folderFilePath);
    DeletePlainFile(parentFilePath);
}

/* Neither folder may be a link or lead elsewhere: otherwise the repair would
   move, delete and open up files of someone else's choosing. */
static bool FoldersArePlain(const wchar_t* folderPath, const wchar_t* parentPath)
{
    return IsPlainFolder(parentPath) && IsPlainFolder(folderPath);
}

void RepairDataFolderIn(const wchar_t* applicationDataFolder)
{
    wchar_t folderPath[kRepairPathCapacity];
    wchar_t parentPath[kRepairPathCapacity];
    if (!CopyPath(folderPath, kRepairPathCapacity, applicationDataFolder))
        return;
    if (!CopyPath(parentPath, kRepairPathCapacity, folderPath) ||
        !JoinPath(parentPath, kRepairPathCapacity, kParentFolder))
        return;
    if (!JoinPath(folderPath, kRepairPathCapacity, kDataFolder))
        return;
    if (!PathIsDirectoryW(folderPath))
        return;
    if (!FoldersArePlain(folderPath, parentPath))
        return;

    for (const wchar_t* name : kDataFiles)
        MoveDataFileOut(folderPath, parentPath, name);

    RemovePlainFolder(folderPath);
    CreateDirectoryW(folderPath, NULL);

    /* Checked again: the folder was briefly absent, and a link planted in
       its place must not receive the data files or the grant. */
    if (!FoldersArePlain(folderPath, parentPath))
        return;

    for (const wchar_t* name : kDataFiles)
        MoveDataFileBack(folderPath, parentPath, name);

    GrantEveryoneFullAccess(folderPath);
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

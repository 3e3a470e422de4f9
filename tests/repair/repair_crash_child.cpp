/*
 * A repair in a process of its own, for the crash tests: runs the repair
 * under the application-data folder given as the first argument and ends
 * the process right before the file operation numbered by the second
 * (0: none). Without a crash its exit code is the number of file
 * operations the repair made.
 *   repair_crash_child APPDATA CRASH_AT
 */
#include <windows.h>

#include <stdlib.h>

#include "file_operation_hooks.h"
#include "repair/data_folder_repair.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc != 3 || !InstallFileOperationHooks())
        return -1;
    int crashAt = _wtoi(argv[2]);
    if (crashAt > 0)
        ArmCrash(crashAt);
    else
        ArmCount();
    RepairDataFolderIn(argv[1]);
    return Disarm();
}

/*
 * A repair cut off or failing at any moment loses nothing, and the next run
 * finishes it. The repair's file operations are counted (see
 * file_operation_hooks.h); then, for each one in turn:
 * - a repair in a process of its own dies right before it, as in a crash or
 *   a power cut, and then a full run follows;
 * - a repair in this process sees it fail once with the error of a full
 *   disk, a locked file or a denied access, and then a clean run follows.
 * After the interruption each data file still has its original bytes under
 * its own name, in the data folder or in the parent, and no other bytes
 * stand under that name; after the next run both data files are in the
 * data folder, granted, with nothing left in the parent and no temporary.
 * A few kills at timed moments while two large files are copied complete
 * the picture: those land inside the copy loop itself.
 *
 * The first data file carries the read-only mark and spans several copy
 * chunks, so the mark's removal and a torn temporary are among the states.
 */
#include <windows.h>

#include <string>
#include <vector>

#include "file_operation_hooks.h"
#include "repair/data_folder_repair.h"
#include "repair_fixture.h"

namespace
{

struct DataFile {
    const wchar_t* name;
    std::string bytes;
};

/* Bytes that differ at every position, from a seed. */
std::string Pattern(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned state = seed;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

std::wstring ChildPath()
{
    wchar_t self[MAX_PATH];
    DWORD length = GetModuleFileNameW(NULL, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"repair_crash_child.exe";
}

/* Starts the child repair; returns its process handle or nullptr. Without
   a console: Wine gives a console program started with a hidden one a
   console host of its own, and a host whose program was killed early in
   its start was seen to stay, holding this program's output open. */
HANDLE StartChild(const std::wstring& appData, int crashAt)
{
    HANDLE process = nullptr;
    StartProcess(NULL, L"\"" + ChildPath() + L"\" \"" + appData + L"\" " + std::to_wstring(crashAt),
                 DETACHED_PROCESS, &process);
    return process;
}

DWORD WaitForChild(HANDLE process)
{
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process, 600000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

class InterruptedRepairTest : public RepairTreeTest
{
  protected:
    std::vector<DataFile> files;

    void UseFiles(size_t firstSize, size_t secondSize)
    {
        files = {{L"Zelnar.qmxb", Pattern(firstSize, 1)}, {L"Zelnar.qmxd", Pattern(secondSize, 2)}};
    }

    /* The data folder with both files, the first one read-only. */
    void PlantStart()
    {
        RemoveTreeUnix(vendor);
        ASSERT_TRUE(MakeFolders(folder));
        for (const DataFile& file : files)
            ASSERT_TRUE(WriteBytes(folder + L"\\" + file.name, file.bytes));
        ASSERT_TRUE(
            SetFileAttributesW((folder + L"\\" + files[0].name).c_str(), FILE_ATTRIBUTE_READONLY));
    }

    /* Each data file has its bytes under its own name somewhere, and no
       other bytes stand under that name. */
    void ExpectNothingLost()
    {
        for (const DataFile& file : files) {
            bool somewhere = false;
            for (const std::wstring& place : {folder, parent}) {
                std::wstring path = place + L"\\" + file.name;
                if (!Exists(path))
                    continue;
                somewhere = true;
                EXPECT_TRUE(ReadBytes(path) == file.bytes)
                    << "other bytes under " << std::string(path.begin(), path.end());
            }
            EXPECT_TRUE(somewhere) << "lost: " << std::string(file.name, file.name + 11);
        }
    }

    void ExpectRepaired()
    {
        EXPECT_EQ(std::set<std::wstring>({L"Zelnar.qmxb", L"Zelnar.qmxd"}), ListFolder(folder));
        EXPECT_EQ(std::set<std::wstring>({L"Zelnar\\"}), ListFolder(parent));
        for (const DataFile& file : files) {
            std::wstring path = folder + L"\\" + file.name;
            EXPECT_TRUE(ReadBytes(path) == file.bytes) << "bytes of the repaired file";
            EXPECT_TRUE(EveryoneHasFullAccess(path));
            EXPECT_FALSE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY);
        }
        EXPECT_TRUE(EveryoneHasFullAccess(folder));
    }

    int CountOperations()
    {
        PlantStart();
        return static_cast<int>(WaitForChild(StartChild(appData, 0)));
    }
};

TEST_F(InterruptedRepairTest, CrashAtEveryFileOperationThenRerun)
{
    UseFiles(150000, 100);
    int operations = CountOperations();
    ASSERT_GT(operations, 20);
    ExpectRepaired();
    for (int crashAt = 1; crashAt <= operations; ++crashAt) {
        SCOPED_TRACE("crash before file operation " + std::to_string(crashAt) + " of " +
                     std::to_string(operations));
        PlantStart();
        ASSERT_EQ(kCrashExitCode, WaitForChild(StartChild(appData, crashAt)));
        ExpectNothingLost();

        RepairDataFolder();

        ExpectRepaired();
        if (HasFailure())
            break; /* one crash point's story is enough to read */
    }
}

TEST_F(InterruptedRepairTest, KilledWhileCopyingLargeFilesThenRerun)
{
    UseFiles(24 << 20, 16 << 20);
    PlantStart();
    DWORD start = GetTickCount();
    ASSERT_NE(kCrashExitCode, WaitForChild(StartChild(appData, 0)));
    DWORD whole = GetTickCount() - start;
    ExpectRepaired();
    for (int tenths : {2, 4, 6, 8}) {
        SCOPED_TRACE("killed after " + std::to_string(tenths) + "/10 of a whole run");
        PlantStart();
        HANDLE child = StartChild(appData, 0);
        ASSERT_NE(nullptr, child);
        Sleep(whole * tenths / 10);
        TerminateProcess(child, kCrashExitCode);
        WaitForChild(child);
        ExpectNothingLost();

        RepairDataFolder();

        ExpectRepaired();
    }
}

TEST_F(InterruptedRepairTest, EveryFileOperationFailingOnceThenCleanRun)
{
    ASSERT_TRUE(InstallFileOperationHooks());
    UseFiles(150000, 100);
    PlantStart();
    ArmCount();
    RepairDataFolder();
    int operations = Disarm();
    ASSERT_GT(operations, 20);

    const DWORD errors[] = {ERROR_DISK_FULL, ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED};
    for (int failAt = 1; failAt <= operations; ++failAt) {
        DWORD error = errors[failAt % 3];
        SCOPED_TRACE("file operation " + std::to_string(failAt) + " fails with error " +
                     std::to_string(error));
        PlantStart();
        ArmFailure(failAt, error);
        RepairDataFolder();
        Disarm();
        ExpectNothingLost();

        RepairDataFolder();

        ExpectRepaired();
        if (HasFailure())
            break;
    }
}

} // namespace

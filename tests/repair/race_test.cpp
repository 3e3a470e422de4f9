/*
 * What another program does while the repair works. The repair's own file
 * operations are the moments (see file_operation_hooks.h): right before the
 * first copy reads its source, an ordinary program tries to rename the
 * source, the folders and the temporary, and then the source is swapped for
 * a link to a file outside by the system's own mv and ln, which no Windows
 * share mode stops. The copy must go on from the checked handle, so the
 * outside file is never copied into the data folder nor opened up. And a
 * folder that someone else creates between the removal and the creation of
 * the data folder stops the repair without losing a file.
 *
 * Only a real Windows machine can show the rest: opportunistic locks that
 * hold a gap open for as long as an attacker likes, junctions and NTFS
 * symbolic links (Wine cannot create them), a folder left "delete pending"
 * by another handle, and NTFS refusing to rename a folder that holds open
 * files. Under Wine a unix link stands in for the swapped-in link.
 */
#include <string.h>

#include <string>

#include "file_operation_hooks.h"
#include "repair/data_folder_repair.h"
#include "repair_fixture.h"

namespace
{

const char kSecret[] = "outside secret";

/* Paths for the callbacks, set by the test before it arms them. */
std::wstring gFolder;
std::wstring gParent;
std::wstring gSecret;
bool gActed = false; /* the callback did its work */

bool Renames(const std::wstring& from, const std::wstring& to)
{
    if (!MoveFileExW(from.c_str(), to.c_str(), 0))
        return false;
    MoveFileExW(to.c_str(), from.c_str(), 0); /* put it back for the next try */
    return true;
}

void SwapBeforeFirstCopy(int, const char* function)
{
    if (gActed || (strcmp(function, "ReadFile") != 0 && strcmp(function, "CopyFileW") != 0))
        return;
    gActed = true;
    std::wstring source = gFolder + L"\\Zelnar.qmxb";
    std::wstring temporary = gParent + L"\\Zelnar.qmxb.repairing";

    EXPECT_FALSE(Renames(source, gFolder + L"\\moved")) << "the source is held";
    EXPECT_FALSE(Renames(gFolder, gParent + L"\\moved")) << "the data folder is held";
    EXPECT_FALSE(Renames(gParent, gParent + L"-moved")) << "the parent is held";
    EXPECT_FALSE(Renames(temporary, gParent + L"\\moved")) << "the temporary is held";
    HANDLE opened = CreateFileW(temporary.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(INVALID_HANDLE_VALUE, opened) << "the temporary is shared with no one";
    if (opened != INVALID_HANDLE_VALUE)
        CloseHandle(opened);

    EXPECT_TRUE(MoveUnix(source, gFolder + L"\\Zelnar.qmxb.original"));
    EXPECT_TRUE(MakeUnixSymlink(gSecret, source));
}

void CreateFolderFirst(int, const char* function)
{
    if (strcmp(function, "CreateDirectoryW") != 0 || gActed)
        return;
    gActed = true;
    EXPECT_TRUE(CreateDirectoryW(gFolder.c_str(), NULL));
    EXPECT_TRUE(WriteBytes(gFolder + L"\\planted.txt", "planted"));
}

class RaceTest : public RepairTreeTest
{
  protected:
    void SetUp() override
    {
        RepairTreeTest::SetUp();
        ASSERT_TRUE(InstallFileOperationHooks());
        gFolder = folder;
        gParent = parent;
        gSecret = outside + L"\\secret.txt";
        gActed = false;
        ASSERT_TRUE(WriteBytes(gSecret, kSecret));
        ASSERT_TRUE(MakeFolders(folder));
        ASSERT_TRUE(WriteBytes(folder + L"\\Zelnar.qmxb", "first"));
        ASSERT_TRUE(WriteBytes(folder + L"\\Zelnar.qmxd", "second"));
    }
};

TEST_F(RaceTest, SourceSwappedForALinkAfterTheCheckIsNeverFollowed)
{
    std::map<std::wstring, std::string> outsideBefore = SnapshotTree(outside);

    ArmCallback(SwapBeforeFirstCopy);
    RepairDataFolder();
    Disarm();

    ASSERT_TRUE(gActed);
    EXPECT_EQ(outsideBefore, SnapshotTree(outside)) << "the outside file was read or opened up";
    /* The copy came from the checked handle. The link left under the data
       file's name is refused, so the copy waits in the parent. */
    EXPECT_EQ("first", ReadBytes(parent + L"\\Zelnar.qmxb"));
    EXPECT_EQ("second", ReadBytes(folder + L"\\Zelnar.qmxd"));
    EXPECT_TRUE(EveryoneHasFullAccess(folder + L"\\Zelnar.qmxd"));
}

TEST_F(RaceTest, LinkAtTheTemporaryNameIsNeverFollowed)
{
    ASSERT_TRUE(MakeUnixSymlink(gSecret, parent + L"\\Zelnar.qmxb.repairing"));
    std::map<std::wstring, std::string> outsideBefore = SnapshotTree(outside);

    RepairDataFolder();

    EXPECT_EQ(outsideBefore, SnapshotTree(outside));
    /* The first file cannot move out, so it stays where it is, granted. */
    EXPECT_EQ("first", ReadBytes(folder + L"\\Zelnar.qmxb"));
    EXPECT_EQ("second", ReadBytes(folder + L"\\Zelnar.qmxd"));
    EXPECT_TRUE(EveryoneHasFullAccess(folder + L"\\Zelnar.qmxb"));
    EXPECT_TRUE(EveryoneHasFullAccess(folder + L"\\Zelnar.qmxd"));
    EXPECT_TRUE(Exists(parent + L"\\Zelnar.qmxb.repairing")) << "the link is not removed either";
}

TEST_F(RaceTest, FolderCreatedBySomeoneElseStopsTheRepair)
{
    ArmCallback(CreateFolderFirst);
    RepairDataFolder();
    Disarm();

    ASSERT_TRUE(gActed);
    /* Nothing goes into, or opens up, a folder this run did not create; the
       data files wait in the parent for the next run. */
    EXPECT_EQ(std::set<std::wstring>({L"planted.txt"}), ListFolder(folder));
    EXPECT_FALSE(EveryoneHasFullAccess(folder));
    EXPECT_EQ("first", ReadBytes(parent + L"\\Zelnar.qmxb"));
    EXPECT_EQ("second", ReadBytes(parent + L"\\Zelnar.qmxd"));
}

} // namespace

/*
 * The data folder repair on the real disk of the test prefix: a table of
 * trees before and after, including copies made to fail (a folder squatting
 * the target's name, a source held open without read sharing) where a data
 * file must never be lost, and paths too long for the repair's buffers.
 *
 * Whether the folder was created anew is seen through the hidden attribute
 * that the fixture puts on the old folder. The files are created without the
 * final blank of the repair's literals and the listings are compared exactly,
 * so a file reached or created under the name with the blank would show.
 */
#include <map>
#include <vector>

#include "repair/data_folder_repair.h"
#include "repair_fixture.h"

namespace
{

enum Place { kNowhere, kInFolder, kInParent };

struct RepairCase {
    const char* title;
    std::vector<Item> inFolder;
    std::vector<Item> inParent;
    Place heldPlace; /* a data file held open without read sharing */
    const wchar_t* heldName;
    std::vector<Item> folderAfter;
    std::vector<Item> parentAfter; /* besides the data folder itself */
    std::vector<const wchar_t*> granted;
    bool recreated;
};

const wchar_t kFirst[] = L"Zelnar.qmxb";
const wchar_t kSecond[] = L"Zelnar.qmxd";

const RepairCase kCases[] = {
    {"both data files",
     {{kFirst, "first"}, {kSecond, "second"}},
     {},
     kNowhere,
     nullptr,
     {{kFirst, "first"}, {kSecond, "second"}},
     {},
     {kFirst, kSecond},
     true},
    {"first data file only",
     {{kFirst, "first"}},
     {},
     kNowhere,
     nullptr,
     {{kFirst, "first"}},
     {},
     {kFirst},
     true},
    {"empty data folder", {}, {}, kNowhere, nullptr, {}, {}, {}, true},
    {"a further file keeps the folder",
     {{kFirst, "first"}, {kSecond, "second"}, {L"notes.txt", "keep"}},
     {},
     kNowhere,
     nullptr,
     {{kFirst, "first"}, {kSecond, "second"}, {L"notes.txt", "keep"}},
     {},
     {kFirst, kSecond},
     false},
    {"data file only in the parent",
     {},
     {{kSecond, "from parent"}},
     kNowhere,
     nullptr,
     {{kSecond, "from parent"}},
     {},
     {kSecond},
     true},
    {"same file in both places: the data folder's wins",
     {{kFirst, "folder copy"}},
     {{kFirst, "parent copy"}},
     kNowhere,
     nullptr,
     {{kFirst, "folder copy"}},
     {},
     {kFirst},
     true},
    {"move-out target squatted by a folder: the file stays and is granted",
     {{kFirst, "first"}, {kSecond, "second"}},
     {{kFirst, nullptr}},
     kNowhere,
     nullptr,
     {{kFirst, "first"}, {kSecond, "second"}},
     {{kFirst, nullptr}},
     {kFirst, kSecond},
     false},
    {"move-back target squatted by a folder",
     {{kFirst, nullptr}},
     {{kFirst, "from parent"}},
     kNowhere,
     nullptr,
     {{kFirst, nullptr}},
     {{kFirst, "from parent"}},
     {},
     false},
    {"move-out copy fails on a locked source: the file stays and is granted",
     {{kFirst, "first"}, {kSecond, "second"}},
     {},
     kInFolder,
     kFirst,
     {{kFirst, "first"}, {kSecond, "second"}},
     {},
     {kFirst, kSecond},
     false},
    {"move-back copy fails on a locked source",
     {},
     {{kFirst, "from parent"}},
     kInParent,
     kFirst,
     {},
     {{kFirst, "from parent"}},
     {},
     true},
};

class DataFolderRepairTest : public RepairTreeTest
{
};

TEST_F(DataFolderRepairTest, TableOfTrees)
{
    for (const RepairCase& c : kCases) {
        SCOPED_TRACE(c.title);
        RemoveTreeUnix(vendor);
        ASSERT_TRUE(MakeFolders(folder));
        Plant(folder, c.inFolder);
        Plant(parent, c.inParent);
        ASSERT_TRUE(SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_HIDDEN));
        ASSERT_TRUE(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_HIDDEN);
        ASSERT_FALSE(EveryoneHasFullAccess(folder));

        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.heldPlace != kNowhere) {
            std::wstring path = (c.heldPlace == kInFolder ? folder : parent) + L"\\" + c.heldName;
            held = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                               0, NULL);
            ASSERT_NE(INVALID_HANDLE_VALUE, held);
            /* The case is only worth its name if the copy really fails. */
            std::wstring probe = outside + L"\\copy-probe";
            ASSERT_FALSE(CopyFileW(path.c_str(), probe.c_str(), TRUE));
        }

        RepairDataFolder();

        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        ExpectTreeAfter(c.folderAfter, c.parentAfter, c.granted);
        bool hidden = (GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0;
        EXPECT_EQ(c.recreated, !hidden) << "recreated";
    }
}

TEST_F(DataFolderRepairTest, NoDataFolderAndNoDataFileChangesNothing)
{
    /* Only data files in the parent mean a repair was cut off: a folder
       under a data file's name, another file or a temporary do not. */
    ASSERT_TRUE(MakeFolders(parent + L"\\Zelnar.qmxb"));
    ASSERT_TRUE(WriteBytes(parent + L"\\notes.txt", "keep"));
    ASSERT_TRUE(WriteBytes(parent + L"\\Zelnar.qmxd.repairing", "torn"));
    std::map<std::wstring, std::string> before = SnapshotTree(vendor);

    RepairDataFolder();

    EXPECT_FALSE(Exists(folder));
    EXPECT_EQ(before, SnapshotTree(vendor));
}

TEST_F(DataFolderRepairTest, PathsThatDoNotFitAreSkippedWithoutDeleting)
{
    /* A base of 220 characters: the folder path (249) fits the repair's
       256-character buffers, the data files' paths in it (262) do not, and
       the parent's file path (255) just fits. */
    std::wstring base = outside + L"\\";
    base += std::wstring(220 - base.size(), L'b');
    std::wstring longParent = base + L"\\Varto Computer\\Melvox";
    std::wstring longFolder = longParent + L"\\Zelnar";
    ASSERT_EQ(249u, longFolder.size());
    ASSERT_TRUE(MakeFolders(L"\\\\?\\" + longFolder));
    ASSERT_TRUE(WriteBytes(L"\\\\?\\" + longFolder + L"\\Zelnar.qmxb", "first"));
    ASSERT_TRUE(WriteBytes(L"\\\\?\\" + longParent + L"\\Zelnar.qmxd", "second"));

    RepairDataFolderIn(base.c_str());

    EXPECT_EQ("first", ReadBytes(L"\\\\?\\" + longFolder + L"\\Zelnar.qmxb"));
    EXPECT_EQ("second", ReadBytes(L"\\\\?\\" + longParent + L"\\Zelnar.qmxd"));
    EXPECT_EQ(std::set<std::wstring>({L"Zelnar.qmxb"}), ListFolder(longFolder));
    EXPECT_EQ(std::set<std::wstring>({L"Zelnar\\", L"Zelnar.qmxd"}), ListFolder(longParent));
    EXPECT_TRUE(EveryoneHasFullAccess(longFolder)) << "the folder's own path fits";
}

} // namespace

/*
 * The repair refuses to act through links planted by an ordinary user: the
 * data folder, its parent or a folder higher up leading elsewhere, and data
 * files that are symbolic or hard links to a file outside. Whatever lies
 * outside keeps its bytes, its access (under Wine: its unix permission bits)
 * and its existence, and the data files that are regular still go through.
 *
 * Under Wine, unix symlinks stand in for the links: a folder symlink shows
 * as a reparse point, a file symlink only through its final path, and
 * deleting through either deletes the target, so these cases catch a repair
 * that follows links. Only a real Windows machine can show the rest: NTFS
 * junctions and symbolic links (Wine cannot create them), object-manager
 * links under \RPC Control, FILE_FLAG_OPEN_REPARSE_POINT returning the link
 * itself and the redirection-trust mitigation. Links swapped in while the
 * repair works are the subject of race_test.cpp.
 */
#include "repair/access_grant.h"
#include "repair/data_folder_repair.h"
#include "repair_fixture.h"

namespace
{

const char kSecret[] = "outside secret";

/* Folder-level links: the repair must do nothing at all. */
enum FolderLink { kDataFolderLink, kDataFolderLinkLackingFile, kParentLink, kHigherUpLink };

struct FolderLinkCase {
    const char* title;
    FolderLink link;
};

const FolderLinkCase kFolderLinkCases[] = {
    {"data folder is a link to a folder outside", kDataFolderLink},
    /* A repair that skipped the data folder's own check would move the
       waiting file into the outside folder and open it up there. */
    {"data folder is a link to a folder outside that lacks the data file waiting in the parent",
     kDataFolderLinkLackingFile},
    {"parent folder is a link to a folder outside", kParentLink},
    {"a folder higher up is a link (redirect)", kHigherUpLink},
};

class LinkRefusalTest : public RepairTreeTest
{
  protected:
    /* outside\secret.txt plus a look-alike tree outside\Varto\Melvox\Zelnar
       with both data files; returns false if it could not be built. */
    bool PlantOutside()
    {
        std::wstring look = outside + L"\\Varto\\Melvox\\Zelnar";
        return WriteBytes(outside + L"\\secret.txt", kSecret) && MakeFolders(look) &&
               WriteBytes(look + L"\\Zelnar.qmxb", "outside first") &&
               WriteBytes(look + L"\\Zelnar.qmxd", "outside second");
    }
};

TEST_F(LinkRefusalTest, FolderLinksStopTheWholeRepair)
{
    for (const FolderLinkCase& c : kFolderLinkCases) {
        SCOPED_TRACE(c.title);
        RemoveTreeUnix(vendor);
        RemoveTreeUnix(outside);
        ASSERT_TRUE(CreateDirectoryW(outside.c_str(), NULL));
        ASSERT_TRUE(PlantOutside());
        std::wstring linkPath;
        std::wstring target;
        if (c.link == kDataFolderLink || c.link == kDataFolderLinkLackingFile) {
            ASSERT_TRUE(MakeFolders(parent));
            ASSERT_TRUE(WriteBytes(parent + L"\\Zelnar.qmxd", "parent copy"));
            linkPath = folder;
            target = outside + L"\\Varto\\Melvox\\Zelnar";
            if (c.link == kDataFolderLinkLackingFile) {
                ASSERT_TRUE(DeleteFileW((target + L"\\Zelnar.qmxd").c_str()));
            }
        } else if (c.link == kParentLink) {
            ASSERT_TRUE(MakeFolders(vendor));
            linkPath = parent;
            target = outside + L"\\Varto\\Melvox";
        } else {
            linkPath = vendor;
            target = outside + L"\\Varto";
        }
        ASSERT_TRUE(MakeUnixSymlink(target, linkPath));
        ASSERT_TRUE(IsFolder(folder)) << "the repair must see a data folder to refuse";
        std::map<std::wstring, std::string> outsideBefore = SnapshotTree(outside);
        std::map<std::wstring, std::string> treeBefore = SnapshotTree(vendor);

        RepairDataFolder();

        EXPECT_EQ(outsideBefore, SnapshotTree(outside));
        EXPECT_EQ(treeBefore, SnapshotTree(vendor));
        EXPECT_TRUE(Exists(linkPath));
    }
}

/* File-level links: the linked data file is left where and as it is, the
   regular one still goes through. */
enum LinkKind { kSymbolic, kHard };
enum LinkPlace { kLinkInFolder, kLinkInParent };

struct FileLinkCase {
    const char* title;
    LinkKind kind;
    LinkPlace place;
    std::vector<Item> inFolder; /* besides the link */
    std::vector<Item> folderAfter;
    std::vector<Item> parentAfter;
};

const FileLinkCase kFileLinkCases[] = {
    {"data file in the folder is a symbolic link",
     kSymbolic,
     kLinkInFolder,
     {{L"Zelnar.qmxd", "second"}},
     {{L"Zelnar.qmxb", kSecret}, {L"Zelnar.qmxd", "second"}},
     {}},
    {"data file in the folder is a hard link",
     kHard,
     kLinkInFolder,
     {{L"Zelnar.qmxd", "second"}},
     {{L"Zelnar.qmxb", kSecret}, {L"Zelnar.qmxd", "second"}},
     {}},
    {"data file in the parent is a symbolic link, the folder has its own",
     kSymbolic,
     kLinkInParent,
     {{L"Zelnar.qmxb", "first"}, {L"Zelnar.qmxd", "second"}},
     {{L"Zelnar.qmxb", "first"}, {L"Zelnar.qmxd", "second"}},
     {{L"Zelnar.qmxb", kSecret}}},
    {"data file in the parent is a hard link, the folder has its own",
     kHard,
     kLinkInParent,
     {{L"Zelnar.qmxb", "first"}, {L"Zelnar.qmxd", "second"}},
     {{L"Zelnar.qmxb", "first"}, {L"Zelnar.qmxd", "second"}},
     {{L"Zelnar.qmxb", kSecret}}},
    {"data file only in the parent, as a symbolic link",
     kSymbolic,
     kLinkInParent,
     {{L"Zelnar.qmxd", "second"}},
     {{L"Zelnar.qmxd", "second"}},
     {{L"Zelnar.qmxb", kSecret}}},
    {"data file only in the parent, as a hard link",
     kHard,
     kLinkInParent,
     {{L"Zelnar.qmxd", "second"}},
     {{L"Zelnar.qmxd", "second"}},
     {{L"Zelnar.qmxb", kSecret}}},
};

bool PlantFileLink(LinkKind kind, const std::wstring& target, const std::wstring& link)
{
    if (kind == kHard)
        return CreateHardLinkW(link.c_str(), target.c_str(), NULL) != FALSE;
    return MakeUnixSymlink(target, link);
}

TEST_F(LinkRefusalTest, LinkedDataFilesAreLeftAlone)
{
    for (const FileLinkCase& c : kFileLinkCases) {
        SCOPED_TRACE(c.title);
        RemoveTreeUnix(vendor);
        RemoveTreeUnix(outside);
        ASSERT_TRUE(CreateDirectoryW(outside.c_str(), NULL));
        ASSERT_TRUE(PlantOutside());
        ASSERT_TRUE(MakeFolders(folder));
        Plant(folder, c.inFolder);
        std::wstring secret = outside + L"\\secret.txt";
        std::wstring link = (c.place == kLinkInFolder ? folder : parent) + L"\\Zelnar.qmxb";
        ASSERT_TRUE(PlantFileLink(c.kind, secret, link));
        ASSERT_EQ(kSecret, ReadBytes(link));
        std::map<std::wstring, std::string> outsideBefore = SnapshotTree(outside);

        RepairDataFolder();

        EXPECT_EQ(outsideBefore, SnapshotTree(outside)) << "outside changed through a link";
        ExpectContents(folder, c.folderAfter, {});
        ExpectContents(parent, c.parentAfter, {L"Zelnar\\"});
        EXPECT_TRUE(EveryoneHasFullAccess(folder + L"\\Zelnar.qmxd")) << "the regular file";
        EXPECT_TRUE(EveryoneHasFullAccess(folder));
    }
}

TEST_F(LinkRefusalTest, GrantRefusesLinks)
{
    std::wstring secret = outside + L"\\secret.txt";
    ASSERT_TRUE(WriteBytes(secret, kSecret));
    ASSERT_TRUE(MakeFolders(folder));
    for (LinkKind kind : {kSymbolic, kHard}) {
        SCOPED_TRACE(kind == kHard ? "hard link" : "symbolic link");
        std::wstring link = folder + (kind == kHard ? L"\\hard.qmxb" : L"\\symbolic.qmxb");
        ASSERT_TRUE(PlantFileLink(kind, secret, link));
        std::wstring before = AccessText(secret);
        ASSERT_FALSE(EveryoneHasFullAccess(secret));

        GrantEveryoneFullAccess(link.c_str());

        EXPECT_EQ(before, AccessText(secret));
        EXPECT_FALSE(EveryoneHasFullAccess(secret));
    }
}

} // namespace

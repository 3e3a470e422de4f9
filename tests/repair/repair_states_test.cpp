/*
 * States that a cut-off run or a damaged install leaves, each repaired in
 * one run without losing a byte: a read-only data file, data files waiting
 * in the parent with the data folder missing, temporaries of a cut-off
 * copy, and a data file that cannot be replaced because the application
 * holds it open. A table of trees before and after.
 */
#include <string>
#include <vector>

#include "repair/data_folder_repair.h"
#include "repair_fixture.h"

namespace
{

const wchar_t kFirst[] = L"Zelnar.qmxb";
const wchar_t kSecond[] = L"Zelnar.qmxd";
const wchar_t kFirstTemporary[] = L"Zelnar.qmxb.repairing";
const wchar_t kSecondTemporary[] = L"Zelnar.qmxd.repairing";

struct StateCase {
    const char* title;
    bool folderExists;
    std::vector<Item> inFolder;
    std::vector<Item> inParent;
    std::vector<std::wstring> readOnly; /* relative to the parent */
    const wchar_t* inUse;               /* relative to the parent: held by "the application" */
    std::vector<Item> folderAfter;
    std::vector<Item> parentAfter; /* besides the data folder */
    std::vector<const wchar_t*> granted;
};

const StateCase kCases[] = {
    {"read-only data file in the data folder",
     true,
     {{kFirst, "first"}, {kSecond, "second"}},
     {},
     {L"Zelnar\\Zelnar.qmxb"},
     nullptr,
     {{kFirst, "first"}, {kSecond, "second"}},
     {},
     {kFirst, kSecond}},
    {"read-only data file waiting in the parent, and its stale read-only copy",
     true,
     {{kSecond, "second"}},
     {{kFirst, "first"}, {kSecond, "stale second"}},
     {L"Zelnar.qmxb", L"Zelnar.qmxd"},
     nullptr,
     {{kFirst, "first"}, {kSecond, "second"}},
     {},
     {kFirst, kSecond}},
    {"data files waiting in the parent, the data folder missing",
     false,
     {},
     {{kFirst, "first"}, {kSecond, "second"}},
     {},
     nullptr,
     {{kFirst, "first"}, {kSecond, "second"}},
     {},
     {kFirst, kSecond}},
    {"one data file waiting in the parent, the data folder missing, a temporary beside it",
     false,
     {},
     {{kSecond, "second"}, {kSecondTemporary, "sec"}},
     {},
     nullptr,
     {{kSecond, "second"}},
     {},
     {kSecond}},
    {"temporaries of a cut-off copy in both folders",
     true,
     {{kFirst, "first"}, {kSecondTemporary, "seco"}},
     {{kSecond, "second"}, {kFirstTemporary, "fir"}},
     {},
     nullptr,
     {{kFirst, "first"}, {kSecond, "second"}},
     {},
     {kFirst, kSecond}},
    {"a folder under a temporary's name is left alone and nothing moves through it",
     true,
     {{kFirst, "first"}},
     {{kFirstTemporary, nullptr}},
     {},
     nullptr,
     {{kFirst, "first"}},
     {{kFirstTemporary, nullptr}},
     {kFirst}},
    {"data file in use stays and is granted; its same copy in the parent goes",
     true,
     {{kFirst, "first"}, {kSecond, "second"}},
     {{kFirst, "first"}},
     {},
     L"Zelnar\\Zelnar.qmxb",
     {{kFirst, "first"}, {kSecond, "second"}},
     {},
     {kFirst, kSecond}},
    {"data file in use stays and is granted; a different copy in the parent stays",
     true,
     {{kFirst, "newest"}, {kSecond, "second"}},
     {{kFirst, "older"}},
     {},
     L"Zelnar\\Zelnar.qmxb",
     {{kFirst, "newest"}, {kSecond, "second"}},
     {{kFirst, "older"}},
     {kFirst, kSecond}},
};

class RepairStatesTest : public RepairTreeTest
{
};

TEST_F(RepairStatesTest, TableOfStates)
{
    for (const StateCase& c : kCases) {
        SCOPED_TRACE(c.title);
        RemoveTreeUnix(vendor);
        ASSERT_TRUE(MakeFolders(c.folderExists ? folder : parent));
        if (c.folderExists)
            Plant(folder, c.inFolder);
        Plant(parent, c.inParent);
        for (const std::wstring& name : c.readOnly)
            ASSERT_TRUE(
                SetFileAttributesW((parent + L"\\" + name).c_str(), FILE_ATTRIBUTE_READONLY));
        /* What an application does with its data file: reads and writes it,
           lets others read it, and forbids its deletion meanwhile. */
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.inUse) {
            held = CreateFileW((parent + L"\\" + c.inUse).c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
            ASSERT_NE(INVALID_HANDLE_VALUE, held);
        }

        RepairDataFolder();

        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        ExpectTreeAfter(c.folderAfter, c.parentAfter, c.granted);
        for (const Item& item : c.folderAfter) {
            std::wstring path = folder + L"\\" + item.name;
            EXPECT_FALSE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY)
                << "the read-only mark is cleared";
        }
    }
}

} // namespace

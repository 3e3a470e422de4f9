/*
 * The full-access grant on a real disk under Wine. Wine keeps an access list
 * only in the unix permission bits, so the assertions are on what survives
 * that: an allow entry for Everyone with read, write and execute, and the
 * entries of the other trustees still allowing at least what they did.
 */
#include <aclapi.h>
#include <sddl.h>

#include <map>

#include "repair/access_grant.h"
#include "repair_fixture.h"

namespace
{

/* Allow entries by trustee (SID text) with their masks, Everyone left out. */
std::map<std::wstring, DWORD> OtherAllowEntries(const std::wstring& path)
{
    std::map<std::wstring, DWORD> entries;
    PACL list = NULL;
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, NULL, NULL,
                              &list, NULL, &descriptor) != ERROR_SUCCESS)
        return entries;
    for (DWORD i = 0; list != NULL && i < list->AceCount; ++i) {
        ACE_HEADER* header = NULL;
        if (!GetAce(list, i, reinterpret_cast<void**>(&header)) ||
            header->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        ACCESS_ALLOWED_ACE* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        wchar_t* sidText = NULL;
        if (!ConvertSidToStringSidW(&ace->SidStart, &sidText))
            continue;
        if (std::wstring(sidText) != L"S-1-1-0")
            entries[sidText] |= ace->Mask;
        LocalFree(sidText);
    }
    LocalFree(descriptor);
    return entries;
}

class GrantTest : public RepairTreeTest
{
};

TEST_F(GrantTest, FileAndFolderGainEveryoneAndKeepTheOtherEntries)
{
    std::wstring file = outside + L"\\granted.bin";
    std::wstring subfolder = outside + L"\\granted";
    ASSERT_TRUE(WriteBytes(file, "data"));
    ASSERT_TRUE(CreateDirectoryW(subfolder.c_str(), NULL));

    for (const std::wstring& path : {file, subfolder}) {
        SCOPED_TRACE(path);
        ASSERT_FALSE(EveryoneHasFullAccess(path)) << "the fixture must start without the entry";
        std::map<std::wstring, DWORD> others = OtherAllowEntries(path);
        ASSERT_FALSE(others.empty());

        GrantEveryoneFullAccess(path.c_str());

        EXPECT_TRUE(EveryoneHasFullAccess(path));
        std::map<std::wstring, DWORD> after = OtherAllowEntries(path);
        for (const auto& entry : others) {
            ASSERT_TRUE(after.count(entry.first)) << "entry lost for " << entry.first.c_str();
            EXPECT_EQ(entry.second, after[entry.first] & entry.second)
                << "access reduced for " << entry.first.c_str();
        }

        std::wstring once = AccessText(path);
        GrantEveryoneFullAccess(path.c_str());
        EXPECT_EQ(once, AccessText(path)) << "a second grant must change nothing";
    }
    EXPECT_EQ("data", ReadBytes(file));
}

TEST_F(GrantTest, MissingPathChangesNothing)
{
    std::wstring missing = outside + L"\\missing.bin";
    std::map<std::wstring, std::string> before = SnapshotTree(outside);

    GrantEveryoneFullAccess(missing.c_str());

    EXPECT_FALSE(Exists(missing));
    EXPECT_EQ(before, SnapshotTree(outside));
}

} // namespace

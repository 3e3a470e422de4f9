/*
 * The bounded path join and the final-path comparison, as tables of cases.
 */
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "repair/link_guard.h"
#include "repair/path_join.h"

namespace
{

struct JoinCase {
    const wchar_t* base;
    const wchar_t* part;
    size_t capacity;
    const wchar_t* expected; /* nullptr: does not fit, buffer untouched */
};

const JoinCase kJoinCases[] = {
    {L"C:\\ProgramData", L"Varto Computer\\Melvox", 256,
     L"C:\\ProgramData\\Varto Computer\\Melvox"},
    {L"C:\\ProgramData\\", L"Zelnar.qmxb ", 256, L"C:\\ProgramData\\Zelnar.qmxb "},
    {L"C:\\ProgramData", L"\\Zelnar", 256, L"C:\\ProgramData\\Zelnar"},
    {L"C:\\ProgramData\\\\", L"\\\\Zelnar", 256, L"C:\\ProgramData\\Zelnar"},
    {L"C:\\", L"x", 256, L"C:\\x"},
    {L"\\", L"x", 256, L"\\x"},
    {L"", L"x", 256, L"x"},
    {L"C:\\a", L"", 256, L"C:\\a"},
    /* Exactly full: "C:\a" + "\" + "bc" is 7 characters, 8 with terminator. */
    {L"C:\\a", L"bc", 8, L"C:\\a\\bc"},
    {L"C:\\a", L"bcd", 8, nullptr},
    {L"C:\\a", L"bc", 7, nullptr},
};

TEST(JoinPath, JoinsWithOneBackslashAndNeverWritesPastTheBuffer)
{
    const wchar_t kGuard = 0xABCD;
    /* The repair's own size: a 256-character buffer takes 255 characters. */
    const std::wstring exactFit(255 - 15, L'y'); /* 14 + 1 + 240 = 255 */
    std::vector<JoinCase> cases(std::begin(kJoinCases), std::end(kJoinCases));
    std::wstring fitResult = std::wstring(L"C:\\ProgramData\\") + exactFit;
    cases.push_back({L"C:\\ProgramData", exactFit.c_str(), 256, fitResult.c_str()});
    std::wstring overByOne = exactFit + L"y";
    cases.push_back({L"C:\\ProgramData", overByOne.c_str(), 256, nullptr});

    for (const JoinCase& c : cases) {
        SCOPED_TRACE(std::wstring(L"base=") + c.base + L" part length=" +
                     std::to_wstring(std::wstring(c.part).size()) + L" capacity=" +
                     std::to_wstring(c.capacity));
        std::vector<wchar_t> buffer(c.capacity + 16, kGuard);
        std::copy(c.base, c.base + std::wstring(c.base).size() + 1, buffer.begin());
        std::vector<wchar_t> before = buffer;

        bool joined = JoinPath(buffer.data(), c.capacity, c.part);

        if (c.expected == nullptr) {
            EXPECT_FALSE(joined);
            EXPECT_EQ(before, buffer) << "a join that does not fit must leave the buffer alone";
        } else {
            EXPECT_TRUE(joined);
            EXPECT_EQ(std::wstring(c.expected), std::wstring(buffer.data()));
        }
        for (size_t i = c.capacity; i < buffer.size(); ++i)
            ASSERT_EQ(kGuard, buffer[i]) << "written past the buffer at " << i;
    }
}

TEST(JoinPath, RefusesABufferWithNoTerminatorInsideItsCapacity)
{
    wchar_t buffer[6] = {L'a', L'b', L'c', L'd', L'\0', L'\0'};
    EXPECT_FALSE(JoinPath(buffer, 4, L"x"));
    EXPECT_EQ(std::wstring(L"abcd"), std::wstring(buffer));
    EXPECT_FALSE(JoinPath(buffer, 0, L"x"));
}

TEST(CopyPath, CopiesOnlyWhatFits)
{
    wchar_t buffer[5] = {L'k', L'e', L'e', L'p', L'\0'};
    EXPECT_FALSE(CopyPath(buffer, 5, L"12345"));
    EXPECT_EQ(std::wstring(L"keep"), std::wstring(buffer));
    EXPECT_TRUE(CopyPath(buffer, 5, L"1234"));
    EXPECT_EQ(std::wstring(L"1234"), std::wstring(buffer));
}

struct FinalPathCase {
    const wchar_t* finalPath;
    const wchar_t* fullPath;
    bool same;
};

const FinalPathCase kFinalPathCases[] = {
    {L"\\\\?\\C:\\ProgramData\\Varto Computer\\Melvox", L"C:\\ProgramData\\Varto Computer\\Melvox",
     true},
    {L"\\\\?\\C:\\PROGRAMDATA\\varto computer\\Melvox", L"C:\\ProgramData\\Varto Computer\\Melvox",
     true},
    {L"C:\\ProgramData\\Melvox", L"C:\\ProgramData\\Melvox", true},
    {L"\\\\?\\UNC\\server\\share\\Melvox", L"\\\\server\\share\\Melvox", true},
    {L"\\\\?\\UNC\\server\\share\\Melvox", L"C:\\server\\share\\Melvox", false},
    /* A link leads elsewhere, higher up or at the end. */
    {L"\\\\?\\C:\\melvox-outside\\Melvox\\Zelnar",
     L"C:\\ProgramData\\Varto Computer\\Melvox\\Zelnar", false},
    {L"\\\\?\\C:\\Windows\\system32\\config\\SAM",
     L"C:\\ProgramData\\Varto Computer\\Melvox\\Zelnar\\Zelnar.qmxb", false},
    {L"\\\\?\\C:\\ProgramData\\Melvox\\Zelnar", L"C:\\ProgramData\\Melvox\\Zelnar2", false},
    {L"\\\\?\\C:\\ProgramData\\Melvox\\Zelnar2", L"C:\\ProgramData\\Melvox\\Zelnar", false},
};

TEST(FinalPathNamesSame, AcceptsOnlyTheSamePlace)
{
    for (const FinalPathCase& c : kFinalPathCases) {
        SCOPED_TRACE(std::wstring(c.finalPath) + L" vs " + c.fullPath);
        EXPECT_EQ(c.same, FinalPathNamesSame(c.finalPath, c.fullPath));
    }
}

} // namespace

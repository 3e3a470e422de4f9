/*
 * The library-loading rule in this process: both ways of loading from the
 * system folder (the loader's own search where the platform has it, the
 * full path where it does not) load a system library from the system folder
 * and refuse a library that lies only beside the program, which a bare-name
 * load takes. The planted library leaves a mark when it runs.
 */
#include "driver.h"

#include "app/system_library.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace
{

struct LoadWay {
    const char* name;
    HMODULE (*load)(const char*);
};

class SystemLibraryTest : public ::testing::TestWithParam<LoadWay>
{
};

std::wstring FolderOf(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring ModuleFolder(HMODULE module)
{
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(module, path, MAX_PATH);
    return FolderOf(path);
}

TEST_P(SystemLibraryTest, LoadsFromTheSystemFolderOnly)
{
    wchar_t system[MAX_PATH] = L"";
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    HMODULE richEdit = GetParam().load("RichEd20.dll");
    ASSERT_NE(richEdit, nullptr);
    EXPECT_EQ(lstrcmpiW(ModuleFolder(richEdit).c_str(), system), 0);
    FreeLibrary(richEdit);

    // A library beside this program under a name the system folder lacks.
    const char* planted = std::getenv("MELVOX_PLANTED_LIBRARY");
    ASSERT_NE(planted, nullptr);
    std::wstring here = FolderOf(ModuleFolder(nullptr) + L"\\x");
    std::wstring copy = here + L"\\melvox-planted.dll";
    std::wstring mark = here + L"\\planted-library-ran";
    ASSERT_TRUE(CopyFileW(WindowsPathFromUnix(planted).c_str(), copy.c_str(), FALSE));
    DeleteFileW(mark.c_str());
    HMODULE refused = GetParam().load("melvox-planted.dll");
    bool marked = Exists(mark);
    // The control: a bare-name load finds it there and runs it.
    HMODULE bare = LoadLibraryA("melvox-planted.dll");
    bool bareMarked = Exists(mark);
    if (refused != nullptr)
        FreeLibrary(refused);
    if (bare != nullptr)
        FreeLibrary(bare);
    DeleteFileW(mark.c_str());
    DeleteFileW(copy.c_str());
    EXPECT_EQ(refused, nullptr);
    EXPECT_FALSE(marked) << "the library beside the program ran";
    EXPECT_TRUE(bare != nullptr && bareMarked) << "the control found no planted library";
}

INSTANTIATE_TEST_SUITE_P(BothWays, SystemLibraryTest,
                         ::testing::Values(LoadWay{"SearchFlag", LoadSystemLibrary},
                                           LoadWay{"FullPath", LoadSystemLibraryByPath}),
                         [](const ::testing::TestParamInfo<LoadWay>& info) {
                             return std::string(info.param.name);
                         });

TEST(SystemLibraryByPath, RefusesANameThatWouldNotFitThePath)
{
    std::string longName(MAX_PATH, 'a');
    longName += ".dll";
    SetLastError(0);
    EXPECT_EQ(LoadSystemLibraryByPath(longName.c_str()), nullptr);
    // Refused before any load was tried, rather than cut to fit.
    EXPECT_EQ(GetLastError(), 0u);
}

} // namespace

/*
 * The fixture of the resource tests that run once per program file: the
 * parameter names the environment variable that holds the file's path, and
 * the file is mapped as a data file for the test's duration.
 */
#ifndef MELVOX_TESTS_RESOURCE_FIXTURE_H
#define MELVOX_TESTS_RESOURCE_FIXTURE_H

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/resources/program_files.h"

class ProgramResources : public testing::TestWithParam<const char*>
{
  protected:
    void SetUp() override
    {
        path_ = ProgramPathFromEnvironment(GetParam());
        ASSERT_FALSE(path_.empty()) << GetParam() << " is not set";
        module_ = LoadProgramAsData(path_);
        DWORD error = GetLastError();
        if (!module_ && Wine32RefusedThe64BitImage(GetParam(), error))
            GTEST_SKIP() << WINE32_REFUSES_64BIT_IMAGE;
        ASSERT_NE(module_, nullptr) << "cannot load the program file (error " << error
                                    << "); build both presets first";
    }
    void TearDown() override
    {
        if (module_)
            FreeLibrary(module_);
    }

    std::wstring path_;
    HMODULE module_ = nullptr;
};

#endif

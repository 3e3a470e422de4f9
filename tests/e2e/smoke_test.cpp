#include <gtest/gtest.h>
#include <windows.h>
TEST(Harness, RunsUnderWine) { EXPECT_NE(GetModuleHandleW(nullptr), nullptr); }

/*
 * The shipped 32-bit program must start on a stock Windows machine: an i386
 * PE32 GUI program whose import table names system DLLs only (the C++
 * runtime, libgcc and the threads library are linked in statically). It
 * runs elevated, so it asks the loader for everything that makes it harder
 * to attack, and it carries no link time, so a rebuild can be compared byte
 * for byte. The 64-bit build of the same sources is held to the same rules,
 * and it also shows that the reader tells the two kinds apart.
 */
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "tests/resources/pe_image.h"
#include "tests/resources/program_files.h"

namespace
{

struct ProgramKind {
    const char* variable;
    uint16_t machine;
    uint16_t optionalMagic;
    bool highEntropyVa; // the 64-bit address range for ASLR
};

class ProgramImage : public testing::TestWithParam<ProgramKind>
{
};

TEST_P(ProgramImage, IsAGuiProgramImportingSystemDllsOnly)
{
    std::wstring path = ProgramPathFromEnvironment(GetParam().variable);
    ASSERT_FALSE(path.empty()) << GetParam().variable << " is not set";
    std::vector<uint8_t> file = ReadWholeFile(path);
    ASSERT_FALSE(file.empty()) << "cannot read the program file; build both presets first";

    PeSummary pe;
    ASSERT_TRUE(ReadPeSummary(file, pe));
    EXPECT_EQ(pe.machine, GetParam().machine);
    EXPECT_EQ(pe.optionalMagic, GetParam().optionalMagic);
    EXPECT_EQ(pe.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    ASSERT_FALSE(pe.importedDlls.empty());
    bool kernel32 = false;
    for (const std::string& dll : pe.importedDlls) {
        EXPECT_TRUE(IsSystemDll(dll)) << "imports " << dll;
        kernel32 = kernel32 || lstrcmpiA(dll.c_str(), "kernel32.dll") == 0;
    }
    EXPECT_TRUE(kernel32);
}

TEST_P(ProgramImage, AsksForTheLoaderHardeningAndCarriesNoLinkTime)
{
    std::vector<uint8_t> file = ReadWholeFile(ProgramPathFromEnvironment(GetParam().variable));
    PeSummary pe;
    ASSERT_TRUE(ReadPeSummary(file, pe));
    const struct {
        uint16_t flag;
        const char* name;
    } required[] = {
        {IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, "DYNAMIC_BASE"},
        {IMAGE_DLLCHARACTERISTICS_NX_COMPAT, "NX_COMPAT"},
        {IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE, "TERMINAL_SERVER_AWARE"},
    };
    for (const auto& r : required)
        EXPECT_NE(pe.dllCharacteristics & r.flag, 0) << r.name;
    EXPECT_EQ((pe.dllCharacteristics & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA) != 0,
              GetParam().highEntropyVa)
        << "HIGH_ENTROPY_VA";
    // ASLR moves only a file that can be relocated.
    EXPECT_EQ(pe.characteristics & IMAGE_FILE_RELOCS_STRIPPED, 0);
    EXPECT_GT(pe.relocationsSize, 0u);
    EXPECT_EQ(pe.timeDateStamp, 0u);
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, ProgramImage,
                         testing::Values(ProgramKind{PROGRAM_32_VARIABLE, IMAGE_FILE_MACHINE_I386,
                                                     IMAGE_NT_OPTIONAL_HDR32_MAGIC, false},
                                         ProgramKind{PROGRAM_64_VARIABLE, IMAGE_FILE_MACHINE_AMD64,
                                                     IMAGE_NT_OPTIONAL_HDR64_MAGIC, true}));

// The shipped file's code and data, all but its resources, within 27 KiB:
// a size that grows unnoticed is startup time and memory for every user.
// (About 7 KiB of it is the C runtime's start-up and its unwind data, and
// 5 KiB the repair, which moves files through checked handles.)
TEST(ShippedProgram, StaysWithin27KiBOutsideItsResources)
{
    std::vector<uint8_t> file = ReadWholeFile(ProgramPathFromEnvironment(PROGRAM_32_VARIABLE));
    PeSummary pe;
    ASSERT_TRUE(ReadPeSummary(file, pe));
    EXPECT_GT(pe.bytesOutsideResources, 4096u);
    EXPECT_LE(pe.bytesOutsideResources, 27u * 1024u);
}

TEST(SystemDllList, AcceptsSystemDllsAndRefusesRuntimeDlls)
{
    struct Case {
        const char* name;
        bool system;
    } cases[] = {
        {"KERNEL32.dll", true},         {"user32.DLL", true},       {"msvcrt.dll", true},
        {"ADVAPI32.dll", true},         {"libstdc++-6.dll", false}, {"libgcc_s_dw2-1.dll", false},
        {"libwinpthread-1.dll", false}, {"msvcrt20.dll", false},    {"kernel32", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSystemDll(c.name), c.system) << c.name;
}

// A damaged header is refused, not misread: the bytes of the real program
// cut short, or with the PE signature or the import table's address broken.
TEST(PeSummaryReader, RefusesDamagedFiles)
{
    std::vector<uint8_t> file = ReadWholeFile(ProgramPathFromEnvironment(PROGRAM_32_VARIABLE));
    ASSERT_GT(file.size(), 4096u);
    PeSummary pe;
    ASSERT_TRUE(ReadPeSummary(file, pe));

    uint32_t nt;
    std::memcpy(&nt, file.data() + 0x3C, 4);

    std::vector<uint8_t> truncated(file.begin(), file.begin() + nt + 40);
    EXPECT_FALSE(ReadPeSummary(truncated, pe));

    std::vector<uint8_t> badSignature = file;
    badSignature[nt] = 'X';
    EXPECT_FALSE(ReadPeSummary(badSignature, pe));

    // PE32: the data directories start 96 bytes into the optional header.
    std::vector<uint8_t> badImports = file;
    size_t importRva = nt + 4 + sizeof(IMAGE_FILE_HEADER) + 96 + 8 * IMAGE_DIRECTORY_ENTRY_IMPORT;
    uint32_t outside = 0x7FFFFFF0;
    std::memcpy(badImports.data() + importRva, &outside, 4);
    EXPECT_FALSE(ReadPeSummary(badImports, pe));
}

} // namespace

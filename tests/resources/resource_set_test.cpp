/*
 * The resource set as the built program files carry it, checked byte by
 * byte where the bytes are fixed: the inventory and its language, the
 * licence dialog template, the strings, the accelerators, the version
 * block, the manifest and the licence document; and that the 32-bit and
 * the 64-bit program carry identical resources. Both files are mapped as
 * data files; nothing in them runs.
 */
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <set>
#include <string>

#include "app/resources/resource.h"
#include "tests/resources/program_files.h"
#include "tests/resources/resource_fixture.h"

namespace
{

// --- Inventory ---------------------------------------------------------

TEST_P(ProgramResources, HoldExactlyTheResourceSetInUsEnglish)
{
    std::set<std::wstring> expected = {
        L"#5/REPORTDLG/0409", L"#6/#7/0409",  L"#9/#109/0409", L"#14/#107/0409",
        L"#14/#108/0409",     L"#16/#1/0409", L"#24/#1/0409",  L"RTF_TEXT/#129/0409",
    };
    for (int icon = 1; icon <= 16; ++icon)
        expected.insert(L"#3/#" + std::to_wstring(icon) + L"/0409");

    std::set<std::wstring> found;
    for (const ResourceKey& key : ListResources(module_))
        found.insert(KeyText(key));
    EXPECT_EQ(found, expected);
}

// --- Dialog template ---------------------------------------------------

// Builds a standard DLGTEMPLATE the way the dialog manager reads it.
struct TemplateWriter {
    std::vector<uint8_t> bytes;
    void Word(uint16_t w)
    {
        bytes.push_back(static_cast<uint8_t>(w));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    void Dword(uint32_t d)
    {
        Word(static_cast<uint16_t>(d));
        Word(static_cast<uint16_t>(d >> 16));
    }
    void Text(const wchar_t* s)
    {
        do
            Word(*s);
        while (*s++);
    }
    void AlignToDword()
    {
        while (bytes.size() % 4)
            bytes.push_back(0);
    }
};

struct TemplateItem {
    uint16_t id;
    const wchar_t* className; // null: the predefined button class, ordinal 0x0080
    const wchar_t* text;
    uint32_t style;
    int16_t x, y, cx, cy;
};

std::vector<uint8_t> ExpectedLicenceDialogTemplate()
{
    const TemplateItem items[] = {
        {IDOK, nullptr, L"&Agree", 0x50030000, 338, 266, 50, 14},
        {IDCANCEL, nullptr, L"&Decline", 0x50010000, 392, 266, 50, 14},
        {IDC_SAVE_LICENSE, nullptr, L"&Save...", 0x50010000, 8, 266, 50, 14},
        {IDC_LICENSE_TEXT, L"RichEdit20W", L"", 0x50830844, 8, 8, 434, 250},
    };
    TemplateWriter t;
    t.Dword(0x82CC00C0); // style
    t.Dword(0);          // extended style
    t.Word(4);           // items
    t.Word(0);           // x, y, cx, cy
    t.Word(0);
    t.Word(450);
    t.Word(286);
    t.Word(0); // no menu
    t.Text(L"MelvoxRepairToolforVistaCustomModalDialog");
    t.Text(L""); // caption
    t.Word(8);
    t.Text(L"MS Shell Dlg");
    for (const TemplateItem& item : items) {
        t.AlignToDword();
        t.Dword(item.style);
        t.Dword(0); // extended style
        t.Word(static_cast<uint16_t>(item.x));
        t.Word(static_cast<uint16_t>(item.y));
        t.Word(static_cast<uint16_t>(item.cx));
        t.Word(static_cast<uint16_t>(item.cy));
        t.Word(item.id);
        if (item.className) {
            t.Text(item.className);
        } else {
            t.Word(0xFFFF);
            t.Word(0x0080);
        }
        t.Text(item.text);
        t.Word(0); // no creation data
    }
    return t.bytes;
}

TEST_P(ProgramResources, LicenceDialogTemplateIsTheStandardFormByteForByte)
{
    std::vector<uint8_t> actual = ResourceBytes(module_, RT_DIALOG, L"REPORTDLG");
    std::vector<uint8_t> expected = ExpectedLicenceDialogTemplate();
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(actual[i], expected[i]) << "first difference at byte " << i;
}

TEST_P(ProgramResources, LicenceDialogIsFoundByItsMixedCaseWideName)
{
    HRSRC byWideName = FindResourceW(module_, L"ReportDlg", RT_DIALOG);
    ASSERT_NE(byWideName, nullptr);
    EXPECT_EQ(byWideName, FindResourceW(module_, L"REPORTDLG", RT_DIALOG));
    EXPECT_EQ(SizeofResource(module_, byWideName), ExpectedLicenceDialogTemplate().size());
}

// --- Strings -----------------------------------------------------------

const wchar_t kCaption[] = L"Melvox Repair Tool for Vista";
const wchar_t kPrompt[] = L"This tool for Windows Vista will repair permissions for important "
                          L"files required by Melvox to play your Melvox Store purchases. Click "
                          L"OK to continue.";

TEST_P(ProgramResources, StringBlockHoldsTheCaptionAndThePromptOnly)
{
    // Strings 96 to 111 share block 7: sixteen counted strings in a row.
    std::vector<uint8_t> block = ResourceBytes(module_, RT_STRING, MAKEINTRESOURCEW(7));
    ASSERT_FALSE(block.empty());
    std::vector<std::wstring> strings;
    size_t at = 0;
    while (at + 2 <= block.size()) {
        uint16_t length = static_cast<uint16_t>(block[at] | block[at + 1] << 8);
        at += 2;
        ASSERT_LE(at + 2 * length, block.size());
        std::wstring s;
        for (uint16_t i = 0; i < length; ++i, at += 2)
            s += static_cast<wchar_t>(block[at] | block[at + 1] << 8);
        strings.push_back(s);
    }
    ASSERT_EQ(strings.size(), 16u);
    for (size_t i = 0; i < 16; ++i) {
        if (i == IDS_DIALOG_CAPTION % 16)
            EXPECT_EQ(strings[i], kCaption);
        else if (i == IDS_CONFIRM_PROMPT % 16)
            EXPECT_EQ(strings[i], kPrompt);
        else
            EXPECT_EQ(strings[i], L"") << "string " << 96 + i;
    }
}

TEST_P(ProgramResources, StringsFitTheirBuffersWhole)
{
    struct Case {
        UINT id;
        const wchar_t* text;
        int length;
    } cases[] = {{IDS_DIALOG_CAPTION, kCaption, 28}, {IDS_CONFIRM_PROMPT, kPrompt, 149}};
    for (const Case& c : cases) {
        wchar_t buffer[256];
        EXPECT_EQ(LoadStringW(module_, c.id, buffer, 256), c.length) << c.id;
        EXPECT_STREQ(buffer, c.text);
    }
}

// --- Accelerators ------------------------------------------------------

TEST_P(ProgramResources, AcceleratorsAreAltCharacterCodesWithTheLastMarked)
{
    // ACCELTABLEENTRY: flags, key, command, padding; FALT 0x10, last 0x80.
    const uint8_t expected[] = {0x10, 0, '?', 0, 104, 0, 0, 0, 0x90, 0, '/', 0, 104, 0, 0, 0};
    std::vector<uint8_t> table =
        ResourceBytes(module_, RT_ACCELERATOR, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    EXPECT_EQ(table, std::vector<uint8_t>(expected, expected + sizeof expected));
}

// --- Version block -----------------------------------------------------

// One node of a VS_VERSIONINFO tree: length, value length, type, key, value
// and children, each part starting on a 4-byte boundary.
struct VersionNode {
    std::wstring key;
    uint16_t type;
    std::vector<uint8_t> value; // the raw value bytes
    std::vector<VersionNode> children;
    std::wstring Text() const
    {
        std::wstring s;
        for (size_t i = 0; i + 1 < value.size(); i += 2)
            s += static_cast<wchar_t>(value[i] | value[i + 1] << 8);
        while (!s.empty() && s.back() == 0)
            s.pop_back();
        return s;
    }
};

uint16_t WordAt(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

bool ParseVersionNode(const std::vector<uint8_t>& b, size_t at, size_t limit, VersionNode& node)
{
    if (at + 6 > limit)
        return false;
    size_t end = at + WordAt(b, at);
    uint16_t valueLength = WordAt(b, at + 2);
    node.type = WordAt(b, at + 4);
    if (end > limit || end < at + 6)
        return false;
    size_t p = at + 6;
    for (; p + 2 <= end && WordAt(b, p) != 0; p += 2)
        node.key += static_cast<wchar_t>(WordAt(b, p));
    p = (p + 2 + 3) & ~size_t(3);
    size_t valueBytes = node.type == 1 ? 2u * valueLength : valueLength;
    if (p + valueBytes > end)
        return false;
    node.value.assign(b.begin() + p, b.begin() + p + valueBytes);
    p = (p + valueBytes + 3) & ~size_t(3);
    while (p < end) {
        VersionNode child;
        if (!ParseVersionNode(b, p, end, child))
            return false;
        p = (p + WordAt(b, p) + 3) & ~size_t(3);
        node.children.push_back(child);
    }
    return true;
}

TEST_P(ProgramResources, VersionBlockHoldsTheFixedPartOneStringBlockAndTheTranslation)
{
    std::vector<uint8_t> block = ResourceBytes(module_, RT_VERSION, MAKEINTRESOURCEW(1));
    VersionNode root;
    ASSERT_TRUE(ParseVersionNode(block, 0, block.size(), root));
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    ASSERT_EQ(root.value.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, root.value.data(), sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00010001u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00010001u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed.dwFileFlags, 0u);
    EXPECT_EQ(fixed.dwFileOS, 0x4u);
    EXPECT_EQ(fixed.dwFileType, 0x1u);
    EXPECT_EQ(fixed.dwFileSubtype, 0u);
    EXPECT_EQ(fixed.dwFileDateMS, 0u);
    EXPECT_EQ(fixed.dwFileDateLS, 0u);

    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode& strings = root.children[0];
    EXPECT_EQ(strings.key, L"StringFileInfo");
    ASSERT_EQ(strings.children.size(), 1u);
    EXPECT_EQ(strings.children[0].key, L"040904B0");
    const std::pair<const wchar_t*, const wchar_t*> entries[] = {
        {L"CompanyName", L"Varto Inc."},
        {L"FileDescription", L"Melvox Repair Tool for Vista"},
        {L"FileVersion", L"1.1.0.1"},
        {L"InternalName", L"Melvox Repair Tool for Vista"},
        {L"OriginalFilename", L"Melvox Repair Tool for Vista.exe"},
        {L"ProductName", L"Melvox Repair Tool for Vista"},
        {L"ProductVersion", L"1.1.0.1"},
    };
    const std::vector<VersionNode>& values = strings.children[0].children;
    ASSERT_EQ(values.size(), 7u);
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i].key, entries[i].first);
        EXPECT_EQ(values[i].type, 1);
        EXPECT_EQ(values[i].Text(), entries[i].second);
    }

    const VersionNode& variables = root.children[1];
    EXPECT_EQ(variables.key, L"VarFileInfo");
    ASSERT_EQ(variables.children.size(), 1u);
    EXPECT_EQ(variables.children[0].key, L"Translation");
    EXPECT_EQ(variables.children[0].value, (std::vector<uint8_t>{0x09, 0x04, 0xB0, 0x04}));
}

// The file-properties page reads the block through the version API.
TEST_P(ProgramResources, VersionApiReadsTheCompanyAndTheVersion)
{
    DWORD ignored;
    DWORD size = GetFileVersionInfoSizeW(path_.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<uint8_t> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path_.c_str(), 0, size, info.data()));
    void* value;
    UINT length;
    ASSERT_TRUE(
        VerQueryValueW(info.data(), L"\\StringFileInfo\\040904B0\\CompanyName", &value, &length));
    EXPECT_STREQ(static_cast<wchar_t*>(value), L"Varto Inc.");
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", &value, &length));
    EXPECT_EQ(static_cast<VS_FIXEDFILEINFO*>(value)->dwFileVersionMS, 0x00010001u);
}

// --- Manifest ----------------------------------------------------------

TEST_P(ProgramResources, ManifestRequestsAdministratorRightsAndNothingElse)
{
    const char expected[] =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\r\n"
        "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\r\n"
        "    <security>\r\n"
        "      <requestedPrivileges>\r\n"
        "        <requestedExecutionLevel level=\"requireAdministrator\"/>\r\n"
        "      </requestedPrivileges>\r\n"
        "    </security>\r\n"
        "  </trustInfo>\r\n"
        "</assembly>\r\n";
    std::vector<uint8_t> manifest = ResourceBytes(module_, RT_MANIFEST, MAKEINTRESOURCEW(1));
    EXPECT_EQ(std::string(manifest.begin(), manifest.end()), expected);
}

// --- Licence document --------------------------------------------------

TEST_P(ProgramResources, LicenceIsSevenBitRtfClosedByItsLastByte)
{
    bool found;
    std::vector<uint8_t> rtf =
        ResourceBytes(module_, L"RTF_TEXT", MAKEINTRESOURCEW(IDR_LICENSE_RTF), &found);
    ASSERT_TRUE(found);
    ASSERT_GT(rtf.size(), 1000u);
    const std::string header = "{\\rtf1\\ansi\\ansicpg1252";
    EXPECT_EQ(std::string(rtf.begin(), rtf.begin() + header.size()), header);
    EXPECT_EQ(rtf.back(), '}');
    for (size_t i = 0; i < rtf.size(); ++i) {
        ASSERT_NE(rtf[i], 0) << "NUL at byte " << i;
        ASSERT_LT(rtf[i], 0x80) << "8-bit byte at " << i;
    }
    // The document's group closes at the last byte and not before: every
    // other brace pairs up (escaped braces and backslashes do not count).
    int depth = 0;
    for (size_t i = 0; i < rtf.size(); ++i) {
        if (rtf[i] == '\\') {
            ++i;
        } else if (rtf[i] == '{') {
            ++depth;
        } else if (rtf[i] == '}' && --depth == 0) {
            EXPECT_EQ(i, rtf.size() - 1) << "the document closes early";
        }
        ASSERT_GE(depth, 0);
    }
    EXPECT_EQ(depth, 0);
    // It is the agreement, from the maker the version block names.
    std::string text(rtf.begin(), rtf.end());
    EXPECT_NE(text.find("END-USER LICENSE AGREEMENT"), std::string::npos);
    EXPECT_NE(text.find("Varto Inc."), std::string::npos);
}

// The same resource is found through the 8-bit type name the program uses.
TEST_P(ProgramResources, LicenceIsFoundThroughTheEightBitTypeName)
{
    HRSRC info = FindResourceA(module_, MAKEINTRESOURCEA(IDR_LICENSE_RTF), RTF_TEXT_TYPE);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(SizeofResource(module_, info),
              ResourceBytes(module_, L"RTF_TEXT", MAKEINTRESOURCEW(IDR_LICENSE_RTF)).size());
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, ProgramResources,
                         testing::Values(PROGRAM_32_VARIABLE, PROGRAM_64_VARIABLE),
                         [](const testing::TestParamInfo<const char*>& info) {
                             return std::string(info.param) == PROGRAM_32_VARIABLE ? "Program32"
                                                                                   : "Program64";
                         });

// --- The two builds ----------------------------------------------------

TEST(BothPrograms, CarryIdenticalResources)
{
    HMODULE program32 = LoadProgramAsData(ProgramPathFromEnvironment(PROGRAM_32_VARIABLE));
    HMODULE program64 = LoadProgramAsData(ProgramPathFromEnvironment(PROGRAM_64_VARIABLE));
    if (!program64 && Wine32RefusedThe64BitImage(PROGRAM_64_VARIABLE, GetLastError())) {
        if (program32)
            FreeLibrary(program32);
        GTEST_SKIP() << WINE32_REFUSES_64BIT_IMAGE;
    }
    ASSERT_NE(program32, nullptr);
    ASSERT_NE(program64, nullptr);
    std::vector<ResourceKey> keys32 = ListResources(program32);
    std::vector<ResourceKey> keys64 = ListResources(program64);
    ASSERT_EQ(keys32.size(), keys64.size());
    ASSERT_GE(keys32.size(), 24u);
    for (size_t i = 0; i < keys32.size(); ++i) {
        ASSERT_EQ(KeyText(keys32[i]), KeyText(keys64[i]));
        bool found32, found64;
        std::vector<uint8_t> a = ResourceBytes(program32, ResourceIdFromText(keys32[i].type),
                                               ResourceIdFromText(keys32[i].name), &found32);
        std::vector<uint8_t> b = ResourceBytes(program64, ResourceIdFromText(keys64[i].type),
                                               ResourceIdFromText(keys64[i].name), &found64);
        EXPECT_TRUE(found32 && found64) << KeyText(keys32[i]);
        EXPECT_TRUE(a == b) << KeyText(keys32[i]) << " differs";
    }
    FreeLibrary(program32);
    FreeLibrary(program64);
}

} // namespace

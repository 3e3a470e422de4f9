/*
 * The two icon groups: their directories list the eight images in the
 * agreed order with matching sizes and depths, every image is a plain
 * device-independent bitmap of exactly the size its header implies, group
 * 108's images are group 107's byte for byte, and each image shows the
 * picture the right way up: a blue title bar at the top, a white client
 * area in the middle and a transparent corner.
 */
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "app/resources/resource.h"
#include "tests/resources/program_files.h"
#include "tests/resources/resource_fixture.h"

namespace
{

struct IconImage {
    int size;    // pixels across and down
    int colours; // the directory's colour count: 16, or 0 for 256 and more
    int bpp;
};

const IconImage kImages[8] = {
    {32, 16, 4}, {16, 16, 4}, {48, 0, 8},  {32, 0, 8},
    {16, 0, 8},  {48, 0, 32}, {32, 0, 32}, {16, 0, 32},
};

// Bytes in one row of a bitmap, padded to 4 bytes.
size_t Stride(int width, int bpp)
{
    return ((size_t(width) * bpp + 31) / 32) * 4;
}

// Header, colour table, colour bits and AND mask of a square icon image.
size_t ExpectedImageBytes(int size, int bpp)
{
    size_t table = bpp <= 8 ? (size_t(1) << bpp) * 4 : 0;
    return sizeof(BITMAPINFOHEADER) + table + Stride(size, bpp) * size + Stride(size, 1) * size;
}

struct Pixel {
    int r, g, b;
    bool opaque;
};

// The pixel at (x, y), counted from the top left as the user sees it; the
// bitmap itself is stored bottom-up.
Pixel PixelAt(const std::vector<uint8_t>& image, int size, int bpp, int x, int y)
{
    BITMAPINFOHEADER h;
    std::memcpy(&h, image.data(), sizeof h);
    size_t table = sizeof h;
    size_t bits = table + (bpp <= 8 ? (size_t(1) << bpp) * 4 : 0);
    size_t mask = bits + Stride(size, bpp) * size;
    int row = size - 1 - y;
    const uint8_t* line = image.data() + bits + Stride(size, bpp) * row;
    const uint8_t* maskLine = image.data() + mask + Stride(size, 1) * row;
    bool transparent = maskLine[x / 8] & (0x80 >> (x % 8));
    const uint8_t* bgr;
    Pixel p;
    if (bpp == 32) {
        bgr = line + 4 * x;
        transparent = transparent || bgr[3] == 0;
    } else {
        int index = bpp == 8 ? line[x] : (x % 2 ? line[x / 2] & 0x0F : line[x / 2] >> 4);
        bgr = image.data() + table + 4 * index;
    }
    p.r = bgr[2];
    p.g = bgr[1];
    p.b = bgr[0];
    p.opaque = !transparent;
    return p;
}

std::vector<uint8_t> GroupDirectory(HMODULE module, int group)
{
    return ResourceBytes(module, RT_GROUP_ICON, MAKEINTRESOURCEW(group));
}

uint16_t Word(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

uint32_t Dword(const std::vector<uint8_t>& b, size_t at)
{
    return Word(b, at) | uint32_t(Word(b, at + 2)) << 16;
}

TEST_P(ProgramResources, IconGroupsListTheEightImagesInOrder)
{
    struct Group {
        int id;
        int firstIcon;
    } groups[] = {{IDI_TOOL_ICON, 1}, {IDI_TOOL_ICON_ALT, 9}};
    for (const Group& group : groups) {
        SCOPED_TRACE(group.id);
        std::vector<uint8_t> dir = GroupDirectory(module_, group.id);
        ASSERT_EQ(dir.size(), 6u + 8 * 14);
        EXPECT_EQ(Word(dir, 0), 0); // reserved
        EXPECT_EQ(Word(dir, 2), 1); // icons, not cursors
        EXPECT_EQ(Word(dir, 4), 8);
        for (int i = 0; i < 8; ++i) {
            SCOPED_TRACE(i + 1);
            size_t e = 6 + 14 * i;
            const IconImage& want = kImages[i];
            EXPECT_EQ(dir[e], want.size);
            EXPECT_EQ(dir[e + 1], want.size);
            EXPECT_EQ(dir[e + 2], want.colours);
            EXPECT_EQ(dir[e + 3], 0);
            EXPECT_EQ(Word(dir, e + 4), 1); // planes
            EXPECT_EQ(Word(dir, e + 6), want.bpp);
            uint16_t icon = Word(dir, e + 12);
            EXPECT_EQ(icon, group.firstIcon + i);
            std::vector<uint8_t> image = ResourceBytes(module_, RT_ICON, MAKEINTRESOURCEW(icon));
            EXPECT_EQ(Dword(dir, e + 8), image.size());
        }
    }
}

TEST_P(ProgramResources, IconImagesAreDibsOfTheSizeTheirHeadersImply)
{
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i + 1);
        const IconImage& want = kImages[i];
        std::vector<uint8_t> image = ResourceBytes(module_, RT_ICON, MAKEINTRESOURCEW(i + 1));
        ASSERT_GE(image.size(), sizeof(BITMAPINFOHEADER));
        EXPECT_NE(std::memcmp(image.data(), "\x89PNG", 4), 0);
        BITMAPINFOHEADER h;
        std::memcpy(&h, image.data(), sizeof h);
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biWidth, want.size);
        EXPECT_EQ(h.biHeight, 2 * want.size); // colour bits and mask
        EXPECT_EQ(h.biPlanes, 1);
        EXPECT_EQ(h.biBitCount, want.bpp);
        EXPECT_EQ(h.biCompression, DWORD(BI_RGB));
        EXPECT_EQ(h.biClrUsed, 0u); // a full colour table where the depth has one
        EXPECT_EQ(image.size(), ExpectedImageBytes(want.size, want.bpp));
    }
}

TEST_P(ProgramResources, SecondGroupsImagesAreTheFirstGroupsByteForByte)
{
    for (int i = 1; i <= 8; ++i) {
        std::vector<uint8_t> first = ResourceBytes(module_, RT_ICON, MAKEINTRESOURCEW(i));
        ASSERT_FALSE(first.empty());
        EXPECT_TRUE(first == ResourceBytes(module_, RT_ICON, MAKEINTRESOURCEW(i + 8)))
            << "icon " << i + 8 << " differs from icon " << i;
    }
}

TEST_P(ProgramResources, EveryImageShowsAWindowTheRightWayUp)
{
    for (int i = 0; i < 8; ++i) {
        const IconImage& want = kImages[i];
        SCOPED_TRACE(testing::Message() << want.size << " px, " << want.bpp << " bpp");
        std::vector<uint8_t> image = ResourceBytes(module_, RT_ICON, MAKEINTRESOURCEW(i + 1));
        ASSERT_EQ(image.size(), ExpectedImageBytes(want.size, want.bpp));
        int s = want.size;

        Pixel corner = PixelAt(image, s, want.bpp, 0, 0);
        EXPECT_FALSE(corner.opaque) << "top left corner";

        // In the title bar, left of the caption buttons.
        Pixel title = PixelAt(image, s, want.bpp, s / 8 + 1, s * 3 / 16);
        EXPECT_TRUE(title.opaque);
        EXPECT_GE(title.b, 100);
        EXPECT_GT(title.b, title.r + 50);
        EXPECT_GT(title.b, title.g + 30);

        Pixel client = PixelAt(image, s, want.bpp, s / 2, s * 2 / 3);
        EXPECT_TRUE(client.opaque);
        EXPECT_EQ(client.r + client.g + client.b, 3 * 255) << "client area is not white";
    }
}

// What the shell does with the file's icon: it can make icons of both
// groups at the sizes it asks for.
TEST_P(ProgramResources, PlatformBuildsIconsFromBothGroups)
{
    for (int group : {IDI_TOOL_ICON, IDI_TOOL_ICON_ALT}) {
        for (int size : {16, 32, 48}) {
            HANDLE icon = LoadImageW(module_, MAKEINTRESOURCEW(group), IMAGE_ICON, size, size, 0);
            ASSERT_NE(icon, nullptr) << group << " at " << size;
            ICONINFO info;
            ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
            BITMAP bitmap;
            GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
            EXPECT_EQ(bitmap.bmWidth, size);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(static_cast<HICON>(icon));
        }
    }
}

} // namespace

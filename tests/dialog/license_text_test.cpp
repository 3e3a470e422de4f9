/*
 * Licence text loading: the stream-in callback's edges as a table (short,
 * exact and over-long requests, the end of the document, negative and huge
 * requests that must never copy past it), and LoadLicenseText putting the
 * program's own licence document whole into a rich edit control.
 */
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "license/license_text.h"
#include "tests/dialog/dialog_test_support.h"

namespace
{

TEST(RtfStreamInCallback, DeliversAtMostWhatRemains)
{
    struct Case {
        DWORD position;
        LONG requested;
        LONG delivered;
    };
    const Case cases[] = {
        {0, 4, 4},        // part of the document
        {8, 5, 2},        // more than remains: exactly the remainder
        {6, 4, 4},        // position + requested == size: no clamping
        {10, 4, 0},       // at the end: 0 bytes ends the stream
        {0, 0, 0},        // nothing asked, nothing given
        {0, -1, 0},       // a negative request offers no room
        {4, -2, 0},       // position + request wraps to 2 as unsigned
        {3, LONG_MAX, 7}, // a huge request: the remainder only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "position " << c.position << ", requested " << c.requested);
        BYTE document[10];
        memcpy(document, "0123456789", 10);
        RtfSourceBuffer source = {document, c.position, 10};
        BYTE target[32];
        memset(target, '#', sizeof(target));
        LONG transferred = -99;

        DWORD result = RtfStreamInCallback(reinterpret_cast<DWORD_PTR>(&source), target,
                                           c.requested, &transferred);

        EXPECT_EQ(0u, result);
        EXPECT_EQ(c.delivered, transferred);
        EXPECT_EQ(c.position + c.delivered, source.position);
        EXPECT_EQ(std::string("0123456789").substr(c.position, c.delivered),
                  std::string(reinterpret_cast<char*>(target), c.delivered));
        for (size_t i = c.delivered; i < sizeof(target); ++i)
            ASSERT_EQ('#', target[i]) << "byte " << i << " written past the delivery";
    }
}

TEST(RtfStreamInCallback, EmptyDocumentEndsAtOnce)
{
    BYTE none[1] = {'x'};
    RtfSourceBuffer source = {none, 0, 0};
    BYTE target[8] = {};
    LONG transferred = -1;
    EXPECT_EQ(0u,
              RtfStreamInCallback(reinterpret_cast<DWORD_PTR>(&source), target, 8, &transferred));
    EXPECT_EQ(0, transferred);
    EXPECT_EQ(0u, source.position);
    EXPECT_EQ(0, target[0]);
}

TEST(LoadLicenseText, PutsTheWholeDocumentIntoTheControl)
{
    EnsureDialogTestSetUp();
    std::string resource = LicenseResourceBytes();
    ASSERT_GT(resource.size(), 0u);
    std::wstring expected = RenderRtfAsPlainText(resource);
    ASSERT_GT(expected.size(), 100u) << "the licence renders to some text";

    HWND control = CreateRichEditWindow();
    ASSERT_NE(nullptr, control);
    SetWindowTextW(control, L"earlier content that must go");
    RtfSourceBuffer source = {};

    EXPECT_EQ(0, LoadLicenseText(&source, control));

    // The block holds the resource's bytes unchanged, no NUL added, and the
    // control has read all of them.
    ASSERT_NE(nullptr, source.data);
    EXPECT_EQ(resource.size(), source.size);
    EXPECT_EQ(source.size, source.position);
    EXPECT_EQ(resource, std::string(reinterpret_cast<char*>(source.data), source.size));
    EXPECT_EQ(expected, RichEditPlainText(control));

    GlobalFree(source.data);
    DestroyWindow(control);
}

TEST(LoadLicenseText, LoadingAgainReplacesTheText)
{
    EnsureDialogTestSetUp();
    HWND control = CreateRichEditWindow();
    RtfSourceBuffer source = {};
    LoadLicenseText(&source, control);
    std::wstring first = RichEditPlainText(control);
    LoadLicenseText(&source, control);
    EXPECT_EQ(first, RichEditPlainText(control)) << "not appended to the first load";
    EXPECT_EQ(source.size, source.position);
    GlobalFree(source.data);
    DestroyWindow(control);
}

} // namespace

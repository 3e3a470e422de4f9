/*
 * The layout arithmetic as tables: metrics from control rectangles, the
 * control rectangles for a client size, the minimum tracking size, and the
 * place on the work area with its 16-bit steps and truncating division.
 * The first rows are the worked example of a dialog at 1.5 x 1.625 pixels
 * per dialog unit (client 675 x 465, window 691 x 503 at the origin).
 */
#include <gtest/gtest.h>

#include "license/license_layout.h"

namespace
{

RECT R(LONG l, LONG t, LONG r, LONG b)
{
    RECT rect = {l, t, r, b};
    return rect;
}

void ExpectRect(const RECT& expected, const RECT& actual, const char* what)
{
    EXPECT_EQ(expected.left, actual.left) << what;
    EXPECT_EQ(expected.top, actual.top) << what;
    EXPECT_EQ(expected.right, actual.right) << what;
    EXPECT_EQ(expected.bottom, actual.bottom) << what;
}

LicenseLayoutMetrics WorkedExampleMetrics()
{
    return ComputeLicenseLayoutMetrics(R(0, 0, 691, 503), R(0, 0, 675, 465), R(12, 13, 663, 419),
                                       R(507, 432, 582, 455), R(588, 432, 663, 455));
}

TEST(LicenseLayoutArithmetic, MetricsOfTheWorkedExample)
{
    LicenseLayoutMetrics m = WorkedExampleMetrics();
    EXPECT_EQ(12, m.horizontalMargin);
    EXPECT_EQ(13, m.verticalMargin);
    EXPECT_EQ(13, m.textToButtonGap);
    EXPECT_EQ(23, m.buttonHeight);
    EXPECT_EQ(75, m.buttonWidth);
    EXPECT_EQ(6, m.buttonSpacing);
    EXPECT_EQ(168, m.minTrackWidth);
    EXPECT_EQ(297, m.minTrackHeight);
}

TEST(LicenseLayoutArithmetic, MinimumHeightUsesTheWindowBottomNotItsHeight)
{
    // The same dialog measured while standing 100 rows down the screen.
    LicenseLayoutMetrics m =
        ComputeLicenseLayoutMetrics(R(0, 100, 691, 603), R(0, 0, 675, 465), R(12, 13, 663, 419),
                                    R(507, 432, 582, 455), R(588, 432, 663, 455));
    EXPECT_EQ(397, m.minTrackHeight);
    EXPECT_EQ(168, m.minTrackWidth);
}

TEST(LicenseLayoutArithmetic, ControlRectanglesForClientSizes)
{
    struct Case {
        int width, height;
        RECT text, save, decline, agree;
    };
    const Case cases[] = {
        // The same size: the button row moves from 432 up to 429.
        {675, 465, R(12, 13, 663, 416), R(12, 429, 87, 452), R(588, 429, 663, 452),
         R(507, 429, 582, 452)},
        {900, 600, R(12, 13, 888, 551), R(12, 564, 87, 587), R(813, 564, 888, 587),
         R(732, 564, 807, 587)},
        // The minimum window less a 16 x 38 frame: Agree overlaps Save...
        // and reaches past the left edge; nothing is clamped.
        {152, 259, R(12, 13, 140, 210), R(12, 223, 87, 246), R(65, 223, 140, 246),
         R(-16, 223, 59, 246)},
        // A client area smaller than the margins: negative extents pass on.
        {10, 20, R(12, 13, -2, -29), R(12, -16, 87, 7), R(-77, -16, -2, 7), R(-158, -16, -83, 7)},
    };
    LicenseLayoutMetrics m = WorkedExampleMetrics();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        LicenseControlRects rects = ComputeLicenseControlRects(m, c.width, c.height);
        ExpectRect(c.text, rects.text, "text");
        ExpectRect(c.save, rects.save, "save");
        ExpectRect(c.decline, rects.decline, "decline");
        ExpectRect(c.agree, rects.agree, "agree");
    }
}

TEST(LicenseLayoutArithmetic, CentredPositionOnTheWorkArea)
{
    struct Case {
        RECT work;
        LONG width, height;
        LONG x, y;
    };
    const Case cases[] = {
        {R(0, 0, 960, 720), 691, 503, 134, 72},
        {R(100, 30, 980, 800), 691, 503, 194, 119},
        // Larger than the work area: truncation toward zero, -53 / 3 = -17.
        {R(0, 0, 640, 450), 691, 503, -25, -17},
        // Wider than 32767: enters as 40000 - 65536 and lands far right.
        {R(0, 0, 960, 720), 40000, 503, 13248, 72},
        // Only the low 16 bits of the size count.
        {R(0, 0, 960, 720), 65536 + 691, 65536 + 503, 134, 72},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << " x " << c.height << " on " << c.work.left << "," << c.work.top
                     << "," << c.work.right << "," << c.work.bottom);
        POINT p = ComputeCenteredPosition(c.work, c.width, c.height);
        EXPECT_EQ(c.x, p.x);
        EXPECT_EQ(c.y, p.y);
    }
}

TEST(LicenseLayoutArithmetic, MinimumTrackSizeTouchesNothingElse)
{
    LicenseLayoutMetrics saved = gLayoutMetrics;
    gLayoutMetrics = WorkedExampleMetrics();
    MINMAXINFO info;
    memset(&info, 0x5A, sizeof(info));
    FillMinimumTrackSize(&info);
    EXPECT_EQ(168, info.ptMinTrackSize.x);
    EXPECT_EQ(297, info.ptMinTrackSize.y);
    MINMAXINFO untouched;
    memset(&untouched, 0x5A, sizeof(untouched));
    EXPECT_EQ(untouched.ptMaxSize.x, info.ptMaxSize.x);
    EXPECT_EQ(untouched.ptMaxTrackSize.y, info.ptMaxTrackSize.y);
    EXPECT_EQ(untouched.ptReserved.x, info.ptReserved.x);
    gLayoutMetrics = saved;
}

} // namespace

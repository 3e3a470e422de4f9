/*
 * The licence dialog's layout: the margins, gaps and button size measured
 * once from the controls as the template placed them, the four control
 * rectangles for any client size, the minimum tracking size, and the
 * dialog's place on the work area. The arithmetic is kept in pure
 * functions (Compute...) apart from the calls that read and move windows.
 */
#ifndef MELVOX_LICENSE_LAYOUT_H
#define MELVOX_LICENSE_LAYOUT_H

#include <windows.h>

struct LicenseLayoutMetrics {
    LONG horizontalMargin;
    LONG verticalMargin;
    LONG textToButtonGap;
    LONG buttonWidth;
    LONG buttonHeight;
    LONG buttonSpacing;
    LONG minTrackWidth;
    LONG minTrackHeight;
};

/* Zero until MeasureLicenseLayout runs; never measured again or cleared. */
extern LicenseLayoutMetrics gLayoutMetrics;
extern BYTE gLayoutReady;

/* Where the four controls go for one client size. */
struct LicenseControlRects {
    RECT text;
    RECT save;
    RECT decline;
    RECT agree;
};

/* text, agree, decline in client coordinates; client from GetClientRect;
   window from GetWindowRect (screen coordinates; only its bottom is used). */
LicenseLayoutMetrics ComputeLicenseLayoutMetrics(const RECT& window, const RECT& client,
                                                 const RECT& text, const RECT& agree,
                                                 const RECT& decline);
LicenseControlRects ComputeLicenseControlRects(const LicenseLayoutMetrics& metrics, int clientWidth,
                                               int clientHeight);
/* Top-left corner for a window of width x height on the work area. */
POINT ComputeCenteredPosition(const RECT& workArea, LONG width, LONG height);

void MeasureLicenseLayout(HWND dialog);
void LayOutLicenseDialog(HWND dialog, int clientWidth, int clientHeight);
void FillMinimumTrackSize(MINMAXINFO* info);
void MoveDialogItem(HWND dialog, short controlId, const RECT& rect);
void CenterOnWorkArea(HWND window);

#endif

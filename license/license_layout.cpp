/*
 * Licence dialog layout. At initialization the margins, the gap above the
 * button row, the button size and spacing and the minimum tracking size are
 * measured from where the dialog manager placed the controls; on every
 * WM_SIZE the text control fills the client area above one row of buttons,
 * Save... at the left and Agree, Decline at the right. The dialog is placed
 * centred across the work area, a third of the way down, then shown.
 */
#include "license/license_layout.h"

#include "app/resources/resource.h"

LicenseLayoutMetrics gLayoutMetrics = {};
BYTE gLayoutReady = 0;

LicenseLayoutMetrics ComputeLicenseLayoutMetrics(const RECT& window, const RECT& client,
                                                 const RECT& text, const RECT& agree,
                                                 const RECT& decline)
{
    LicenseLayoutMetrics metrics;
    metrics.horizontalMargin = text.left;
    metrics.verticalMargin = text.top;
    metrics.textToButtonGap = agree.top - text.bottom;
    metrics.buttonWidth = agree.right - agree.left;
    metrics.buttonHeight = agree.bottom - agree.top;
    metrics.buttonSpacing = decline.left - agree.right;
    // A distance inside the client area, used as the whole window's minimum
    // width without any frame added.
    metrics.minTrackWidth = client.right - agree.left;
    // The window's bottom edge, not its height: measured while the dialog
    // still stands at screen row 0, where the two are the same.
    metrics.minTrackHeight = window.bottom - (text.bottom - text.top) + 200;
    return metrics;
}

static RECT MakeRect(LONG left, LONG top, LONG right, LONG bottom)
{
    RECT rect = {left, top, right, bottom};
    return rect;
}

// Nothing is clamped: a client area too small for the controls gives
// rectangles with negative extents, passed on as they are.
LicenseControlRects ComputeLicenseControlRects(const LicenseLayoutMetrics& m, int clientWidth,
                                               int clientHeight)
{
    LONG w = clientWidth;
    LONG h = clientHeight;
    LONG rowTop = h - m.buttonHeight - m.verticalMargin;
    LONG rowBottom = h - m.verticalMargin;
    LONG declineLeft = w - m.horizontalMargin - m.buttonWidth;
    LONG agreeRight = declineLeft - m.buttonSpacing;

    LicenseControlRects rects;
    rects.text = MakeRect(m.horizontalMargin, m.verticalMargin, w - m.horizontalMargin,
                          h - m.buttonHeight - m.textToButtonGap - m.verticalMargin);
    rects.save =
        MakeRect(m.horizontalMargin, rowTop, m.horizontalMargin + m.buttonWidth, rowBottom);
    rects.decline = MakeRect(declineLeft, rowTop, w - m.horizontalMargin, rowBottom);
    rects.agree = MakeRect(agreeRight - m.buttonWidth, rowTop, agreeRight, rowBottom);
    return rects;
}

// The low 16 bits read as a signed 16-bit number.
static LONG Signed16(LONG value)
{
    return static_cast<SHORT>(static_cast<WORD>(value & 0xFFFF));
}

// Signed divisions truncate toward zero; a window wider than 32767 pixels
// enters with its width less 65536 and lands far to the right.
POINT ComputeCenteredPosition(const RECT& workArea, LONG width, LONG height)
{
    POINT position;
    position.x = workArea.left + Signed16((workArea.right - Signed16(width) - workArea.left) / 2);
    position.y = workArea.top + Signed16((workArea.bottom - Signed16(height) - workArea.top) / 3);
    return position;
}

// The control's window rectangle in the dialog's client coordinates.
static RECT ControlRectInClient(HWND dialog, int controlId)
{
    RECT rect = {};
    GetWindowRect(GetDlgItem(dialog, controlId), &rect);
    ScreenToClient(dialog, reinterpret_cast<POINT*>(&rect.left));
    ScreenToClient(dialog, reinterpret_cast<POINT*>(&rect.right));
    return rect;
}

void MeasureLicenseLayout(HWND dialog)
{
    RECT window = {};
    GetWindowRect(dialog, &window);
    RECT text = ControlRectInClient(dialog, IDC_LICENSE_TEXT);
    RECT agree = ControlRectInClient(dialog, IDOK);
    RECT client = {};
    GetClientRect(dialog, &client);
    RECT decline = ControlRectInClient(dialog, IDCANCEL);

    gLayoutMetrics = ComputeLicenseLayoutMetrics(window, client, text, agree, decline);
    gLayoutReady = 1;
}

void MoveDialogItem(HWND dialog, short controlId, const RECT& rect)
{
    MoveWindow(GetDlgItem(dialog, controlId), rect.left, rect.top, rect.right - rect.left,
               rect.bottom - rect.top, TRUE);
}

void LayOutLicenseDialog(HWND dialog, int clientWidth, int clientHeight)
{
    LicenseControlRects rects =
        ComputeLicenseControlRects(gLayoutMetrics, clientWidth, clientHeight);
    MoveDialogItem(dialog, IDC_LICENSE_TEXT, rects.text);
    MoveDialogItem(dialog, IDC_SAVE_LICENSE, rects.save);
    MoveDialogItem(dialog, IDCANCEL, rects.decline);
    MoveDialogItem(dialog, IDOK, rects.agree);
    InvalidateRect(GetDlgItem(dialog, IDOK), nullptr, TRUE);
    InvalidateRect(GetDlgItem(dialog, IDCANCEL), nullptr, TRUE);
}

void FillMinimumTrackSize(MINMAXINFO* info)
{
    info->ptMinTrackSize.x = gLayoutMetrics.minTrackWidth;
    info->ptMinTrackSize.y = gLayoutMetrics.minTrackHeight;
}

void CenterOnWorkArea(HWND window)
{
    RECT work = {};
    // Without a work area the whole primary screen stands in for it.
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0))
        SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));

    RECT r = {};
    GetWindowRect(window, &r);
    OffsetRect(&r, -r.left, -r.top);
    POINT position = ComputeCenteredPosition(work, r.right, r.bottom);
    SetWindowPos(window, nullptr, position.x, position.y, r.right, r.bottom, SWP_NOZORDER);
    ShowWindow(window, SW_SHOW);
}

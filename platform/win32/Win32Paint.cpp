// Painting the main window: the picture stretched over its area, the form's
// colour elsewhere.
#include "platform/WindowRules.h"
#include "platform/win32/DibPixels.h"
#include "platform/win32/Win32Windows.h"
#include "platform/win32/WindowsApi.h"

namespace {

constexpr int kPictureBitCount = 24;

int SystemColorIndex(SystemColor color) {
    return color == SystemColor::WindowText ? COLOR_WINDOWTEXT : COLOR_BTNFACE;
}

}  // namespace

void Win32Platform::RequestRepaint() {
    const RECT area = m_windows->PictureRect();
    InvalidateRect(m_windows->main, &area, FALSE);
}

RECT Win32Platform::Windows::PictureRect() const {
    if (form == nullptr) return RECT{};
    const Bounds b = form->PictureBounds();
    return RECT{b.left, b.top, b.Right(), b.Bottom()};
}

void Win32Platform::Windows::Paint() {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(main, &ps);
    // The painting ends however the drawing does.
    struct EndPainting {
        HWND window;
        const PAINTSTRUCT* paint;
        ~EndPainting() { EndPaint(window, paint); }
    } const end_painting{main, &ps};
    RECT client{};
    GetClientRect(main, &client);
    const Bounds destination = form != nullptr ? PictureDestination(*form) : Bounds{};
    if (!destination.Empty()) {
        const RECT area{destination.left, destination.top, destination.Right(),
                        destination.Bottom()};
        PaintPicture(dc, *form->Picture(), area);
        ExcludeClipRect(dc, area.left, area.top, area.right, area.bottom);
    }
    const SystemColor color = form != nullptr ? form->Color() : SystemColor::ButtonFace;
    FillRect(dc, &client, GetSysColorBrush(SystemColorIndex(color)));
}

void Win32Platform::Windows::PaintPicture(HDC dc, const PixelRows& rows, const RECT& area) const {
    const int depth = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    if (ChooseStretchMode(depth, kPictureBitCount) == StretchMode::Halftone) {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);  // HALFTONE needs its brush origin set.
    } else {
        SetStretchBltMode(dc, COLORONCOLOR);
    }
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    // A picture that is not empty always lies in a DIB section: DibPixels
    // hands out heap storage only for empty layouts.
    auto* bitmap = static_cast<HBITMAP>(DibSectionOf(rows.Storage()));
    if (bitmap == nullptr) return;
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ previous = SelectObject(source, bitmap);
    StretchBlt(dc, area.left, area.top, width, height, source, 0, 0, rows.Width(), rows.Height(),
               SRCCOPY);
    SelectObject(source, previous);
    DeleteDC(source);
}

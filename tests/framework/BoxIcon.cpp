#include "BoxIcon.h"

#include <vector>

namespace {

BOOL CALLBACK findIconControl(HWND child, LPARAM found) {
    char className[16] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0 && IsWindowVisible(child)
        && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

// Pixels of a 32-bit top-down image of the given size, drawn by paint.
template <class Paint>
std::vector<DWORD> image(int width, int height, Paint paint) {
    std::vector<DWORD> pixels(static_cast<std::size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        paint(memory, screen);
        GdiFlush();
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = static_cast<const DWORD*>(bits)[i] & 0xFFFFFF;
        }
        SelectObject(memory, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

} // namespace

BoxIcon shownIcon(HWND box, DWORD timeout) {
    const struct {
        BoxIcon icon;
        LPCSTR id;
    } candidates[] = {{BoxIcon::Information, IDI_INFORMATION}, {BoxIcon::Warning, IDI_WARNING},
        {BoxIcon::Error, IDI_ERROR}, {BoxIcon::Question, IDI_QUESTION}};
    for (const DWORD start = GetTickCount();; Sleep(50)) {
        HWND control = nullptr;
        EnumChildWindows(box, findIconControl, reinterpret_cast<LPARAM>(&control));
        if (control == nullptr) {
            return BoxIcon::None;
        }
        RECT area = {};
        if (GetWindowRect(control, &area)) {
            const int width = area.right - area.left;
            const int height = area.bottom - area.top;
            const std::vector<DWORD> seen = image(width, height, [&](HDC memory, HDC screen) {
                BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
            });
            // The corner shows the background: system icons leave it transparent.
            const COLORREF background = seen.empty() ? 0 : RGB(seen[0] >> 16, seen[0] >> 8, seen[0]);
            for (const auto& candidate : candidates) {
                const std::vector<DWORD> drawn = image(width, height, [&](HDC memory, HDC) {
                    HBRUSH brush = CreateSolidBrush(background);
                    const RECT all = {0, 0, width, height};
                    FillRect(memory, &all, brush);
                    DeleteObject(brush);
                    DrawIconEx(memory, 0, 0, LoadIconA(nullptr, candidate.id), 0, 0, 0, nullptr, DI_NORMAL);
                });
                if (!seen.empty() && drawn == seen) {
                    return candidate.icon;
                }
            }
        }
        if (GetTickCount() - start > timeout) {
            return BoxIcon::None;
        }
    }
}

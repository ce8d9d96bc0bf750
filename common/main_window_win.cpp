// The main window class of both programs, each of which has its own
// MainWndProc.
#include "program_run.h"

#include "system_cursor.h"

extern "C" LRESULT CALLBACK MainWndProc(HWND, UINT, WPARAM, LPARAM);

BOOL RegisterMainClass(HINSTANCE instance, const char* className, int* width, int* height, int* colours,
                       bool (*isColour)(int)) {
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    if (dc) {
        *width = GetDeviceCaps(dc, HORZRES);
        *height = GetDeviceCaps(dc, VERTRES);
        *colours = GetDeviceCaps(dc, NUMCOLORS);
        DeleteDC(dc);
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "SetupIcon");
    wc.hCursor = SystemCursor(IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(isColour(*colours) ? RGB(192, 192, 192) : RGB(0, 0, 0));
    wc.lpszClassName = className;
    return RegisterClassA(&wc) != 0;
}

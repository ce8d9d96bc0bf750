// Entry point and main window of the uninstaller: a fixed backdrop with a
// status line at its bottom that stands while the removal runs.
#include <windows.h>

#include "command_line.h"
#include "dde_client.h"
#include "program_run.h"
#include "desetup.h"
#include "desetup_core.h"
#include "resource.h"
#include "script_engine.h"
#include "textutil.h"
#include "win_export.h"

namespace {

const char kClassName[] = "DeSetupWinClass";

bool IsColour() { return IsColourDisplay(g_desetup.displayColors); }

// "ORVAN Vireo " followed by a text of the string table.
void BuildCaption(char* caption, std::size_t size, UINT id) {
    char word[64];
    LoadTextId(id, word, sizeof word);
    FormatText(caption, size, "%s %s %s", kMakerWord, kProductWord, word);
}

void CutAfterLastBackslash(char* path) {
    char* last = nullptr;
    for (char* p = path; *p; ++p) {
        if (*p == '\\') last = p;
    }
    if (last) last[1] = '\0';
}

LRESULT OnCreate(HWND hwnd) {
    g_desetup.hMainWnd = hwnd;
    UINT n = GetWindowsDirectoryA(g_desetup.windowsDir, sizeof g_desetup.windowsDir);
    if (n >= sizeof g_desetup.windowsDir) g_desetup.windowsDir[0] = '\0';
    n = GetSystemDirectoryA(g_desetup.systemDir, sizeof g_desetup.systemDir);
    if (n >= sizeof g_desetup.systemDir) g_desetup.systemDir[0] = '\0';
    char module[MAX_PATH];
    n = GetModuleFileNameA(g_desetup.hInstance, module, sizeof module);
    if (n == 0 || n >= sizeof module) module[0] = '\0';
    CutAfterLastBackslash(module);
    CopyText(g_desetup.programDir, module);

    GetPrivateProfileStringA("RevisionControl", "OEM_ProductVersion", "@", g_desetup.versionText,
                             sizeof g_desetup.versionText, "PELORASD.INI");
    g_desetup.versionTail = VersionTail(g_desetup.versionText);

    char settings[MAX_PATH];
    JoinPath(settings, g_desetup.windowsDir, "PELORASD.INI");
    g_desetup.hopperCapacity = GetPrivateProfileIntA("PrinterStyle", "HopperCapacity", 0, settings);
    g_scriptHopperCapacity = g_desetup.hopperCapacity;
    GetPrivateProfileStringA("APPLICATIONS", "VelmDir", "", g_desetup.installDir, sizeof g_desetup.installDir,
                             settings);
    if (g_desetup.installDir[0] == '\0') {
        g_desetup.nothingToUninstall = true;
        ShowMessage(g_desetup.hInstance, hwnd, IDS_NOTHING_TO_REMOVE, g_desetup.warningCaption, kStyleNotice);
        DestroyWindow(hwnd);
        return 0;
    }
    SetCapture(hwnd);
    g_desetup.greyBrush = CreateSolidBrush(RGB(0xC0, 0xC0, 0xC0));
    g_desetup.tealBrush = CreateSolidBrush(0x808000);
    return 0;
}

void DrawBitmap(HDC dc, int id, int x, int y, int width, int height) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(g_desetup.hInstance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
    if (!bitmap) return;
    HDC memory = CreateCompatibleDC(dc);
    if (memory) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    DeleteObject(bitmap);
}

void OnPaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    SetMapMode(dc, MM_TEXT);
    RECT client;
    GetClientRect(hwnd, &client);
    int clientWidth = client.right - client.left;

    HPEN pen = CreatePen(PS_SOLID, 6, RGB(0, 0, 0));
    HGDIOBJ oldBrush = SelectObject(dc, g_desetup.greyBrush ? g_desetup.greyBrush : GetStockObject(LTGRAY_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Rectangle(dc, client.left, client.top, client.right, client.bottom);

    DrawBitmap(dc, IDB_DESETUP_BANNER, 35, 22, 165, 81);
    int oldMode = SetBkMode(dc, TRANSPARENT);

    HFONT systemFont = CreateFontA(15, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "System");
    HGDIOBJ oldFont = SelectObject(dc, systemFont);
    COLORREF oldColour = SetTextColor(dc, RGB(0, 0, 0));
    char format[512];
    char text[1024];
    LoadTextId(IDS_BANNER_PURPOSE, format, sizeof format);
    wsprintfA(text, format, kProductWord, g_desetup.versionTail ? g_desetup.versionTail : "");
    int length = lstrlenA(text);
    SIZE extent{};
    GetTextExtentPoint32A(dc, text, length, &extent);
    int x = (clientWidth - extent.cx) / 2;
    TextOutA(dc, x, 282, text, length);
    LoadTextId(IDS_BANNER_STEPS, text, sizeof text);
    TextOutA(dc, x, 310, text, lstrlenA(text));

    HFONT arialFont = CreateFontA(15, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    SelectObject(dc, arialFont);
    SetTextColor(dc, RGB(0, 0, 0));
    LoadTextId(IDS_BANNER_TITLE, format, sizeof format);
    wsprintfA(text, format, kProductWord);
    TextOutA(dc, x, 262, text, lstrlenA(text));

    DrawBitmap(dc, IDB_DESETUP_PICTURE, client.left + (clientWidth - 200) / 2 + 50, 60, 200, 200);

    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(systemFont);
    DeleteObject(arialFont);
    DeleteObject(pen);
    ValidateRect(hwnd, nullptr);
    EndPaint(hwnd, &ps);
}

LRESULT OnStatusColour(HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    if (IsColour()) {
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, 0x5A4040);
        return reinterpret_cast<LRESULT>(g_desetup.greyBrush);
    }
    SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
    SetBkColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<LRESULT>(g_desetup.tealBrush);
}

}  // namespace

TLS_EXPORT LRESULT CALLBACK MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate(hwnd);
        case WM_PAINT:
            OnPaint(hwnd);
            return 0;
        case WM_CTLCOLORSTATIC:
            return OnStatusColour(reinterpret_cast<HDC>(wParam));
        case WM_NCLBUTTONDOWN:
        case WM_NCRBUTTONDOWN:
        case WM_NCMBUTTONDOWN:
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            return 0;
        case WM_DESTROY:
            ReleaseCapture();
            if (g_desetup.greyBrush) DeleteObject(g_desetup.greyBrush);
            if (g_desetup.tealBrush) DeleteObject(g_desetup.tealBrush);
            g_desetup.greyBrush = nullptr;
            g_desetup.tealBrush = nullptr;
            if (g_desetup.hMainWnd == hwnd) g_desetup.hMainWnd = nullptr;
            g_desetup.hStatusLine = nullptr;
            PostQuitMessage(g_desetup.exitCodes ? g_desetup.exitCode : 0);
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    UseOwnDrivePrompts();
    g_desetup.hInstance = instance;
    g_logSystemErrorWords = "erreur syst\xe8me";
    g_logExitCodeWords = "Code de sortie";
    BuildCaption(g_desetup.titleText, sizeof g_desetup.titleText, IDS_TITLE);
    BuildCaption(g_desetup.errorCaption, sizeof g_desetup.errorCaption, IDS_ERROR);
    BuildCaption(g_desetup.warningCaption, sizeof g_desetup.warningCaption, IDS_WARNING);
    CommandOptions options;
    char bad[64];
    const CommandLineResult parsed = ParseUninstallerCommandLine(commandLine, &options, bad, sizeof bad);
    // /S, and "External" with /LOG, show no box at all: their messages go
    // to the log. "External" alone keeps its boxes.
    g_messagesQuiet = options.unattended || (options.external && options.hasLog);
    g_desetup.exitCodes = options.external || options.any;
    g_desetup.exitCode = kExitSuccess;
    if (parsed == CommandLineResult::kOk && options.usage) {
        ShowMessage(instance, nullptr, IDS_USAGE, g_desetup.titleText, MB_OK | MB_ICONINFORMATION);
        return kExitUsage;
    }
    if (!TakeRunLock(true)) {
        if (g_desetup.exitCodes) return kExitAnotherRun;
        ShowMessage(instance, nullptr, IDS_ANOTHER_RUN, g_desetup.errorCaption, kStyleNotice, kProductWord);
        return 0;
    }
    // The log, when asked for, is opened first, so that it also tells of a
    // removal that finds nothing to remove.
    if (options.hasLog && options.log[0] != '\0' && !LogOpen(options.log)) {
        ShowMessage(instance, nullptr, IDS_LOG_FAILED, g_desetup.errorCaption, kStyleNotice, options.log, kProductWord);
        return kExitLog;
    }
    if (LogActive()) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        LogLine("TLDELET, %04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                now.wSecond);
        LogLine("Ligne de commande : %s", commandLine);
    }
    if (parsed != CommandLineResult::kOk) {
        LogLine("Option non comprise : %s", bad);
        return EndRun(kExitUsage);
    }
    if (!RegisterMainClass(instance, kClassName, &g_desetup.screenWidth, &g_desetup.screenHeight,
                           &g_desetup.displayColors, IsColourDisplay)) {
        return 0;
    }

    RECT desk;
    GetWindowRect(GetDesktopWindow(), &desk);
    LayoutCase layout = ChooseLayout(IsColour(), g_desetup.screenWidth, g_desetup.screenHeight);
    LayoutRect mainRect = MainWindowLayout(layout, g_desetup.screenWidth, desk.left, desk.top, desk.right, desk.bottom);
    HWND hwnd = CreateWindowExA(0, kClassName, " ", WS_POPUP, mainRect.x, mainRect.y, mainRect.width, mainRect.height, nullptr,
                                nullptr, instance, nullptr);
    if (!hwnd || !IsWindow(hwnd) || g_desetup.nothingToUninstall) {
        if (g_desetup.nothingToUninstall) LogLine("Rien \xe0 supprimer : PELORASD.INI sans VelmDir");
        return EndRun(0);
    }
    g_desetup.hMainWnd = hwnd;
    RECT r;
    GetWindowRect(hwnd, &r);
    LayoutRect status = StatusLineLayout(layout, r.left, r.top, r.right, r.bottom);
    g_desetup.hStatusLine =
        CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_CENTER, status.x, status.y, status.width,
                        status.height, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_LINE)),
                        instance, nullptr);
    if (!RegisterDdeClientClass(instance)) return 0;
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);

    // The quiet removal is the unattended one; nobody may be there to see a
    // Program Manager that it started (a deployment tool's run in session 0).
    g_desetup.silentMode = options.external || options.unattended;
    g_ddeStartsServer = !options.unattended;
    LogLine("%s%s ; r\xe9pertoire d'installation : %s ; mode sans dialogue : %s", g_desetup.titleText,
            g_desetup.versionTail ? g_desetup.versionTail : "", g_desetup.installDir,
            g_desetup.silentMode ? "oui" : "non");
    if (!g_desetup.nothingToUninstall) RunUninstall();
    return EndRun(RunMessageLoop());
}

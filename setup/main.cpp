// The installer's entry, its program-wide state and its main window: a
// caption-less pop-up showing the welcome screen and a one-line status label.
// The first click or key in it runs the installation sequence.
#include <windows.h>

#include "dde_client.h"
#include "messages.h"
#include "messages_core.h"
#include "program_run.h"
#include "resource.h"
#include "setup.h"
#include "shell.h"
#include "shell_core.h"
#include "system_cursor.h"
#include "textutil.h"
#include "win_export.h"

SetupState g_setup;

namespace {

constexpr char kClassName[] = "SetupWinClass";
constexpr UINT_PTR kTimerId = 1;

// Cleared by the first paint: the prompt is put into the label once.
bool g_promptShown = true;

// Artwork and brushes of the main window, kept from creation to destruction.
HGLOBAL g_pictureRes;
HGLOBAL g_logoRes;
const BITMAPINFOHEADER* g_picture;
const BITMAPINFOHEADER* g_logo;
HBRUSH g_greyBrush;
HBRUSH g_tealBrush;

const BITMAPINFOHEADER* LockBitmap(HINSTANCE instance, int id, HGLOBAL* res) {
    *res = nullptr;
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), RT_BITMAP);
    if (!found) return nullptr;
    *res = LoadResource(instance, found);
    if (!*res) return nullptr;
    const void* bits = LockResource(*res);
    if (!bits || SizeofResource(instance, found) < sizeof(BITMAPINFOHEADER)) return nullptr;
    return static_cast<const BITMAPINFOHEADER*>(bits);
}

// Copies the top-left corner of a packed bitmap, at most areaWidth by
// areaHeight, to (x, y). Where the area is larger than the bitmap, the
// window's grey background stays.
void DrawPackedBitmap(HDC dc, const BITMAPINFOHEADER* bmp, int x, int y, int areaWidth, int areaHeight) {
    if (!bmp || bmp->biSize < sizeof(BITMAPINFOHEADER)) return;
    LONG width = bmp->biWidth;
    LONG height = bmp->biHeight < 0 ? -bmp->biHeight : bmp->biHeight;
    DWORD colours = bmp->biClrUsed;
    if (colours == 0 && bmp->biBitCount <= 8) colours = 1u << bmp->biBitCount;
    const BYTE* bits = reinterpret_cast<const BYTE*>(bmp) + bmp->biSize + colours * sizeof(RGBQUAD);
    int w = width < areaWidth ? static_cast<int>(width) : areaWidth;
    int h = height < areaHeight ? static_cast<int>(height) : areaHeight;
    // Rows of a bottom-up bitmap: the top h rows start at row height - h.
    int srcY = bmp->biHeight > 0 ? static_cast<int>(height) - h : 0;
    StretchDIBits(dc, x, y, w, h, 0, srcY, w, h, bits, reinterpret_cast<const BITMAPINFO*>(bmp), DIB_RGB_COLORS,
                  SRCCOPY);
}

HFONT MakeFont(const char* face) {
    LOGFONTA lf{};
    lf.lfHeight = 15;
    lf.lfWidth = 8;
    CopyText(lf.lfFaceName, sizeof lf.lfFaceName, face);
    return CreateFontIndirectA(&lf);
}

int LoadAndFormat(UINT id, char* out, size_t size, const char* a, const char* b) {
    char text[512];
    if (LoadStringA(g_setup.hInstance, id, text, sizeof text) <= 0) {
        out[0] = '\0';
        return 0;
    }
    FormatMessageText(out, size, text, a, b);
    return lstrlenA(out);
}

void PaintWelcome(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    SetMapMode(dc, MM_TEXT);

    HPEN pen = CreatePen(PS_SOLID, 6, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(LTGRAY_BRUSH));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    SelectObject(dc, oldBrush);

    DrawPackedBitmap(dc, g_logo, 35, 18, 185, 81);
    SetBkMode(dc, TRANSPARENT);

    HFONT systemFont = MakeFont("System");
    HFONT arialFont = MakeFont("Arial");
    HGDIOBJ oldFont = SelectObject(dc, systemFont);
    SetTextColor(dc, RGB(0, 0, 0));
    char line[512];
    int len = LoadAndFormat(1037, line, sizeof line, kVireo, g_setup.versionSuffix);
    SIZE extent{};
    GetTextExtentPoint32A(dc, line, len, &extent);
    int x = ((r.right - r.left) - extent.cx) / 2;
    TextOutA(dc, x, 282, line, len);
    len = LoadAndFormat(1038, line, sizeof line, nullptr, nullptr);
    TextOutA(dc, x, 310, line, len);

    SelectObject(dc, arialFont);
    SetTextColor(dc, RGB(0, 0, 0));
    len = LoadAndFormat(1036, line, sizeof line, kVireo, nullptr);
    TextOutA(dc, x, 262, line, len);

    DrawPackedBitmap(dc, g_picture, WelcomePictureX(r.left, r.right - r.left), 60, 200, 200);

    if (g_promptShown) {
        SetStatusTextId(1039);
        g_promptShown = false;
    }

    SelectObject(dc, oldFont);
    SelectObject(dc, oldPen);
    DeleteObject(systemFont);
    DeleteObject(arialFont);
    DeleteObject(pen);
    EndPaint(hwnd, &ps);
    ValidateRect(hwnd, nullptr);
}

void OnCreate(HWND hwnd) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwnd, GWLP_HINSTANCE));
    SetCursor(SystemCursor(IDC_ARROW));
    g_picture = LockBitmap(instance, IDB_PICTURE, &g_pictureRes);
    g_logo = LockBitmap(instance, IDB_LOGO, &g_logoRes);
    // An unattended run shows no welcome screen and leaves the mouse alone.
    if (!g_options.unattended) {
        RECT rc;
        GetWindowRect(hwnd, &rc);
        ClipCursor(&rc);
        SetCapture(hwnd);
    }
    g_greyBrush = CreateSolidBrush(RGB(192, 192, 192));
    g_tealBrush = CreateSolidBrush(RGB(0, 128, 128));
}

void OnDestroy() {
    // The mouse was confined to the window when it was created; the
    // confinement ends with the window on every way out, also when it is
    // closed before the first click.
    ClipCursor(nullptr);
    ReleaseCapture();
    if (g_greyBrush) DeleteObject(g_greyBrush);
    if (g_tealBrush) DeleteObject(g_tealBrush);
    g_greyBrush = g_tealBrush = nullptr;
    if (g_pictureRes) FreeResource(g_pictureRes);
    if (g_logoRes) FreeResource(g_logoRes);
    g_pictureRes = g_logoRes = nullptr;
    g_picture = g_logo = nullptr;
    PostQuitMessage(RunExitCode());
}

// The directory of the program with a trailing backslash, in 66 bytes. A
// long directory that does not fit is replaced by its short form.
BOOL FindSetupDir() {
    char path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(g_setup.hInstance, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return FALSE;
    path[n] = '\0';
    char* slash = nullptr;
    for (char* p = path; *p; ++p) {
        if (*p == '\\' || *p == '/') slash = p;
    }
    if (slash) slash[1] = '\0';
    if (CopyText(g_setup.setupDir, path)) return TRUE;
    char shortPath[MAX_PATH + 1];
    DWORD s = GetShortPathNameA(path, shortPath, sizeof shortPath);
    if (s == 0 || s >= sizeof shortPath) return FALSE;
    if (!CopyText(g_setup.setupDir, shortPath)) return FALSE;
    return AppendBackslash(g_setup.setupDir, sizeof g_setup.setupDir);
}

}  // namespace

BOOL RegisterSetupClass(HINSTANCE instance) {
    return RegisterMainClass(instance, kClassName, &g_setup.screenWidth, &g_setup.screenHeight, &g_setup.displayColors,
                             IsColourDisplay);
}

void ReadSetupConfig() {
    char text[64];
    if (LoadStringA(g_setup.hInstance, 1060, text, sizeof text) <= 0) text[0] = '\0';
    ComposeCaption(g_setup.mainTitle, sizeof g_setup.mainTitle, text);
    char iniPath[MAX_PATH];
    JoinPath(iniPath, g_setup.setupDir, "PELORASD.INI");
    char value[31];
    GetPrivateProfileStringA("RevisionControl", "OEM_ProductVersion", "@", value, sizeof value, iniPath);
    VersionSuffixFromValue(g_setup.versionSuffix, sizeof g_setup.versionSuffix, value);
}

BOOL InitSetupInstance(HINSTANCE instance, int showCommand) {
    UseOwnDrivePrompts();  // already done by WinMain; kept for whoever starts here
    g_setup.hInstance = instance;
    g_setup.hopperCapacity = 200;
    if (!FindSetupDir()) return FALSE;
    JoinPath(g_setup.scriptPath, g_setup.setupDir, "TLSETUP.INF");
    ReadSetupConfig();
    char text[112];
    if (LoadStringA(instance, 1061, text, sizeof text) <= 0) text[0] = '\0';
    ComposeCaption(g_setup.errorCaption, sizeof g_setup.errorCaption, text);
    if (LoadStringA(instance, 1062, text, sizeof text) <= 0) text[0] = '\0';
    ComposeCaption(g_setup.warningCaption, sizeof g_setup.warningCaption, text);
    // The shared progress dialog takes the main title as its caption.
    CopyText(g_statusDialogTitle, g_setup.mainTitle);
    g_statusDialogInstance = instance;

    RECT desk;
    GetWindowRect(GetDesktopWindow(), &desk);
    ShellLayoutCase layout = ChooseLayout(g_setup.displayColors, g_setup.screenWidth, g_setup.screenHeight);
    ShellRect main =
        MainWindowRect(layout, desk.left, desk.top, desk.right - desk.left, desk.bottom - desk.top);
    HWND hwnd = CreateWindowExA(0, kClassName, g_setup.mainTitle, WS_POPUP, main.x, main.y, main.width,
                                main.height, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return FALSE;
    g_setup.hMainWnd = hwnd;
    ShellRect label = StatusLabelRect(layout, main.width, main.height);
    g_setup.hStatusLabel = CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_CENTER, label.x, label.y,
                                           label.width, label.height, hwnd,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_LABEL)),
                                           instance, nullptr);

    if (!SetTimer(hwnd, kTimerId, 250, nullptr)) return FALSE;

    UINT n = GetWindowsDirectoryA(g_setup.windowsDir, sizeof g_setup.windowsDir);
    if (n == 0 || n >= sizeof g_setup.windowsDir) return FALSE;
    n = GetSystemDirectoryA(g_setup.systemDir, sizeof g_setup.systemDir);
    if (n == 0 || n >= sizeof g_setup.systemDir) return FALSE;

    if (!RegisterDdeClientClass(instance)) return FALSE;

    // An unattended run keeps the main window hidden: it only owns the
    // progress dialog.
    if (!g_options.unattended) {
        ShowWindow(hwnd, showCommand);
        UpdateWindow(hwnd);
    }
    return TRUE;
}

TLS_EXPORT LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        OnCreate(hwnd);
        return 0;
    case WM_PAINT:
        PaintWelcome(hwnd);
        return 0;
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetBkMode(dc, TRANSPARENT);
        if (IsColourDisplay(g_setup.displayColors)) {
            SetTextColor(dc, RGB(0, 0, 0));
            SetBkColor(dc, RGB(192, 192, 192));
            return reinterpret_cast<LRESULT>(g_greyBrush);
        }
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, RGB(0, 0, 0));
        return reinterpret_cast<LRESULT>(g_tealBrush);
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
    case WM_KEYDOWN:
        RunInstallation(hwnd);
        return 0;
    case WM_ENDSESSION:
        // The session goes on: another program refused to end it.
        if (!wParam) NoteSessionGoesOn(hwnd);
        return 0;
    case kShowRestartPromptAgain:
        if (TakeCalledOffRestart()) RunRestartPrompt(hwnd);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

namespace {

// A message of the string table before the main window exists, in a box
// captioned by the program's name and title `titleId`.
void ShowStartMessage(HINSTANCE instance, UINT titleId, UINT id, UINT style, const char* a) {
    char text[64];
    char caption[sizeof g_setup.errorCaption];
    if (LoadStringA(instance, titleId, text, sizeof text) <= 0) text[0] = '\0';
    ComposeCaption(caption, sizeof caption, text);
    ShowMessage(instance, nullptr, id, caption, style, a, kVireo);
}

// The top of the log: the program, its version, the time and the options.
void LogHeader(const char* commandLine) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogLine("%s%s, %04u-%02u-%02u %02u:%02u:%02u", g_setup.mainTitle, g_setup.versionSuffix, now.wYear, now.wMonth,
            now.wDay, now.wHour, now.wMinute, now.wSecond);
    LogLine("Command line: %s", commandLine);
    const char* unset = g_options.unattended ? "(default)" : "(asked)";
    char port[16];
    if (!g_options.hasPort) {
        CopyText(port, unset);
    } else if (g_options.port == 0) {
        CopyText(port, "(not a port)");
    } else {
        FormatText(port, sizeof port, "LPT%u:", g_options.port);
    }
    LogLine("Unattended: %s; destination: %s; port: %s", g_options.unattended ? "yes" : "no",
            g_options.hasDir ? g_options.dir : unset, port);
    LogLine("Setup directory: %s; Windows directory: %s; system directory: %s", g_setup.setupDir,
            g_setup.windowsDir, g_setup.systemDir);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand) {
    // Windows' own drive boxes go before anything touches a drive, the
    // log's drive included.
    UseOwnDrivePrompts();
    char bad[64];
    const CommandLineResult parsed = ParseInstallerCommandLine(commandLine, &g_options, bad, sizeof bad);
    g_messagesQuiet = g_options.unattended;
    if (parsed != CommandLineResult::kOk || g_options.usage) {
        if (parsed == CommandLineResult::kOk && g_options.hasLog && LogOpen(g_options.log)) {
            LogLine("Command line: %s", commandLine);
        }
        if (parsed != CommandLineResult::kOk) LogLine("Option not understood: %s", bad);
        ShowStartMessage(instance, IDS_TITLE_SETUP, IDS_USAGE, MB_OK | MB_ICONINFORMATION, nullptr);
        return EndRun(kExitUsage);
    }
    if (!TakeRunLock(false)) {
        // A run that gives exit codes ends at once: the tool tries again.
        if (g_options.any) return kExitAnotherRun;
        ShowStartMessage(instance, IDS_TITLE_ERROR, IDS_ANOTHER_RUN, kStyleNotice, kVireo);
        return 0;
    }
    if (g_options.hasLog && !LogOpen(g_options.log)) {
        ShowStartMessage(instance, IDS_TITLE_ERROR, IDS_LOG_FAILED, kStyleNotice, g_options.log);
        return kExitLog;
    }
    if (!RegisterSetupClass(instance) || !InitSetupInstance(instance, showCommand)) {
        LogLine("Setup cannot start (system error %lu)", GetLastError());
        return EndRun(g_options.any ? kExitUnsuitableSystem : 0);
    }
    LogHeader(commandLine);
    // Unattended, the installation starts at once; otherwise on the first
    // click or key on the welcome screen.
    if (g_options.unattended) {
        // Nobody may be there to see a Program Manager started now (a
        // deployment tool's run in session 0): only a shell that runs is asked.
        g_ddeStartsServer = false;
        RunInstallation(g_setup.hMainWnd);
    }
    return EndRun(RunMessageLoop());
}

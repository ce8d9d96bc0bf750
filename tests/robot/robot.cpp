// The GUI robot. Every action is a posted message or a cross-process read;
// every wait polls the screen with a bound and, on timeout, describes it.
#include "robot.h"
#include "start_process.h"
#include "../machine/test_files.h"
#include "under_test.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace robot {

namespace {

constexpr DWORD kPollMs = 15;
// How long a visible window may take to paint itself on a loaded machine.
constexpr DWORD kPaintBoundMs = 20000;
// Message boxes: the text is a static control of id 0xFFFF, the icon a
// static with SS_ICON (id 0x440 under Wine), and the buttons have the ids of
// the standard answers.
constexpr int kMessageBoxTextId = 0xFFFF;

std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

std::string WithoutAmpersands(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c != '&') out += c;
    }
    return out;
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Hex(ULONG_PTR value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(value));
    return buf;
}

DWORD WindowPid(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

bool IsPushButton(const ControlInfo& c) {
    if (Lower(c.className) != "button") return false;
    LONG type = c.style & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// Icons belong to the process that loaded them, so a message box's icon
// handle means nothing here. The icon is recognised by its picture instead:
// the static control's pixels on the screen are compared with each standard
// icon drawn here, over the pixels that the icon's mask makes opaque.
Icon RecogniseIcon(HWND iconStatic) {
    RECT rc;
    if (!GetClientRect(iconStatic, &rc)) return Icon::Other;
    int size = GetSystemMetrics(SM_CXICON);
    if (rc.right < size || rc.bottom < size) return Icon::Other;
    POINT origin = {0, 0};
    ClientToScreen(iconStatic, &origin);
    HDC screen = GetDC(nullptr);
    HDC shot = CreateCompatibleDC(screen);
    HBITMAP shotBitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ oldShot = SelectObject(shot, shotBitmap);
    BitBlt(shot, 0, 0, size, size, screen, origin.x, origin.y, SRCCOPY);
    HDC draw = CreateCompatibleDC(screen);
    HBITMAP drawBitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ oldDraw = SelectObject(draw, drawBitmap);
    HDC mask = CreateCompatibleDC(screen);
    HBITMAP maskBitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ oldMask = SelectObject(mask, maskBitmap);

    struct Known {
        LPCSTR id;
        Icon icon;
    };
    static const Known kKnown[] = {
        {IDI_ASTERISK, Icon::Information},
        {IDI_QUESTION, Icon::Question},
        {IDI_EXCLAMATION, Icon::Warning},
        {IDI_HAND, Icon::Error},
    };
    Icon best = Icon::Other;
    int bestScore = 0;
    RECT all = {0, 0, size, size};
    for (const Known& k : kKnown) {
        HICON icon = LoadIconA(nullptr, k.id);
        if (!icon) continue;
        FillRect(draw, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        DrawIconEx(draw, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        // The opaque pixels: drawn over black and over white they agree.
        FillRect(mask, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DrawIconEx(mask, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        int opaque = 0, same = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                COLORREF a = GetPixel(draw, x, y);
                if (a != GetPixel(mask, x, y)) continue;
                ++opaque;
                COLORREF b = GetPixel(shot, x, y);
                int diff = abs(GetRValue(a) - GetRValue(b)) + abs(GetGValue(a) - GetGValue(b)) +
                           abs(GetBValue(a) - GetBValue(b));
                if (diff < 48) ++same;
            }
        }
        int score = opaque > 0 ? same * 100 / opaque : 0;
        if (score > bestScore) {
            bestScore = score;
            best = k.icon;
        }
    }
    SelectObject(mask, oldMask);
    DeleteObject(maskBitmap);
    DeleteDC(mask);
    SelectObject(draw, oldDraw);
    DeleteObject(drawBitmap);
    DeleteDC(draw);
    SelectObject(shot, oldShot);
    DeleteObject(shotBitmap);
    DeleteDC(shot);
    ReleaseDC(nullptr, screen);
    return bestScore >= 80 ? best : Icon::Other;
}

// The icon is read off the screen, so another program's window over it (the
// folder window Wine's shell opens for a new Program Manager group comes up
// seconds later, wherever it likes) hides it: a user would bring the box to
// the front to read it, and so does the robot, without activating it.
void RaiseIfIconCovered(const SeenDialog& box) {
    for (const ControlInfo& c : box.controls) {
        if (Lower(c.className) != "static" || (c.style & SS_TYPEMASK) != SS_ICON) continue;
        RECT rc;
        if (!GetWindowRect(c.hwnd, &rc)) return;
        POINT centre = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        HWND shown = WindowFromPoint(centre);
        if (shown && GetAncestor(shown, GA_ROOT) != box.hwnd) {
            SetWindowPos(box.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
        return;
    }
}

struct EnumState {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK CollectTopLevel(HWND hwnd, LPARAM lParam) {
    auto* state = reinterpret_cast<EnumState*>(lParam);
    if (!IsWindowVisible(hwnd)) return TRUE;
    if (state->pid != 0 && WindowPid(hwnd) != state->pid) return TRUE;
    state->windows.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectChildren(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

std::string DescribeControl(const ControlInfo& c) {
    std::ostringstream out;
    out << "id " << c.id << " (" << Hex(static_cast<unsigned>(c.id)) << ") " << c.className << " " << Quote(c.text);
    if (!c.visible) out << " hidden";
    if (!c.enabled) out << " disabled";
    if (c.checked) out << " checked";
    return out.str();
}

std::string DescribeWindow(const WindowInfo& w) {
    std::ostringstream out;
    out << "  window " << Hex(reinterpret_cast<ULONG_PTR>(w.hwnd)) << " pid " << w.pid << " class "
        << Quote(w.className) << " caption " << Quote(w.caption);
    if (!w.enabled) out << " disabled";
    out << " at (" << w.rect.left << "," << w.rect.top << ")-(" << w.rect.right << "," << w.rect.bottom << ")\n";
    for (const ControlInfo& c : w.controls) out << "      " << DescribeControl(c) << "\n";
    return out.str();
}

}  // namespace

// --- windows and their texts ---

const ControlInfo* WindowInfo::Control(int id) const {
    for (const ControlInfo& c : controls) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

const ControlInfo* WindowInfo::ControlByText(const std::string& text) const {
    std::string want = WithoutAmpersands(text);
    for (const ControlInfo& c : controls) {
        if (WithoutAmpersands(c.text) == want) return &c;
    }
    return nullptr;
}

std::string ReadText(HWND hwnd) {
    // WM_GETTEXT is marshalled between processes, so it reaches the control
    // (an edit keeps its text to itself); a program too busy to answer gets
    // the text the system keeps for the window.
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length)) {
        std::vector<char> buf(length + 2, '\0');
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutA(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), SMTO_ABORTIFHUNG,
                                1000, &copied)) {
            return std::string(buf.data());
        }
    }
    char buf[1024] = "";
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

WindowInfo Inspect(HWND hwnd) {
    WindowInfo w;
    w.hwnd = hwnd;
    if (!IsWindow(hwnd)) return w;
    w.pid = WindowPid(hwnd);
    char cls[256] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    w.className = cls;
    w.caption = ReadText(hwnd);
    w.style = GetWindowLongA(hwnd, GWL_STYLE);
    w.exStyle = GetWindowLongA(hwnd, GWL_EXSTYLE);
    w.visible = IsWindowVisible(hwnd) != FALSE;
    w.enabled = IsWindowEnabled(hwnd) != FALSE;
    GetWindowRect(hwnd, &w.rect);
    std::vector<HWND> children;
    EnumChildWindows(hwnd, CollectChildren, reinterpret_cast<LPARAM>(&children));
    for (HWND child : children) {
        ControlInfo c;
        c.hwnd = child;
        c.id = static_cast<int>(GetWindowLongPtrA(child, GWLP_ID) & 0xFFFF);
        GetClassNameA(child, cls, sizeof cls);
        c.className = cls;
        c.style = GetWindowLongA(child, GWL_STYLE);
        c.visible = IsWindowVisible(child) != FALSE;
        c.enabled = IsWindowEnabled(child) != FALSE;
        bool isStaticIcon = Lower(c.className) == "static" && (c.style & SS_TYPEMASK) == SS_ICON;
        if (!isStaticIcon) c.text = ReadText(child);
        if (Lower(c.className) == "button") {
            DWORD_PTR check = 0;
            if (SendMessageTimeoutA(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 1000, &check)) {
                c.checked = check == BST_CHECKED;
            }
        }
        w.controls.push_back(c);
    }
    return w;
}

std::vector<WindowInfo> TopLevelWindows(DWORD pid) {
    EnumState state{pid, {}};
    EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&state));
    std::vector<WindowInfo> out;
    for (HWND hwnd : state.windows) out.push_back(Inspect(hwnd));
    return out;
}

std::string DescribeScreen() {
    std::vector<WindowInfo> all = TopLevelWindows(0);
    std::ostringstream out;
    int shown = 0;
    for (const WindowInfo& w : all) {
        // Wine's own desktop and tray windows are not what a test looks for.
        if (w.pid == GetCurrentProcessId() && w.className != "#32770") continue;
        out << DescribeWindow(w);
        ++shown;
    }
    if (shown == 0) out << "  no visible top-level window\n";
    return out.str();
}

SeenDialog ReadDialog(const WindowInfo& info) {
    SeenDialog d;
    d.hwnd = info.hwnd;
    d.caption = info.caption;
    d.controls = info.controls;
    d.topmost = (info.exStyle & WS_EX_TOPMOST) != 0;
    const ControlInfo* text = nullptr;
    bool onlyAnswerButtons = true;
    std::string statics;
    for (const ControlInfo& c : info.controls) {
        std::string cls = Lower(c.className);
        if (cls == "static" && (c.style & SS_TYPEMASK) == SS_ICON) {
            // The handle only says whether there is an icon; the picture says which.
            DWORD_PTR icon = 0;
            SendMessageTimeoutA(c.hwnd, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 1000, &icon);
            if (c.visible && icon != 0) d.icon = RecogniseIcon(c.hwnd);
        } else if (cls == "static") {
            if (c.id == kMessageBoxTextId && !text) text = &c;
            if (!c.text.empty()) {
                if (!statics.empty()) statics += "|";
                statics += c.text;
            }
        } else if (IsPushButton(c)) {
            if (c.visible) d.buttons.push_back(c.text);
            if (c.id < IDOK || c.id > 11) onlyAnswerButtons = false;
        } else {
            onlyAnswerButtons = false;
        }
    }
    d.messageBox = info.className == "#32770" && text != nullptr && onlyAnswerButtons && !d.buttons.empty();
    d.text = d.messageBox ? text->text : statics;
    return d;
}

const char* IconName(Icon icon) {
    switch (icon) {
    case Icon::None: return "none";
    case Icon::Information: return "information";
    case Icon::Question: return "question";
    case Icon::Warning: return "warning";
    case Icon::Error: return "error";
    default: return "other";
    }
}

std::string SeenDialog::Describe() const {
    std::ostringstream out;
    out << (messageBox ? "message box " : "dialog ") << Quote(caption) << ": " << Quote(text) << " buttons [";
    for (std::size_t i = 0; i < buttons.size(); ++i) out << (i ? ", " : "") << Quote(buttons[i]);
    out << "] icon " << IconName(icon);
    if (topmost) out << " topmost";
    return out.str();
}

std::string WindowQuery::Describe() const {
    std::ostringstream out;
    out << (messageBox ? "message box" : "top-level window");
    if (!className.empty()) out << " of class " << Quote(className);
    if (!caption.empty()) out << " with caption " << Quote(caption);
    if (!controlIds.empty()) {
        out << " with controls";
        for (int id : controlIds) out << " " << id;
    }
    if (!containsText.empty()) out << " showing " << Quote(containsText);
    if (anyProcess) out << " of any process";
    return out.str();
}

WindowQuery WindowQuery::Class(const std::string& name) {
    WindowQuery q;
    q.className = name;
    return q;
}

WindowQuery WindowQuery::Caption(const std::string& caption) {
    WindowQuery q;
    q.caption = caption;
    return q;
}

WindowQuery WindowQuery::Dialog(const std::string& caption, std::vector<int> controlIds) {
    WindowQuery q;
    q.className = "#32770";
    q.caption = caption;
    q.controlIds = std::move(controlIds);
    return q;
}

WindowQuery WindowQuery::MessageBox(const std::string& caption) {
    WindowQuery q;
    q.className = "#32770";
    q.caption = caption;
    q.messageBox = true;
    return q;
}

// --- files ---

std::string BinDir() {
    char path[MAX_PATH] = "";
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string MakeTempDir(const char* prefix, const char* under) {
    char base[MAX_PATH] = "";
    if (under) {
        std::snprintf(base, sizeof base, "%s", under);
    } else {
        GetTempPathA(sizeof base, base);
    }
    for (unsigned n = 0; n < 1000; ++n) {
        char dir[MAX_PATH];
        std::snprintf(dir, sizeof dir, "%s%s%lu_%u", base, prefix, GetCurrentProcessId(), n);
        if (CreateDirectoryA(dir, nullptr)) return std::string(dir) + "\\";
    }
    return "";
}

void RemoveTree(const std::string& dir) {
    if (dir.size() >= 4) ::RemoveTree(dir);
}

bool CopyInto(const std::string& file, const std::string& dir, const char* newName) {
    std::string name = newName ? newName : file.substr(file.find_last_of('\\') + 1);
    std::string base = dir;
    if (!base.empty() && base.back() != '\\') base += '\\';
    return CopyFileA(file.c_str(), (base + name).c_str(), FALSE) != FALSE;
}

::testing::AssertionResult SaveScreenshot(const std::string& path) {
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    if (width <= 0 || height <= 0) return ::testing::AssertionFailure() << "no screen size";
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    DWORD stride = ((static_cast<DWORD>(width) * 3 + 3) & ~3u);
    DWORD imageSize = stride * static_cast<DWORD>(height);
    if (dib && bits) {
        HGDIOBJ old = SelectObject(mem, dib);
        ok = BitBlt(mem, 0, 0, width, height, screen, 0, 0, SRCCOPY | CAPTUREBLT) != FALSE;
        GdiFlush();
        SelectObject(mem, old);
    }
    std::string error;
    if (ok) {
        BITMAPFILEHEADER fh = {};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof bi.bmiHeader;
        fh.bfSize = fh.bfOffBits + imageSize;
        bi.bmiHeader.biSizeImage = imageSize;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0, total = 0;
        if (file != INVALID_HANDLE_VALUE) {
            WriteFile(file, &fh, sizeof fh, &written, nullptr);
            total += written;
            WriteFile(file, &bi.bmiHeader, sizeof bi.bmiHeader, &written, nullptr);
            total += written;
            WriteFile(file, bits, imageSize, &written, nullptr);
            total += written;
            CloseHandle(file);
        }
        ok = total == fh.bfSize;
        if (!ok) error = "cannot write " + path;
    } else {
        error = "cannot copy the screen";
    }
    if (dib) DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    if (!ok) return ::testing::AssertionFailure() << error;
    return ::testing::AssertionSuccess();
}

// --- the robot ---

Robot::Robot() {
    InitializeCriticalSection(&lock_);
    stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

Robot::~Robot() {
    if (watcher_) {
        SetEvent(stopEvent_);
        WaitForSingleObject(watcher_, 5000);
        CloseHandle(watcher_);
    }
    if (process_) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
    CloseHandle(stopEvent_);
    DeleteCriticalSection(&lock_);
}

::testing::AssertionResult Robot::Start(const std::string& exe, const std::string& args, const std::string& workDir) {
    if (process_) return ::testing::AssertionFailure() << "the robot already runs " << exe_;
    std::string command = "\"" + exe + "\"";
    if (!args.empty()) command += " " + args;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi = {};
    if (!StartProcess(exe.c_str(), line.data(), 0, workDir.empty() ? nullptr : workDir.c_str(), &si, &pi)) {
        return ::testing::AssertionFailure() << "cannot start " << command << " in "
                                             << (workDir.empty() ? "the current directory" : workDir) << ", error "
                                             << GetLastError();
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    exe_ = exe;
    watcher_ = CreateThread(nullptr, 0, WatchThread, this, 0, nullptr);
    return ::testing::AssertionSuccess();
}

DWORD WINAPI Robot::WatchThread(LPVOID self) {
    auto* robot = static_cast<Robot*>(self);
    do {
        robot->Observe();
    } while (WaitForSingleObject(robot->stopEvent_, kPollMs) == WAIT_TIMEOUT);
    return 0;
}

void Robot::Observe() {
    if (!pid_ || WaitForSingleObject(process_, 0) != WAIT_TIMEOUT) {
        // The windows of an ended program may linger a moment without their
        // texts: they add nothing to the transcript.
        return;
    }
    // The watcher thread and the test's thread both observe: one at a time,
    // so that an older reading never overwrites a newer one.
    EnterCriticalSection(&lock_);
    std::vector<WindowInfo> windows = TopLevelWindows(pid_);
    std::vector<std::pair<HWND, std::size_t>> now;
    for (const WindowInfo& w : windows) {
        if (w.className != "#32770") continue;
        SeenDialog seen = ReadDialog(w);
        // A box caught while it is being built or torn down (no buttons yet,
        // buttons without their texts) is not recorded until it is complete;
        // so a dialog without any push button is never recorded.
        bool complete = !seen.buttons.empty();
        for (const std::string& b : seen.buttons) complete = complete && !b.empty();
        std::size_t index = transcript_.size();
        for (const auto& known : open_) {
            if (known.first == w.hwnd) index = known.second;
        }
        if (index < transcript_.size()) {
            // Keep its latest texts, but never lose a text already read.
            if (complete && (!seen.text.empty() || transcript_[index].text.empty())) transcript_[index] = seen;
            now.emplace_back(w.hwnd, index);
        } else if (complete) {
            transcript_.push_back(seen);
            now.emplace_back(w.hwnd, index);
        }
    }
    open_ = now;
    LeaveCriticalSection(&lock_);
}

std::vector<SeenDialog> Robot::Transcript() {
    Observe();
    EnterCriticalSection(&lock_);
    std::vector<SeenDialog> copy = transcript_;
    LeaveCriticalSection(&lock_);
    return copy;
}

std::string Robot::TranscriptText() {
    std::vector<SeenDialog> all = Transcript();
    std::ostringstream out;
    if (all.empty()) out << "  (no message box or dialog seen)\n";
    for (std::size_t i = 0; i < all.size(); ++i) out << "  " << (i + 1) << ". " << all[i].Describe() << "\n";
    return out.str();
}

std::string Robot::ProgramState() {
    std::ostringstream out;
    if (!process_) return "no program started\n";
    DWORD code = 0;
    if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process_, &code);
        out << exe_ << " (pid " << pid_ << ") has ended with exit code " << code << "\n";
    } else {
        out << exe_ << " (pid " << pid_ << ") is running\n";
    }
    return out.str();
}

bool Robot::Matches(const WindowInfo& info, const WindowQuery& query) const {
    if (!query.anyProcess && info.pid != pid_) return false;
    if (!query.className.empty() && Lower(info.className) != Lower(query.className)) return false;
    if (!query.caption.empty() && info.caption != query.caption) return false;
    for (int id : query.controlIds) {
        if (!info.Control(id)) return false;
    }
    if (!query.containsText.empty()) {
        bool found = false;
        for (const ControlInfo& c : info.controls) {
            if (c.text.find(query.containsText) != std::string::npos) found = true;
        }
        if (!found) return false;
    }
    if (query.messageBox && !ReadDialog(info).messageBox) return false;
    return true;
}

::testing::AssertionResult Robot::WaitWindow(const WindowQuery& query, DWORD timeoutMs, HWND* found) {
    std::size_t which = 0;
    return WaitAnyWindow({query}, timeoutMs, &which, found);
}

::testing::AssertionResult Robot::WaitAnyWindow(const std::vector<WindowQuery>& queries, DWORD timeoutMs,
                                                std::size_t* which, HWND* found) {
    timeoutMs = ScaledBound(timeoutMs);
    bool anyProcess = false;
    for (const WindowQuery& q : queries) anyProcess = anyProcess || q.anyProcess;
    DWORD start = GetTickCount();
    for (;;) {
        std::vector<WindowInfo> windows = TopLevelWindows(anyProcess ? 0 : pid_);
        for (std::size_t i = 0; i < queries.size(); ++i) {
            for (const WindowInfo& w : windows) {
                if (Matches(w, queries[i])) {
                    Observe();
                    if (which) *which = i;
                    if (found) *found = w.hwnd;
                    return ::testing::AssertionSuccess();
                }
            }
        }
        if (GetTickCount() - start >= timeoutMs) break;
        if (!anyProcess && process_) {
            // An ended program shows nothing more.
            if (WaitForSingleObject(process_, kPollMs) == WAIT_OBJECT_0) break;
        } else {
            Sleep(kPollMs);
        }
    }
    std::ostringstream awaited;
    for (std::size_t i = 0; i < queries.size(); ++i) awaited << (i ? "\n  or a " : "") << queries[i].Describe();
    return ::testing::AssertionFailure() << "waited " << (GetTickCount() - start) << " ms (bound " << timeoutMs
                                         << ") for a " << awaited.str() << "\n"
                                         << ProgramState() << "on screen instead:\n"
                                         << DescribeScreen() << "message boxes and dialogs seen so far:\n"
                                         << TranscriptText();
}

::testing::AssertionResult Robot::WaitMessageBox(const std::string& caption, DWORD timeoutMs, SeenDialog* seen,
                                                 HWND* found) {
    HWND hwnd = nullptr;
    ::testing::AssertionResult r = WaitWindow(WindowQuery::MessageBox(caption), timeoutMs, &hwnd);
    if (!r) return r;
    if (found) *found = hwnd;
    if (seen) {
        // The icon is recognised by its picture on the screen, so only once
        // the box has painted it: a loaded machine may take seconds to paint
        // a box that is already visible. Waited for, within the bound of a
        // paint (not that of the box, which has come).
        const DWORD paintBound = ScaledBound(kPaintBoundMs);
        DWORD start = GetTickCount();
        *seen = ReadDialog(Inspect(hwnd));
        while (seen->icon == Icon::Other && IsWindow(hwnd) && GetTickCount() - start < paintBound) {
            RaiseIfIconCovered(*seen);
            Sleep(kPollMs);
            *seen = ReadDialog(Inspect(hwnd));
        }
        Observe();
    }
    return r;
}

::testing::AssertionResult Robot::WaitGone(HWND hwnd, DWORD timeoutMs) {
    timeoutMs = ScaledBound(timeoutMs);
    DWORD start = GetTickCount();
    while (IsWindow(hwnd) && IsWindowVisible(hwnd)) {
        if (GetTickCount() - start >= timeoutMs) {
            return ::testing::AssertionFailure() << "waited " << timeoutMs << " ms for window "
                                                 << Hex(reinterpret_cast<ULONG_PTR>(hwnd)) << " to go; it is still there:\n"
                                                 << DescribeWindow(Inspect(hwnd)) << ProgramState()
                                                 << "on screen:\n" << DescribeScreen();
        }
        Sleep(kPollMs);
    }
    Observe();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Robot::WaitNoWindow(const WindowQuery& query, DWORD timeoutMs) {
    timeoutMs = ScaledBound(timeoutMs);
    DWORD start = GetTickCount();
    for (;;) {
        bool any = false;
        for (const WindowInfo& w : TopLevelWindows(query.anyProcess ? 0 : pid_)) {
            if (Matches(w, query)) any = true;
        }
        if (!any) return ::testing::AssertionSuccess();
        if (GetTickCount() - start >= timeoutMs) break;
        Sleep(kPollMs);
    }
    return ::testing::AssertionFailure() << "waited " << timeoutMs << " ms for no " << query.Describe()
                                         << " to be left; on screen:\n"
                                         << DescribeScreen() << ProgramState();
}

::testing::AssertionResult Robot::WaitExit(DWORD timeoutMs, DWORD* exitCode) {
    if (!process_) return ::testing::AssertionFailure() << "no program started";
    timeoutMs = ScaledBound(timeoutMs);
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return ::testing::AssertionFailure() << "waited " << timeoutMs << " ms for " << exe_ << " (pid " << pid_
                                             << ") to end; it still runs, showing:\n"
                                             << DescribeScreen() << "message boxes and dialogs seen so far:\n"
                                             << TranscriptText();
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    if (exitCode) *exitCode = code;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Robot::StaysRunning(DWORD ms) {
    if (!process_) return ::testing::AssertionFailure() << "no program started";
    if (WaitForSingleObject(process_, ms) == WAIT_OBJECT_0) {
        return ::testing::AssertionFailure() << ProgramState() << "within the " << ms
                                             << " ms it was expected to keep running; message boxes and dialogs seen:\n"
                                             << TranscriptText();
    }
    return ::testing::AssertionSuccess();
}

void Robot::Kill() {
    if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
}

::testing::AssertionResult Robot::Terminate(DWORD timeoutMs) {
    if (!process_) return ::testing::AssertionFailure() << "no program started";
    if (WaitForSingleObject(process_, 0) != WAIT_TIMEOUT || !TerminateProcess(process_, 1)) {
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        if (code != STILL_ACTIVE) {
            return ::testing::AssertionFailure() << "nothing to end: " << ProgramState()
                                                 << "message boxes and dialogs seen:\n" << TranscriptText();
        }
        return ::testing::AssertionFailure() << "TerminateProcess failed on " << exe_ << ", error " << GetLastError();
    }
    timeoutMs = ScaledBound(timeoutMs);
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return ::testing::AssertionFailure() << ProgramState() << "still, " << timeoutMs
                                             << " ms after TerminateProcess";
    }
    return ::testing::AssertionSuccess();
}

// --- actions ---

::testing::AssertionResult Robot::Click(HWND window, int controlId) {
    HWND button = GetDlgItem(window, controlId);
    if (!button) {
        return ::testing::AssertionFailure() << "no control " << controlId << " to click in\n"
                                             << DescribeWindow(Inspect(window));
    }
    if (!IsWindowVisible(button) || !IsWindowEnabled(button)) {
        return ::testing::AssertionFailure() << "control " << controlId << " cannot be clicked (hidden or disabled) in\n"
                                             << DescribeWindow(Inspect(window));
    }
    Observe();
    if (!PostMessageA(button, BM_CLICK, 0, 0)) {
        return ::testing::AssertionFailure() << "cannot post BM_CLICK, error " << GetLastError();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Robot::ClickText(HWND window, const std::string& text) {
    WindowInfo info = Inspect(window);
    const ControlInfo* c = info.ControlByText(text);
    if (!c) {
        return ::testing::AssertionFailure() << "no button " << Quote(text) << " to click in\n" << DescribeWindow(info);
    }
    return Click(window, c->id);
}

::testing::AssertionResult Robot::Command(HWND window, int id) {
    if (!IsWindow(window)) return ::testing::AssertionFailure() << "no window to send command " << id << " to";
    Observe();
    HWND control = GetDlgItem(window, id);
    if (!PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control))) {
        return ::testing::AssertionFailure() << "cannot post WM_COMMAND " << id << ", error " << GetLastError();
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Robot::Type(HWND edit, const std::string& text, std::string* result) {
    if (!IsWindow(edit)) return ::testing::AssertionFailure() << "no edit control to type into";
    std::size_t before = ReadText(edit).size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        WPARAM c = static_cast<WPARAM>(static_cast<unsigned char>(text[i]));
        if (PostMessageA(edit, WM_CHAR, c, 1)) continue;
        DWORD error = GetLastError();
        // A window that closed in reaction to a character already typed has
        // taken what it was given; one that was gone before the first had none.
        if (i > 0 && !IsWindow(edit)) {
            if (result) result->clear();
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "cannot post character " << i + 1 << " of " << Quote(text) << ", error "
                                             << error;
    }
    std::size_t want = before + text.size();
    const DWORD bound = ScaledBound(5000);
    DWORD start = GetTickCount();
    std::string now = ReadText(edit);
    while (now.size() != want) {
        if (!IsWindow(edit)) {
            // Closed in reaction to what was typed (the edit's text is gone with it).
            if (result) result->clear();
            return ::testing::AssertionSuccess();
        }
        if (GetTickCount() - start >= bound) {
            return ::testing::AssertionFailure() << "typed " << Quote(text) << " into an edit that held " << before
                                                 << " characters; after " << bound << " ms it holds " << Quote(now);
        }
        Sleep(kPollMs);
        now = ReadText(edit);
    }
    if (result) *result = now;
    return ::testing::AssertionSuccess();
}

namespace {

HWND KeyTarget(HWND window) {
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    DWORD tid = GetWindowThreadProcessId(window, nullptr);
    if (GetGUIThreadInfo(tid, &gui) && gui.hwndFocus && (gui.hwndFocus == window || IsChild(window, gui.hwndFocus))) {
        return gui.hwndFocus;
    }
    return window;
}

LPARAM KeyLParam(UINT vk, bool up, bool alt) {
    UINT scan = MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
    ULONG_PTR lp = 1 | (static_cast<ULONG_PTR>(scan & 0xFF) << 16);
    if (alt) lp |= 1u << 29;
    if (up) lp |= 0xC0000000u;
    return static_cast<LPARAM>(lp);
}

// Posts the messages of one input from the user to `target`. The first
// `pressing` messages press (a key, a button): when one of them cannot be
// posted, the input did not go in. The window may close in reaction to the
// press before the rest, the release, is posted (a message box that ends on
// the key-down of Enter): then the input went in all the same, and only a
// release refused by a window that still exists is a failure.
struct Posted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

::testing::AssertionResult PostInput(HWND target, const std::string& what, const Posted* messages, std::size_t count,
                                     std::size_t pressing) {
    for (std::size_t i = 0; i < count; ++i) {
        if (PostMessageA(target, messages[i].message, messages[i].wParam, messages[i].lParam)) continue;
        DWORD error = GetLastError();
        if (i >= pressing && !IsWindow(target)) return ::testing::AssertionSuccess();
        ::testing::AssertionResult failure = ::testing::AssertionFailure();
        failure << "cannot post " << what << " (message " << i + 1 << " of " << count << ", " << Hex(messages[i].message)
                << "), error " << error;
        if (!IsWindow(target)) failure << ": the window was gone before it was pressed";
        return failure;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

::testing::AssertionResult Robot::Key(HWND window, UINT vk) { return PressKey(window, vk, false); }

::testing::AssertionResult Robot::AltKey(HWND window, UINT vk) { return PressKey(window, vk, true); }

// A key, alone or with Alt held (the system keys of the menu bar).
::testing::AssertionResult Robot::PressKey(HWND window, UINT vk, bool alt) {
    const std::string name = (alt ? "Alt+" : "key ") + std::to_string(vk);
    if (!IsWindow(window)) return ::testing::AssertionFailure() << "no window for " << name;
    Observe();
    const Posted plain[] = {{WM_KEYDOWN, vk, KeyLParam(vk, false, false)}, {WM_KEYUP, vk, KeyLParam(vk, true, false)}};
    const Posted withAlt[] = {
        {WM_SYSKEYDOWN, VK_MENU, KeyLParam(VK_MENU, false, true)}, {WM_SYSKEYDOWN, vk, KeyLParam(vk, false, true)},
        {WM_SYSKEYUP, vk, KeyLParam(vk, true, true)}, {WM_KEYUP, VK_MENU, KeyLParam(VK_MENU, true, false)}};
    return alt ? PostInput(KeyTarget(window), name, withAlt, 4, 2) : PostInput(KeyTarget(window), name, plain, 2, 1);
}

::testing::AssertionResult Robot::ClickClient(HWND window, int x, int y, int button) {
    if (!IsWindow(window)) return ::testing::AssertionFailure() << "no window to click";
    static const UINT kDown[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static const UINT kUp[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    static const WPARAM kFlag[] = {MK_LBUTTON, MK_RBUTTON, MK_MBUTTON};
    if (button < 0 || button > 2) return ::testing::AssertionFailure() << "no mouse button " << button;
    Observe();
    LPARAM at = MAKELPARAM(x, y);
    const Posted press[] = {
        {kDown[button], kFlag[button], at},
        {kUp[button], 0, at},
    };
    return PostInput(window, "a click", press, 2, 1);
}

::testing::AssertionResult Robot::ClickNonClient(HWND window) {
    if (!IsWindow(window)) return ::testing::AssertionFailure() << "no window to click";
    Observe();
    RECT rc;
    GetWindowRect(window, &rc);
    // HTBORDER: a frame without a sizing or moving function, so that default
    // processing starts no modal loop.
    LPARAM at = MAKELPARAM(rc.left, rc.top);
    const Posted press[] = {
        {WM_NCLBUTTONDOWN, HTBORDER, at},
        {WM_NCLBUTTONUP, HTBORDER, at},
    };
    return PostInput(window, "a frame click", press, 2, 1);
}

std::string Robot::Caption(HWND window) { return ReadText(window); }

std::string Robot::ControlText(HWND window, int id) {
    HWND control = GetDlgItem(window, id);
    return control ? ReadText(control) : std::string("<no control ") + std::to_string(id) + ">";
}

bool Robot::Enabled(HWND window, int id) {
    HWND control = GetDlgItem(window, id);
    return control && IsWindowEnabled(control);
}

bool Robot::Checked(HWND window, int id) {
    HWND control = GetDlgItem(window, id);
    DWORD_PTR check = 0;
    return control && SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 1000, &check) &&
           check == BST_CHECKED;
}

}  // namespace robot

// The Percent control of ZEROZ32.DLL: registered by loading the library,
// usable in dialogs of the loading program, asks its parent for colours,
// draws an empty bar for a range of 0 and a filled one for a position.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kSetRange = WM_USER;
constexpr UINT kSetPosition = WM_USER + 2;
constexpr UINT kColorRequest = WM_USER + 4;
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// What the test parent saw of the colour requests.
struct ColorRequests {
    int count = 0;
    HDC lastDc = nullptr;
    DWORD lastDcType = 0;
    HWND lastSender = nullptr;
};
ColorRequests g_requests;
HBRUSH g_whiteBrush;

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kColorRequest) {
        HDC hdc = reinterpret_cast<HDC>(wParam);
        ++g_requests.count;
        g_requests.lastDc = hdc;
        g_requests.lastDcType = GetObjectType(hdc);
        g_requests.lastSender = reinterpret_cast<HWND>(lParam);
        SetTextColor(hdc, kBlue);
        SetBkColor(hdc, kWhite);
        return reinterpret_cast<LRESULT>(g_whiteBrush);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

std::string ModuleDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

class PercentControl : public ::testing::Test {
protected:
    void SetUp() override {
        g_requests = ColorRequests();
        g_whiteBrush = CreateSolidBrush(kWhite);
        std::string dll = ModuleDir() + "ZEROZ32.DLL";
        library_ = LoadLibraryA(dll.c_str());
        ASSERT_NE(library_, nullptr) << "cannot load " << dll << ", error " << GetLastError();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = ParentProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "PercentTestParent";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        RegisterClassA(&wc);
        parent_ = CreateWindowExA(0, "PercentTestParent", "parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 400,
                                  200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
    }
    void TearDown() override {
        if (parent_) DestroyWindow(parent_);
        UnregisterClassA("PercentTestParent", GetModuleHandleA(nullptr));
        if (library_) FreeLibrary(library_);
        DeleteObject(g_whiteBrush);
    }

    HWND CreateBar(int width, int height) {
        return CreateWindowExA(0, "Percent", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, width, height, parent_,
                               reinterpret_cast<HMENU>(104), GetModuleHandleA(nullptr), nullptr);
    }

    // Draws the control's client area into a memory bitmap and returns the
    // colours of one row through its middle.
    std::vector<COLORREF> PrintRow(HWND bar) {
        RECT rc;
        GetClientRect(bar, &rc);
        HDC screen = GetDC(bar);
        HDC mem = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, rc.right, rc.bottom);
        HGDIOBJ old = SelectObject(mem, bitmap);
        RECT all = {0, 0, rc.right, rc.bottom};
        FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SendMessageA(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(mem), PRF_CLIENT);
        std::vector<COLORREF> row;
        for (int x = 0; x < rc.right; ++x) row.push_back(GetPixel(mem, x, 1));
        SelectObject(mem, old);
        DeleteObject(bitmap);
        DeleteDC(mem);
        ReleaseDC(bar, screen);
        return row;
    }

    HMODULE library_ = nullptr;
    HWND parent_ = nullptr;
};

TEST(PercentLibrary, LoadingRegistersTheClassAndUnloadingRemovesIt) {
    WNDCLASSA info;
    ASSERT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "Percent", &info)) << "class exists before the load";
    std::string dll = ModuleDir() + "ZEROZ32.DLL";
    HMODULE library = LoadLibraryA(dll.c_str());
    ASSERT_NE(library, nullptr) << "cannot load " << dll << ", error " << GetLastError();
    // A global class: found from the program's own instance, as the dialog
    // manager looks for it.
    EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "Percent", &info)) << "error " << GetLastError();
    EXPECT_TRUE(GetClassInfoA(nullptr, "Percent", &info)) << "error " << GetLastError();
    ASSERT_TRUE(FreeLibrary(library));
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "Percent", &info)) << "class left after unloading";
}

TEST_F(PercentControl, RangeZeroPaintsAnEmptyBar) {
    HWND bar = CreateBar(200, 24);
    ASSERT_NE(bar, nullptr) << "cannot create a Percent window, error " << GetLastError();
    SendMessageA(bar, kSetRange, 0, 0);
    SendMessageA(bar, kSetPosition, 5, 0);
    UpdateWindow(parent_);
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(IsWindow(bar));
    std::vector<COLORREF> row = PrintRow(bar);
    ASSERT_FALSE(row.empty());
    int blue = 0;
    for (COLORREF c : row) blue += (c == kBlue);
    EXPECT_EQ(blue, 0) << "range 0 must draw no filled part";
    EXPECT_EQ(row.front(), kWhite) << "background at the left edge: 0x" << std::hex << row.front();
    EXPECT_EQ(row.back(), kWhite) << "background at the right edge: 0x" << std::hex << row.back();
}

TEST_F(PercentControl, AsksItsParentForColoursWithItsDeviceContext) {
    HWND bar = CreateBar(200, 24);
    ASSERT_NE(bar, nullptr);
    SendMessageA(bar, kSetRange, 100, 0);
    SendMessageA(bar, kSetPosition, 40, 0);
    int before = g_requests.count;
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_GT(g_requests.count, before) << "no WM_USER+4 reached the parent while painting";
    EXPECT_NE(g_requests.lastDc, nullptr);
    EXPECT_TRUE(g_requests.lastDcType == OBJ_DC || g_requests.lastDcType == OBJ_MEMDC)
        << "wParam is not a device context, object type " << g_requests.lastDcType;
}

TEST_F(PercentControl, FillsUpToThePositionInTheParentsTextColour) {
    HWND bar = CreateBar(200, 24);
    ASSERT_NE(bar, nullptr);
    RECT rc;
    GetClientRect(bar, &rc);
    SendMessageA(bar, kSetRange, 4, 0);
    SendMessageA(bar, kSetPosition, 1, 0);
    std::vector<COLORREF> row = PrintRow(bar);
    ASSERT_EQ(static_cast<int>(row.size()), rc.right);
    int edge = rc.right / 4;
    EXPECT_EQ(row[0], kBlue) << "left end not filled: 0x" << std::hex << row[0];
    EXPECT_EQ(row[edge - 1], kBlue) << "just before a quarter: 0x" << std::hex << row[edge - 1];
    EXPECT_EQ(row[edge], kWhite) << "just after a quarter: 0x" << std::hex << row[edge];
    EXPECT_EQ(row.back(), kWhite);

    SendMessageA(bar, kSetPosition, 4, 0);
    row = PrintRow(bar);
    EXPECT_EQ(row.front(), kBlue);
    EXPECT_EQ(row.back(), kBlue) << "a full bar is filled to its right end";
}

// A dialog of the loading program holds the control by class name.
TEST_F(PercentControl, DialogTemplatesCanUseTheClass) {
    // DLGTEMPLATE with one item of class "Percent", built in memory.
    alignas(4) WORD buffer[256] = {};
    WORD* p = buffer;
    auto* dlg = reinterpret_cast<DLGTEMPLATE*>(p);
    dlg->style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_MODALFRAME;
    dlg->cdit = 1;
    dlg->cx = 188;
    dlg->cy = 93;
    p = reinterpret_cast<WORD*>(dlg + 1);
    *p++ = 0;  // menu
    *p++ = 0;  // class
    *p++ = 0;  // title
    p = reinterpret_cast<WORD*>((reinterpret_cast<ULONG_PTR>(p) + 3) & ~static_cast<ULONG_PTR>(3));
    auto* item = reinterpret_cast<DLGITEMTEMPLATE*>(p);
    item->style = WS_CHILD | WS_VISIBLE | WS_BORDER;
    item->x = 16;
    item->y = 31;
    item->cx = 156;
    item->cy = 21;
    item->id = 104;
    p = reinterpret_cast<WORD*>(item + 1);
    for (const char* c = "Percent"; *c; ++c) *p++ = static_cast<WORD>(*c);
    *p++ = 0;
    *p++ = 0;  // text
    *p++ = 0;  // creation data
    HWND dialog = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), dlg, parent_,
                                             [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(dialog, nullptr) << "dialog with a Percent control not created, error " << GetLastError();
    HWND bar = GetDlgItem(dialog, 104);
    ASSERT_NE(bar, nullptr);
    char cls[32] = "";
    GetClassNameA(bar, cls, sizeof cls);
    EXPECT_STREQ(cls, "Percent");
    SendMessageA(bar, kSetRange, 0, 0);
    RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_TRUE(IsWindow(bar));
    DestroyWindow(dialog);
}

}  // namespace

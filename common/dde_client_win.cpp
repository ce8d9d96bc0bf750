// The DDEClient window: one DDE conversation with Program Manager, held by
// raw DDE messages. The conversation is opened while the window is created,
// carries any number of commands and ends when the window is destroyed.
#include "dde_client.h"

#include <dde.h>

#include <cstring>

#include "win_export.h"

bool g_ddeStartsServer = true;

namespace {

constexpr char kClassName[] = "DDEClient";

// Window extra data: the partner (server window) and whether the initiate
// is under way.
constexpr int kPartnerOffset = 0;
constexpr int kInitiatingOffset = static_cast<int>(sizeof(LONG_PTR));
constexpr int kExtraBytes = 2 * static_cast<int>(sizeof(LONG_PTR));

// Bit of an acknowledgement's status word that marks a positive answer.
constexpr UINT_PTR kAckPositive = 0x8000;

HWND GetPartner(HWND hwnd) {
    return reinterpret_cast<HWND>(GetWindowLongPtrA(hwnd, kPartnerOffset));
}

void SetPartner(HWND hwnd, HWND partner) {
    SetWindowLongPtrA(hwnd, kPartnerOffset, reinterpret_cast<LONG_PTR>(partner));
}

bool IsInitiating(HWND hwnd) {
    return GetWindowLongPtrA(hwnd, kInitiatingOffset) != 0;
}

void SetInitiating(HWND hwnd, bool on) {
    SetWindowLongPtrA(hwnd, kInitiatingOffset, on ? 1 : 0);
}

// Sleeps until something is posted or sent to this thread, or `limit`
// milliseconds have passed.
void WaitForQueue(DWORD limit) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, limit, QS_POSTMESSAGE | QS_SENDMESSAGE);
}

void SendInitiate(HWND hwnd, HWND target, LPARAM atoms) {
    if (!target) return;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(target, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(hwnd), atoms,
                        SMTO_ABORTIFHUNG, kDdeInitiateTimeout, &ignored);
}

// WM_NCCREATE: find the server while the window is being created; start
// it when nobody answers and ask once more.
LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefWindowProcA(hwnd, WM_NCCREATE, wParam, lParam);
    if (!result) return result;
    SetPartner(hwnd, nullptr);
    const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    const DdeClientParams* params = static_cast<const DdeClientParams*>(create->lpCreateParams);
    if (!params) return result;
    SetInitiating(hwnd, true);
    SendInitiate(hwnd, params->initiateTarget, params->atoms);
    if (!GetPartner(hwnd) && g_ddeStartsServer) {
        char application[100] = "";
        if (GlobalGetAtomNameA(LOWORD(params->atoms), application, sizeof application) && application[0]) {
            WinExec(application, SW_RESTORE);
        }
        SendInitiate(hwnd, params->initiateTarget, params->atoms);
    }
    SetInitiating(hwnd, false);
    return result;
}

// WM_DDE_ACK dispatched to the window. During the initiate it is a server's
// answer: the first one becomes the partner, any later one is told that its
// conversation is not wanted; the atoms it hands over are ours to delete.
// At any other time it can only be the late answer to a command that was
// given up; its packed parameter is released.
void OnAck(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    HWND server = reinterpret_cast<HWND>(wParam);
    if (!IsInitiating(hwnd)) {
        FreeDDElParam(WM_DDE_ACK, lParam);
        return;
    }
    const ATOM application = LOWORD(lParam);
    const ATOM topic = HIWORD(lParam);
    if (!GetPartner(hwnd)) {
        SetPartner(hwnd, server);
    } else if (server != GetPartner(hwnd)) {
        PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
    }
    if (application) GlobalDeleteAtom(application);
    if (topic) GlobalDeleteAtom(topic);
}

// The partner ended the conversation during a command.
void EndConversation(HWND hwnd, HWND partner) {
    PostMessageA(partner, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
    SetPartner(hwnd, nullptr);
}

// WM_DDE_EXECUTE sent by the program: hand the command block to the partner
// and wait, bounded, for its acknowledgement. Messages for other windows
// stay queued meanwhile; messages sent by other threads are delivered.
LRESULT OnExecute(HWND hwnd, LPARAM lParam) {
    HWND partner = GetPartner(hwnd);
    if (!partner || !lParam) return 0;
    if (!PostMessageA(partner, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(hwnd), lParam)) return 0;
    const UINT_PTR commands = static_cast<UINT_PTR>(lParam);
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        if (PeekMessageA(&msg, hwnd, WM_DDE_ACK, WM_DDE_ACK, PM_REMOVE)) {
            UINT_PTR status = 0;
            UINT_PTR echoed = 0;
            const BOOL unpacked = UnpackDDElParam(WM_DDE_ACK, msg.lParam, &status, &echoed);
            FreeDDElParam(WM_DDE_ACK, msg.lParam);
            // Only the partner's answer to this very block counts; an answer
            // that names another block belongs to a command already given up.
            if (unpacked && reinterpret_cast<HWND>(msg.wParam) == partner && echoed == commands) {
                return (status & kAckPositive) ? 1 : 0;
            }
            continue;
        }
        if (PeekMessageA(&msg, hwnd, WM_DDE_TERMINATE, WM_DDE_TERMINATE, PM_REMOVE)) {
            if (reinterpret_cast<HWND>(msg.wParam) == partner) {
                EndConversation(hwnd, partner);
                return 0;
            }
            continue;
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= kDdeExecuteTimeout) return 0;
        if (!IsWindow(partner)) {
            SetPartner(hwnd, nullptr);
            return 0;
        }
        const DWORD left = kDdeExecuteTimeout - elapsed;
        WaitForQueue(left < 100 ? left : 100);
    }
}

// WM_DDE_DATA: the client never asks for data, so whatever arrives is
// unsolicited; the block and the item atom are released.
void OnData(LPARAM lParam) {
    UINT_PTR data = 0;
    UINT_PTR item = 0;
    if (!UnpackDDElParam(WM_DDE_DATA, lParam, &data, &item)) return;
    FreeDDElParam(WM_DDE_DATA, lParam);
    if (data) GlobalFree(reinterpret_cast<HGLOBAL>(data));
    if (item) GlobalDeleteAtom(static_cast<ATOM>(item));
}

// WM_DDE_TERMINATE from the partner: answer it and forget the partner.
void OnTerminate(HWND hwnd, WPARAM wParam) {
    HWND partner = GetPartner(hwnd);
    if (partner && reinterpret_cast<HWND>(wParam) == partner) EndConversation(hwnd, partner);
}

// WM_DESTROY: end the conversation and give the server up to 3 seconds to
// answer the terminate. The wait takes place also without a partner.
void OnDestroy(HWND hwnd) {
    HWND partner = GetPartner(hwnd);
    if (partner) PostMessageA(partner, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(hwnd), 0);
    SetPartner(hwnd, nullptr);
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        if (PeekMessageA(&msg, hwnd, WM_DDE_TERMINATE, WM_DDE_TERMINATE, PM_REMOVE)) {
            if (partner && reinterpret_cast<HWND>(msg.wParam) == partner) return;
            continue;
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= kDdeTerminateTimeout) return;
        const DWORD left = kDdeTerminateTimeout - elapsed;
        WaitForQueue(left < 100 ? left : 100);
    }
}

}  // namespace

HWND DdeClientPartner(HWND client) {
    return client ? GetPartner(client) : nullptr;
}

BOOL RegisterDdeClientClass(HINSTANCE instance) {
    WNDCLASSA wc;
    std::memset(&wc, 0, sizeof wc);
    wc.style = 0;
    wc.lpfnWndProc = DDEClientWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = kExtraBytes;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    if (RegisterClassA(&wc)) return TRUE;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

TLS_EXPORT LRESULT CALLBACK DDEClientWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_NCCREATE:
            return OnNcCreate(hwnd, wParam, lParam);
        case WM_DDE_ACK:
            OnAck(hwnd, wParam, lParam);
            return 0;
        case WM_DDE_EXECUTE:
            return OnExecute(hwnd, lParam);
        case WM_DDE_TERMINATE:
            OnTerminate(hwnd, wParam);
            return 0;
        case WM_DDE_DATA:
            OnData(lParam);
            return 0;
        case WM_DESTROY:
            OnDestroy(hwnd);
            return 0;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

HWND OpenProgmanClient(HINSTANCE instance, HWND initiateTarget) {
    const ATOM application = GlobalAddAtomA(kProgmanService);
    const ATOM topic = GlobalAddAtomA(kProgmanService);
    DdeClientParams params;
    params.atoms = static_cast<LPARAM>(MAKELPARAM(application, topic));
    params.initiateTarget = initiateTarget;
    HWND client = CreateWindowA(kClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, &params);
    if (application) GlobalDeleteAtom(application);
    if (topic) GlobalDeleteAtom(topic);
    return client;
}

int SendProgmanCommand(HWND client, const char* command) {
    if (!client || !command) return 0;
    const std::size_t size = std::strlen(command) + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, size);
    if (!block) return 0;
    char* text = static_cast<char*>(GlobalLock(block));
    if (!text) {
        GlobalFree(block);
        return 0;
    }
    std::memcpy(text, command, size);
    GlobalUnlock(block);
    const LRESULT result = SendMessageA(client, WM_DDE_EXECUTE, 0, reinterpret_cast<LPARAM>(block));
    GlobalFree(block);
    return result ? 1 : 0;
}

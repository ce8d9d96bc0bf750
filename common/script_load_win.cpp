// Operation 0 of the setup-script engine on Windows: one read of the script
// into a zero-filled global block, parsed under the hourglass cursor.
#include <windows.h>

#include "script_engine.h"
#include "system_cursor.h"

std::uint32_t ScriptLoadFile(const char* path) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kScriptTextSize + 1);
    if (!block) return 1;
    char* text = static_cast<char*>(GlobalLock(block));
    if (!text) {
        GlobalFree(block);
        return 1;
    }
    OFSTRUCT of{};
    HFILE file = path ? OpenFile(path, &of, OF_READ) : HFILE_ERROR;
    if (file == HFILE_ERROR) {
        GlobalUnlock(block);
        GlobalFree(block);
        return 2;
    }
    UINT got = _lread(file, text, kScriptTextSize);
    // A file that opens but cannot be read counts as an empty script.
    if (got == static_cast<UINT>(HFILE_ERROR) || got > kScriptTextSize) got = 0;
    text[got] = '\0';
    _lclose(file);

    HCURSOR previous = SetCursor(SystemCursor(IDC_WAIT));
    ScriptParseText(text);
    SetCursor(previous);

    GlobalUnlock(block);
    GlobalFree(block);
    return 0;
}

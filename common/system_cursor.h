// One of the system's cursors (IDC_ARROW, IDC_WAIT), loaded with LoadImage,
// which Windows 95 and NT 4.0 document; LoadCursor is its older form.
#pragma once

#include <windows.h>

inline HCURSOR SystemCursor(LPCSTR id) {
    return static_cast<HCURSOR>(LoadImageA(nullptr, id, IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

// Copies one file through the LZ expansion interface: a plain file is copied
// unchanged, a file compressed in the LZ format is expanded. Used by the
// installer's INI backups and by the uninstaller.
#pragma once

#include <windows.h>

// Opens source for reading and destination with OF_CREATE (created or
// truncated), copies with LZCopy and closes both. TRUE when LZCopy returned 0
// or more; FALSE at once when the source cannot be opened, and FALSE (after
// closing the source) when the destination cannot be created.
BOOL LzCopyFile(const char* source, const char* destination);

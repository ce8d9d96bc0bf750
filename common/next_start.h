// The lists of what Windows deletes when it next starts: NT's
// PendingFileRenameOperations, and the [rename] section of WININIT.INI that
// Windows 95, 98 and Me work through (by short name, files only).
#pragma once

// Lists path (a file's full path) for deletion in the [rename] section of
// WININIT.INI in windowsDir, as "NUL=" and its short path, after the other
// lines and in place of any earlier line that names it; the file is created
// when it is missing. True when the section was written.
bool AddWininitDeletion(const char* windowsDir, const char* path);

// Takes out of both lists every deletion that names path, compared in full
// long form without regard to case: whole pairs of NT's list, "NUL=" lines
// of WININIT.INI. Renames and other programs' entries stay, in their order.
void CancelRestartDeletions(const char* windowsDir, const char* path);

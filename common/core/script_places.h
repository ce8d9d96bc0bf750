// Whether a path that the setup script leads to stays inside the place it
// belongs to. Both programs run with administrator rights on systems with
// file security, while the script can be edited by anyone who can write to
// the installation directory: a name such as "..\..\BOOT.INI" must never
// be written or deleted. Portable: no Windows headers. Texts are walked a
// character at a time: on double-byte code pages a trail byte may be 0x5C.
#pragma once

#include <cstddef>

// True when a destination name or directory text of the script may be
// joined to a directory: false for a text with a ".." part (or any part
// made of dots and blanks alone, other than "."), a drive letter or any
// colon, a leading backslash, a slash, a wildcard (* or ?), or a part that
// names a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an
// extension).
bool IsScriptTextInside(const char* text);

// True for a text that IsScriptTextInside takes and that names no folder:
// what a record for the Windows, system or fonts directory may name.
bool IsPlainScriptName(const char* text);

// Length of name as Windows opens it: without trailing dots and blanks.
std::size_t OpenedNameLength(const char* name);

// True when path and dir name the same directory: compared without regard
// to letter case and to trailing backslashes. The caller passes both in one
// form (full paths, backslashes).
bool IsSamePath(const char* path, const char* dir);

// True when path lies below dir (strictly: dir itself is not below dir),
// compared as IsSamePath compares.
bool IsPathBelow(const char* path, const char* dir);

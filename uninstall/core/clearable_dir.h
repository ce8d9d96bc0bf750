// Which directory the uninstaller may empty: the package's first script
// directory ([Dirs] entry 1), where users keep their own files, is cleared
// of every file before the directories are removed. That is safe only for a
// real subdirectory of the installation directory. Portable: the packaging
// tool checks the same text when it builds a distribution set.
#pragma once

// True when the directory text of [Dirs] entry 1 can name only a
// subdirectory of the installation directory. False for "WINDOWS" and
// "SYSTEM" (any letter case), for a text that names the installation
// directory itself (empty, ".", only "." parts and separators), for one
// that contains "..", a drive letter (any ":") or begins with a backslash
// or slash.
bool IsClearableDirText(const char* text);

// True when path, the full path of the directory to empty, is none of the
// Windows directory, the system directory, a drive root and the
// installation directory. The texts are compared without regard to letter
// case and to trailing backslashes; the caller passes them in one form
// (full paths, the same separators).
bool IsClearableDirPath(const char* path, const char* windowsDir, const char* systemDir, const char* installDir);

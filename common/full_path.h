// The full, long form of a path, for comparing directories however they are
// written (short names, "." and ".." parts, "/" separators).
#pragma once

#include <windows.h>

// Each component takes the name the file system lists for it; from the
// first component that does not exist (or holds a wildcard, which would be
// searched for as a pattern) the path stays as written. False when the
// result does not fit.
bool FullLongPath(const char* path, char* out, DWORD size);

// True when path, in its full long form, lies below dir's (strictly). False
// too when either form cannot be had.
bool IsFullPathBelow(const char* path, const char* dir);

// True when path is a reparse point: a junction, a mount point or a
// symbolic link. Windows 95 has none and reports no such attribute.
bool IsLink(const char* path);

// True when a folder that holds path, from top (included) down, is a
// reparse point: what is done to path would be done somewhere else.
bool ReachedThroughLink(const char* path, const char* top);

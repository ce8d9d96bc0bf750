// Internal interfaces of the file installation (files.cpp, fonts.cpp).
#pragma once

#include <windows.h>

#include <cstdint>

// Copies or expands one file; upper-cases `destPath` in place. Results are
// those of core/file_paths.h: 0 copied (or source and destination are the
// same file), 2 source cannot be opened, 3 destination cannot be created,
// 5 the copy failed.
int CopyOrExpandFile(const char* sourcePath, char* destPath, BOOL expand);

// Sets SetupState::fontDir, when still empty, to the FONTS folder of the
// Windows directory and creates that folder if it is missing.
void PrepareFontDirectory();

// Takes the font already at fontPath, if any, out of the running system, so
// that its file can be replaced: Windows holds a loaded font's file open.
void ReleaseEarlierFont(const char* fontPath);

// Makes the font at file position `position` of `fileCount` records usable:
// resource file beside it, added to the system, WIN.INI [Fonts] entry. True
// when the entry was written, and for a font outside the name table, which is
// left unregistered.
BOOL RegisterTrueTypeFont(std::uint32_t position, std::uint32_t fileCount, const char* fontPath,
                          const char* sourceName);

// Texts of the file-installation dialogs built from string-table formats.
// Portable: no Windows headers.
#pragma once

#include <cstddef>

// Copies format into dst with its first "%s" replaced by arg and every "%%"
// turned into "%", as the system's formatter does for these one-argument
// texts. Other characters are copied unchanged. False when the result does
// not fit (dst then holds what fitted).
bool FormatWithText(char* dst, std::size_t size, const char* format, const char* arg);

// Insert-disk prompt: text 1042 formatted with the product word, followed
// directly by the disk name.
bool BuildDiskPrompt(char* dst, std::size_t size, const char* format, const char* product,
                     const char* diskName);

// New source directory typed into the insert-disk prompt: stored as typed,
// with a trailing backslash added when there is room for it, so that the
// directory keeps ending in one like the installer's own directory. False,
// with dst unchanged, when the text is empty or does not fit.
bool StoreSourceDirectory(char* dst, std::size_t size, const char* typed);

// Texts of the commands the installer gives Program Manager. Portable: no
// Windows headers.
#pragma once

#include <cstddef>

// Command line of a group item: the destination directory (short form), a
// backslash unless it ends in one, the item's directory relative to the
// destination and the file name. A directory written "." stands for the
// destination itself: when the text ends in "." its last two characters
// become a single backslash. An empty or missing directory (an item whose
// file is not among the script's files) places the file in the destination
// itself. False when the result does not fit `size`; dst is then empty.
bool BuildItemCommandLine(char* dst, std::size_t size, const char* destShortDir,
                          const char* dirName, const char* fileName);

// "[CreateGroup(group)]"
bool BuildCreateGroupCommand(char* dst, std::size_t size, const char* group);

// "[DeleteItem(title)]"
bool BuildDeleteItemCommand(char* dst, std::size_t size, const char* title);

// "[AddItem(command line,title,,0)]": no icon path, icon index 0.
bool BuildAddItemCommand(char* dst, std::size_t size, const char* commandLine, const char* title);

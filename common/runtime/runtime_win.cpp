// The whole run-time support of the shipped programs (TLSETUP.EXE,
// TLDELET.EXE, ZEROZ32.DLL), which link no C runtime DLL: Windows 95 as
// released has no MSVCRT.DLL. It holds the executables' entry point, which
// hands the command line and show command to WinMain and ends the process
// with its result, and the memory and string functions that the programs'
// code and the compiler call. The DLL's entry point is its own DllMain; its
// copy of this file is compiled with TLS_RUNTIME_NO_ENTRY.
//
// Compiled with -fno-builtin and -fno-tree-loop-distribute-patterns, so that
// the compiler does not turn these loops back into calls of themselves.
#include <windows.h>

#include <cstddef>

extern "C" {

void* memcpy(void* dst, const void* src, std::size_t count) {
    unsigned char* d = static_cast<unsigned char*>(dst);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    while (count--) *d++ = *s++;
    return dst;
}

void* memmove(void* dst, const void* src, std::size_t count) {
    unsigned char* d = static_cast<unsigned char*>(dst);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    if (d < s) {
        while (count--) *d++ = *s++;
    } else if (d > s) {
        d += count;
        s += count;
        while (count--) *--d = *--s;
    }
    return dst;
}

void* memset(void* dst, int value, std::size_t count) {
    unsigned char* d = static_cast<unsigned char*>(dst);
    while (count--) *d++ = static_cast<unsigned char>(value);
    return dst;
}

int memcmp(const void* a, const void* b, std::size_t count) {
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (; count--; ++x, ++y) {
        if (*x != *y) return *x < *y ? -1 : 1;
    }
    return 0;
}

void* memchr(const void* text, int value, std::size_t count) {
    const unsigned char* p = static_cast<const unsigned char*>(text);
    for (; count--; ++p) {
        if (*p == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(p);
    }
    return nullptr;
}

std::size_t strlen(const char* text) {
    const char* p = text;
    while (*p) ++p;
    return static_cast<std::size_t>(p - text);
}

std::size_t strnlen(const char* text, std::size_t size) {
    std::size_t n = 0;
    while (n < size && text[n]) ++n;
    return n;
}

int strncmp(const char* a, const char* b, std::size_t count) {
    for (; count; --count, ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) break;
    }
    return 0;
}

char* strchr(const char* text, int c) {
    for (;; ++text) {
        if (*text == static_cast<char>(c)) return const_cast<char*>(text);
        if (!*text) return nullptr;
    }
}

char* strrchr(const char* text, int c) {
    const char* last = nullptr;
    for (;; ++text) {
        if (*text == static_cast<char>(c)) last = text;
        if (!*text) return const_cast<char*>(last);
    }
}

char* strstr(const char* text, const char* part) {
    if (!*part) return const_cast<char*>(text);
    for (; *text; ++text) {
        std::size_t i = 0;
        while (part[i] && text[i] == part[i]) ++i;
        if (!part[i]) return const_cast<char*>(text);
    }
    return nullptr;
}

std::size_t strcspn(const char* text, const char* reject) {
    std::size_t n = 0;
    for (; text[n]; ++n) {
        for (const char* r = reject; *r; ++r) {
            if (text[n] == *r) return n;
        }
    }
    return n;
}

#ifndef TLS_RUNTIME_NO_ENTRY

// Static constructors, which the linker lists between the markers -1 and 0
// of __CTOR_LIST__; the executables run them before WinMain (the programs
// have none today, but a global object with a constructor must not go
// silently unconstructed).
extern void (*__CTOR_LIST__[])();

// The executables' entry point (linked with -e). The system calls it with
// the stack aligned to 4 bytes only, hence the realignment.
__attribute__((force_align_arg_pointer, noreturn)) void ProgramEntry() {
    std::size_t count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    while (count) __CTOR_LIST__[count--]();

    // The command line after the program's name (quoted or not) and the
    // blanks behind it, as the C runtime hands it to WinMain. The bytes are
    // compared unsigned: letters above 127 (an 8.3 name may hold them) are
    // no blanks.
    char* line = GetCommandLineA();
    bool quoted = false;
    for (unsigned char c; (c = static_cast<unsigned char>(*line)) > ' ' || (c && quoted); ++line) {
        if (c == '"') quoted = !quoted;
    }
    while (*line && static_cast<unsigned char>(*line) <= ' ') ++line;

    STARTUPINFOA startup;
    startup.dwFlags = 0;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(static_cast<UINT>(WinMain(GetModuleHandleA(nullptr), nullptr, line, show)));
}

#endif  // TLS_RUNTIME_NO_ENTRY

}  // extern "C"

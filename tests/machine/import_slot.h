// The name of a Win32 function's import slot, for the stand-ins that test
// variants of the programs link in place of a system function: a variable of
// this name, defined in the variant, is the slot through which the programs'
// objects call the function, and the linker takes it in place of the system
// library's. On i386 the slot carries the stdcall decoration.
#pragma once

#if defined(__i386__)
#define TLS_IMPORT_SLOT(name, argBytes) __asm__("__imp__" #name "@" #argBytes)
#else
#define TLS_IMPORT_SLOT(name, argBytes) __asm__("__imp_" #name)
#endif

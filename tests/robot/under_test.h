// The build whose programs an end-to-end test drives. Every end-to-end
// scenario runs twice: on this tree's x86_64 programs and on the shipped
// 32-bit release set (the win32 preset's TLSETUP.EXE, TLDELET.EXE,
// ZEROZ32.DLL and its compressed distribution set). ctest chooses with the
// environment: TLS_UNDER_TEST ("win64", the default, or "win32"),
// TLS_UNDER_TEST_BIN (host folder of the programs) and TLS_UNDER_TEST_DIST
// (host folder of the distribution set). Test programs and fixtures are
// always this tree's own (robot::BinDir()).
#pragma once

#include <windows.h>

#include <string>

namespace robot {

// "win64" or "win32".
std::string BuildUnderTest();
bool Testing32Bit();
// Folder of tlsetup.exe, tldesetup.exe and ZEROZ32.DLL of the build under
// test, with a trailing backslash.
std::string ProgramsDir();
// The build's test-only installer variant that offers to remove a previous
// version (the win32 tree keeps it out of its bin folder).
std::string OfferVariant();
// Another test variant of the build under test, by file name (beside the
// offer variant), e.g. "tlsetup_quick.exe".
std::string TestVariant(const std::string& name);
// The distribution set under test (DISK1, DISK2, manifest.txt), no trailing
// backslash; and its parts.
std::string DistDir();
std::string DistDisk1();
std::string DistDisk2();
std::string DistManifest();
// The registry view the programs under test write HKLM\SOFTWARE into: a
// 32-bit program on a 64-bit system sees SOFTWARE through Wow6432Node.
// OR it into the access mask of every RegOpenKeyEx on HKLM\SOFTWARE.
REGSAM ProgramRegView();
// A wait's bound for the build under test: the 32-bit programs run slower
// (through WoW64, and under qemu where the kernel runs no 32-bit programs),
// so ctest passes the share TLS_TIMEOUT_PERCENT (TLS_WIN32_TIMEOUT_PERCENT
// in cmake/Project.cmake) that every robot wait's bound is scaled by.
DWORD ScaledBound(DWORD ms);

}  // namespace robot

// A printer-driver library of the sample package. It stands for the PCL
// driver and its libraries (ORVPCL.DRV, ORVPCLF.DLL, ORVPCLFL.DLL,
// ORVPCLS.DLL, VAZAZUD.DLL): a real library that loads and does nothing.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }

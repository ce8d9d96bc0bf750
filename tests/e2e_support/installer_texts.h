// What the end-to-end tests know of the installer before they run it: the
// texts of its windows and the places where it leaves the package.
#pragma once

#include <windows.h>

// Upper bounds only: a Wine program on a loaded machine can take long to start.
inline constexpr DWORD kBound = 60000;

inline constexpr char kMainTitle[] = "ORVAN Vireo Setup";
inline constexpr char kCancelQuestion[] =
    "Setup has not finished installing the software.\nAre you sure you want to cancel?";
inline constexpr char kNotInstalled[] =
    "The software has not been installed successfully.  You must run Setup again before using Vireo.";

inline constexpr char kInstallDir[] = "C:\\VIREO";
inline constexpr char kPrinterName[] = "ORVAN Pelora 200/250 PCL";
inline constexpr char kDeviceKey[] = "Enum\\LPTENUM\\ROVOZIZUDAR_200_OREV766";
inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ORVAN Pelora 200/250";

// Window and dialog procedures are exported from the programs under their
// plain names (the i686 link uses --kill-at to drop the stdcall decoration).
#pragma once

#define TLS_EXPORT extern "C" __declspec(dllexport)

#pragma once
// The Windows API as this program includes it: without the min and max
// macros, which break the standard library's, and without the rarely used
// parts.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

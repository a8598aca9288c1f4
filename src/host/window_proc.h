// The program window's procedure: activation, keys, control keys and the end of the run.
#pragma once
#include <cstdint>

#include "platform/platform.h"

// The window procedure of the program's window.
intptr_t windowProc(PlatformWindow window, uint32_t message, uintptr_t wParam, intptr_t lParam);

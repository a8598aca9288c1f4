// Where a picture goes in a window or on a screen at a whole-number scale: the desktop backends'
// shared arithmetic (SDL2 and Win32).
#pragma once

#include "platform/platform.h"

// True when r is a non-empty rectangle inside a width x height buffer.
bool rectInside(const PlatformRect& r, int width, int height);
// The largest whole-number scaling of a width x height picture that fits the output, centred
// (shrunk to fit, keeping its shape, when even scale 1 does not fit).
PlatformRect fitPicture(int outputWidth, int outputHeight, int width, int height);
// The scale a window starts at: preferred (WINDOW_START_SCALE when 0), or the largest smaller one at
// which the width x height picture fits the room (1 when none does).
int windowStartScale(int width, int height, int roomWidth, int roomHeight, int preferred);

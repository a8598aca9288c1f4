#include <cstddef>

#include "platform/shared/present_pacer.h"
#include "platform/win32/win32_platform.h"

#include <mmsystem.h>

// DirectDraw's own codes pass through unchanged, so a lost surface arrives as
// PLATFORM_SURFACE_LOST and success as PLATFORM_OK.
static_assert(int32_t(DDERR_SURFACELOST) == PLATFORM_SURFACE_LOST);
static_assert(DD_OK == PLATFORM_OK);
static_assert(sizeof(DDSURFACEDESC) == 108);
static_assert(sizeof(PaletteColour) == sizeof(PALETTEENTRY) && offsetof(PALETTEENTRY, peBlue) == 2);

// Exclusive full screen, mode X modes allowed, Ctrl+Alt+Del left to the system.
constexpr DWORD COOPERATIVE_FLAGS = DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX;
constexpr DWORD PRIMARY_CAPS = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
constexpr DWORD PALETTE_FLAGS = DDPCAPS_8BIT | DDPCAPS_ALLOW256;
constexpr DWORD LOCK_FLAGS = DDLOCK_WAIT | DDLOCK_WRITEONLY;
static_assert(COOPERATIVE_FLAGS == 0x53 && PRIMARY_CAPS == 0x218 && PALETTE_FLAGS == 0x44 && LOCK_FLAGS == 0x21);

static int32_t result(HRESULT code) { return int32_t(code); }

static int64_t counterNow() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

int32_t platformCreateDisplay() {
  Win32Platform& wp = win32Platform;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  wp.counterFrequency = frequency.QuadPart;
  presentPacer = PresentPacer{};
  // Sleep's default granularity (15.6 ms) is nearly a whole period.
  wp.timerPeriodSet = timeBeginPeriod(TIMER_PERIOD_MS) == TIMERR_NOERROR;
  return result(DirectDrawCreate(nullptr, &wp.directDraw, nullptr));
}

void pacePresent() {
  const int64_t wait = paceDelay(counterNow(), win32Platform.counterFrequency);
  if (wait > 0)
    Sleep(DWORD(wait * 1000 / win32Platform.counterFrequency));
}

int32_t platformSetCooperativeLevel(PlatformWindow window) {
  return result(win32Platform.directDraw->SetCooperativeLevel(HWND(window), COOPERATIVE_FLAGS));
}

int32_t platformSetDisplayMode(int width, int height, int bitsPerPixel) {
  const HRESULT code = win32Platform.directDraw->SetDisplayMode(DWORD(width), DWORD(height), DWORD(bitsPerPixel));
  if (code == DD_OK) {
    win32Platform.modeWidth = width;
    win32Platform.modeHeight = height;
  }
  return result(code);
}

int32_t platformCreatePrimarySurface() {
  DDSURFACEDESC description = {};
  description.dwSize = sizeof description;
  description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
  description.dwBackBufferCount = 1;
  description.ddsCaps.dwCaps = PRIMARY_CAPS;
  return result(win32Platform.directDraw->CreateSurface(&description, &win32Platform.primarySurface, nullptr));
}

int32_t platformGetBackBuffer() {
  DDSCAPS caps = {};
  caps.dwCaps = DDSCAPS_BACKBUFFER;
  return result(win32Platform.primarySurface->GetAttachedSurface(&caps, &win32Platform.backBuffer));
}

int32_t platformCreatePalette(const PaletteColour entries[256]) {
  PALETTEENTRY system[256];
  for (int i = 0; i < 256; ++i)
    system[i] = PALETTEENTRY{entries[i].red, entries[i].green, entries[i].blue, entries[i].flags};
  return result(win32Platform.directDraw->CreatePalette(PALETTE_FLAGS, system, &win32Platform.palette, nullptr));
}

int32_t platformSetPalette() { return result(win32Platform.primarySurface->SetPalette(win32Platform.palette)); }

int32_t platformLockBackBuffer(uint8_t** bits, int32_t* pitch) {
  DDSURFACEDESC description = {};
  description.dwSize = sizeof description;
  IDirectDrawSurface* back = win32Platform.backBuffer;
  const HRESULT code = back->Lock(nullptr, &description, LOCK_FLAGS, nullptr);
  if (code != DD_OK)
    return result(code);
  // The frame is copied into a rectangle of the mode's size: memory smaller
  // than that would be written past its end, so such a lock is refused.
  const bool shortRows = description.lPitch < win32Platform.modeWidth;
  const bool fewRows = (description.dwFlags & DDSD_HEIGHT) && LONG(description.dwHeight) < win32Platform.modeHeight;
  if (!description.lpSurface || shortRows || fewRows) {
    back->Unlock(description.lpSurface);
    return result(DDERR_GENERIC);
  }
  *bits = static_cast<uint8_t*>(description.lpSurface);
  *pitch = description.lPitch;
  return PLATFORM_OK;
}

int32_t platformUnlockBackBuffer(uint8_t* bits) { return result(win32Platform.backBuffer->Unlock(bits)); }

int32_t platformFlip() {
  const HRESULT code = win32Platform.primarySurface->Flip(nullptr, DDFLIP_WAIT);
  pacePresent();
  drawOverlayLine();
  return result(code);
}

int32_t platformStretchBlit(const PlatformRect* destination, const PlatformRect* source) {
  RECT to = {destination->left, destination->top, destination->right, destination->bottom};
  RECT from = {source->left, source->top, source->right, source->bottom};
  const HRESULT code = win32Platform.primarySurface->Blt(&to, win32Platform.backBuffer, &from, DDBLT_WAIT, nullptr);
  pacePresent();
  drawOverlayLine();
  return result(code);
}

int32_t platformRestoreSurfaces() { return result(win32Platform.primarySurface->Restore()); }

// Objects are released in the reverse order of their creation; the display
// object's release gives the desktop its own mode back.
template <typename T> static void release(T*& object) {
  if (object)
    object->Release();
  object = nullptr;
}

void releaseDisplay() {
  Win32Platform& wp = win32Platform;
  release(wp.palette);
  release(wp.backBuffer);
  release(wp.primarySurface);
  if (wp.directDraw)
    wp.directDraw->RestoreDisplayMode();
  release(wp.directDraw);
  if (wp.timerPeriodSet)
    timeEndPeriod(TIMER_PERIOD_MS);
  wp.timerPeriodSet = false;
}

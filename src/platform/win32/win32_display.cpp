#include <cstddef>

#include "platform/shared/picture_fit.h"
#include "platform/shared/present_pacer.h"
#include "platform/win32/win32_platform.h"

#include <cstring>

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
// The window: a title bar, a frame to resize it by, the system menu and the size buttons.
constexpr DWORD WINDOW_STYLE = WS_OVERLAPPEDWINDOW;
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
  if (win32Platform.repeatPresents)
    return;
  const int64_t wait = paceDelay(counterNow(), win32Platform.counterFrequency);
  if (wait > 0)
    Sleep(DWORD(wait * 1000 / win32Platform.counterFrequency));
}

// Objects are released in the reverse order of their creation.
template <typename T> static void release(T*& object) {
  if (object)
    object->Release();
  object = nullptr;
}

int32_t platformSetCooperativeLevel(PlatformWindow window) {
  Win32Platform& wp = win32Platform;
  if (wp.windowed) {
    // Back to the popup the full screen is made of; DirectDraw sizes it to the mode. The window's
    // place is kept for the way back.
    GetWindowRect(wp.window, &wp.windowPlace);
    SetWindowLongA(wp.window, GWL_STYLE, WS_POPUP | WS_VISIBLE);
    SetWindowPos(wp.window, HWND_TOP, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                 SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    wp.windowed = false;
  }
  return result(wp.directDraw->SetCooperativeLevel(HWND(window), COOPERATIVE_FLAGS));
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
  Win32Platform& wp = win32Platform;
  PALETTEENTRY system[256];
  for (int i = 0; i < 256; ++i) {
    system[i] = PALETTEENTRY{entries[i].red, entries[i].green, entries[i].blue, entries[i].flags};
    wp.bitmapInfo.colours[i] = RGBQUAD{entries[i].blue, entries[i].green, entries[i].red, 0};
  }
  if (wp.windowed)
    return PLATFORM_OK; // GDI converts the window's picture through the bitmap's colour table
  release(wp.palette);
  return result(wp.directDraw->CreatePalette(PALETTE_FLAGS, system, &wp.palette, nullptr));
}

int32_t platformSetPalette() {
  if (win32Platform.windowed)
    return PLATFORM_OK;
  return result(win32Platform.primarySurface->SetPalette(win32Platform.palette));
}

int32_t platformLockBackBuffer(uint8_t** bits, int32_t* pitch) {
  Win32Platform& wp = win32Platform;
  if (wp.windowed) {
    *bits = wp.windowBuffer;
    *pitch = wp.bufferWidth;
    return PLATFORM_OK;
  }
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

int32_t platformUnlockBackBuffer(uint8_t* bits) {
  if (win32Platform.windowed)
    return PLATFORM_OK;
  return result(win32Platform.backBuffer->Unlock(bits));
}

int32_t platformFlip() {
  if (win32Platform.windowed)
    return result(DDERR_GENERIC);
  const HRESULT code = win32Platform.primarySurface->Flip(nullptr, DDFLIP_WAIT);
  pacePresent();
  drawOverlayLine();
  return result(code);
}

int32_t platformStretchBlit(const PlatformRect* destination, const PlatformRect* source) {
  if (win32Platform.windowed)
    return result(DDERR_GENERIC);
  RECT to = {destination->left, destination->top, destination->right, destination->bottom};
  RECT from = {source->left, source->top, source->right, source->bottom};
  const HRESULT code = win32Platform.primarySurface->Blt(&to, win32Platform.backBuffer, &from, DDBLT_WAIT, nullptr);
  pacePresent();
  drawOverlayLine();
  return result(code);
}

int32_t platformRestoreSurfaces() {
  if (win32Platform.windowed)
    return PLATFORM_OK; // memory is never lost
  return result(win32Platform.primarySurface->Restore());
}

// Turns the popup into a normal window where it was before the full screen, or at first centred on
// the work area, its client area the picture at the start scale (smaller where the work area is).
static void placeWindow(int pictureWidth, int pictureHeight) {
  Win32Platform& wp = win32Platform;
  RECT place = wp.windowPlace;
  if (place.right <= place.left) {
    RECT frame = {0, 0, 0, 0};
    AdjustWindowRectEx(&frame, WINDOW_STYLE, FALSE, 0);
    const int frameWidth = frame.right - frame.left, frameHeight = frame.bottom - frame.top;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
    const int scale = windowStartScale(pictureWidth, pictureHeight, workWidth - frameWidth, workHeight - frameHeight,
                                       wp.windowScale);
    const int width = pictureWidth * scale + frameWidth, height = pictureHeight * scale + frameHeight;
    place.left = work.left + (workWidth - width) / 2;
    place.top = work.top + (workHeight - height) / 2;
    place.right = place.left + width;
    place.bottom = place.top + height;
  }
  SetWindowLongA(wp.window, GWL_STYLE, WINDOW_STYLE | WS_VISIBLE);
  // The exclusive mode may have made the popup topmost.
  SetWindowPos(wp.window, HWND_NOTOPMOST, place.left, place.top, place.right - place.left, place.bottom - place.top,
               SWP_FRAMECHANGED | SWP_SHOWWINDOW);
}

int32_t platformEnterWindow(int width, int height, const PlatformRect* picture) {
  Win32Platform& wp = win32Platform;
  const PlatformRect& p = *picture;
  if (!wp.window || width > WINDOW_BUFFER_WIDTH || height > WINDOW_BUFFER_HEIGHT || !rectInside(p, width, height))
    return result(DDERR_INVALIDPARAMS);
  // The full screen let go, when it was taken: surfaces, palette, mode and the exclusive level.
  release(wp.palette);
  release(wp.backBuffer);
  release(wp.primarySurface);
  if (wp.directDraw) {
    wp.directDraw->RestoreDisplayMode();
    wp.directDraw->SetCooperativeLevel(wp.window, DDSCL_NORMAL);
  }
  wp.bufferWidth = width;
  wp.bufferHeight = height;
  wp.windowPicture = p;
  memset(wp.windowBuffer, 0, sizeof wp.windowBuffer);
  // The bitmap is the picture's rows, top-down, at the buffer's pitch.
  BITMAPINFOHEADER& header = wp.bitmapInfo.header;
  header = BITMAPINFOHEADER{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = -(p.bottom - p.top);
  header.biPlanes = 1;
  header.biBitCount = 8;
  header.biCompression = BI_RGB;
  header.biClrUsed = 256;
  if (!wp.windowed) {
    placeWindow(p.right - p.left, p.bottom - p.top);
    wp.windowed = true;
  }
  InvalidateRect(wp.window, nullptr, TRUE);
  return PLATFORM_OK;
}

RECT windowPictureRect() {
  const Win32Platform& wp = win32Platform;
  RECT client = {0, 0, 0, 0};
  GetClientRect(wp.window, &client);
  const PlatformRect& p = wp.windowPicture;
  const PlatformRect view = fitPicture(client.right, client.bottom, p.right - p.left, p.bottom - p.top);
  return RECT{view.left, view.top, view.right, view.bottom};
}

RECT shownPictureRect() {
  const Win32Platform& wp = win32Platform;
  return wp.windowed ? windowPictureRect() : RECT{0, 0, wp.modeWidth, wp.modeHeight};
}

void paintWindow(HDC dc) {
  const Win32Platform& wp = win32Platform;
  RECT client = {0, 0, 0, 0};
  GetClientRect(wp.window, &client);
  const RECT view = windowPictureRect();
  // Black around the picture: the bands above, below, left and right of it.
  const RECT bands[] = {{0, 0, client.right, view.top},
                        {0, view.bottom, client.right, client.bottom},
                        {0, view.top, view.left, view.bottom},
                        {view.right, view.top, client.right, view.bottom}};
  for (const RECT& band : bands)
    FillRect(dc, &band, HBRUSH(GetStockObject(BLACK_BRUSH)));
  const PlatformRect& p = wp.windowPicture;
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, view.left, view.top, view.right - view.left, view.bottom - view.top, p.left, 0,
                p.right - p.left, p.bottom - p.top, wp.windowBuffer + ptrdiff_t(p.top) * wp.bufferWidth,
                reinterpret_cast<const BITMAPINFO*>(&wp.bitmapInfo), DIB_RGB_COLORS, SRCCOPY);
  drawOverlayOn(dc);
}

int32_t platformPresentWindow() {
  Win32Platform& wp = win32Platform;
  if (!wp.windowed || !wp.window)
    return result(DDERR_GENERIC);
  HDC dc = GetDC(wp.window);
  paintWindow(dc);
  ReleaseDC(wp.window, dc);
  pacePresent();
  return PLATFORM_OK;
}

void platformSetPresentRepeat(bool repeat) { win32Platform.repeatPresents = repeat; }

// The display object's release gives the desktop its own mode back.
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

// The display: an 8-bit back buffer expanded through the fixed palette into a
// streaming texture, shown at a whole-number scale with black borders.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/sdl2/sdl2_platform.h"
#include "platform/sdl2/sdl2_views.h"
#include "platform/shared/picture_fit.h"
#include "platform/shared/present_pacer.h"

SDL_Rect pictureViewport(int outputWidth, int outputHeight, int width, int height) {
  const PlatformRect r = fitPicture(outputWidth, outputHeight, width, height);
  return SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// Waits out the rest of the present period when the last present came early: vsync holds the
// pace on a real display, this holds it where presents do not wait (no vsync, virtual displays).
// The views window is drawn in that wait when it has room for them.
static void pacePresent() {
  const int64_t frequency = int64_t(SDL_GetPerformanceFrequency());
  const int64_t start = int64_t(SDL_GetPerformanceCounter());
  const int64_t wait = paceDelay(start, frequency);
  refreshViewsInWait(uint64_t(std::max<int64_t>(wait, 0)), presentPacer.unpaced);
  const int64_t left = wait - (int64_t(SDL_GetPerformanceCounter()) - start);
  if (left > 0)
    SDL_Delay(uint32_t(left * 1000 / frequency));
}

bool presentPicture(bool withText) {
  SdlPlatform& sp = sdlPlatform;
  if (!sp.renderer || !sp.texture || sp.width == 0)
    return false;
  void* texels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(sp.texture, nullptr, &texels, &pitch) != 0)
    return false;
  uint8_t* rows = static_cast<uint8_t*>(texels);
  for (int y = 0; y < sp.height; ++y)
    memcpy(rows + ptrdiff_t(y) * pitch, sp.picture + y * sp.width, size_t(sp.width) * 4);
  const PlatformRect& shown = sp.shown;
  const int shownWidth = shown.right - shown.left, shownHeight = shown.bottom - shown.top;
  uint32_t* corner = static_cast<uint32_t*>(texels) + ptrdiff_t(shown.top) * (pitch / 4) + shown.left;
  if (withText)
    drawOverlayText(corner, pitch / 4, shownWidth, shownHeight, sp.text, sp.textLength);
  if (sp.panel[0])
    drawShadedLines(corner, pitch / 4, shownWidth, shownHeight, sp.panel);
  if (sp.overlay[0] && shownHeight >= GLYPH_SIZE) {
    // The message line takes the shown picture's last glyph row, on black as the Windows program's.
    uint32_t* line = corner + ptrdiff_t(shownHeight - GLYPH_SIZE) * (pitch / 4);
    drawMessageLine(line, pitch / 4, shownWidth, sp.overlay);
  }
  SDL_UnlockTexture(sp.texture);
  sp.textShown = withText;
  int outputWidth = 0, outputHeight = 0;
  if (SDL_GetRendererOutputSize(sp.renderer, &outputWidth, &outputHeight) != 0)
    return false;
  const SDL_Rect source = {shown.left, shown.top, shownWidth, shownHeight};
  const SDL_Rect viewport = pictureViewport(outputWidth, outputHeight, shownWidth, shownHeight);
  SDL_SetRenderDrawColor(sp.renderer, 0, 0, 0, 255);
  SDL_RenderClear(sp.renderer);
  if (SDL_RenderCopy(sp.renderer, sp.texture, &source, &viewport) != 0)
    return false;
  SDL_RenderPresent(sp.renderer);
  return true;
}

bool recreateTexture() {
  SdlPlatform& sp = sdlPlatform;
  if (sp.texture)
    SDL_DestroyTexture(sp.texture);
  sp.texture =
      SDL_CreateTexture(sp.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, sp.width, sp.height);
  return sp.texture != nullptr;
}

static bool displayReady() { return sdlPlatform.texture != nullptr && sdlPlatform.width != 0; }

static int32_t result(bool ok) { return ok ? PLATFORM_OK : PLATFORM_FAILED; }

// Makes the renderer for the window, with vsync unless the presents wait for nothing.
static bool createRenderer() {
  SdlPlatform& sp = sdlPlatform;
  sp.renderer = SDL_CreateRenderer(sp.window, -1, presentPacer.unpaced ? 0 : SDL_RENDERER_PRESENTVSYNC);
  if (!sp.renderer)
    sp.renderer = SDL_CreateRenderer(sp.window, -1, 0);
  return sp.renderer != nullptr || reportNoPicture(nullptr);
}

// The renderer, and its texture, made again for the window as it is now, once it has been shown or
// has changed between window and full screen: a software renderer draws on the window's surface of
// the moment, which such a change replaces.
static bool renewRenderer() {
  SdlPlatform& sp = sdlPlatform;
  if (sp.texture)
    SDL_DestroyTexture(sp.texture);
  sp.texture = nullptr;
  SDL_DestroyRenderer(sp.renderer);
  return createRenderer() && (sp.width == 0 || recreateTexture());
}

int32_t platformCreateDisplay() {
  SdlPlatform& sp = sdlPlatform;
  if (!sp.window)
    return PLATFORM_FAILED; // no video driver or no window: there is no display to take
  return result(sp.renderer || createRenderer());
}

bool sizeBackBuffer(int width, int height) {
  SdlPlatform& sp = sdlPlatform;
  if (width <= 0 || height <= 0 || width > SDL_MAX_WIDTH || height > SDL_MAX_HEIGHT)
    return false;
  if (width == sp.width && height == sp.height && sp.texture)
    return true;
  sp.width = width;
  sp.height = height;
  memset(sp.backBuffer, 0, sizeof sp.backBuffer);
  std::fill(std::begin(sp.picture), std::end(sp.picture), 0xFF000000u);
  if (!recreateTexture()) {
    sp.width = sp.height = 0;
    return false;
  }
  return true;
}

int32_t platformSetCooperativeLevel(PlatformWindow window) {
  SdlPlatform& sp = sdlPlatform;
  if (!sp.renderer || window != sp.window)
    return PLATFORM_FAILED;
  if (sp.windowed) {
    closeViews(); // they show beside a window only
    // The window's place is kept for the way back.
    SDL_GetWindowPosition(sp.window, &sp.windowPlace.x, &sp.windowPlace.y);
    SDL_GetWindowSize(sp.window, &sp.windowPlace.w, &sp.windowPlace.h);
    // Made at the desktop's size first: without a window manager to honour the full-screen
    // request, the window would keep its size while SDL draws for the whole screen.
    SDL_Rect desktop = {0, 0, sp.width, sp.height};
    SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(sp.window), &desktop);
    SDL_SetWindowResizable(sp.window, SDL_FALSE);
    SDL_SetWindowPosition(sp.window, desktop.x, desktop.y);
    SDL_SetWindowSize(sp.window, desktop.w, desktop.h);
    if (SDL_SetWindowFullscreen(sp.window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
      return PLATFORM_FAILED;
    sp.windowed = false;
  }
  SDL_ShowCursor(SDL_DISABLE);
  SDL_ShowWindow(sp.window);
  return result(renewRenderer());
}

int32_t platformSetDisplayMode(int width, int height, int bitsPerPixel) {
  SdlPlatform& sp = sdlPlatform;
  if (!sp.renderer || sp.windowed || bitsPerPixel != 8)
    return PLATFORM_FAILED;
  // A mode set is a fresh screen, even at the same size.
  sp.width = sp.height = 0;
  if (!sizeBackBuffer(width, height))
    return PLATFORM_FAILED;
  sp.shown = PlatformRect{0, 0, width, height};
  return PLATFORM_OK;
}

int32_t platformEnterWindow(int width, int height, const PlatformRect* picture) {
  SdlPlatform& sp = sdlPlatform;
  if (!sp.renderer || !rectInside(*picture, width, height) || !sizeBackBuffer(width, height))
    return PLATFORM_FAILED;
  sp.shown = *picture;
  if (!sp.windowed) {
    const int pictureWidth = picture->right - picture->left, pictureHeight = picture->bottom - picture->top;
    SDL_Rect room = {0, 0, pictureWidth, pictureHeight};
    SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(sp.window), &room);
    const int scale = windowStartScale(pictureWidth, pictureHeight, room.w, room.h, sp.windowScale);
    const SDL_Rect& place = sp.windowPlace;
    SDL_SetWindowFullscreen(sp.window, 0);
    SDL_SetWindowResizable(sp.window, SDL_TRUE);
    // Where it was before the full screen, or at first centred at the start scale.
    if (place.w > 0) {
      SDL_SetWindowSize(sp.window, place.w, place.h);
      SDL_SetWindowPosition(sp.window, place.x, place.y);
    } else {
      SDL_SetWindowSize(sp.window, pictureWidth * scale, pictureHeight * scale);
      SDL_SetWindowPosition(sp.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    }
    SDL_ShowCursor(SDL_ENABLE);
    sp.windowed = true;
  }
  SDL_ShowWindow(sp.window);
  return result(renewRenderer());
}

int32_t platformCreatePrimarySurface() { return result(displayReady()); }
int32_t platformGetBackBuffer() { return result(displayReady()); }

int32_t platformCreatePalette(const PaletteColour entries[256]) {
  SdlPlatform& sp = sdlPlatform;
  for (int k = 0; k < 256; ++k)
    sp.colours[k] = 0xFF000000u | uint32_t(entries[k].red) << 16 | uint32_t(entries[k].green) << 8 |
                    uint32_t(entries[k].blue);
  sp.paletteCreated = true;
  return PLATFORM_OK;
}

int32_t platformSetPalette() { return result(sdlPlatform.paletteCreated && displayReady()); }

int32_t platformLockBackBuffer(uint8_t** bits, int32_t* pitch) {
  if (!displayReady())
    return PLATFORM_FAILED;
  *bits = sdlPlatform.backBuffer;
  *pitch = sdlPlatform.width;
  return PLATFORM_OK;
}

int32_t platformUnlockBackBuffer(uint8_t*) { return PLATFORM_OK; }

// A pass's present: the text drawn since the previous one stays over the picture, so
// the inspector text does not flicker; it goes with the first present after it stops.
static int32_t presentPass() {
  SdlPlatform& sp = sdlPlatform;
  const bool withText = sp.textFresh;
  sp.textFresh = false;
  if (!sp.repeatPresents)
    pacePresent();
  return result(presentPicture(withText));
}

void expandBackBuffer() {
  SdlPlatform& sp = sdlPlatform;
  for (int i = 0; i < sp.width * sp.height; ++i)
    sp.picture[i] = sp.colours[sp.backBuffer[i]];
}

bool stretchBackBuffer(const PlatformRect& destination, const PlatformRect& source) {
  SdlPlatform& sp = sdlPlatform;
  if (!rectInside(destination, sp.width, sp.height) || !rectInside(source, sp.width, sp.height))
    return false;
  const int dw = destination.right - destination.left, dh = destination.bottom - destination.top;
  const int sw = source.right - source.left, sh = source.bottom - source.top;
  int sourceColumn[SDL_MAX_WIDTH];
  for (int x = 0; x < dw; ++x)
    sourceColumn[x] = source.left + x * sw / dw;
  for (int y = 0; y < dh; ++y) {
    const uint8_t* from = sp.backBuffer + (source.top + y * sh / dh) * sp.width;
    uint32_t* to = sp.picture + (destination.top + y) * sp.width + destination.left;
    for (int x = 0; x < dw; ++x)
      to[x] = sp.colours[from[sourceColumn[x]]];
  }
  return true;
}

int32_t platformFlip() {
  if (!displayReady())
    return PLATFORM_FAILED;
  expandBackBuffer();
  return presentPass();
}

int32_t platformPresentWindow() {
  if (!displayReady() || !sdlPlatform.windowed)
    return PLATFORM_FAILED;
  expandBackBuffer();
  return presentPass();
}

void platformSetPresentRepeat(bool repeat) { sdlPlatform.repeatPresents = repeat; }

int32_t platformStretchBlit(const PlatformRect* destination, const PlatformRect* source) {
  if (!displayReady() || !stretchBackBuffer(*destination, *source))
    return PLATFORM_FAILED;
  return presentPass();
}

int32_t platformRestoreSurfaces() {
  // Only a lost device loses anything here; its texture is made again.
  if (sdlPlatform.renderer && sdlPlatform.width && !sdlPlatform.texture)
    recreateTexture();
  return PLATFORM_OK;
}

void platformDrawText(PlatformWindow, const char* text, int length) {
  SdlPlatform& sp = sdlPlatform;
  length = text ? std::clamp(length, 0, int(sizeof sp.text)) : 0;
  const bool changed = !sp.textShown || length != sp.textLength || (length && memcmp(text, sp.text, size_t(length)));
  if (length)
    memcpy(sp.text, text, size_t(length));
  sp.textLength = length;
  sp.textFresh = true;
  // Show it now unless the picture on screen already carries this very text.
  if (changed)
    presentPicture(true);
}

void platformShowPanel(const char* text) {
  SdlPlatform& sp = sdlPlatform;
  snprintf(sp.panel, sizeof sp.panel, "%s", text);
  if (sp.width)
    presentPicture(sp.textShown); // at once, also while the emulation is held
}

void platformSetWindowScale(int scale) { sdlPlatform.windowScale = scale; }

void platformShowOverlay(const char* text) {
  SdlPlatform& sp = sdlPlatform;
  snprintf(sp.overlay, sizeof sp.overlay, "%s", text);
  // Shown at once: the emulation may be held (paused) with no present to come.
  if (sp.width)
    presentPicture(sp.textShown);
}

void platformSetPresentWait(bool wait) {
  SdlPlatform& sp = sdlPlatform;
  presentPacer.unpaced = !wait;
  if (sp.renderer)
    SDL_RenderSetVSync(sp.renderer, wait ? 1 : 0);
}

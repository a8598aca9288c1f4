#include "platform/sdl2/sdl2_views.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "driver/board.h"
#include "driver/memory.h"
#include "platform/sdl2/sdl2_platform.h"
#include "views/views.h"

SdlViews sdlViews;

namespace {
// The canvas: the maps and the tile sheet down the left, palette RAM beside them with the CPU
// under it, the sprite table and the memory dump on the right.
constexpr int MAP_TOP[VIEW_LAYER_COUNT] = {0, VIEW_MAP_HEIGHT};
constexpr int SHEET_TOP = VIEW_LAYER_COUNT * VIEW_MAP_HEIGHT;
constexpr int PALETTE_LEFT = VIEW_MAP_WIDTH;
constexpr int CPU_TOP = VIEW_PALETTE_HEIGHT;
constexpr int TEXT_LEFT = PALETTE_LEFT + VIEW_PALETTE_WIDTH;
constexpr int TEXT_WIDTH = VIEWS_WIDTH - TEXT_LEFT;
constexpr int SPRITES_SHOWN = 64;      // entries a page lists
constexpr int MEMORY_ROWS = 16;
constexpr int MEMORY_ROW_BYTES = 16;
constexpr int MEMORY_PAGE = MEMORY_ROWS * MEMORY_ROW_BYTES;
constexpr int TEXT_SIZE = 8192;
constexpr int BANK_COUNT = PEN_LOOKUP_SIZE / VIEW_BANK_PENS;
constexpr int SPRITE_PAGES = SPRITE_COUNT / SPRITES_SHOWN;
constexpr int WINDOW_SIZES = 3;        // the window starts at the canvas's size, or a half, or a quarter
constexpr uint64_t COST_EASING = 8;    // a skipped refresh takes an eighth off the cost expected
constexpr uint64_t STALE_SECONDS = 1;  // views older than this are drawn even without a wait
constexpr uint32_t WORK_RAM = FRAME_FLAG_POINTER & ~0xFFFFu; // the game's variables

struct Area {
  const char* name;
  uint32_t start;
};
constexpr Area AREAS[] = {
    {"program ROM", 0},           {"work RAM", WORK_RAM},         {"palette RAM", PALETTE_RAM},
    {"layer 0 map", LAYER0_MAP},  {"layer 1 map", LAYER1_MAP},    {"character RAM", CHARACTER_RAM},
    {"sprite RAM", SPRITE_RAM},   {"scroll registers", SCROLL_REGISTERS},
};
constexpr int AREA_COUNT = int(sizeof AREAS / sizeof AREAS[0]);

constexpr const char* KEYS_TEXT = "Keys here, never the game's:\n"
                                  "B Shift+B  tile sheet's bank\n"
                                  "S          next 64 sprites\n"
                                  "Up Down    memory, a row\n"
                                  "PgUp PgDn  memory, a page\n"
                                  "M          next memory area\n"
                                  "Esc        closes the views";

// Host palette indices (width x height) onto the canvas at left, top through the display's colours.
void blit(const uint8_t* picture, int width, int height, int left, int top) {
  for (int y = 0; y < height; ++y) {
    uint32_t* to = sdlViews.canvas + (top + y) * VIEWS_WIDTH + left;
    const uint8_t* from = picture + y * width;
    for (int x = 0; x < width; ++x)
      to[x] = sdlPlatform.colours[from[x]];
  }
}

// Lines of text, light on black, in a box of the canvas.
void writeText(const char* text, int left, int top, int width, int height) {
  for (int y = 0; y < height; ++y)
    std::fill_n(sdlViews.canvas + (top + y) * VIEWS_WIDTH + left, width, MESSAGE_GROUND);
  drawShadedLines(sdlViews.canvas + top * VIEWS_WIDTH + left, VIEWS_WIDTH, width, height, text);
}

// A title over a picture's top-left corner.
void title(const char* text, int left, int top) {
  drawShadedLines(sdlViews.canvas + top * VIEWS_WIDTH + left, VIEWS_WIDTH, VIEWS_WIDTH - left, GLYPH_SIZE, text);
}

// Appends to text, cut where the room ends.
void append(char* text, int& used, const char* format, ...) __attribute__((format(printf, 3, 4)));
void append(char* text, int& used, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  if (used < TEXT_SIZE - 1)
    used += vsnprintf(text + used, size_t(TEXT_SIZE - used), format, arguments);
  used = std::min(used, TEXT_SIZE - 1);
  va_end(arguments);
}

void drawPictures() {
  SdlViews& v = sdlViews;
  static uint8_t picture[std::max({VIEW_TILE_SHEET_WIDTH * VIEW_TILE_SHEET_HEIGHT, VIEW_MAP_WIDTH * VIEW_MAP_HEIGHT,
                                   VIEW_PALETTE_WIDTH * VIEW_PALETTE_HEIGHT})];
  const uint8_t mark = viewMarkIndex();
  char name[32];
  for (int layer = 0; layer < VIEW_LAYER_COUNT; ++layer) {
    viewTileMap(layer, picture, true, mark, nullptr);
    blit(picture, VIEW_MAP_WIDTH, VIEW_MAP_HEIGHT, 0, MAP_TOP[layer]);
    snprintf(name, sizeof name, "Layer %d map", layer);
    title(name, 0, MAP_TOP[layer]);
  }
  viewTileSheet(v.tileBank, picture);
  blit(picture, VIEW_TILE_SHEET_WIDTH, VIEW_TILE_SHEET_HEIGHT, 0, SHEET_TOP);
  snprintf(name, sizeof name, "Tile sheet, bank %d", v.tileBank);
  title(name, 0, SHEET_TOP);
  viewPalette(picture, nullptr);
  blit(picture, VIEW_PALETTE_WIDTH, VIEW_PALETTE_HEIGHT, PALETTE_LEFT, 0);
  title("Palette RAM", PALETTE_LEFT, 0);
}

void drawCpu() {
  ViewCpu cpu;
  viewCpu(&cpu);
  static char text[TEXT_SIZE];
  int used = 0;
  const uint16_t sr = cpu.sr;
  // SR: trace, supervisor, the interrupt mask, then X N Z V C.
  append(text, used, "CPU%s\nPC %08X SR %04X %c%c I%d %c%c%c%c%c\n", cpu.stopped ? " stopped" : "", cpu.pc, sr,
         sr & 0x8000 ? 'T' : '-', sr & 0x2000 ? 'S' : '-', sr >> 8 & 7, sr & 0x10 ? 'X' : '-', sr & 8 ? 'N' : '-',
         sr & 4 ? 'Z' : '-', sr & 2 ? 'V' : '-', sr & 1 ? 'C' : '-');
  for (int r = 0; r < 8; ++r)
    append(text, used, "D%d %08X  A%d %08X\n", r, cpu.d[r], r, cpu.a[r]);
  append(text, used, "USP %08X SSP %08X\n> %s\n\n%s", cpu.usp, cpu.ssp, cpu.instruction, KEYS_TEXT);
  writeText(text, PALETTE_LEFT, CPU_TOP, VIEW_PALETTE_WIDTH, VIEWS_HEIGHT - CPU_TOP);
}

void drawTables() {
  SdlViews& v = sdlViews;
  static ViewSprite sprites[SPRITE_COUNT];
  static char text[TEXT_SIZE];
  viewSprites(sprites);
  int used = 0;
  const int first = v.spritePage * SPRITES_SHOWN;
  append(text, used, "Sprites %d-%d in scan order (S: more)\n  # ADDR      X   Y SIZE  SHOWN   ZM FL BK PAT VERDICT\n",
         first, first + SPRITES_SHOWN - 1);
  for (int i = first; i < first + SPRITES_SHOWN; ++i) {
    const ViewSprite& s = sprites[i];
    append(text, used, "%3d %06X %4d %3d %2dx%-2d %3dx%-3d %02X %c%c %2d %03X %s\n", i, s.address, s.x, s.y, s.width,
           s.height, s.shownWidth, s.shownHeight, s.zoom, s.horizontalFlip ? 'H' : '-', s.verticalFlip ? 'V' : '-',
           s.bank, s.pattern, SPRITE_VERDICT_NAMES[s.verdict]);
  }
  int area = 0;
  for (int a = 0; a < AREA_COUNT; ++a)
    if (AREAS[a].start <= v.memoryAddress && AREAS[a].start >= AREAS[area].start)
      area = a;
  append(text, used, "\nMemory %06X (%s +%X)\n", v.memoryAddress, AREAS[area].name, v.memoryAddress - AREAS[area].start);
  uint8_t bytes[MEMORY_PAGE];
  viewMemory(v.memoryAddress, bytes, sizeof bytes);
  for (int row = 0; row < MEMORY_ROWS; ++row) {
    append(text, used, "%06X", (v.memoryAddress + uint32_t(row * MEMORY_ROW_BYTES)) & ADDRESS_MASK);
    for (int k = 0; k < MEMORY_ROW_BYTES; ++k)
      append(text, used, " %02X", bytes[row * MEMORY_ROW_BYTES + k]);
    append(text, used, "\n");
  }
  writeText(text, TEXT_LEFT, 0, TEXT_WIDTH, VIEWS_HEIGHT);
}

// Shows the canvas scaled into the window as it is now.
void present() {
  SdlViews& v = sdlViews;
  int width = 0, height = 0;
  if (SDL_UpdateTexture(v.texture, nullptr, v.canvas, VIEWS_WIDTH * int(sizeof v.canvas[0])) != 0 ||
      SDL_GetRendererOutputSize(v.renderer, &width, &height) != 0)
    return;
  const SDL_Rect viewport = pictureViewport(width, height, VIEWS_WIDTH, VIEWS_HEIGHT);
  SDL_SetRenderDrawColor(v.renderer, 0, 0, 0, 255);
  SDL_RenderClear(v.renderer);
  SDL_RenderCopy(v.renderer, v.texture, nullptr, &viewport);
  SDL_RenderPresent(v.renderer);
}

void refresh() {
  SdlViews& v = sdlViews;
  const uint64_t start = SDL_GetPerformanceCounter();
  drawPictures();
  drawCpu();
  drawTables();
  present();
  v.lastRefresh = SDL_GetPerformanceCounter();
  v.refreshCost = v.lastRefresh - start;
  v.wanted = false;
  ++v.refreshes;
}

bool due() {
  const SdlViews& v = sdlViews;
  // Due half a pass early, so that every third pass of 60 a second refreshes them.
  const uint64_t frequency = SDL_GetPerformanceFrequency();
  const uint64_t period = frequency / VIEWS_REFRESH_RATE - frequency / (2 * PRESENT_RATE);
  return v.wanted || SDL_GetPerformanceCounter() - v.lastRefresh >= period;
}

bool isViewsWindow(uint32_t windowId) { return sdlViews.window && windowId == SDL_GetWindowID(sdlViews.window); }

// A key pressed in the views window: pages and banks; Esc and Alt+F4 close it.
void viewsKey(const SDL_KeyboardEvent& key) {
  SdlViews& v = sdlViews;
  const bool shift = (key.keysym.mod & KMOD_SHIFT) != 0;
  switch (key.keysym.scancode) {
  case SDL_SCANCODE_B:
    v.tileBank = (v.tileBank + (shift ? BANK_COUNT - 1 : 1)) % BANK_COUNT;
    break;
  case SDL_SCANCODE_S:
    v.spritePage = (v.spritePage + 1) % SPRITE_PAGES;
    break;
  case SDL_SCANCODE_M:
    v.area = (v.area + 1) % AREA_COUNT;
    v.memoryAddress = AREAS[v.area].start;
    break;
  case SDL_SCANCODE_UP:
  case SDL_SCANCODE_DOWN:
    v.memoryAddress += key.keysym.scancode == SDL_SCANCODE_UP ? -uint32_t(MEMORY_ROW_BYTES) : MEMORY_ROW_BYTES;
    break;
  case SDL_SCANCODE_PAGEUP:
  case SDL_SCANCODE_PAGEDOWN:
    v.memoryAddress += key.keysym.scancode == SDL_SCANCODE_PAGEUP ? -uint32_t(MEMORY_PAGE) : MEMORY_PAGE;
    break;
  case SDL_SCANCODE_ESCAPE:
    closeViews();
    return;
  case SDL_SCANCODE_F4:
    if (key.keysym.mod & KMOD_ALT)
      closeViews();
    return;
  default:
    return;
  }
  v.memoryAddress &= ADDRESS_MASK;
  v.wanted = true;
}
} // namespace

const char* platformToggleViews() {
  SdlViews& v = sdlViews;
  SdlPlatform& sp = sdlPlatform;
  if (v.window) {
    closeViews();
    return nullptr;
  }
  if (!sp.window || !sp.windowed)
    return VIEWS_NEED_WINDOW_TEXT;
  // Beside the game's window, as large as the desktop leaves room for beside it, down to a quarter;
  // the game's window moves left when that makes room.
  int x = 0, y = 0, gameWidth = 0, gameHeight = 0;
  SDL_GetWindowPosition(sp.window, &x, &y);
  SDL_GetWindowSize(sp.window, &gameWidth, &gameHeight);
  SDL_Rect room = {0, 0, VIEWS_WIDTH, VIEWS_HEIGHT};
  SDL_GetDisplayUsableBounds(SDL_GetWindowDisplayIndex(sp.window), &room);
  int width = VIEWS_WIDTH, height = VIEWS_HEIGHT;
  for (int size = 1; size < WINDOW_SIZES && (gameWidth + width > room.w || height > room.h); ++size) {
    width /= 2;
    height /= 2;
  }
  if (x + gameWidth + width > room.x + room.w && gameWidth + width <= room.w) {
    x = room.x + (room.w - gameWidth - width) / 2;
    SDL_SetWindowPosition(sp.window, x, y);
  }
  const int left = std::max(room.x, std::min(x + gameWidth, room.x + room.w - width));
  const int top = std::max(room.y, std::min(y, room.y + room.h - height));
  v.window = SDL_CreateWindow(VIEWS_TITLE, left, top, width, height, SDL_WINDOW_RESIZABLE);
  v.renderer = v.window ? SDL_CreateRenderer(v.window, -1, 0) : nullptr;
  v.texture = v.renderer ? SDL_CreateTexture(v.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                             VIEWS_WIDTH, VIEWS_HEIGHT)
                         : nullptr;
  if (!v.texture) {
    static char failure[OVERLAY_TEXT_SIZE];
    snprintf(failure, sizeof failure, "No views: %s", SDL_GetError());
    closeViews();
    return failure;
  }
  v.refreshes = 0;
  refresh();
  // The keys stay the game's until the player picks the views window.
  SDL_RaiseWindow(sp.window);
  return nullptr;
}

void closeViews() {
  SdlViews& v = sdlViews;
  if (v.texture)
    SDL_DestroyTexture(v.texture);
  if (v.renderer)
    SDL_DestroyRenderer(v.renderer);
  if (v.window)
    SDL_DestroyWindow(v.window);
  v.texture = nullptr;
  v.renderer = nullptr;
  v.window = nullptr;
}

bool translateViewsEvent(const SDL_Event& event) {
  switch (event.type) {
  case SDL_KEYDOWN:
  case SDL_KEYUP:
    if (!isViewsWindow(event.key.windowID))
      return false;
    // The release of a key the game took down is the game's, wherever the focus went since.
    if (event.type == SDL_KEYUP && sdlPlatform.gameKeys[event.key.keysym.scancode])
      return false;
    if (event.type == SDL_KEYDOWN)
      viewsKey(event.key);
    return true;
  case SDL_WINDOWEVENT:
    if (!isViewsWindow(event.window.windowID))
      return false;
    if (event.window.event == SDL_WINDOWEVENT_CLOSE)
      closeViews();
    else if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
      present();
    // Focus moving to or from it is the program's activation, which the game's window follows.
    return event.window.event != SDL_WINDOWEVENT_FOCUS_GAINED && event.window.event != SDL_WINDOWEVENT_FOCUS_LOST;
  default:
    return false;
  }
}

void refreshViewsInWait(uint64_t waitTicks, bool unpaced) {
  SdlViews& v = sdlViews;
  if (!v.window || !due())
    return;
  // The last refresh's cost with half again to spare must fit the wait. A wait too short takes the
  // cost to be less each time: one slow refresh (a new window's first) must not stop them for good.
  // A machine that never waits (it cannot keep up) still sees them once a second.
  const bool stale = SDL_GetPerformanceCounter() - v.lastRefresh >= SDL_GetPerformanceFrequency() * STALE_SECONDS;
  if (unpaced || stale || waitTicks > v.refreshCost + v.refreshCost / 2)
    refresh();
  else
    v.refreshCost -= v.refreshCost / COST_EASING;
}

void refreshViewsWhileHeld() {
  if (sdlViews.window && due())
    refresh();
}

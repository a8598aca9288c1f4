// The views window of the SDL program: a second window beside the game's showing palette RAM, both
// tile maps, a tile sheet, the sprite table, the CPU and a memory dump through the core's views.
// It reads the machine only, and is drawn in the time a pass leaves before its present.
#pragma once
#include <SDL.h>

#include <cstdint>

// The canvas the views are drawn on, scaled to the window.
inline constexpr int VIEWS_WIDTH = 1280;
inline constexpr int VIEWS_HEIGHT = 768;
// Refreshes a second at most.
inline constexpr int VIEWS_REFRESH_RATE = 20;
inline constexpr char VIEWS_TITLE[] = "Quillomark views";

struct SdlViews {
  SDL_Window* window;          // null: closed
  SDL_Renderer* renderer;
  SDL_Texture* texture;
  uint32_t canvas[VIEWS_WIDTH * VIEWS_HEIGHT]; // ARGB, pitch VIEWS_WIDTH
  int tileBank;                // the tile sheet's palette bank (B, Shift+B)
  int spritePage;              // the page of sprite entries listed (S)
  int area;                    // the memory area M went to last
  uint32_t memoryAddress;      // the dump's first byte
  uint64_t lastRefresh;        // counter time of the last refresh
  uint64_t refreshCost;        // counter ticks the last refresh took
  bool wanted;                 // a key changed what shows: refresh at the next chance, due or not
  uint32_t refreshes;          // refreshes since opened
};

extern SdlViews sdlViews;

// Closes the views window when open; the game's window stays as it is.
void closeViews();
// Handles an event of the views window (its keys, close button, exposure); false for any other
// event, and for the release of a key the game's window took down, which the game must see.
bool translateViewsEvent(const SDL_Event& event);
// Refreshes the views when due and the wait before a pass's present (counter ticks) has room for
// them, or they are a second old; while the host fast-forwards (no wait at all) when due only.
void refreshViewsInWait(uint64_t waitTicks, bool unpaced);
// Refreshes the views when due while no pass runs (paused, inactive).
void refreshViewsWhileHeld();

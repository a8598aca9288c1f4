#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "driver/board.h"
#include "driver/memory.h"
#include "host/controls.h"
#include "host/message_pump.h"
#include "host/run_end.h"
#include "host/window_proc.h"
#include "host/input_log.h"
#include "platform/sdl2/sdl2_platform.h"
#include "platform/sdl2/sdl2_test_support.h"
#include "support/system_helpers.h"

namespace {

PaletteColour greyPalette[256];

// Pushes an SDL event from another thread a little later, so a taker must wait for it.
std::thread pushLater(const SDL_Event& event) {
  return std::thread([event] {
    SDL_Delay(50);
    SDL_Event copy = event;
    SDL_PushEvent(&copy);
  });
}

SDL_Event keyEvent(SDL_Scancode scancode) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.keysym.scancode = scancode;
  return event;
}

TEST(Sdl2Messages, PeekLeavesMessagesForTheTake) {
  ASSERT_NO_FATAL_FAILURE(openDisplay(recordingProcedure, 320, 240, greyPalette));
  EXPECT_FALSE(platformPeekMessage());
  pushKey(SDL_SCANCODE_LEFT, true);
  pushKey(SDL_SCANCODE_LEFT, false);
  EXPECT_TRUE(platformPeekMessage());
  EXPECT_TRUE(platformPeekMessage());
  PlatformMessage message{};
  EXPECT_EQ(platformWaitMessage(&message, PLATFORM_WAIT_FOREVER), PLATFORM_MESSAGE);
  EXPECT_EQ(message.message, MSG_KEYDOWN);
  EXPECT_EQ(message.window, sdlPlatform.window);
  EXPECT_TRUE(platformPeekMessage());
  EXPECT_EQ(platformWaitMessage(&message, PLATFORM_WAIT_FOREVER), PLATFORM_MESSAGE);
  EXPECT_EQ(message.message, MSG_KEYUP);
  EXPECT_FALSE(platformPeekMessage());
  EXPECT_TRUE(recordedMessages.empty()); // taking is not dispatching
}

TEST(Sdl2Messages, TakeWaitsForTheNextMessage) {
  ASSERT_NO_FATAL_FAILURE(openDisplay(recordingProcedure, 320, 240, greyPalette));
  std::thread pusher = pushLater(keyEvent(SDL_SCANCODE_SPACE));
  PlatformMessage message{};
  const int result = platformWaitMessage(&message, PLATFORM_WAIT_FOREVER);
  pusher.join();
  EXPECT_EQ(result, PLATFORM_MESSAGE);
  EXPECT_EQ(message.message, MSG_KEYDOWN);
  EXPECT_EQ(message.wParam, VKEY_SPACE);
}

TEST(Sdl2Messages, CloseAndQuitDestroyTheWindow) {
  for (const bool quit : {false, true}) {
    ASSERT_NO_FATAL_FAILURE(openDisplay(recordingProcedure, 320, 240, greyPalette));
    if (quit) {
      SDL_Event event{};
      event.type = SDL_QUIT;
      SDL_PushEvent(&event);
    } else {
      pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
    }
    dispatchPending();
    ASSERT_EQ(recordedMessages.size(), 2u) << "quit " << quit;
    EXPECT_EQ(recordedMessages[0].message, MSG_CLOSE);
    EXPECT_EQ(recordedMessages[1].message, MSG_DESTROY);
  }
}

TEST(Sdl2Messages, WindowCreationActivatesTheApplication) {
  sdlReset();
  clearRecording();
  ASSERT_NE(platformCreateWindow(recordingProcedure, "Vortane", "Gfx Output", 320, 240), nullptr);
  ASSERT_FALSE(recordedMessages.empty());
  EXPECT_EQ(recordedMessages[0].message, MSG_ACTIVATEAPP);
  EXPECT_EQ(recordedMessages[0].wParam, 1u);
}

TEST(Sdl2Messages, FocusChangesActivateAndDeactivate) {
  struct Case {
    std::vector<SDL_WindowEventID> events;
    std::vector<uintptr_t> activations;
  } cases[] = {
      {{SDL_WINDOWEVENT_FOCUS_LOST}, {0}},
      {{SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_FOCUS_GAINED}, {0, 1}},
      {{SDL_WINDOWEVENT_FOCUS_GAINED}, {}}, // already active since creation
      {{SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_FOCUS_LOST, SDL_WINDOWEVENT_EXPOSED}, {0}},
  };
  for (const Case& c : cases) {
    ASSERT_NO_FATAL_FAILURE(openDisplay(recordingProcedure, 320, 240, greyPalette));
    for (SDL_WindowEventID event : c.events)
      pushWindowEvent(event);
    dispatchPending();
    std::vector<uintptr_t> activations;
    for (const RecordedMessage& m : recordedMessages) {
      EXPECT_EQ(m.message, MSG_ACTIVATEAPP);
      activations.push_back(m.wParam);
    }
    EXPECT_EQ(activations, c.activations) << "case of " << c.events.size() << " events";
  }
}

// The core's pump over this backend: losing focus holds the pump until focus comes back.
TEST(Sdl2Messages, PumpHoldsWhileTheWindowHasNoFocus) {
  freshInputs();
  ASSERT_NO_FATAL_FAILURE(openDisplay(windowProc, 320, 240, greyPalette));
  EXPECT_EQ(hostControls.appActive, 1u);
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  pushKey(SDL_SCANCODE_LEFT, true);
  SDL_Event gained{};
  gained.type = SDL_WINDOWEVENT;
  gained.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
  std::thread pusher = pushLater(gained);
  pumpMessages();
  pusher.join();
  EXPECT_EQ(hostControls.appActive, 1u);
  EXPECT_EQ(machineMemory[PLAYER_INPUTS_ADDRESS], INPUT_LEFT);
}

TEST(Sdl2Messages, ClosingTheWindowAsksForTheEnd) {
  freshInputs();
  ASSERT_NO_FATAL_FAILURE(openDisplay(windowProc, 320, 240, greyPalette));
  pushKey(SDL_SCANCODE_RETURN, true);
  pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  EXPECT_FALSE(pumpMessages());
  EXPECT_TRUE(endRequested());
  runEnd.requested = 0;
}

} // namespace

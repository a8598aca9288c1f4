// A lost X display: the server gone (an I/O error) or the window destroyed from outside. Xlib's
// own handlers print and exit, and the cleanup that follows talks to the dead connection for
// ever; here the run ends in order instead, without touching the display again.
#include "platform/sdl2/sdl2_platform.h"

#ifdef QUILLOMARK_X11
#include <SDL_syswm.h>
#include <X11/Xlib.h>


// The program window's X window now: SDL makes a new one when a renderer needs another visual.
static Window programWindow() {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!sdlPlatform.window || !SDL_GetWindowWMInfo(sdlPlatform.window, &info) || info.subsystem != SDL_SYSWM_X11)
    return None;
  return info.info.x11.window;
}

// Xlib ends the process as soon as this returns: the ending routine must run first.
static int endOnLostConnection(Display*) {
  endForLostDisplay();
  return 0;
}

static int endOnLostWindow(Display*, XErrorEvent* error) {
  // Requests on a destroyed window fail with these; every other error is the caller's to see.
  if ((error->error_code == BadWindow || error->error_code == BadDrawable) && error->resourceid == programWindow())
    endForLostDisplay();
  return 0;
}

void watchDisplayConnection() {
  if (programWindow() == None)
    return;
  XSetIOErrorHandler(endOnLostConnection);
  XSetErrorHandler(endOnLostWindow);
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

bool isLostWindowEvent(const SDL_Event& event) {
  if (event.type != SDL_SYSWMEVENT || event.syswm.msg->subsystem != SDL_SYSWM_X11)
    return false;
  const XEvent& x = event.syswm.msg->msg.x11.event;
  return x.type == DestroyNotify && x.xdestroywindow.window == programWindow();
}
#else
void watchDisplayConnection() {}
bool isLostWindowEvent(const SDL_Event&) { return false; }
#endif

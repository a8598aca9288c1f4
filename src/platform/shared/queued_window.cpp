#include "platform/shared/queued_window.h"

#include <algorithm>

QueuedWindow queuedWindow;

void resetQueuedWindow() {
  queuedWindow.procedure = nullptr;
  queuedWindow.window = nullptr;
  queuedWindow.queue.clear();
}

void queueWindowMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  queuedWindow.queue.push_back(PlatformMessage{queuedWindow.window, message, wParam, lParam});
}

void queueWindowMessageFirst(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  queuedWindow.queue.push_front(PlatformMessage{queuedWindow.window, message, wParam, lParam});
}

int takeQueuedMessage(PlatformMessage* message) {
  if (queuedWindow.queue.empty())
    return PLATFORM_TIMEOUT;
  *message = queuedWindow.queue.front();
  queuedWindow.queue.pop_front();
  return message->message == MSG_QUIT ? PLATFORM_QUIT : PLATFORM_MESSAGE;
}

static bool isUrgent(const PlatformMessage& m) {
  return m.message == MSG_CLOSE || m.message == MSG_QUIT ||
         (m.message == MSG_KEYDOWN && queuedWindow.resetKey && m.wParam == queuedWindow.resetKey);
}

void platformSetResetKey(uint32_t keyCode) { queuedWindow.resetKey = keyCode; }

bool takeUrgentQueuedMessage(PlatformMessage* message) {
  std::deque<PlatformMessage>& queue = queuedWindow.queue;
  const auto found = std::find_if(queue.begin(), queue.end(), isUrgent);
  if (found == queue.end())
    return false;
  *message = *found;
  queue.erase(found);
  return true;
}

intptr_t dispatchQueuedMessage(const PlatformMessage* message) {
  if (!queuedWindow.procedure)
    return 0;
  return queuedWindow.procedure(message->window, message->message, message->wParam, message->lParam);
}

intptr_t defaultQueuedWindowProc(PlatformWindow window, uint32_t message) {
  if (message == MSG_CLOSE && queuedWindow.procedure)
    queuedWindow.procedure(window, MSG_DESTROY, 0, 0);
  return 0;
}

// The message pump run at the start of every pass.
#pragma once

// Drains the window's message queue (waiting while inactive), then steps autofire.
void pumpMessages();

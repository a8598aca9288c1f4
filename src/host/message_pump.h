// The message pump run at the start of every pass.
#pragma once

// Drains the window's message queue (waiting while inactive or paused, until gdb asks for a stop),
// then steps autofire; false, leaving the rest of the pass undone, when the run is to end.
bool pumpMessages();

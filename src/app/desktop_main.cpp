// quillomark: the desktop program.
#include "driver/frame_loop.h"
#include "driver/startup.h"

int main(int argc, char** argv) { runQuillomark(argc, argv); }

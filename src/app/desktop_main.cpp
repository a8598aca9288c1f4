// quillomark: the desktop program.
#include "driver/frame_loop.h"

int main(int argc, char** argv) { runQuillomark(argc, argv); }

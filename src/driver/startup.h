// The program's start-up: banner, options, then every part in order.
#pragma once

// The program: banner, options, start-up in order, then the frame loop. Never returns.
[[noreturn]] void runQuillomark(int argc, char** argv);
// Prints the eight banner lines.
void printBanner();
// Sets wideMode for every argument that is exactly "-640"; ignores the rest.
void parseOptions(int argc, char** argv);

// What the three programs share: the banner, the start-up in order, the frame loop and the one end.
#pragma once

// The program: banner, options, start-up in order, then the frame loop until an end is asked for,
// then the orderly end. Never returns: start-up failures exit 1 with their message.
[[noreturn]] void runQuillomark(int argc, char** argv);
// Prints the eight banner lines.
void printBanner();
// Sets wideMode for every argument that is exactly "-640"; ignores the rest.
void parseOptions(int argc, char** argv);
// Room for a folder argument's failure message.
inline constexpr int FOLDER_MESSAGE_SIZE = 4200;
// Why a folder argument cannot be the run's folder, after entering it failed with error: "PATH is not
// a folder: REASON" or, for a folder that exists, "cannot enter the folder PATH: REASON".
void describeFolderFailure(const char* path, int error, char* message, int messageSize);
// Ends the run in order (finishRun) and exits with its code; after a lost display the exit skips
// every cleanup handler, which would talk to the dead connection and never return. The backends get it
// as their ending routine.
[[noreturn]] void endRun(bool displayLost);

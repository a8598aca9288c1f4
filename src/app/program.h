// What the three programs share: the banner, the start-up in order, the frame loop and the one end.
#pragma once

// The program: banner, options, start-up in order, then the frame loop until an end is asked for,
// then the orderly end. Never returns: start-up failures exit 1 with their message. afterBanner
// (null: none) is the program's own step between the banner and the options; the greeting it
// returns (null: none) shows on the picture for a few seconds from the start.
[[noreturn]] void runQuillomark(int argc, char** argv, const char* (*afterBanner)());
// The start-up in order, up to the frame loop; false after a failure, which has been printed (and
// shown in a message box where showStartFailure says so).
bool startQuillomark(int argc, char** argv);
// Prints the eight banner lines.
void printBanner();
// Sets wideMode for every argument that is exactly "-640" and the window for "--window" (the full
// screen for "--full-screen", the last of the two counting); ignores the rest.
void parseOptions(int argc, char** argv);

// The desktop programs start in a window when this variable is set (not empty, not "0").
inline constexpr char WINDOWED_VARIABLE[] = "QUILLOMARK_WINDOWED";
// Set, a start-up failure is never shown in a message box (every test sets it).
inline constexpr char NO_DIALOGS_VARIABLE[] = "QUILLOMARK_NO_DIALOGS";
// The start-up failure message box's title.
inline constexpr char FAILURE_TITLE[] = "Quillomark";
// Room for the message box's text: a message, a folder's path (4096 bytes at most), a few lines.
inline constexpr int FAILURE_TEXT_SIZE = 9000;
// True when the environment variable is set to something other than "" or "0".
bool environmentFlag(const char* name);
// The message box's text: the failure's message and, for a ROM set or pal.bmp that could not be
// read, the folder searched, that a folder can be given as an argument and, when demoFolder is not
// empty, where the installed demo is.
void describeStartFailure(const char* message, bool romSetFailed, const char* folder, const char* demoFolder,
                          char* text, int textSize);
// Shows a start-up failure's message in a message box as well when nobody sees the console (no
// terminal) and NO_DIALOGS_VARIABLE is not set; romSetFailed as for describeStartFailure, with the
// working folder.
void showStartFailure(const char* message, bool romSetFailed);
// Room for a folder argument's failure message.
inline constexpr int FOLDER_MESSAGE_SIZE = 4200;
// Why a folder argument cannot be the run's folder, after entering it failed with error: "PATH is not
// a folder: REASON" or, for a folder that exists, "cannot enter the folder PATH: REASON".
void describeFolderFailure(const char* path, int error, char* message, int messageSize);
// Ends the run in order (finishRun) and exits with its code; after a lost display the exit skips
// every cleanup handler, which would talk to the dead connection and never return. The backends get it
// as their ending routine.
[[noreturn]] void endRun(bool displayLost);

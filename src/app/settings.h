// The desktop programs' settings file: the player's keys and pad buttons, window or full screen and
// the window's scale, in TOML with one setting a line. Written with the defaults, and comments, when
// missing; a line that cannot be used is reported once, with its number, and its setting keeps its
// default. quillomark-headless never reads it.
#pragma once
#include <string>
#include <vector>

inline constexpr const char* SETTINGS_FILE = "settings.toml";
inline constexpr int MAX_WINDOW_SCALE = 8;
inline constexpr size_t SETTINGS_FILE_LIMIT = 1u << 20; // a larger file is refused whole
inline constexpr int LISTED_SETTINGS_PROBLEMS = 20;     // lines not used that are named; the rest are counted

struct Settings {
  std::string path;                  // the file read (empty: none could be named)
  bool window;                       // start in a window rather than full screen
  int scale;                         // the window's largest start scale
  std::vector<std::string> problems; // "line N: why" for each of the first lines not used
  int unlistedProblems;              // lines not used past those in problems
};

extern Settings settings;

// The settings file's path: $XDG_CONFIG_HOME/quillomark (default ~/.config/quillomark) on POSIX
// systems, %APPDATA%\Quillomark on Windows; empty when the system names no such folder.
std::string settingsPath();
// The file written when there is none: every setting at its default, with what it does.
std::string defaultSettingsText();
// Takes text (any bytes) as a settings file into keyMap and settings, from the defaults; each line it
// cannot use adds a problem (or counts past LISTED_SETTINGS_PROBLEMS) and leaves its setting as it
// was. Prints nothing and binds nothing; settings.path is left as it is.
void readSettingsText(const std::string& text);
// Reads (or first writes) the settings file into keyMap and settings, binds the keys and pad
// buttons, and prints each problem listed once on standard error, then how many more lines were not
// used; a file that cannot be read or written is reported the same way and the defaults hold.
void loadSettings();
// The problems in one line of at most size - 1 characters for the picture: the first, cut to fit,
// and how many more lines were not used; "" for none.
void describeSettingsProblems(char* text, int size);

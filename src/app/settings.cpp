#include "app/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <optional>

#define TOML_HEADER_ONLY 1
#define TOML_EXCEPTIONS 0
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include "files/file_read.h"
#include "files/file_write.h"
#include "host/key_map.h"
#include "platform/platform.h"

Settings settings;

namespace {
#ifdef _WIN32
constexpr char PATH_SEPARATOR = '\\';
#else
constexpr char PATH_SEPARATOR = '/';
#endif
constexpr int NO_CODE = -1;
constexpr int LIST_TEXT_SIZE = 512;
constexpr int SETTING_COLUMN = 40; // where the comment after a default setting starts

enum Section : uint8_t { SECTION_NONE, SECTION_KEYS, SECTION_GAMEPAD, SECTION_DISPLAY, SECTION_UNKNOWN };
constexpr const char* SECTION_NAMES[] = {"", "keys", "gamepad", "display"};
constexpr int NAMED_SECTIONS = int(sizeof SECTION_NAMES / sizeof SECTION_NAMES[0]);

constexpr const char* WINDOW_SETTING = "window";
constexpr const char* SCALE_SETTING = "scale";
constexpr bool DEFAULT_WINDOW = false;
constexpr int DEFAULT_SCALE = WINDOW_START_SCALE;
constexpr char COMMENT = '#';
constexpr const char* SPACES = " \t";
constexpr const char* NAME_CHARACTERS = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-";
constexpr char BYTE_ORDER_MARK[] = "\xEF\xBB\xBF";
constexpr char PROBLEMS_TITLE[] = "Settings "; // before the first problem on the picture
constexpr size_t NOWHERE = std::string_view::npos;
constexpr unsigned char FIRST_NON_ASCII = 0x80;
constexpr char DELETE = 0x7F; // a control character too
constexpr size_t TRIPLE_QUOTE = 3;      // """ or ''' opens a string of many lines
constexpr size_t MOST_CLOSING_QUOTES = 5; // a string of many lines may end in two quotes of its own

// Where the lines read so far stand: the section, and the line that set each setting (0: default).
struct Reading {
  int line;
  Section section;
  int bindingLines[2][ACTION_COUNT]; // keys, then pad buttons
  int windowLine, scaleLine;
};

void addProblem(const Reading& r, const char* format, ...) __attribute__((format(printf, 2, 3)));
void addProblem(const Reading& r, const char* format, ...) {
  if (settings.problems.size() >= size_t(LISTED_SETTINGS_PROBLEMS)) {
    ++settings.unlistedProblems;
    return;
  }
  char text[256];
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  settings.problems.push_back("line " + std::to_string(r.line) + ": " + text);
}

// A key or pad button by name, as a code of its kind; NO_CODE for none.
int codeNamed(Section kind, const std::string& name) {
  if (kind == SECTION_KEYS) {
    const uint32_t key = keyNamed(name.c_str());
    return key ? int(key) : NO_CODE;
  }
  const GamepadButton button = gamepadButtonNamed(name.c_str());
  return button < GAMEPAD_BUTTON_COUNT ? int(button) : NO_CODE;
}

Binding* bindingsOf(KeyMap& map, Section kind) { return kind == SECTION_KEYS ? map.keys : map.buttons; }
const char* thingOf(Section kind) { return kind == SECTION_KEYS ? "key" : "button"; }

int actionNamed(const std::string& name) {
  for (int a = 0; a < ACTION_COUNT; ++a)
    if (name == ACTIONS[a].name)
      return a;
  return NO_CODE;
}

bool holds(const Binding& b, int code) {
  return std::find(b.codes, b.codes + b.count, uint8_t(code)) != b.codes + b.count;
}

void removeCode(Binding& b, int code) {
  b.count = uint8_t(std::remove(b.codes, b.codes + b.count, uint8_t(code)) - b.codes);
}

// "action = [names]" in [keys] or [gamepad]: the action's keys or buttons. A code a default gave
// another action moves here; one another line gave is refused.
void readBinding(Reading& r, Section kind, const std::string& name, const toml::node& value) {
  const int action = actionNamed(name);
  int* lines = r.bindingLines[kind == SECTION_KEYS ? 0 : 1];
  if (action == NO_CODE)
    return addProblem(r, "no setting %s in [%s]", name.c_str(), SECTION_NAMES[kind]);
  if (lines[action])
    return addProblem(r, "%s is already set on line %d", name.c_str(), lines[action]);
  toml::array single;
  const toml::array* list = value.as_array();
  if (value.is_string()) { // a lone name is a list of one
    single.push_back(*value.value<std::string>());
    list = &single;
  }
  if (!list)
    return addProblem(r, "%s wants a list of %s names, such as [\"%s\"]", name.c_str(), thingOf(kind),
                      kind == SECTION_KEYS ? "Space" : "A");
  if (list->size() > size_t(MAX_ACTION_KEYS))
    return addProblem(r, "%s takes at most %d %ss", name.c_str(), MAX_ACTION_KEYS, thingOf(kind));
  Binding* bindings = bindingsOf(keyMap, kind);
  Binding chosen = {};
  for (const toml::node& item : *list) {
    const std::optional<std::string> text = item.value<std::string>();
    const int code = text ? codeNamed(kind, *text) : NO_CODE;
    if (code == NO_CODE)
      return addProblem(r, "no %s named %s", thingOf(kind), text ? text->c_str() : "that is not a name in quotes");
    for (int other = 0; other < ACTION_COUNT; ++other)
      if (other != action && lines[other] && holds(bindings[other], code))
        return addProblem(r, "%s is already set for %s on line %d", text->c_str(), ACTIONS[other].name, lines[other]);
    if (!holds(chosen, code))
      chosen.codes[chosen.count++] = uint8_t(code);
  }
  for (int i = 0; i < chosen.count; ++i)
    for (int other = 0; other < ACTION_COUNT; ++other)
      if (other != action)
        removeCode(bindings[other], chosen.codes[i]);
  bindings[action] = chosen;
  lines[action] = r.line;
}

void readDisplay(Reading& r, const std::string& name, const toml::node& value) {
  int& line = name == WINDOW_SETTING ? r.windowLine : r.scaleLine;
  if (name != WINDOW_SETTING && name != SCALE_SETTING)
    return addProblem(r, "no setting %s in [%s]", name.c_str(), SECTION_NAMES[SECTION_DISPLAY]);
  if (line)
    return addProblem(r, "%s is already set on line %d", name.c_str(), line);
  if (name == WINDOW_SETTING) {
    if (!value.is_boolean())
      return addProblem(r, "%s wants true or false", name.c_str());
    settings.window = *value.value<bool>();
  } else {
    const std::optional<int64_t> scale = value.is_integer() ? value.value<int64_t>() : std::nullopt;
    if (!scale || *scale < 1 || *scale > MAX_WINDOW_SCALE)
      return addProblem(r, "%s wants a whole number from 1 to %d", name.c_str(), MAX_WINDOW_SCALE);
    settings.scale = int(*scale);
  }
  line = r.line;
}

// A line as the parser would take it, found before the parser sees it: the first byte it must not
// see (NOWHERE: none), a control character anywhere, or outside strings and comments one past ASCII,
// a brace (no setting takes a table), a ] closing no [ or, in a value, a : or a - other than a sign
// (a date's, a time's; the parser's own checks of those are not
// safe; a quote opens a string only where the parser takes it so); what is still open at the line's end (the quote or '[' opened last; 0: nothing); and whether
// it starts with '[', a section's name.
struct LineShape {
  size_t refused;
  char open;
  bool header;
};

bool isControl(char c) { return (static_cast<unsigned char>(c) < ' ' && c != '\t') || c == DELETE; }

// Where the string whose text starts at from ends (its last quote), NOWHERE when not on this line.
size_t stringEnd(std::string_view line, size_t from, char quote, bool triple) {
  for (size_t i = from; i < line.size();) {
    if (line[i] == '\\' && quote == '"') {
      i += 2; // an escape: the quote after it is text
    } else if (line[i] != quote) {
      ++i;
    } else if (!triple) {
      return i;
    } else {
      const size_t run = std::min(line.find_first_not_of(quote, i), line.size()) - i;
      if (run >= TRIPLE_QUOTE)
        return i + std::min(run, MOST_CLOSING_QUOTES) - 1;
      i += run;
    }
  }
  return NOWHERE;
}

size_t skipSpaces(std::string_view line, size_t from) { return std::min(line.find_first_not_of(SPACES, from), line.size()); }

LineShape shapeOf(std::string_view line) {
  const size_t first = line.find_first_not_of(SPACES);
  LineShape shape = {NOWHERE, 0, first != NOWHERE && line[first] == '['};
  const auto control = std::find_if(line.begin(), line.end(), isControl);
  // The parser asks whether what follows a backslash in a string, spaces and all, is a space: for a
  // character past ASCII that question is not safe.
  size_t backslash = line.find('\\');
  for (size_t next; backslash != NOWHERE; backslash = line.find('\\', backslash + 1)) {
    next = skipSpaces(line, backslash + 1);
    if (next < line.size() && static_cast<unsigned char>(line[next]) >= FIRST_NON_ASCII)
      break;
  }
  if (control != line.end() || backslash != NOWHERE) {
    shape.refused = std::min(size_t(control - line.begin()), backslash);
    return shape;
  }
  size_t depth = 0;            // lists open
  bool valueMayStart = true;   // a quote or [ here opens a string or a list, as for the parser
  bool named = false;          // past the setting's =
  for (size_t i = 0; i < line.size() && line[i] != COMMENT; ++i) {
    const char c = line[i];
    const bool dateOrTime = named && ((c == '-' && !valueMayStart) || c == ':'); // a sign may start a value
    if (static_cast<unsigned char>(c) >= FIRST_NON_ASCII || c == '{' || c == '}' || (c == ']' && !depth) || dateOrTime) {
      shape.refused = i;
      return shape;
    }
    if ((c == '"' || c == '\'') && valueMayStart) {
      const bool triple = line.substr(i, TRIPLE_QUOTE) == std::string(TRIPLE_QUOTE, c);
      i = stringEnd(line, i + (triple ? TRIPLE_QUOTE : 1), c, triple);
      if (i == NOWHERE) {
        shape.open = c;
        return shape;
      }
      valueMayStart = false;
    } else if (c == '[' && valueMayStart) {
      ++depth;
    } else if (c == ']') {
      --depth;
      valueMayStart = false;
    } else if ((c == '=' && !depth && !named) || (c == ',' && depth)) {
      named = named || c == '=';
      valueMayStart = true;
    } else if (c != ' ' && c != '\t') {
      valueMayStart = false; // elsewhere the parser reads quotes and brackets as part of a word
    }
  }
  shape.open = depth ? '[' : 0;
  return shape;
}

// The characters of a line of UTF-8: its bytes less those that go on a character.
size_t charactersIn(std::string_view line) {
  return size_t(std::count_if(line.begin(), line.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

size_t nameEnd(std::string_view line, size_t from) { return std::min(line.find_first_not_of(NAME_CHARACTERS, from), line.size()); }

// Why the parser refused a setting's line, in the player's words where the line ended with something open.
void reportUnread(Reading& r, std::string_view line, const LineShape& shape, const toml::parse_error& error) {
  const bool atEnd = error.source().begin.column > charactersIn(line);
  if (atEnd && (shape.open == '"' || shape.open == '\''))
    return addProblem(r, "the text in quotes wants its closing %c on this line", shape.open);
  if (atEnd && shape.open)
    return addProblem(r, "the list wants its ] on this line: one setting a line");
  if (atEnd)
    return addProblem(r, "the line ends before its setting does: one setting a line, as name = value");
  addProblem(r, "cannot read it: %s", std::string(error.description()).c_str());
}

// "[name]", read here: the settings after it are that section's.
void readHeader(Reading& r, std::string_view line, const LineShape& shape) {
  const size_t start = skipSpaces(line, 1), end = nameEnd(line, start), close = skipSpaces(line, end);
  const size_t after = close < line.size() && line[close] == ']' ? skipSpaces(line, close + 1) : NOWHERE;
  if (shape.open)
    return addProblem(r, "the section's name wants its ] on this line");
  if (start == end || after == NOWHERE || (after < line.size() && line[after] != COMMENT))
    return addProblem(r, "a section's name is one word in brackets, such as [%s]", SECTION_NAMES[SECTION_KEYS]);
  const std::string name(line.substr(start, end - start));
  r.section = SECTION_UNKNOWN;
  for (int s = SECTION_KEYS; s < NAMED_SECTIONS; ++s)
    if (name == SECTION_NAMES[s])
      r.section = Section(s);
  if (r.section == SECTION_UNKNOWN)
    addProblem(r, "no section [%s]: its settings are not read", name.c_str());
}

// One line: a section's header, a setting, or nothing (blank, a comment). The parser sees only a
// setting's line, one that starts with its name and = and holds nothing it must not see.
void readLine(Reading& r, std::string_view text) {
  const LineShape shape = shapeOf(text);
  const int at = int(charactersIn(text.substr(0, shape.refused))) + 1;
  if (shape.refused != NOWHERE && isControl(text[shape.refused]))
    return addProblem(r, "character %d is a control character (code %d)", at, int(text[shape.refused]));
  if (shape.refused != NOWHERE && (text[shape.refused] == '-' || text[shape.refused] == ':'))
    return addProblem(r, "character %d, %c: no setting takes a date, a time or such a number", at, text[shape.refused]);
  if (shape.refused != NOWHERE && text[shape.refused] == '\\')
    return addProblem(r, "character %d, \\, stands before one past ASCII", at);
  if (shape.refused != NOWHERE && text[shape.refused] == ']')
    return addProblem(r, "character %d, ], closes no list", at);
  if (shape.refused != NOWHERE && static_cast<unsigned char>(text[shape.refused]) < FIRST_NON_ASCII)
    return addProblem(r, "character %d, %c: no setting takes a table", at, text[shape.refused]);
  if (shape.refused != NOWHERE)
    return addProblem(r, "character %d is not ASCII: only text in quotes and comments may have others", at);
  const std::string_view line = text.substr(skipSpaces(text, 0));
  if (line.empty() || line[0] == COMMENT)
    return;
  if (shape.header)
    return readHeader(r, line, shape);
  const size_t equals = skipSpaces(line, nameEnd(line, 0));
  if (equals == line.size())
    return addProblem(r, "the line ends before its setting does: one setting a line, as name = value");
  if (nameEnd(line, 0) == 0 || line[equals] != '=')
    return addProblem(r, "a setting is a name, = and a value, such as %s = true", WINDOW_SETTING);
  toml::parse_result parsed = toml::parse(text, std::string_view(SETTINGS_FILE));
  if (!parsed)
    return reportUnread(r, text, shape, parsed.error());
  for (auto&& [key, value] : parsed.table()) {
    const std::string name(key.str());
    if (r.section == SECTION_NONE)
      addProblem(r, "%s is in no section", name.c_str());
    else if (r.section == SECTION_DISPLAY)
      readDisplay(r, name, value);
    else if (r.section != SECTION_UNKNOWN)
      readBinding(r, r.section, name, value);
  }
}

// "[name1, name2]" for a binding.
std::string listText(Section kind, const Binding& b) {
  std::string text = "[";
  char name[KEY_NAME_SIZE];
  for (int i = 0; i < b.count; ++i) {
    if (kind == SECTION_KEYS)
      nameKey(b.codes[i], name);
    else
      snprintf(name, sizeof name, "%s", gamepadButtonName(GamepadButton(b.codes[i])));
    text += std::string(i ? ", \"" : "\"") + name + "\"";
  }
  return text + "]";
}

std::string settingLine(const std::string& setting, const char* what) {
  char line[LIST_TEXT_SIZE];
  snprintf(line, sizeof line, "%-*s # %s\n", SETTING_COLUMN, setting.c_str(), what);
  return line;
}

// text as comment lines of at most SETTING_COLUMN * 2 characters, broken between words.
std::string commentLines(const std::string& text) {
  std::string lines, line = "#";
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find(' ', start), text.size());
    const std::string word = text.substr(start, end - start);
    if (line.size() + 1 + word.size() > size_t(SETTING_COLUMN * 2)) {
      lines += line + "\n";
      line = "#";
    }
    line += " " + word;
    start = end + 1;
  }
  return lines + line + "\n";
}

void printProblems() {
  for (const std::string& problem : settings.problems)
    fprintf(stderr, "quillomark: %s: %s\n", settings.path.c_str(), problem.c_str());
  if (settings.unlistedProblems)
    fprintf(stderr, "quillomark: %s: %d more lines not used\n", settings.path.c_str(), settings.unlistedProblems);
}
} // namespace

std::string settingsPath() {
  char folder[LIST_TEXT_SIZE];
  if (!platformUserSettingsFolder(folder, sizeof folder))
    return std::string();
  return std::string(folder) + PATH_SEPARATOR + SETTINGS_FILE;
}

std::string defaultSettingsText() {
  KeyMap defaults = defaultKeyMap();
  char keyNames[LIST_TEXT_SIZE], buttonNames[LIST_TEXT_SIZE] = "";
  describeKeyNames(keyNames, sizeof keyNames);
  for (int b = 0; b < GAMEPAD_BUTTON_COUNT; ++b)
    snprintf(buttonNames + strlen(buttonNames), sizeof buttonNames - strlen(buttonNames), "%s%s", b ? ", " : "",
             gamepadButtonName(GamepadButton(b)));
  std::string text =
      "# Quillomark's settings, read by the desktop programs when they start (quillomark-headless never\n"
      "# reads them). One setting a line. A line the program cannot use is reported with its number when\n"
      "# it starts, and that setting keeps its default. Delete this file to have the defaults written again.\n";
  for (Section kind : {SECTION_KEYS, SECTION_GAMEPAD}) {
    text += std::string("\n[") + SECTION_NAMES[kind] + "]\n";
    if (kind == SECTION_KEYS)
      text += commentLines(std::string("Each action takes a list of at most ") + std::to_string(MAX_ACTION_KEYS) +
                           " keys; [] leaves it without one. A key given to an action is taken from the action "
                           "that had it by default. Keys go by their place on the keyboard, whatever its layout. "
                           "Key names: " + keyNames + ".");
    else
      text += commentLines(std::string("The game controllers' buttons, as for the keys (the left stick always "
                                       "moves; the Windows program reads a joystick's first two buttons instead): ") +
                           buttonNames + ".");
    for (int a = 0; a < ACTION_COUNT; ++a)
      text += settingLine(std::string(ACTIONS[a].name) + " = " + listText(kind, bindingsOf(defaults, kind)[a]), ACTIONS[a].what);
  }
  text += std::string("\n[") + SECTION_NAMES[SECTION_DISPLAY] + "]\n";
  text += settingLine(std::string(WINDOW_SETTING) + " = " + (DEFAULT_WINDOW ? "true" : "false"),
                      "true: a window, false: the full screen; options come first");
  const std::string scaleWhat =
      "the window's first size, in times the picture (1 to " + std::to_string(MAX_WINDOW_SCALE) + ")";
  text += settingLine(std::string(SCALE_SETTING) + " = " + std::to_string(DEFAULT_SCALE), scaleWhat.c_str());
  return text;
}

void readSettingsText(const std::string& text) {
  resetKeyMap();
  settings.window = DEFAULT_WINDOW;
  settings.scale = DEFAULT_SCALE;
  settings.problems.clear();
  settings.unlistedProblems = 0;
  Reading r = {};
  // A byte order mark, as some Windows editors write at the start.
  const size_t textStart = std::string_view(text).starts_with(BYTE_ORDER_MARK) ? strlen(BYTE_ORDER_MARK) : 0;
  for (size_t start = textStart; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    ++r.line;
    std::string_view line = std::string_view(text).substr(start, end - start);
    if (!line.empty() && line.back() == '\r') // a file saved with Windows line ends
      line.remove_suffix(1);
    readLine(r, line);
    start = end + 1;
  }
}

void loadSettings() {
  const std::string path = settingsPath();
  std::vector<uint8_t> bytes;
  const bool read = !path.empty() && readRegularFile(path.c_str(), SETTINGS_FILE_LIMIT, bytes);
  const int error = errno;
  // The defaults, then the file's lines when it was read.
  readSettingsText(read ? std::string(bytes.begin(), bytes.end()) : std::string());
  settings.path = path;
  fflush(stdout); // what the program said before comes first where both outputs go to one place
  errno = error;
  if (path.empty()) {
    fprintf(stderr, "quillomark: no folder for the settings (%s): the defaults hold\n", strerror(errno));
  } else if (read) {
    printProblems();
  } else if (errno == ENOENT) {
    const std::string text = defaultSettingsText();
    const FilePart part = {text.data(), text.size()};
    if (platformWriteNewFile(settings.path.c_str(), &part, 1, false))
      printf("Wrote the default settings to %s\n", settings.path.c_str());
    else
      fprintf(stderr, "quillomark: cannot write %s: %s\n", settings.path.c_str(), strerror(errno));
  } else {
    const bool irregular = errno == EINVAL || errno == EISDIR;
    fprintf(stderr, "quillomark: cannot read %s: %s; the defaults hold\n", settings.path.c_str(),
                 irregular ? "not a regular file" : strerror(errno));
  }
  applyKeyMap();
}

void describeSettingsProblems(char* text, int size) {
  text[0] = 0;
  if (settings.problems.empty())
    return;
  const int more = int(settings.problems.size()) - 1 + settings.unlistedProblems;
  char tail[LIST_TEXT_SIZE] = "";
  if (more)
    snprintf(tail, sizeof tail, " (+%d more)", more);
  const int room = size - 1 - int(strlen(PROBLEMS_TITLE) + strlen(tail)); // for the first problem
  snprintf(text, size_t(size), "%s%.*s%s", PROBLEMS_TITLE, std::max(0, room), settings.problems[0].c_str(), tail);
}

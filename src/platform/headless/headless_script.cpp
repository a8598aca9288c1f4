#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/file_read.h"
#include "platform/headless/headless.h"

namespace {
struct KeyName {
  const char* name;
  uint32_t keyCode;
};
constexpr KeyName KEY_NAMES[] = {
    {"LEFT", VKEY_LEFT}, {"RIGHT", VKEY_RIGHT},   {"UP", VKEY_UP},     {"DOWN", VKEY_DOWN},
    {"ENTER", VKEY_RETURN}, {"SHIFT", VKEY_SHIFT}, {"SPACE", VKEY_SPACE}, {"CTRL", VKEY_CONTROL},
    {"ALT", VKEY_MENU},  {"ESC", VKEY_ESCAPE},    {"TAB", VKEY_TAB},   {"BACKSPACE", VKEY_BACK},
    {"PAUSE", VKEY_PAUSE},
};
constexpr uint32_t FUNCTION_KEY_COUNT = 12;
constexpr uint32_t LARGEST_KEY_CODE = 0xFF;

// The longest script read: some six million lines.
constexpr size_t KEY_SCRIPT_LIMIT = size_t(64) << 20;
// The longest script line, its line end not counted.
constexpr int MAX_LINE_LENGTH = 255;
// A line is PASS ACTION VALUE; one more word is read only to name it.
constexpr int LINE_WORDS = 3;

constexpr char LINE_FORM[] = "'PASS down|up KEY' or 'PASS activate 0|1'";

bool parseActivation(const char* text, uint32_t* active) {
  if ((text[0] != '0' && text[0] != '1') || text[1])
    return false;
  *active = uint32_t(text[0] - '0');
  return true;
}

// What follows the pass number: the action word, the message it queues and how its value is read.
struct ScriptAction {
  const char* name;
  uint32_t message;
  const char* valueName;
  const char* expected;
  bool (*parseValue)(const char* text, uint32_t* value);
};
constexpr ScriptAction SCRIPT_ACTIONS[] = {
    {"down", MSG_KEYDOWN, "key", "a key name (LEFT, F1..F12, A..Z, 0..9, ...) or a code", parseKeyName},
    {"up", MSG_KEYUP, "key", "a key name (LEFT, F1..F12, A..Z, 0..9, ...) or a code", parseKeyName},
    {"activate", MSG_ACTIVATEAPP, "state", "0 or 1", parseActivation},
};

// Letters compared without regard to case.
bool sameWord(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b)
    if (toupper((unsigned char)*a) != toupper((unsigned char)*b))
      return false;
  return *a == *b;
}

// Where a script error is reported.
struct ScriptPlace {
  const char* path;
  int lineNumber;
  char* message;
  int messageSize;
};

// Fills the message with "PATH:LINE: " and the text; returns false.
__attribute__((format(printf, 2, 3))) bool scriptError(const ScriptPlace& place, const char* format, ...) {
  const int prefix = snprintf(place.message, size_t(place.messageSize), "%s:%d: ", place.path, place.lineNumber);
  if (prefix >= 0 && prefix < place.messageSize) {
    va_list args;
    va_start(args, format);
    vsnprintf(place.message + prefix, size_t(place.messageSize - prefix), format, args);
    va_end(args);
  }
  return false;
}

enum LineRead { LINE_READ, LINE_NONE, LINE_TOO_LONG, LINE_WITH_NUL };

// Takes one line of bytes from at, without its end, into line (MAX_LINE_LENGTH + 1 bytes).
LineRead readLine(const std::vector<uint8_t>& bytes, size_t& at, char* line) {
  int length = 0;
  int c = EOF;
  while (at < bytes.size() && (c = bytes[at++]) != '\n') {
    if (length == MAX_LINE_LENGTH)
      return LINE_TOO_LONG;
    if (c == 0)
      return LINE_WITH_NUL;
    line[length++] = char(c);
  }
  line[length] = 0;
  return c == EOF && length == 0 ? LINE_NONE : LINE_READ;
}

// Adds the message of one line to parsed; false with the message filled if the line is malformed.
bool parseLine(char* line, const ScriptPlace& place, std::vector<ScriptedMessage>& parsed) {
  if (char* comment = strchr(line, '#'))
    *comment = 0;
  char* words[LINE_WORDS + 1] = {};
  int count = 0;
  for (char* word = strtok(line, " \t\r\n"); word && count <= LINE_WORDS; word = strtok(nullptr, " \t\r\n"))
    words[count++] = word;
  if (count == 0)
    return true;
  uint32_t pass = 0;
  if (!parseWholeNumber(words[0], &pass) || pass == 0)
    return scriptError(place, "bad pass '%s': expected a pass number from 1, in %s", words[0], LINE_FORM);
  if (count == 1)
    return scriptError(place, "nothing after the pass: expected %s", LINE_FORM);
  for (const ScriptAction& action : SCRIPT_ACTIONS) {
    if (!sameWord(words[1], action.name))
      continue;
    uint32_t value = 0;
    if (count == 2)
      return scriptError(place, "missing %s after '%s': expected %s", action.valueName, words[1], action.expected);
    if (!action.parseValue(words[2], &value))
      return scriptError(place, "unknown %s '%s': expected %s", action.valueName, words[2], action.expected);
    if (count > LINE_WORDS)
      return scriptError(place, "unexpected '%s' after the %s: expected %s", words[LINE_WORDS], action.valueName,
                         LINE_FORM);
    parsed.push_back({pass, action.message, value});
    return true;
  }
  return scriptError(place, "unknown action '%s': expected down, up or activate", words[1]);
}
} // namespace

bool parseWholeNumber(const char* text, uint32_t* value) {
  const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* digits = hex ? text + 2 : text;
  // Digits from the first character: strtoul would also take white space and a sign before them.
  if (!(hex ? isxdigit((unsigned char)digits[0]) : isdigit((unsigned char)digits[0])))
    return false;
  char* end = nullptr;
  errno = 0;
  const unsigned long long parsed = strtoull(digits, &end, hex ? 16 : 10);
  if (*end || errno == ERANGE || parsed > 0xFFFFFFFFull)
    return false;
  *value = uint32_t(parsed);
  return true;
}

bool parseKeyName(const char* name, uint32_t* keyCode) {
  for (const KeyName& key : KEY_NAMES)
    if (sameWord(name, key.name)) {
      *keyCode = key.keyCode;
      return true;
    }
  const int first = toupper((unsigned char)name[0]);
  if (first && !name[1]) {
    // Single digits and letters name their own keys.
    if (isdigit(first) || (first >= 'A' && first <= 'Z')) {
      *keyCode = uint32_t(first);
      return true;
    }
  }
  if (first == 'F' && isdigit((unsigned char)name[1])) {
    uint32_t n = 0;
    if (parseWholeNumber(name + 1, &n) && n >= 1 && n <= FUNCTION_KEY_COUNT && name[1] != '0') {
      *keyCode = VKEY_F1 + n - 1;
      return true;
    }
    return false;
  }
  uint32_t code = 0;
  if (isdigit(first) && parseWholeNumber(name, &code) && code <= LARGEST_KEY_CODE) {
    *keyCode = code;
    return true;
  }
  return false;
}

bool checkRegularFile(const char* what, const char* path, char* message, int messageSize) {
  struct stat status;
  if (stat(path, &status) != 0) {
    snprintf(message, size_t(messageSize), "cannot open %s %s: %s", what, path, strerror(errno));
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    snprintf(message, size_t(messageSize), "%s %s is not a regular file", what, path);
    return false;
  }
  return true;
}

bool loadKeyScript(const char* path, char* message, int messageSize) {
  // Read whole at once: a folder, a pipe or a device (which might never end) is refused unread.
  std::vector<uint8_t> bytes;
  if (!readRegularFile(path, KEY_SCRIPT_LIMIT, bytes)) {
    if (errno == EISDIR || errno == EINVAL)
      snprintf(message, size_t(messageSize), "key script %s is not a regular file", path);
    else if (errno == EFBIG)
      snprintf(message, size_t(messageSize), "key script %s is longer than %zu bytes", path, KEY_SCRIPT_LIMIT);
    else
      snprintf(message, size_t(messageSize), "cannot open key script %s: %s", path, strerror(errno));
    return false;
  }
  char line[MAX_LINE_LENGTH + 1];
  ScriptPlace place{path, 0, message, messageSize};
  std::vector<ScriptedMessage> parsed;
  bool ok = true;
  size_t at = 0;
  for (LineRead read; ok && (read = readLine(bytes, at, line)) != LINE_NONE;) {
    ++place.lineNumber;
    if (read == LINE_TOO_LONG)
      ok = scriptError(place, "line longer than %d bytes", MAX_LINE_LENGTH);
    else if (read == LINE_WITH_NUL)
      ok = scriptError(place, "NUL byte in the line");
    else
      ok = parseLine(line, place, parsed);
  }
  if (!ok)
    return false;
  // Queued in pass order, so that each lands at the end of the script: a script whose passes run
  // backwards costs no more than one in order.
  std::stable_sort(parsed.begin(), parsed.end(),
                   [](const ScriptedMessage& a, const ScriptedMessage& b) { return a.pass < b.pass; });
  for (const ScriptedMessage& m : parsed)
    headlessScript(m.pass, m.message, m.wParam);
  return true;
}

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/headless/headless.h"

namespace {
struct KeyName {
  const char* name;
  uint32_t keyCode;
};
constexpr KeyName KEY_NAMES[] = {
    {"LEFT", VKEY_LEFT}, {"RIGHT", VKEY_RIGHT},   {"UP", VKEY_UP},     {"DOWN", VKEY_DOWN},
    {"ENTER", VKEY_RETURN}, {"SHIFT", VKEY_SHIFT}, {"SPACE", VKEY_SPACE}, {"CTRL", VKEY_CONTROL},
    {"ALT", VKEY_MENU},  {"ESC", VKEY_ESCAPE},    {"TAB", VKEY_TAB},
};
} // namespace

bool parseWholeNumber(const char* text, uint32_t* value) {
  if (!*text)
    return false;
  char* end = nullptr;
  const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  if (hex && !text[2])
    return false;
  const unsigned long parsed = strtoul(text, &end, hex ? 16 : 10);
  if (*end || text[0] == '-' || text[0] == '+' || parsed > 0xFFFFFFFFul)
    return false;
  *value = uint32_t(parsed);
  return true;
}

bool parseKeyName(const char* name, uint32_t* keyCode) {
  for (const KeyName& key : KEY_NAMES)
    if (strcmp(name, key.name) == 0) {
      *keyCode = key.keyCode;
      return true;
    }
  if (name[0] && !name[1]) {
    // Single digits and letters name their own keys.
    if (isdigit((unsigned char)name[0]) || (name[0] >= 'A' && name[0] <= 'Z')) {
      *keyCode = uint32_t(name[0]);
      return true;
    }
  }
  if (name[0] == 'F' && isdigit((unsigned char)name[1])) {
    uint32_t n = 0;
    if (parseWholeNumber(name + 1, &n) && n >= 1 && n <= 12 && name[1] != '0') {
      *keyCode = 0x70 + n - 1;
      return true;
    }
    return false;
  }
  uint32_t code = 0;
  if (isdigit((unsigned char)name[0]) && parseWholeNumber(name, &code) && code <= 0xFF) {
    *keyCode = code;
    return true;
  }
  return false;
}

bool loadKeyScript(const char* path, char* message, int messageSize) {
  FILE* file = fopen(path, "rb");
  if (!file) {
    snprintf(message, size_t(messageSize), "cannot open key script %s", path);
    return false;
  }
  char line[256];
  int lineNumber = 0;
  bool ok = true;
  while (ok && fgets(line, sizeof line, file)) {
    ++lineNumber;
    if (char* comment = strchr(line, '#'))
      *comment = 0;
    char* words[4] = {};
    int count = 0;
    for (char* word = strtok(line, " \t\r\n"); word; word = strtok(nullptr, " \t\r\n"))
      if (count < 4)
        words[count++] = word;
      else
        count = 5;
    if (count == 0)
      continue;
    uint32_t pass = 0, value = 0;
    ok = count == 3 && parseWholeNumber(words[0], &pass) && pass >= 1;
    if (ok && strcmp(words[1], "down") == 0) {
      ok = parseKeyName(words[2], &value);
      if (ok) headlessScript(pass, MSG_KEYDOWN, value);
    } else if (ok && strcmp(words[1], "up") == 0) {
      ok = parseKeyName(words[2], &value);
      if (ok) headlessScript(pass, MSG_KEYUP, value);
    } else if (ok && strcmp(words[1], "activate") == 0) {
      ok = (strcmp(words[2], "0") == 0 || strcmp(words[2], "1") == 0);
      if (ok) headlessScript(pass, MSG_ACTIVATEAPP, words[2][0] == '1');
    } else {
      ok = false;
    }
    if (!ok)
      snprintf(message, size_t(messageSize), "%s:%d: expected 'PASS down|up KEY' or 'PASS activate 0|1'", path,
               lineNumber);
  }
  fclose(file);
  return ok;
}

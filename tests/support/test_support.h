// Shared helpers of the unit tests: a fresh machine, captured output, programs run, ROM sets.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/system_helpers.h"
#include "support/test_programs.h"

// Allocates (once) the image; every record of the registry reset, the headless backend's too.
void freshMachine();
// Reads pal.bmp of the working directory and opens the display with the program's window procedure,
// as start-up does; the failure's message, or "" when both succeeded.
std::string startDisplay();
// Runs fn and returns what it printed on standard output.
std::string captureStdout(const std::function<void()>& fn);
// Runs fn and returns what it printed on standard error.
std::string captureStderr(const std::function<void()>& fn);
// Stores big-endian words at an address of the image.
void pokeWords(uint32_t address, const std::vector<uint16_t>& words);
// Runs a program (with its redirections) in a directory under a time and file-size limit;
// returns its exit code (-1 if it did not exit normally, 124 on timeout).
int runIn(const std::string& dir, const std::string& command);

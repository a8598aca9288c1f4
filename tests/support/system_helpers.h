// Scratch folders, files, the working directory and silenced output: helpers with
// neither GoogleTest nor a backend behind them, for every test binary and the benchmarks.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Creates an empty scratch directory under the temporary folder, one root per test run
// (death-test children that run the test again find the same directory).
std::string makeScratchDir(const std::string& name);
// Removes every scratch directory of this test run.
void removeScratchDirs();
// Writes bytes to a file; returns false on failure.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
// Reads a whole regular file (empty if missing, unreadable or not a regular file).
std::vector<uint8_t> readFile(const std::string& path);
// Runs fn with dir as the working directory, then returns to the one before;
// false if dir cannot be entered (fn is not run then) or the way back fails.
bool inDirectory(const std::string& dir, const std::function<void()>& fn);

enum SilencedStreams { SILENCE_STDOUT, SILENCE_STDOUT_AND_STDERR };
// Runs fn with standard output (and standard error, if asked) sent to /dev/null.
void silenced(SilencedStreams streams, const std::function<void()>& fn);

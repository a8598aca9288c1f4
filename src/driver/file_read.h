// Reading a file whole, for the few files the program and its tools take in at once.
#pragma once
#include <cstdint>
#include <vector>

// Replaces bytes with the whole content of path; false (errno telling why) if it cannot be opened or read.
bool readWholeFile(const char* path, std::vector<uint8_t>& bytes);

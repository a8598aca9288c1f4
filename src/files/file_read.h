// The one way the programs and their tools read a file: a regular file only, never waited on.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Replaces bytes with the whole content of path, a regular file (or a link to one) of at most limit
// bytes. Anything else is refused before a byte is read and without waiting: false with errno EISDIR
// for a folder, EINVAL for a pipe, a device or a socket, EFBIG for a larger file, or why it could not
// be opened or read.
bool readRegularFile(const char* path, size_t limit, std::vector<uint8_t>& bytes);
// As readRegularFile, but a larger file is not refused: bytes holds its first limit bytes.
bool readRegularFileStart(const char* path, size_t limit, std::vector<uint8_t>& bytes);

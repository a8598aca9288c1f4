#include "driver/file_read.h"

#include <cerrno>
#include <cstdio>

bool readWholeFile(const char* path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  FILE* file = fopen(path, "rb");
  if (!file)
    return false;
  // Read in chunks rather than by the size the file claims: a pipe or a growing file has none.
  constexpr size_t CHUNK_SIZE = 65536;
  uint8_t chunk[CHUNK_SIZE];
  size_t got;
  while ((got = fread(chunk, 1, CHUNK_SIZE, file)) > 0)
    bytes.insert(bytes.end(), chunk, chunk + got);
  const bool ok = !ferror(file);
  const int readError = errno;
  fclose(file);
  errno = readError; // fclose must not hide why the read failed
  return ok;
}

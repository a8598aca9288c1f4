#include "files/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {
// Bytes asked of one read call.
constexpr size_t CHUNK_SIZE = 65536;

#ifdef _WIN32
constexpr int READ_FLAGS = O_RDONLY | O_BINARY | O_NOINHERIT;
#else
// A pipe opens at once, without waiting for a writer; the open file is not inherited.
constexpr int READ_FLAGS = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
#endif

// Reads path's first limit bytes (one more when wholeOnly, to see a file grown past limit) into bytes.
bool readRegular(const char* path, size_t limit, bool wholeOnly, std::vector<uint8_t>& bytes) {
  bytes.clear();
  const int file = open(path, READ_FLAGS);
  if (file < 0)
    return false;
  struct stat status;
  bool ok = fstat(file, &status) == 0;
  int error = errno;
  if (ok && !S_ISREG(status.st_mode)) {
    ok = false;
    error = S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
  } else if (ok && wholeOnly && uint64_t(status.st_size) > limit) {
    ok = false;
    error = EFBIG;
  }
  const size_t wanted = wholeOnly && limit < SIZE_MAX ? limit + 1 : limit;
  if (ok) // room for the last, empty read too, so that the buffer is never reallocated
    bytes.reserve(size_t(std::min(uint64_t(status.st_size), uint64_t(limit))) + CHUNK_SIZE);
  while (ok && bytes.size() < wanted) {
    const size_t at = bytes.size(), ask = std::min(CHUNK_SIZE, wanted - at);
    bytes.resize(at + ask);
    const long got = long(read(file, bytes.data() + at, unsigned(ask)));
    bytes.resize(at + size_t(got > 0 ? got : 0));
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0) {
      ok = false;
      error = errno;
    }
    if (got <= 0)
      break;
  }
  if (ok && bytes.size() > limit) { // grew since fstat
    ok = false;
    error = EFBIG;
  }
  close(file);
  if (!ok)
    bytes.clear();
  errno = error;
  return ok;
}
} // namespace

bool readRegularFile(const char* path, size_t limit, std::vector<uint8_t>& bytes) {
  return readRegular(path, limit, true, bytes);
}

bool readRegularFileStart(const char* path, size_t limit, std::vector<uint8_t>& bytes) {
  return readRegular(path, limit, false, bytes);
}

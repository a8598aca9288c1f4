#include "driver/file_write.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"

FileWriteState fileWriteState;

static const char TEMPORARY_SUFFIX[] = ".tmp";

void reportWriteFailure(FileKind kind, const char* path) {
  const int error = errno;
  fileWriteState.anyFailed = true;
  if (fileWriteState.reported[kind])
    return;
  fileWriteState.reported[kind] = true;
  fprintf(stderr, "Cannot write %s: %s\n", path, error ? strerror(error) : "write failed");
}

bool writeWholeFile(FileKind kind, const char* path, const FilePart* parts, int partCount) {
  const std::string temporary = std::string(path) + TEMPORARY_SUFFIX;
  errno = 0;
  FILE* file = fopen(temporary.c_str(), "wb");
  if (!file) {
    reportWriteFailure(kind, path);
    return false;
  }
  bool ok = true;
  for (int i = 0; i < partCount && ok; ++i)
    ok = fwrite(parts[i].data, 1, parts[i].size, file) == parts[i].size;
  ok = fflush(file) == 0 && ok;
  const int writeError = errno;
  ok = fclose(file) == 0 && ok;
  if (ok && platformReplaceFile(temporary.c_str(), path))
    return true;
  if (!ok && writeError)
    errno = writeError;
  reportWriteFailure(kind, path);
  remove(temporary.c_str());
  return false;
}

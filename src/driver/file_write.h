// Files the program writes: one report per kind of file when a write fails, and whole files
// written under a temporary name and renamed over the old one, so a failure never leaves a torn file.
#pragma once
#include <cstddef>
#include <cstdint>

enum FileKind : int { FILE_KEY_LOG, FILE_DUMP, FILE_SNAPSHOT, FILE_FRAME_SHOT, FILE_DIGESTS, FILE_STATE,
                      FILE_TRACE, FILE_SOUND_LOG, FILE_KIND_COUNT };

struct FileWriteState {
  bool reported[FILE_KIND_COUNT]; // a failure of this kind has been printed
  bool anyFailed;                 // some write failed during the run: the end's exit code says so
};

extern FileWriteState fileWriteState;

struct FilePart {
  const void* data;
  size_t size;
};

// Records a failed open, write or close of path (reason from errno); prints one line on standard
// error the first time a kind fails.
void reportWriteFailure(FileKind kind, const char* path);
// Writes the parts in order to path's temporary twin, then renames it over path; false (reported)
// on any failure, leaving an existing path as it was.
bool writeWholeFile(FileKind kind, const char* path, const FilePart* parts, int partCount);

// Files the program writes: one report per kind of file when a write fails, and whole files
// written under a temporary name and renamed over the old one, so a failure never leaves a torn file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

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
// Names tried for a temporary twin before giving up: names left by killed runs, or taken by other
// runs in the same folder, are passed over.
inline constexpr int TEMPORARY_NAME_TRIES = 16;

// Name number n (0 to TEMPORARY_NAME_TRIES - 1) of path's temporary twin: PATH.tmp.PID.N.
std::string temporaryName(const char* path, int n);
// Writes the parts in order to a new temporary twin of path (through to the disk when durable) and
// returns its name; empty (errno set, nothing left behind) when none could be written.
std::string writeTemporaryTwin(const char* path, const FilePart* parts, int partCount, bool durable);
// Writes the parts in order to a temporary twin of path, then renames it over path; false (reported)
// on any failure, leaving an existing path as it was. States and dumps reach the disk before the rename.
bool writeWholeFile(FileKind kind, const char* path, const FilePart* parts, int partCount);

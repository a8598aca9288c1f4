#include "libretro/content.h"

#include <strings.h>
#include <sys/stat.h>
#include <zip.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/core.h"
#include "files/file_read.h"

namespace {
// Reads folder/NAME, when it is a regular file, up to what the board takes; a file that cannot be
// opened, or is no regular file (a FIFO, a device or a folder, refused unread and without waiting),
// stays unfound: the board then names it as missing, as the programs do.
bool readFolderFile(const std::string& folder, ContentFile& file, char* message, int messageSize) {
  const std::string path = folder + "/" + file.name;
  file.found = readRegularFileStart(path.c_str(), file.need, file.bytes);
  if (file.found)
    return true;
  if (errno == EIO) { // opened, but its bytes could not be had
    snprintf(message, messageSize, "Cannot read %s: %s", path.c_str(), strerror(errno));
    return false;
  }
  return true;
}

// Reads the entry named like the file to its end, keeping what the board takes: libzip checks the
// entry's CRC-32 only once its last byte is read. An entry that is not there stays unfound.
bool readZipEntry(zip_t* archive, const char* label, ContentFile& file, char* message, int messageSize) {
  const zip_int64_t index = zip_name_locate(archive, file.name, ZIP_FL_NOCASE | ZIP_FL_NODIR);
  if (index < 0)
    return true;
  zip_stat_t status;
  if (zip_stat_index(archive, zip_uint64_t(index), 0, &status) == 0 && (status.valid & ZIP_STAT_SIZE) &&
      status.size > CONTENT_ENTRY_LIMIT) {
    snprintf(message, messageSize, "%s in %s claims %llu bytes: not a ROM set's file", file.name, label,
             (unsigned long long)status.size);
    return false;
  }
  zip_file_t* entry = zip_fopen_index(archive, zip_uint64_t(index), 0);
  if (!entry) {
    snprintf(message, messageSize, "Cannot read %s in %s: %s", file.name, label, zip_strerror(archive));
    return false;
  }
  file.bytes.resize(file.need);
  uint8_t rest[ROM_IMAGE_SIZE]; // the bytes past what the board takes, read and dropped
  uint64_t got = 0;
  for (;;) {
    const bool keeping = got < file.need;
    uint8_t* into = keeping ? file.bytes.data() + got : rest;
    const zip_int64_t n = zip_fread(entry, into, keeping ? file.need - got : sizeof rest);
    if (n < 0) {
      snprintf(message, messageSize, "Cannot read %s in %s: %s", file.name, label, zip_file_strerror(entry));
      zip_fclose(entry);
      return false;
    }
    if (n == 0)
      break;
    got += uint64_t(n);
    if (got > CONTENT_ENTRY_LIMIT) { // past what any file of a set holds, whatever the entry claims
      snprintf(message, messageSize, "%s in %s holds over %llu bytes: not a ROM set's file", file.name, label,
               (unsigned long long)CONTENT_ENTRY_LIMIT);
      zip_fclose(entry);
      return false;
    }
  }
  zip_fclose(entry);
  file.bytes.resize(got < file.need ? size_t(got) : file.need);
  file.found = true;
  return true;
}

// Reads every file's entry from an opened archive, then lets it go.
bool readArchive(zip_t* archive, const char* label, ContentFile* files, int count, char* message, int messageSize) {
  bool read = true;
  for (int i = 0; i < count && read; ++i)
    read = readZipEntry(archive, label, files[i], message, messageSize);
  zip_discard(archive);
  return read;
}

// Opens the archive source holds (source is taken over, and freed when it cannot be opened) and
// reads every file's entry; reason is the error record source was made with.
bool readZipSource(zip_source_t* source, zip_error_t* reason, const char* label, ContentFile* files, int count,
                   char* message, int messageSize) {
  zip_t* archive = source ? zip_open_from_source(source, ZIP_RDONLY, reason) : nullptr;
  if (!archive) {
    snprintf(message, messageSize, "Cannot open %s as a zip archive: %s", label, zip_error_strerror(reason));
    if (source)
      zip_source_free(source);
    zip_error_fini(reason);
    return false;
  }
  zip_error_fini(reason);
  return readArchive(archive, label, files, count, message, messageSize);
}

bool readZip(const char* path, ContentFile* files, int count, char* message, int messageSize) {
  // Only a regular file: opening a FIFO would wait for a writer.
  struct stat status;
  if (stat(path, &status) != 0 || !S_ISREG(status.st_mode)) {
    snprintf(message, messageSize, "%s is not a regular file", path);
    return false;
  }
  zip_error_t reason;
  zip_error_init(&reason);
  return readZipSource(zip_source_file_create(path, 0, -1, &reason), &reason, path, files, count, message,
                       messageSize);
}

bool readFolder(const char* path, ContentFile* files, int count, char* message, int messageSize) {
  // A folder itself is the set's folder; a file names its own.
  struct stat status;
  std::string folder = path;
  if (stat(path, &status) != 0 || !S_ISDIR(status.st_mode)) {
    const size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? "." : slash == 0 ? "/" : folder.substr(0, slash);
  }
  // In load order: the first file the board cannot take ends the reading, so that none after it is
  // opened and its message is the one given.
  for (int i = 0; i < count; ++i) {
    if (!readFolderFile(folder, files[i], message, messageSize))
      return false;
    if (!files[i].found || files[i].bytes.size() < files[i].need)
      break;
  }
  return true;
}

bool isZip(const char* path) {
  const size_t length = strlen(path);
  return length >= 4 && strcasecmp(path + length - 4, ".zip") == 0;
}
} // namespace

int listContentFiles(ContentFile* files) {
  int count = 0;
  for (const char* name : ROM_FILE_NAMES)
    files[count++] = ContentFile{name, ROM_IMAGE_SIZE, false, {}};
  files[count++] = ContentFile{PALETTE_FILE, PALETTE_FILE_MINIMUM, false, {}};
  return count;
}

bool readZipContent(const uint8_t* bytes, size_t size, const char* label, ContentFile* files, int count,
                    char* message, int messageSize) {
  zip_error_t reason;
  zip_error_init(&reason);
  return readZipSource(zip_source_buffer_create(bytes, size, 0, &reason), &reason, label, files, count, message,
                       messageSize);
}

bool loadContent(const char* path, char* message, int messageSize) {
  ContentFile files[CONTENT_FILE_LIMIT];
  const int count = listContentFiles(files);
  if (!(isZip(path) ? readZip : readFolder)(path, files, count, message, messageSize))
    return false;
  // A file that was read, even empty, is there (a non-null pointer); one that was not is missing.
  static const uint8_t EMPTY[1] = {};
  CoreFile roms[CONTENT_FILE_LIMIT];
  for (int i = 0; i < count; ++i)
    roms[i] = CoreFile{files[i].name, !files[i].found ? nullptr : files[i].bytes.empty() ? EMPTY : files[i].bytes.data(),
                       files[i].bytes.size()};
  if (!coreLoadRomSet(roms, count - 1, message, messageSize))
    return false;
  const CoreFile& palette = roms[count - 1];
  if (!coreLoadPalette(palette.data, palette.size, message, messageSize)) {
    coreEnd();
    return false;
  }
  return true;
}

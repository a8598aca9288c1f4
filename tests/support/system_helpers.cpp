#include "support/system_helpers.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "files/file_read.h"

namespace {

// Set by the first scratch directory of a run and inherited by the processes it starts.
constexpr const char* SCRATCH_ROOT_VARIABLE = "QUILLOMARK_TEST_SCRATCH_ROOT";
// The largest file a test reads back: above what runIn lets a program write.
constexpr size_t READ_FILE_LIMIT = size_t(1) << 30;

} // namespace

std::string makeScratchDir(const std::string& name) {
  if (!getenv(SCRATCH_ROOT_VARIABLE)) {
    const char* base = getenv("TMPDIR");
    const std::filesystem::path root = std::filesystem::path(base && *base ? base : "/tmp") /
                                       ("quillomark-test-" + std::to_string(getpid()));
    setenv(SCRATCH_ROOT_VARIABLE, root.c_str(), 1);
  }
  const std::filesystem::path dir = std::filesystem::path(getenv(SCRATCH_ROOT_VARIABLE)) / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

void removeScratchDirs() {
  if (const char* root = getenv(SCRATCH_ROOT_VARIABLE))
    std::filesystem::remove_all(root);
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f)
    return false;
  const bool ok = bytes.empty() || fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

std::vector<uint8_t> readFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!readRegularFile(path.c_str(), READ_FILE_LIMIT, bytes))
    bytes.clear();
  return bytes;
}

bool inDirectory(const std::string& dir, const std::function<void()>& fn) {
  std::error_code error;
  const std::filesystem::path previous = std::filesystem::current_path(error);
  if (error || chdir(dir.c_str()) != 0)
    return false;
  fn();
  return chdir(previous.c_str()) == 0;
}

void silenced(SilencedStreams streams, const std::function<void()>& fn) {
  const bool stderrToo = streams == SILENCE_STDOUT_AND_STDERR;
  fflush(stdout);
  fflush(stderr);
  const int nowhere = open("/dev/null", O_WRONLY);
  const int savedOut = dup(STDOUT_FILENO);
  const int savedErr = stderrToo ? dup(STDERR_FILENO) : -1;
  dup2(nowhere, STDOUT_FILENO);
  if (stderrToo)
    dup2(nowhere, STDERR_FILENO);
  fn();
  fflush(stdout);
  fflush(stderr);
  dup2(savedOut, STDOUT_FILENO);
  close(savedOut);
  if (stderrToo) {
    dup2(savedErr, STDERR_FILENO);
    close(savedErr);
  }
  close(nowhere);
}

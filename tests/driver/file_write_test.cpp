#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "files/file_write.h"
#include "support/test_support.h"

namespace {

// What a killed run or a trap left at the temporary names, the old one and this run's first: a link
// must not be written through, a pipe must not be waited on.
TEST(WriteWholeFile, PassesOverLinksAndPipesAtTheTemporaryNames) {
  const std::string dir = makeScratchDir("file-write");
  ASSERT_TRUE(inDirectory(dir, [] {
    ASSERT_TRUE(writeFile("target.bin", {7}));
    const struct {
      const char* path;
      FileKind kind;
      bool pipe; // a pipe at the names, else a link to target.bin
    } files[] = {{"state.qms", FILE_STATE, false}, {"dump.bin", FILE_DUMP, true}, {"vortane.bmp", FILE_SNAPSHOT, true}};
    const std::vector<uint8_t> bytes = {1, 2, 3};
    const FilePart part{bytes.data(), bytes.size()};
    for (const auto& f : files) {
      for (const std::string& name : {std::string(f.path) + ".tmp", temporaryName(f.path, 0)})
        ASSERT_EQ(f.pipe ? mkfifo(name.c_str(), 0600) : symlink("target.bin", name.c_str()), 0) << name;
      EXPECT_TRUE(writeWholeFile(f.kind, f.path, &part, 1)) << f.path;
      EXPECT_EQ(readFile(f.path), bytes) << f.path;
    }
    EXPECT_EQ(readFile("target.bin"), std::vector<uint8_t>{7});
    // The written files, the target and the six leftovers; no temporary of this run.
    const auto entries = std::distance(std::filesystem::directory_iterator("."), std::filesystem::directory_iterator());
    EXPECT_EQ(entries, 10);
  }));
}

} // namespace

#include <gtest/gtest.h>

#include <cerrno>

#include "driver/file_read.h"
#include "support/test_support.h"

namespace {

TEST(ReadWholeFile, ReadsPastOneChunkAndNamesWhyItFails) {
  const std::string dir = makeScratchDir("file-read");
  std::vector<uint8_t> written(200000);
  for (size_t i = 0; i < written.size(); ++i)
    written[i] = uint8_t(i * 7 + i / 251);
  ASSERT_TRUE(writeFile(dir + "/data.bin", written));
  std::vector<uint8_t> bytes = {1, 2, 3};
  EXPECT_TRUE(readWholeFile((dir + "/data.bin").c_str(), bytes));
  EXPECT_EQ(bytes, written);

  EXPECT_FALSE(readWholeFile((dir + "/missing.bin").c_str(), bytes));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_TRUE(bytes.empty());
  // A folder opens like a file here; the read is what fails.
  EXPECT_FALSE(readWholeFile(dir.c_str(), bytes));
  EXPECT_EQ(errno, EISDIR);
}

} // namespace

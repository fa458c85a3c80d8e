#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine/FileSource.h"
#include "tests/support/TempFolder.h"

namespace {

// A file of `size` bytes where every byte says where it lies.
std::string PatternBytes(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

// `length` bytes read through the source from where it stands, in reads of `step`.
std::string ReadThrough(VipsSource* source, size_t length, size_t step) {
  std::string got;
  std::string chunk(step, '\0');
  while (got.size() < length) {
    const gint64 read = vips_source_read(source, chunk.data(), std::min(step, length - got.size()));
    if (read <= 0) break;
    got.append(chunk.data(), static_cast<size_t>(read));
  }
  return got;
}

}  // namespace

// The source reads in blocks of its own; whatever the loaders' mix of small reads, large reads
// and seeks, each byte comes from where it lies in the file.
TEST(FileSource, ReadsAndSeeksGiveTheFilesBytesAcrossBlockEdges) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"写真.bin");
  const std::string bytes = PatternBytes(700 * 1024 + 13);  // a few blocks and a ragged end
  ASSERT_TRUE(WriteFileBytes(path, bytes));
  std::wstring why;
  const VipsSourcePtr source = OpenFileSource(path, nullptr, why);
  ASSERT_TRUE(source) << why;
  VipsSource* const s = source.get();

  EXPECT_EQ(ReadThrough(s, 300 * 1024, 4096), bytes.substr(0, 300 * 1024));  // crosses the first edge
  ASSERT_EQ(vips_source_seek(s, 10, SEEK_SET), 10);                             // back into an old block
  EXPECT_EQ(ReadThrough(s, 5000, 1000), bytes.substr(10, 5000));
  ASSERT_EQ(vips_source_seek(s, 400 * 1024, SEEK_CUR), 10 + 5000 + 400 * 1024);
  EXPECT_EQ(ReadThrough(s, 600 * 1024, 600 * 1024), bytes.substr(10 + 5000 + 400 * 1024));  // large reads, to the end
  ASSERT_EQ(vips_source_seek(s, -20, SEEK_END), static_cast<gint64>(bytes.size()) - 20);
  EXPECT_EQ(ReadThrough(s, 100, 64), bytes.substr(bytes.size() - 20));
  char past = 0;
  EXPECT_EQ(vips_source_read(s, &past, 1), 0) << "the end of the file reads as the end";
  EXPECT_EQ(vips_source_seek(s, -1, SEEK_SET), -1);
}

TEST(FileSource, AStopFailsTheNextReadEvenFromTheBlockInHand) {
  const TempFolder folder;
  const std::wstring path = folder.File(L"photo.bin");
  ASSERT_TRUE(WriteFileBytes(path, PatternBytes(64 * 1024)));
  std::atomic<int> stop{0};
  std::wstring why;
  const VipsSourcePtr source = OpenFileSource(path, &stop, why);
  ASSERT_TRUE(source) << why;
  char some[16] = {};
  ASSERT_EQ(vips_source_read(source.get(), some, sizeof(some)), static_cast<gint64>(sizeof(some)));
  stop = 1;
  EXPECT_EQ(vips_source_read(source.get(), some, sizeof(some)), -1);
  EXPECT_EQ(vips_source_seek(source.get(), 0, SEEK_SET), -1);
}

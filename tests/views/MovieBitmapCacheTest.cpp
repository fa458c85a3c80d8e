#include <gtest/gtest.h>

#include <windows.h>

#include "views/BitmapHelpers.h"
#include "views/MovieBitmapChcheBase.h"

namespace {

GpBitmapPtr Thumbnail() { return CreateBlankBitmap(192, 144, kThumbnailPixelFormat); }

// Fills keys 0..799 in this order: key 0 is the least recently used.
void Fill(MovieBitmapChcheBase_CL& cache) {
  for (int key = 0; key < 800; ++key) ASSERT_EQ(cache.Store(key, Thumbnail()), 0);
}

// Private memory committed in the process, summed over its address space.
SIZE_T PrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION info{};
  for (const char* address = nullptr; VirtualQuery(address, &info, sizeof(info)) == sizeof(info);
       address = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
  }
  return total;
}

}  // namespace

TEST(ThumbnailCache, The801stKeyEvictsTheLeastRecentlyUsed) {
  MovieBitmapChcheBase_CL cache;
  Fill(cache);
  ASSERT_NE(cache.Find(0), nullptr);  // key 0 becomes the most recent, key 1 the least
  ASSERT_EQ(cache.Store(800, Thumbnail()), 0);
  EXPECT_EQ(cache.Count(), 800u);
  EXPECT_EQ(cache.Find(1), nullptr);
  EXPECT_NE(cache.Find(0), nullptr);
  EXPECT_NE(cache.Find(800), nullptr);
}

TEST(ThumbnailCache, StoringAPresentKeyReplacesItAndMakesItMostRecent) {
  MovieBitmapChcheBase_CL cache;
  Fill(cache);
  GpBitmapPtr replacement = Thumbnail();
  GpBitmap* const raw = replacement.get();
  ASSERT_EQ(cache.Store(0, std::move(replacement)), 0);
  EXPECT_EQ(cache.Count(), 800u);
  cache.Store(800, Thumbnail());
  EXPECT_EQ(cache.Find(0), raw);
  EXPECT_EQ(cache.Find(1), nullptr);
}

TEST(ThumbnailCache, EvictedAndReplacedBitmapsAreDestroyed) {
  const SIZE_T start = PrivateBytes();
  MovieBitmapChcheBase_CL cache;
  Fill(cache);
  const SIZE_T full = PrivateBytes();
  for (int key = 800; key < 3000; ++key) cache.Store(key, Thumbnail());  // 2200 evictions
  for (int i = 0; i < 2000; ++i) cache.Store(5, Thumbnail());             // 2000 replacements
  const SIZE_T after = PrivateBytes();
  // 4200 leaked thumbnails would be 230 MB; the 800 the cache holds are about 44 MB.
  EXPECT_GT(full - start, 20u << 20);
  EXPECT_LT(after > full ? after - full : 0, 20u << 20);
}

TEST(ThumbnailCache, FindSkipsEmptyEntriesAndRemoveReportsAMissingKey) {
  MovieBitmapChcheBase_CL cache;
  cache.Store(1, GpBitmapPtr());
  EXPECT_EQ(cache.Find(1), nullptr);
  EXPECT_EQ(cache.Remove(1), 0);
  EXPECT_EQ(cache.Remove(1), static_cast<int>(E_FAIL));
  EXPECT_EQ(cache.Count(), 0u);
}

#include <gtest/gtest.h>

#include "base/Owned.h"

TEST(Owned, ClosesKernelHandleWhenReplacedOrDestroyed) {
  HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    KernelHandle event(raw);
    KernelHandle moved(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_EQ(moved.get(), raw);
  }
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "the handle must be closed by its owner";
}

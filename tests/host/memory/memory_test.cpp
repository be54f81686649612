// The host's memory services and their test hooks.
#include <cstring>

#include "host/memory/memory.h"
#include "host/all_services.h"
#include "tests/support/host_fixture.h"

namespace {

class HostMemory : public testsupport::InProcessHost {};

TEST_F(HostMemory, BlocksAreCountedUntilGivenBack) {
  EXPECT_EQ(host::OutstandingBlocks(), 0);
  auto* small = static_cast<unsigned char*>(host::HostAllocBlock(1, 1000));
  void* plain = host::HostAlloc(10);
  ASSERT_NE(small, nullptr);
  ASSERT_NE(plain, nullptr);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(small[i], 0) << "small blocks are zeroed";
  EXPECT_EQ(host::OutstandingBlocks(), 2);
  EXPECT_EQ(host::AllocationCount(), 2);
  EXPECT_EQ(host::HostFree(small), 0);
  EXPECT_EQ(host::HostFree(plain), 0);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

TEST_F(HostMemory, FreeingNullIsHarmlessAndAStrangePointerIsReportedNotFollowed) {
  EXPECT_EQ(host::HostFree(nullptr), 0);
  int local = 0;
  EXPECT_EQ(host::HostFree(&local), -1);
  void* block = host::HostAlloc(8);
  EXPECT_EQ(host::HostFree(block), 0);
  EXPECT_EQ(host::HostFree(block), -1);  // given back twice
  EXPECT_EQ(host::UnknownFrees(), 2);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

TEST_F(HostMemory, TheNthRequestFailsOnce) {
  void* before = host::HostAlloc(4);
  host::FailAllocation(2);
  void* first = host::HostAllocBlock(1, 16);
  void* second = host::HostAlloc(16);
  void* third = host::HostAllocBlock(1, 16);
  EXPECT_NE(first, nullptr);
  EXPECT_EQ(second, nullptr);
  EXPECT_NE(third, nullptr);
  EXPECT_EQ(host::AllocationCount(), 4);
  EXPECT_EQ(host::OutstandingBlocks(), 3);
  host::FailAllocation(0);
  for (void* block : {before, first, third}) host::HostFree(block);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

TEST_F(HostMemory, SizesOutOfRangeAreRefused) {
  EXPECT_EQ(host::HostAlloc(0), nullptr);
  EXPECT_EQ(host::HostAllocBlock(1, -5), nullptr);
  EXPECT_EQ(host::HostAllocBlock(1, 1024 * 1024 * 1024 + 1), nullptr);
  EXPECT_EQ(host::HostAlloc(1024 * 1024 * 1024 + 1), nullptr);
  EXPECT_EQ(host::OutstandingBlocks(), 0);
}

// The format buffer's size comes round for every piece: it is reused, starting and ending
// with a NUL.
TEST_F(HostMemory, LargeBlocksAreReusedWithAnEmptyTextInThem) {
  constexpr int kSize = 205825;
  auto* block = static_cast<char*>(host::HostAllocBlock(1, kSize));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block[0], '\0');
  EXPECT_EQ(block[kSize - 1], '\0');
  std::memset(block, 'x', kSize);
  host::HostFree(block);
  auto* again = static_cast<char*>(host::HostAllocBlock(1, kSize));
  EXPECT_EQ(again, block);
  EXPECT_EQ(again[0], '\0');
  EXPECT_EQ(again[kSize - 1], '\0');
  EXPECT_EQ(host::OutstandingBlocks(), 1);
  host::HostFree(again);
}

TEST_F(HostMemory, ASessionResetForgetsBlocksAndHooks) {
  host::HostAlloc(4);
  host::FailAllocation(1);
  host::ResetHost(host::options());
  EXPECT_EQ(host::OutstandingBlocks(), 0);
  EXPECT_EQ(host::AllocationCount(), 0);
  void* block = host::HostAlloc(4);
  EXPECT_NE(block, nullptr);
  host::HostFree(block);
}

}  // namespace

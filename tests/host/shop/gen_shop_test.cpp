// The shop generator: deterministic for a seed, and what it writes is a shop the host reads.
#include "host/shop/shop_loader.h"
#include "host/shop/csv_reader.h"
#include "host/tables/table_store.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"
#include "tools/commands.h"

namespace {

using testsupport::ReadBytes;

class GenShop : public testsupport::InProcessHost {};

TEST_F(GenShop, TheSameSeedGivesTheSameShop) {
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(RunGenShop(folder / "a", 2000, 42u), 0);
  ASSERT_EQ(RunGenShop(folder / "b", 2000, 42u), 0);
  ASSERT_EQ(RunGenShop(folder / "c", 2000, 43u), 0);
  std::string said = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(said.find("wrote 2000 receipts"), std::string::npos) << said;
  EXPECT_NE(said.find("seed 42"), std::string::npos) << said;
  for (const char* file : {"receipts.csv", "lines.csv"}) {
    std::string a = ReadBytes(folder / "a" / file);
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, ReadBytes(folder / "b" / file)) << file;
    EXPECT_NE(a, ReadBytes(folder / "c" / file)) << file;
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "a" / "receipts.csv.part"));
}

TEST_F(GenShop, WritesARealisticShopThatLoads) {
  options.today = "10.05.26";
  StartSession();
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(RunGenShop(folder, 5000, 7u), 0);
  std::string said = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(said.find("11.04.26 to 10.05.26"), std::string::npos) << said;

  auto error = host::LoadShop(folder);
  ASSERT_FALSE(error) << error->Text();
  EXPECT_EQ(host::StoredReceipts(), 5000u);
  EXPECT_GT(host::StoredLines(), 4u * 5000);
  EXPECT_LT(host::StoredLines(), 6u * 5000);

  std::string receipts = ReadBytes(folder / "receipts.csv");
  auto count = [&](const std::string& what) {
    std::size_t n = 0;
    for (auto at = receipts.find(what); at != std::string::npos; at = receipts.find(what, at + 1)) ++n;
    return n;
  };
  std::size_t cards = count("Karta: 77") + count("Karta:77");
  EXPECT_GT(cards, 5000u * 25 / 100);
  EXPECT_LT(cards, 5000u * 40 / 100);
  EXPECT_GT(count("karta: 77"), 0u);
  EXPECT_GT(count(",10.05.26,"), 0u);
  for (int reg = 1; reg <= 5; ++reg) EXPECT_GT(count("\n" + std::to_string(reg) + ","), 100u);
  // Only the selected registers make it into the tables.
  std::array<bool, 10> first{};
  first[0] = true;
  const host::Selection selection = host::SelectRegisters(first);
  EXPECT_LT(selection.receipts, 5000u / 2);
  EXPECT_GT(selection.receipts, 5000u / 5);
}

TEST_F(GenShop, RefusesANegativeCount) {
  ::testing::internal::CaptureStderr();
  EXPECT_NE(RunGenShop(folder / "x", -1, 1u), 0);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("--receipts"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(folder / "x"));
}

}  // namespace

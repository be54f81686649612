// Scans over tables 44 and 45 as the report file writer and the receipt total run them.
#include "export/record_layout.h"
#include "host/all_services.h"
#include "host/shop/shop_loader.h"
#include "host/shop/csv_reader.h"
#include "host/tables/table_store.h"
#include "host/tables/tables.h"
#include "tests/support/files.h"
#include "tests/support/host_fixture.h"

namespace {

using testsupport::WriteShop;

class Scans : public testsupport::InProcessHost {
 protected:
  void SetUp() override {
    InProcessHost::SetUp();
    options.shopDir = WriteShop(folder,
        "1,30,C,02.03.26,5,,0,0\n"
        "1,10,A,01.03.26,5,,1,0\n"
        "1,20,B,01.03.26,5,,0,0\n"
        "1,40,D,03.03.26,5,,0,0\n",
        "20,201,1,0,1,1\n"
        "10,101,1,0,1,1\n"
        "30,301,1,0,1,1\n"
        "20,202,1,0,1,1\n"
        "10,102,1,0,1,1\n"
        "20,203,1,0,1,1\n");
    StartSession();
    short flags[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    host::HostCashRegisterSelect(flags, 10);
    ASSERT_EQ(host::HostCashRegisterRead(1, 0), 1);
    receipts_ = static_cast<host::TableDescriptor*>(host::HostOpenTable(44));
    lines_ = static_cast<host::TableDescriptor*>(host::HostOpenTable(45));
    ASSERT_NE(receipts_, nullptr);
    ASSERT_NE(lines_, nullptr);
    EXPECT_EQ(host::HostPrepareTable(receipts_, 255), 1);
    EXPECT_EQ(host::HostPrepareTable(lines_, 255), 1);
  }

  // The itemRefs of a receipt's lines, through index 68.
  std::vector<int> LinesOf(int receiptId, int* begun = nullptr) {
    alignas(8) unsigned char state[kScanStateSize];
    unsigned char key[kScanKeySize];
    EXPECT_EQ(host::HostMakeKey(68, 0, key, receiptId), 1);
    int started = host::HostScanBegin(state, lines_, 68, key, 0, 0);
    if (begun != nullptr) *begun = started;
    std::vector<int> items;
    while (started != 0 && host::HostScanNext(state) == 1) {
      items.push_back(At<std::int32_t>(Buffer(lines_), tspr_dok::kItemRef));
    }
    host::HostScanEnd(state);
    return items;
  }

  static std::vector<std::uint8_t> Buffer(const host::TableDescriptor* table) {
    return std::vector<std::uint8_t>(table->recordBuffer, table->recordBuffer + table->recordSize);
  }

  host::TableDescriptor* receipts_ = nullptr;
  host::TableDescriptor* lines_ = nullptr;
};

TEST_F(Scans, Index68DeliversExactlyTheLinesOfOneReceipt) {
  EXPECT_EQ(LinesOf(20), (std::vector<int>{201, 202, 203}));
  EXPECT_EQ(LinesOf(10), (std::vector<int>{101, 102}));
  EXPECT_EQ(LinesOf(30), (std::vector<int>{301}));
  int begun = -1;
  EXPECT_TRUE(LinesOf(40, &begun).empty());  // a receipt without lines
  EXPECT_EQ(begun, 0);
  EXPECT_TRUE(LinesOf(99, &begun).empty());  // no such receipt
  EXPECT_EQ(begun, 0);
}

TEST_F(Scans, NestedLineScansLeaveTheReceiptBufferAlone) {
  alignas(8) unsigned char state[kScanStateSize];
  unsigned char key[kScanKeySize];
  ASSERT_EQ(host::HostMakeKey(24, 0, key, 0), 1);
  ASSERT_EQ(host::HostScanBegin(state, receipts_, 24, key, 0, 0), 1);
  std::string order;
  std::vector<int> lineCounts;
  while (host::HostScanNext(state) == 1) {
    auto before = Buffer(receipts_);
    int id = At<std::int32_t>(before, tspr::kReceiptId);
    lineCounts.push_back(static_cast<int>(LinesOf(id).size()));
    EXPECT_EQ(Buffer(receipts_), before) << "receipt " << id;
    order += TextAt(before, tspr::kDocumentNumber);
  }
  EXPECT_EQ(host::HostScanNext(state), 0);  // stays at the end
  EXPECT_EQ(host::HostScanEnd(state), 1);
  EXPECT_EQ(order, "ABCD");
  EXPECT_EQ(lineCounts, (std::vector<int>{2, 3, 1, 0}));
}

TEST_F(Scans, TwoScansOfOneTableKeepTheirOwnPlace) {
  alignas(8) unsigned char first[kScanStateSize];
  alignas(8) unsigned char second[kScanStateSize];
  unsigned char key[kScanKeySize];
  host::HostMakeKey(24, 0, key, 0);
  ASSERT_EQ(host::HostScanBegin(first, receipts_, 24, key, 0, 0), 1);
  ASSERT_EQ(host::HostScanNext(first), 1);
  ASSERT_EQ(host::HostScanBegin(second, receipts_, 24, key, 0, 0), 1);
  int count = 0;
  while (host::HostScanNext(second) == 1) ++count;
  EXPECT_EQ(count, 4);
  ASSERT_EQ(host::HostScanNext(first), 1);
  EXPECT_EQ(TextAt(Buffer(receipts_), tspr::kDocumentNumber), "B");
  host::HostScanEnd(first);
  host::HostScanEnd(second);
}

TEST_F(Scans, BadArgumentsAreRefusedSafely) {
  alignas(8) unsigned char state[kScanStateSize];
  unsigned char key24[kScanKeySize];
  unsigned char key68[kScanKeySize];
  host::HostMakeKey(24, 0, key24, 0);
  host::HostMakeKey(68, 0, key68, 10);
  unsigned char other[kScanKeySize];
  EXPECT_EQ(host::HostMakeKey(99, 0, other, 1), 0);

  EXPECT_EQ(host::HostScanBegin(state, lines_, 24, key24, 0, 0), 0);     // index of another table
  EXPECT_EQ(host::HostScanNext(state), 0);
  EXPECT_EQ(host::HostScanBegin(state, receipts_, 24, key68, 0, 0), 0);  // key of another index
  EXPECT_EQ(host::HostScanBegin(state, receipts_, 24, other, 0, 0), 0);
  EXPECT_EQ(host::HostScanBegin(state, receipts_, 24, nullptr, 0, 0), 0);
  EXPECT_EQ(host::HostScanBegin(state, receipts_, 24, key24, 1, 0), 0);
  int notATable[8] = {};
  EXPECT_EQ(host::HostScanBegin(state, notATable, 24, key24, 0, 0), 0);
  EXPECT_EQ(host::HostScanBegin(nullptr, receipts_, 24, key24, 0, 0), 0);
  EXPECT_EQ(host::HostPrepareTable(notATable, 255), 0);
  EXPECT_EQ(host::HostPrepareTable(receipts_, 0), 0);
  EXPECT_EQ(host::HostScanEnd(state), 0);
  EXPECT_FALSE(Events("scan-refused").empty());

  // A state block that never held a scan, and one whose scan has ended.
  unsigned char garbage[kScanStateSize];
  std::memset(garbage, 0x5A, sizeof garbage);
  EXPECT_EQ(host::HostScanNext(garbage), 0);
  EXPECT_EQ(host::HostScanEnd(garbage), 0);
  ASSERT_EQ(host::HostScanBegin(state, receipts_, 24, key24, 0, 0), 1);
  EXPECT_EQ(host::HostScanEnd(state), 1);
  EXPECT_EQ(host::HostScanNext(state), 0);
  EXPECT_EQ(host::HostScanEnd(state), 0);
}

TEST_F(Scans, ReadingTheRegistersAgainEndsOlderScans) {
  alignas(8) unsigned char state[kScanStateSize];
  unsigned char key[kScanKeySize];
  host::HostMakeKey(24, 0, key, 0);
  ASSERT_EQ(host::HostScanBegin(state, receipts_, 24, key, 0, 0), 1);
  ASSERT_EQ(host::HostCashRegisterRead(1, 0), 1);
  EXPECT_EQ(host::HostScanNext(state), 0);
  host::HostScanEnd(state);
}

}  // namespace

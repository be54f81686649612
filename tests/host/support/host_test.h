// A fresh host session and a folder of its own for each test, with helpers to write a shop.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/session/plugin_session.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "kronilog-exporthost-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    Reset();
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // A fresh session with the test's options (quiet terminal unless a test wants otherwise).
  void Reset() {
    options_.quietTerminal = true;
    options_.instantSleep = true;
    host::ResetHost(options_);
  }

  static void WriteAll(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }
  static std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  static constexpr const char* kReceiptHeader =
      "register,receiptId,documentNumber,saleDate,saleTime,remark,amountFlags,stateMarker\n";
  static constexpr const char* kLineHeader =
      "receiptId,itemRef,lineAmountA,lineAmountB,goodsGroup,lineState\n";

  // Writes a shop (rows without their header) into the test folder and returns the folder.
  std::filesystem::path WriteShop(const std::string& receiptRows, const std::string& lineRows) {
    WriteAll(folder_ / "receipts.csv", kReceiptHeader + receiptRows);
    WriteAll(folder_ / "lines.csv", kLineHeader + lineRows);
    return folder_;
  }

  // The journal events of one kind since the session began.
  static std::vector<nlohmann::json> Events(const std::string& kind) {
    std::vector<nlohmann::json> found;
    for (const auto& event : host::JournalEntries()) {
      if (event.value("event", "") == kind) found.push_back(event);
    }
    return found;
  }

  template <typename T>
  static T At(const std::vector<std::uint8_t>& record, std::size_t offset) {
    T value{};
    std::memcpy(&value, record.data() + offset, sizeof value);
    return value;
  }
  static std::string TextAt(const std::vector<std::uint8_t>& record, std::size_t offset) {
    return std::string(reinterpret_cast<const char*>(record.data() + offset));
  }

  host::Options options_;
  std::filesystem::path folder_;
};

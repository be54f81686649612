// The host emulator in this process, one fresh session a test, in a work folder of its own
// that is the current directory. Host tests use InProcessHost as it is; PluginInProcess also
// binds the plug-in's host service slots (its code linked into the test) to module WARNIK;
// GoldenShopSession does that on the golden shop with a fixed clock and seed.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "host/session/session_options.h"
#include "tests/support/work_folder.h"

namespace testsupport {

class InProcessHost : public ::testing::Test {
 protected:
  InProcessHost();
  void SetUp() override;
  void TearDown() override;

  // A fresh host session with `options` (and, when the plug-in is bound, WARNIK registered
  // again and every slot bound anew); the work folder stays.
  void StartSession();
  // The same with these options, made quiet and without waits.
  void StartSession(host::Options fresh);
  // A new empty work folder, then StartSession().
  void FreshFolder();

  // The session's journal events of one kind, in order; the "text" of each.
  static std::vector<nlohmann::json> Events(const std::string& kind);
  static std::vector<std::string> Texts(const std::string& kind);

  // A field of a host record (as host::TableRecord gives it) at its offset: a value, a text.
  template <typename T>
  static T At(const std::vector<std::uint8_t>& record, std::size_t offset) {
    T value{};
    std::memcpy(&value, record.data() + offset, sizeof value);
    return value;
  }
  static std::string TextAt(const std::vector<std::uint8_t>& record, std::size_t offset) {
    return std::string(reinterpret_cast<const char*>(record.data() + offset));
  }

  // Nothing on the terminal, waits journalled instead of slept; a test may change them and
  // call StartSession().
  host::Options options;
  std::filesystem::path folder;  // the work folder, the current directory
  bool bindPlugin = false;       // set by a fixture's constructor

 private:
  std::optional<WorkFolder> work_;
};

class PluginInProcess : public InProcessHost {
 protected:
  PluginInProcess() { bindPlugin = true; }
};

// The golden shop, 15.03.26 10:20:30, seed 7.
class GoldenShopSession : public PluginInProcess {
 protected:
  GoldenShopSession();
  // Every cash register selected and read, through the plug-in's slots.
  static void ReadAllRegisters();
  // The place of a receipt in table 44 (index 24's order), and its record as the host holds it.
  static std::size_t ReceiptPlace(std::int32_t id);
  static std::vector<std::uint8_t> Receipt(std::int32_t id);
};

}  // namespace testsupport

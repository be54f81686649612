#include "tests/support/host_fixture.h"

#include "export/record_layout.h"
#include "binding/host_api.h"
#include "binding/host_binding.h"
#include "binding/plugin_state.h"
#include "host/session/journal.h"
#include "host/system/module_registration.h"
#include "host/tables/table_store.h"
#include "tests/support/files.h"

namespace testsupport {

namespace {

host::Options Quiet(host::Options options) {
  options.quietTerminal = true;
  options.instantSleep = true;
  return options;
}

}  // namespace

InProcessHost::InProcessHost() : options(Quiet({})) {}

void InProcessHost::SetUp() { FreshFolder(); }

void InProcessHost::TearDown() {
  if (bindPlugin) {
    host::UnregisterWarnikModule();
    hostModule = nullptr;
    ResetHostBinding();
  }
  // The session ends: the host lets go of what it kept (open files, blocks, fault hooks).
  host::ResetHost(Quiet({}));
  work_.reset();
}

void InProcessHost::StartSession() {
  host::ResetHost(options);
  if (!bindPlugin) return;
  hostModule = host::RegisterWarnikModule();
  ASSERT_NE(hostModule, nullptr);
  ResetHostBinding();
  ASSERT_EQ(BindAllHostServices(), 0);
}

void InProcessHost::StartSession(host::Options fresh) {
  options = Quiet(std::move(fresh));
  StartSession();
}

void InProcessHost::FreshFolder() {
  work_.reset();
  work_.emplace();
  folder = work_->path();
  StartSession();
}

std::vector<nlohmann::json> InProcessHost::Events(const std::string& kind) {
  std::vector<nlohmann::json> found;
  for (const auto& event : host::JournalEntries()) {
    if (event.value("event", "") == kind) found.push_back(event);
  }
  return found;
}

std::vector<std::string> InProcessHost::Texts(const std::string& kind) {
  std::vector<std::string> texts;
  for (const auto& event : Events(kind)) texts.push_back(event.value("text", ""));
  return texts;
}

GoldenShopSession::GoldenShopSession() {
  options.shopDir = GoldenShop();
  options.today = "15.03.26";
  options.now = "10:20:30";
  options.seed = 7;
}

void GoldenShopSession::ReadAllRegisters() {
  short flags[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  HostCashRegisterSelect(flags, 10);
  HostCashRegisterRead(1, 0);
}

std::size_t GoldenShopSession::ReceiptPlace(std::int32_t id) {
  for (std::size_t place = 0; place < host::TableRecordCount(tspr::kTable); ++place) {
    if (At<std::int32_t>(host::TableRecord(tspr::kTable, place), tspr::kReceiptId) == id) return place;
  }
  ADD_FAILURE() << "no receipt " << id;
  return 0;
}

std::vector<std::uint8_t> GoldenShopSession::Receipt(std::int32_t id) {
  return host::TableRecord(tspr::kTable, ReceiptPlace(id));
}

}  // namespace testsupport

#include "tests/reliability/support.h"

#include <libxml/parser.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

#include "frame/host_binding.h"
#include "frame/plugin_state.h"
#include "host/files/files.h"
#include "host/memory/memory.h"
#include "host/session/plugin_session.h"
#include "host/session/journal.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"
#include "host/settings/settings_service.h"
#include "host/settings/known_settings.h"

namespace reliability {

namespace fs = std::filesystem;

void IgnoreXmlError(void*, const char*, ...) {}

fs::path GoldenShop() { return fs::path(KRONILOG_SOURCE_DIR) / "tests" / "export" / "data" / "golden_shop"; }

void Reliability::SetUp() {
  previous_ = fs::current_path();
  options.shopDir = GoldenShop();
  options.today = "15.03.26";
  options.now = "10:20:30";
  options.seed = 7;
  options.instantSleep = true;
  options.quietTerminal = true;
  FreshFolder();
}

void Reliability::TearDown() {
  host::FailAllocation(0);
  host::FailFileOpens("");
  host::FailSettingsWritesAfter(-1);
  host::UnregisterWarnikModule();
  hostModule = nullptr;
  ResetHostBinding();
  fs::current_path(previous_);
  std::error_code ignored;
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(folder, ignored);
}

void Reliability::FreshFolder() {
  std::error_code ignored;
  if (!folder.empty()) {
    fs::current_path(previous_);
    fs::remove_all(folder, ignored);
  }
  std::random_device random;
  folder = fs::temp_directory_path() / ("kronilog-reliability-" + std::to_string(random()));
  fs::create_directories(folder);
  fs::current_path(folder);
  options.outbox = folder / "outbox";
  Rebind();
}

void Reliability::Rebind() {
  host::ResetHost(options);
  hostModule = host::RegisterWarnikModule();
  ResetHostBinding();
  ASSERT_EQ(BindAllHostServices(), 0);
}

std::vector<nlohmann::json> Reliability::Events(const std::string& name) const {
  std::vector<nlohmann::json> events;
  for (const auto& event : host::JournalEntries()) {
    if (event.value("event", "") == name) events.push_back(event);
  }
  return events;
}

std::vector<std::string> Reliability::Texts(const std::string& event) const {
  std::vector<std::string> texts;
  for (const auto& e : Events(event)) texts.push_back(e.value("text", ""));
  return texts;
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteText(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
}

std::optional<std::string> Setting(const std::string& section, const std::string& key) {
  std::string value;
  if (host::ReadSettingText("Kronilog.ini", section, key, &value) != host::kIniOk) return std::nullopt;
  return value;
}

std::vector<fs::path> ReportFiles() {
  std::vector<fs::path> files;
  std::error_code error;
  if (!fs::is_directory("RAP_KART", error)) return files;
  for (const auto& entry : fs::directory_iterator("RAP_KART")) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

bool WellFormed(const std::string& xml) {
  static const bool quiet = (xmlSetGenericErrorFunc(nullptr, &IgnoreXmlError), true);
  (void)quiet;
  xmlDocPtr document = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "report.xml", nullptr,
                                     XML_PARSE_NONET);
  if (document == nullptr) return false;
  xmlFreeDoc(document);
  return true;
}

std::vector<std::string> ElementValues(const std::string& xml, const std::string& tag) {
  std::vector<std::string> values;
  const std::string open = "<" + tag + ">";
  const std::string close = "</" + tag + ">";
  for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1)) {
    std::size_t begin = at + open.size();
    std::size_t end = xml.find(close, begin);
    if (end == std::string::npos) break;
    values.push_back(xml.substr(begin, end - begin));
  }
  return values;
}

}  // namespace reliability

#include "tests/export/support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include "frame/host_binding.h"
#include "frame/plugin_state.h"
#include "host/session/plugin_session.h"
#include "host/session/journal.h"
#include "host/system/module_registration.h"
#include "host/system/platform_handlers.h"

namespace export_test {

namespace fs = std::filesystem;

fs::path DataDir() { return fs::path(KRONILOG_SOURCE_DIR) / "tests" / "export" / "data"; }

WorkFolder::WorkFolder() {
  std::random_device random;
  path_ = fs::temp_directory_path() / ("kronilog-export-" + std::to_string(random()));
  fs::create_directories(path_);
  previous_ = fs::current_path();
  fs::current_path(path_);
}

WorkFolder::~WorkFolder() {
  fs::current_path(previous_);
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void InProcessHost::SetUp() {
  folder.emplace();
  options.shopDir = DataDir() / "golden_shop";
  options.today = "15.03.26";
  options.now = "10:20:30";
  options.seed = 7;
  options.outbox = folder->path() / "outbox";
  options.instantSleep = true;
  options.quietTerminal = true;
  Rebind();
}

void InProcessHost::TearDown() {
  host::UnregisterWarnikModule();
  hostModule = nullptr;
  ResetHostBinding();
  folder.reset();
}

void InProcessHost::Rebind() {
  host::ResetHost(options);
  hostModule = host::RegisterWarnikModule();
  ResetHostBinding();
  ASSERT_EQ(BindAllHostServices(), 0);
}

std::vector<nlohmann::json> InProcessHost::Events(const std::string& name) const {
  std::vector<nlohmann::json> events;
  for (const auto& event : host::JournalEntries()) {
    if (event.value("event", "") == name) events.push_back(event);
  }
  return events;
}

RunResult RunWarnik(const std::vector<std::string>& arguments) {
  std::string command = "'" WARNIK_PATH "'";
  for (const auto& argument : arguments) {
    std::string quoted = "'";
    for (char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += " " + quoted + "'";
  }
  command += " </dev/null 2>&1";
  RunResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 4096> chunk;
  std::size_t got;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) result.output.append(chunk.data(), got);
  int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteText(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary);
  out << text;
}

std::optional<std::string> IniValue(const fs::path& file, const std::string& section,
                                    const std::string& key) {
  std::istringstream in(ReadText(file));
  std::string line;
  bool inSection = false;
  auto trim = [](std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r')) s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(s.begin());
    return s;
  };
  while (std::getline(in, line)) {
    line = trim(line);
    if (!line.empty() && line.front() == '[') {
      inSection = line == "[" + section + "]";
      continue;
    }
    auto equals = line.find('=');
    if (inSection && equals != std::string::npos && trim(line.substr(0, equals)) == key) {
      return trim(line.substr(equals + 1));
    }
  }
  return std::nullopt;
}

std::vector<fs::path> ReportFiles() {
  std::vector<fs::path> files;
  if (!fs::is_directory("RAP_KART")) return files;
  for (const auto& entry : fs::directory_iterator("RAP_KART")) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

namespace {
void CollectError(void* context, const char* format, ...) {
  char text[1024];
  va_list values;
  va_start(values, format);
  std::vsnprintf(text, sizeof text, format, values);
  va_end(values);
  *static_cast<std::string*>(context) += text;
}
}  // namespace

std::string SchemaErrors(const fs::path& report) {
  std::string errors;
  xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(KRONILOG_SOURCE_DIR "/docs/kronilog-report.xsd");
  xmlSchemaSetParserErrors(parser, &CollectError, &CollectError, &errors);
  xmlSchemaPtr schema = xmlSchemaParse(parser);
  xmlSchemaFreeParserCtxt(parser);
  if (schema == nullptr) return "the schema does not parse: " + errors;
  xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(schema);
  xmlSchemaSetValidErrors(validator, &CollectError, &CollectError, &errors);
  int result = xmlSchemaValidateFile(validator, report.c_str(), 0);
  xmlSchemaFreeValidCtxt(validator);
  xmlSchemaFree(schema);
  if (result != 0 && errors.empty()) errors = "not valid (" + std::to_string(result) + ")";
  return errors;
}

std::vector<std::string> ElementValues(const std::string& report, const std::string& tag) {
  std::vector<std::string> values;
  const std::string open = "<" + tag + ">", close = "</" + tag + ">";
  for (std::size_t at = report.find(open); at != std::string::npos; at = report.find(open, at)) {
    at += open.size();
    std::size_t end = report.find(close, at);
    if (end == std::string::npos) break;
    values.push_back(report.substr(at, end - at));
  }
  return values;
}

std::vector<nlohmann::json> JournalEvents(const fs::path& journal, const std::string& name) {
  std::vector<nlohmann::json> events;
  std::istringstream in(ReadText(journal));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    auto event = nlohmann::json::parse(line, nullptr, false);
    if (!event.is_discarded() && event.value("event", "") == name) events.push_back(event);
  }
  return events;
}

}  // namespace export_test

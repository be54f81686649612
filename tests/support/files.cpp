#include "tests/support/files.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

namespace testsupport {

namespace fs = std::filesystem;

std::string ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Listing(const fs::path& folder) {
  std::vector<std::string> all;
  for (const auto& entry : fs::directory_iterator(folder)) all.push_back(entry.path().filename().string());
  std::sort(all.begin(), all.end());
  std::string names;
  for (const auto& name : all) names += name + ";";
  return names;
}

std::optional<std::string> IniValue(const fs::path& file, const std::string& section,
                                    const std::string& key) {
  // A line ends at LF, CR LF or a lone CR.
  std::string text = ReadBytes(file);
  std::replace(text.begin(), text.end(), '\r', '\n');
  std::istringstream in(text);
  std::string line;
  bool inSection = false;
  auto trim = [](std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
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
  std::error_code error;
  if (!fs::is_directory("RAP_KART", error)) return files;
  for (const auto& entry : fs::directory_iterator("RAP_KART")) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<std::string> ElementValues(const std::string& xml, const std::string& tag) {
  std::vector<std::string> values;
  const std::string open = "<" + tag + ">";
  const std::string close = "</" + tag + ">";
  for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1)) {
    const std::size_t begin = at + open.size();
    const std::size_t end = xml.find(close, begin);
    if (end == std::string::npos) break;
    values.push_back(xml.substr(begin, end - begin));
  }
  return values;
}

std::vector<nlohmann::json> JournalEvents(const fs::path& journal, const std::string& kind) {
  std::vector<nlohmann::json> events;
  std::istringstream in(ReadBytes(journal));
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    auto event = nlohmann::json::parse(line, nullptr, false);
    if (event.is_object() && event.value("event", "") == kind) events.push_back(event);
  }
  return events;
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

void IgnoreError(void*, const char*, ...) {}

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
  const int result = xmlSchemaValidateFile(validator, report.c_str(), 0);
  xmlSchemaFreeValidCtxt(validator);
  xmlSchemaFree(schema);
  if (result != 0 && errors.empty()) errors = "not valid (" + std::to_string(result) + ")";
  return errors;
}

bool WellFormed(const std::string& xml) {
  static const bool quiet = (xmlSetGenericErrorFunc(nullptr, &IgnoreError), true);
  (void)quiet;
  xmlDocPtr document = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "report.xml", nullptr,
                                     XML_PARSE_NONET);
  if (document == nullptr) return false;
  xmlFreeDoc(document);
  return true;
}

fs::path WriteShop(const fs::path& folder, const std::string& receiptRows, const std::string& lineRows) {
  fs::create_directories(folder);
  WriteBytes(folder / "receipts.csv", kReceiptHeader + receiptRows);
  WriteBytes(folder / "lines.csv", kLineHeader + lineRows);
  return fs::absolute(folder);
}

fs::path GoldenShop() { return fs::path(KRONILOG_SOURCE_DIR) / "tests" / "export" / "data" / "golden_shop"; }

}  // namespace testsupport

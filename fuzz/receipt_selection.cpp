// The plug-in's receipt selection on arbitrary record bytes: the golden shop is loaded into
// tables 44 and 45, then the first sales record (and, with more input, the first sales lines)
// is replaced by the input, and the report file writer runs over the whole table. The report
// it writes must be valid against docs/kronilog-report.xsd, and every host block and file
// must be given back.
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "export/record_layout.h"
#include "export/report_file.h"
#include "frame/host_api.h"
#include "fuzz/support.h"
#include "host/tables.h"

namespace {

void IgnoreXmlError(void*, const char*, ...) {}

// The report's schema, loaded once.
xmlSchemaPtr ReportSchema() {
  static xmlSchemaPtr schema = [] {
    xmlSchemaParserCtxtPtr parser =
        xmlSchemaNewParserCtxt(KRONILOG_SOURCE_DIR "/docs/kronilog-report.xsd");
    xmlSchemaPtr loaded = xmlSchemaParse(parser);
    xmlSchemaFreeParserCtxt(parser);
    if (loaded == nullptr) {
      std::fprintf(stderr, "the report schema cannot be read\n");
      std::abort();
    }
    return loaded;
  }();
  return schema;
}

std::string ReadReport() {
  for (const auto& entry : std::filesystem::directory_iterator("RAP_KART")) {
    std::ifstream in(entry.path(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool quietXml = (xmlSetGenericErrorFunc(nullptr, &IgnoreXmlError), true);
  (void)quietXml;
  fuzz::BindToEmulator(fuzz::QuietOptions());
  std::error_code ignored;
  std::filesystem::remove_all("RAP_KART", ignored);
  short flags[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  HostCashRegisterSelect(flags, 10);
  HostCashRegisterRead(1, 0);

  auto& receipts = host::TableRecords(tspr::kTable);
  auto& lines = host::TableRecords(tspr_dok::kTable);
  if (receipts.empty()) std::abort();
  std::size_t used = size < receipts[0].size() ? size : receipts[0].size();
  std::memcpy(receipts[0].data(), data, used);
  for (std::size_t i = 0; used < size && i < lines.size(); ++i) {
    std::size_t piece = size - used < lines[i].size() ? size - used : lines[i].size();
    std::memcpy(lines[i].data(), data + used, piece);
    used += piece;
  }

  if (BuildReportFile(1, "", "") != 1) {
    std::fprintf(stderr, "the report was not written\n");
    std::abort();
  }
  fuzz::CheckNothingLeft("report");
  std::string report = ReadReport();
  xmlDocPtr document = xmlReadMemory(report.data(), static_cast<int>(report.size()), "report.xml",
                                     nullptr, XML_PARSE_NONET);
  if (document == nullptr) {
    std::fprintf(stderr, "the report is not well-formed XML:\n%s\n", report.c_str());
    std::abort();
  }
  xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(ReportSchema());
  const int invalid = xmlSchemaValidateDoc(validator, document);
  xmlSchemaFreeValidCtxt(validator);
  xmlFreeDoc(document);
  if (invalid != 0) {
    std::fprintf(stderr, "the report fails its schema:\n%s\n", report.c_str());
    std::abort();
  }
  return 0;
}

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
#include <vector>

#include "export/record_layout.h"
#include "export/report_file.h"
#include "binding/host_api.h"
#include "fuzz/support.h"
#include "host/tables/tables.h"
#include "host/tables/table_store.h"

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

  // The input's bytes over the first record of table 44 and then over the first lines, each
  // put into the host's table whole.
  if (host::TableRecordCount(tspr::kTable) == 0) std::abort();
  std::vector<std::uint8_t> receipt = host::TableRecord(tspr::kTable, 0);
  std::size_t used = size < receipt.size() ? size : receipt.size();
  std::memcpy(receipt.data(), data, used);
  host::PutTableRecord(tspr::kTable, 0, receipt);
  for (std::size_t i = 0; used < size && i < host::TableRecordCount(tspr_dok::kTable); ++i) {
    std::vector<std::uint8_t> line = host::TableRecord(tspr_dok::kTable, i);
    std::size_t piece = size - used < line.size() ? size - used : line.size();
    std::memcpy(line.data(), data + used, piece);
    host::PutTableRecord(tspr_dok::kTable, i, line);
    used += piece;
  }

  if (BuildReportFile(ExportTrigger::kMenu, "", "") != 1) {
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

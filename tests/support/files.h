// What the tests read and write on disk, written once: a file's bytes, a key of an INI file,
// the report files, the values of an XML element, a journal file's events, the report schema
// and well-formedness, a shop folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace testsupport {

// The whole file; empty when it cannot be read.
std::string ReadBytes(const std::filesystem::path& file);
// The file made anew with exactly these bytes.
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

// The names in a folder, sorted, each followed by ';'.
std::string Listing(const std::filesystem::path& folder = ".");

// The value of key=value under [section] of an INI file (lines ending at LF, CR LF or CR), blanks
// around both trimmed; nothing when the file, the section or the key is not there.
std::optional<std::string> IniValue(const std::filesystem::path& file, const std::string& section,
                                    const std::string& key);

// The report files in RAP_KART of the current folder, sorted by name.
std::vector<std::filesystem::path> ReportFiles();

// Every <tag>value</tag> of an XML text, in order.
std::vector<std::string> ElementValues(const std::string& xml, const std::string& tag);

// The events of one kind in a journal file (one JSON object a line).
std::vector<nlohmann::json> JournalEvents(const std::filesystem::path& journal, const std::string& kind);

// Empty when the file is valid against docs/kronilog-report.xsd; otherwise libxml2's errors.
std::string SchemaErrors(const std::filesystem::path& report);
// True when the text is well-formed XML.
bool WellFormed(const std::string& xml);

// A shop's two files, as warnik's --shop reads them: the header lines and the given rows.
inline constexpr char kReceiptHeader[] =
    "register,receiptId,documentNumber,saleDate,saleTime,remark,amountFlags,stateMarker\n";
inline constexpr char kLineHeader[] = "receiptId,itemRef,lineAmountA,lineAmountB,goodsGroup,lineState\n";
// Writes receipts.csv and lines.csv (rows without their header) into the folder, made when
// missing; returns the folder as an absolute path.
std::filesystem::path WriteShop(const std::filesystem::path& folder, const std::string& receiptRows,
                                const std::string& lineRows);
// tests/export/data/golden_shop, the shop most tests export.
std::filesystem::path GoldenShop();

}  // namespace testsupport

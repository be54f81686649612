// The machine's limit for one export: the same receipts, loaded by the emulator's own shop
// loader into the same compact tables, walked directly in their arrays (no record is built),
// selected by the same rules, and the same report bytes written through one buffered writer;
// then the report encoded the way `base64 -w 72` does it. Only the walk and the encoding are
// timed; the load is reported apart.
//
//   baseline --shop DIR --settings Kronilog.ini --from dd.mm.yy --to dd.mm.yy
//            --today dd.mm.yy --now hh:mm:ss --report FILE --base64 FILE
//
// Prints one JSON object: load_s, walk_s, encode_s, receipts, lines, transactions,
// report_bytes, base64_bytes.
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "contract/settings_keys.h"
#include "host/texts/codepages.h"
#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "host/dates/calendar.h"
#include "host/shop/shop_loader.h"
#include "host/tables/table_store.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// The settings the export reads, from the same settings file (Mazovia, "key=value" lines).
struct Settings {
  long partner = 1;
  std::array<int, 15> excluded{};
  std::array<bool, 10> registers{};
};

bool ReadSettings(const std::string& path, Settings& settings) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  settings.excluded.fill(-1);
  std::map<std::string, std::string> values;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    auto eq = line.find('=');
    if (line.empty() || line[0] == ';' || line[0] == '[' || eq == std::string::npos) continue;
    values[line.substr(0, eq)] = line.substr(eq + 1);
  }
  auto number = [&](const std::string& key, long fallback) {
    auto it = values.find(key);
    return it == values.end() ? fallback : std::strtol(it->second.c_str(), nullptr, 10);
  };
  // The keys, their names and defaults, as the contract's table has them.
  settings.partner = number(kPartnerIdKey.key, kPartnerIdKey.defaultNumber);
  for (std::size_t i = 0; i < settings.excluded.size(); ++i) {
    const SettingKey& key = kSettingKeys[kSettingIndexExcludedGroup1 + static_cast<int>(i)];
    settings.excluded[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(number(key.key, key.defaultNumber) & 0xFFFF));
  }
  for (std::size_t r = 0; r < settings.registers.size(); ++r) {
    const SettingKey& key = kSettingKeys[kSettingIndexCashRegister01 + static_cast<int>(r)];
    settings.registers[r] = number(key.key, key.defaultNumber) != 0;
  }
  return true;
}

// dd.mm.yy -> yyyymmdd; 0 for an empty text.
int DateKey(const char* text) {
  if (text[0] == '\0') return 0;
  auto two = [&](int at) { return (text[at] - '0') * 10 + (text[at + 1] - '0'); };
  return (2000 + two(6)) * 10000 + two(3) * 100 + two(0);
}

// One buffered writer; Mazovia pieces go through a 256-entry table to UTF-8.
class Writer {
 public:
  explicit Writer(std::FILE* file) : file_(file) {
    for (int c = 0; c < 256; ++c) {
      std::string utf8 = host::ConvertCodePage(std::string(1, static_cast<char>(c)), 1, 6);
      utf8_[static_cast<std::size_t>(c)].length = static_cast<std::uint8_t>(utf8.size());
      std::memcpy(utf8_[static_cast<std::size_t>(c)].bytes, utf8.data(), utf8.size());
    }
    buffer_.resize(1 << 20);
  }
  void Put(const char* text, std::size_t length) {
    if (used_ + 3 * length > buffer_.size()) Flush();
    for (std::size_t i = 0; i < length; ++i) {
      auto c = static_cast<unsigned char>(text[i]);
      if (c < 0x80) {
        buffer_[used_++] = static_cast<char>(c);
      } else {
        const Utf8& u = utf8_[c];
        std::memcpy(buffer_.data() + used_, u.bytes, u.length);
        used_ += u.length;
      }
    }
  }
  void Flush() {
    std::fwrite(buffer_.data(), 1, used_, file_);
    used_ = 0;
  }

 private:
  struct Utf8 {
    char bytes[4];
    std::uint8_t length;
  };
  std::FILE* file_;
  std::array<Utf8, 256> utf8_{};
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

void Escape(const char* text, char* out) {
  for (; *text != '\0'; ++text) {
    auto c = static_cast<unsigned char>(*text);
    if (c == '&') out = std::strcpy(out, "&amp;") + 5;
    else if (c == '<') out = std::strcpy(out, "&lt;") + 4;
    else if (c == '>') out = std::strcpy(out, "&gt;") + 4;
    else *out++ = c < 0x20 && c != '\t' && c != '\n' && c != '\r' ? ' ' : static_cast<char>(c);
  }
  *out = '\0';
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

// The card number after "Karta:", as the export takes it; false when there is none.
bool CardNumber(const char* remark, char* card) {
  const char* marker = std::strstr(remark, "Karta:");
  if (marker == nullptr) return false;
  const char* after = marker + 6;
  std::size_t length = std::strlen(after);
  if (length > 29) length = 29;
  std::size_t start = 0;
  while (start < length && Blank(after[start])) ++start;
  while (length > start && Blank(after[length - 1])) --length;
  std::memcpy(card, after + start, length - start);
  card[length - start] = '\0';
  if (card[0] != '7' || card[1] != '7') return false;
  if (char* blank = std::strchr(card, ' ')) *blank = '\0';
  return true;
}

// The date-time text of a host date and minutes after midnight (0 is the end of the day).
const char* IsoDate(const char* date, int minutes, char* text) {
  text[0] = '\0';
  if (date[0] == '\0') return text;  // the export writes an empty element then
  if (minutes == 0) minutes = 1440;
  std::snprintf(text, 32, "20%c%c-%c%c-%c%cT%02d:%02d:00.000", date[6], date[7], date[3], date[4],
                date[0], date[1], minutes / 60, minutes % 60);
  return text;
}

int Fail(const std::string& reason) {
  std::cerr << "baseline: " << reason << '\n';
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> args;
  for (int i = 1; i + 1 < argc; i += 2) args[argv[i]] = argv[i + 1];
  for (const char* required : {"--shop", "--settings", "--from", "--to", "--today", "--now",
                               "--report", "--base64"}) {
    if (args.count(required) == 0) return Fail(std::string("missing ") + required);
  }
  Settings settings;
  if (!ReadSettings(args["--settings"], settings)) return Fail("cannot read " + args["--settings"]);

  host::Options options;
  options.quietTerminal = true;
  host::ResetHost(options);
  auto loadStart = Clock::now();
  if (auto error = host::LoadShop(args["--shop"])) return Fail(error->Text());
  const host::Selection selection = host::SelectRegisters(settings.registers);
  double loadSeconds = Seconds(loadStart);
  const host::StoreView store = host::ViewStore();

  // ---- The walk and the report file ----
  auto walkStart = Clock::now();
  std::FILE* out = std::fopen(args["--report"].c_str(), "wb");
  if (out == nullptr) return Fail("cannot write " + args["--report"]);
  std::vector<char> fileBuffer(1 << 16);
  std::setvbuf(out, fileBuffer.data(), _IOFBF, fileBuffer.size());
  Writer writer(out);
  char piece[4096];
  const std::string from = args["--from"];
  const std::string to = args["--to"];
  const int fromKey = DateKey(from.c_str());
  const int toKey = DateKey(to.c_str());
  char begin[32], end[32], stamp[32];
  int n = std::snprintf(piece, sizeof piece,
                        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Kronilog>\n"
                        "<Dealer ID=\"%02ld\">\n<PeriodBegin>%s</PeriodBegin>\n<PeriodEnd>%s</PeriodEnd>\n",
                        settings.partner, IsoDate(from.c_str(), 1, begin), IsoDate(to.c_str(), 23 * 60 + 59, end));
  writer.Put(piece, static_cast<std::size_t>(n));

  double checksum = 0.0;
  long transactions = 0;
  for (const std::uint32_t r : *store.scanOrder) {
    const std::int32_t id = store.receiptId[r];
    if (id == 0 || store.stateMarker[r] > 0) continue;
    if (store.saleDay[r] == host::kNoSaleDate) continue;
    char saleDate[9];
    host::FormatHostDate(host::DateFromDayNumber(store.saleDay[r]), saleDate);
    int day = DateKey(saleDate);
    if ((fromKey != 0 && day < fromKey) || (toKey != 0 && day > toKey)) continue;
    char card[32];
    if (!CardNumber(store.texts + store.remark[r], card)) continue;

    const host::LineRange range = host::LinesOfReceipt(id);
    const host::AmountColumn& amounts = (store.amountFlags[r] & 1) != 0 ? *store.amountB : *store.amountA;
    double amount = 0.0;
    for (std::uint32_t i = range.begin; i < range.end; ++i) {
      if (store.lineState[i] == 0 || store.itemRef[i] == 0) continue;
      bool excluded = false;
      for (int g : settings.excluded) excluded = excluded || (g > 0 && store.goodsGroup[i] == g);
      if (excluded) continue;
      amount += amounts.At(i);
    }
    if (!(amount > 0.0)) continue;

    const int minutes = store.saleTime[r];
    char escapedCard[5 * 32];
    char escapedNumber[5 * 201];
    Escape(card, escapedCard);
    Escape(store.texts + store.documentNumber[r], escapedNumber);
    double rounded = std::round(amount / 100.0) * 100.0 * 0.0001;
    n = std::snprintf(piece, sizeof piece,
                      "<Transaction>\n<CardNumber>%s</CardNumber>\n<InvoiceNumber>%s</InvoiceNumber>\n"
                      "<InvoiceDate>%s</InvoiceDate>\n<InvoiceAmount>%.2f</InvoiceAmount>\n"
                      "<InvoiceCurrency>PLN</InvoiceCurrency>\n<SegmentNr>1</SegmentNr>\n"
                      "</Transaction>\n",
                      escapedCard, escapedNumber, IsoDate(saleDate, minutes, stamp), rounded);
    writer.Put(piece, static_cast<std::size_t>(n));
    checksum += rounded;
    ++transactions;
  }
  const std::string now = args["--now"];
  int nowMinutes = std::atoi(now.c_str()) * 60 + std::atoi(now.c_str() + 3);
  n = std::snprintf(piece, sizeof piece,
                    "</Dealer>\n<Checksum>%.2f</Checksum>\n<FileCreationDate>%s</FileCreationDate>\n"
                    "</Kronilog>\n",
                    checksum, IsoDate(args["--today"].c_str(), nowMinutes, stamp));
  writer.Put(piece, static_cast<std::size_t>(n));
  writer.Flush();
  long reportBytes = std::ftell(out);
  std::fclose(out);
  double walkSeconds = Seconds(walkStart);

  // ---- Base64 in lines of 72, as `base64 -w 72` writes it ----
  auto encodeStart = Clock::now();
  std::FILE* in = std::fopen(args["--report"].c_str(), "rb");
  if (in == nullptr) return Fail("cannot read back " + args["--report"]);
  std::vector<unsigned char> content(static_cast<std::size_t>(reportBytes));
  std::size_t got = std::fread(content.data(), 1, content.size(), in);
  std::fclose(in);
  static constexpr char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  // 54 bytes make one full line of 72 characters.
  const std::size_t textLines = (got + 53) / 54;
  std::vector<char> text(textLines * 73);
  char* o = text.data();
  std::size_t i = 0;
  for (std::size_t row = 0; row < textLines; ++row) {
    std::size_t stop = std::min(got, i + 54);
    for (; i + 3 <= stop; i += 3) {
      unsigned v = static_cast<unsigned>(content[i] << 16 | content[i + 1] << 8 | content[i + 2]);
      o[0] = kAlphabet[v >> 18];
      o[1] = kAlphabet[(v >> 12) & 63];
      o[2] = kAlphabet[(v >> 6) & 63];
      o[3] = kAlphabet[v & 63];
      o += 4;
    }
    if (stop - i == 1) {
      unsigned v = static_cast<unsigned>(content[i] << 16);
      o[0] = kAlphabet[v >> 18];
      o[1] = kAlphabet[(v >> 12) & 63];
      o[2] = o[3] = '=';
      o += 4;
      ++i;
    } else if (stop - i == 2) {
      unsigned v = static_cast<unsigned>(content[i] << 16 | content[i + 1] << 8);
      o[0] = kAlphabet[v >> 18];
      o[1] = kAlphabet[(v >> 12) & 63];
      o[2] = kAlphabet[(v >> 6) & 63];
      o[3] = '=';
      o += 4;
      i += 2;
    }
    *o++ = '\n';
  }
  text.resize(static_cast<std::size_t>(o - text.data()));
  std::FILE* encoded = std::fopen(args["--base64"].c_str(), "wb");
  if (encoded == nullptr) return Fail("cannot write " + args["--base64"]);
  std::fwrite(text.data(), 1, text.size(), encoded);
  std::fclose(encoded);
  double encodeSeconds = Seconds(encodeStart);

  std::printf("{\"load_s\": %.6f, \"walk_s\": %.6f, \"encode_s\": %.6f, \"receipts\": %zu, "
              "\"lines\": %zu, \"transactions\": %ld, \"report_bytes\": %ld, \"base64_bytes\": %zu}\n",
              loadSeconds, walkSeconds, encodeSeconds, selection.receipts, selection.lines, transactions,
              reportBytes, text.size());
  return 0;
}

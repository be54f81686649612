// warnik gen-shop DIR --receipts N [--seed S]: writes a synthetic shop folder of any size for
// benchmarks and trials. The files are streamed (a million receipts take a few seconds and
// little memory), written under temporary names and renamed at the end, so a failed run leaves
// no half-written shop behind. The same seed gives the same files byte for byte.
//
// What a shop holds: registers 1 to 5 (most receipts on the first three), dates over the 30
// days that end on --today (or 31.03.26), a few receipts without a date, about 35% of receipts
// with a card remark ("Karta: 77...", some with the holder's name after the number, some
// without the blank), a few with a lower-case "karta:" or a number not beginning with 77,
// cancelled receipts (stateMarker 1) and cancelled lines (lineState 0), returns (negative
// lines), half-hundredth amounts, and lines in goods groups 1 to 20, of which the sample
// settings exclude 7 and 12. About five lines a receipt.
#include <cinttypes>
#include <cstdio>
#include <iostream>
#include <random>
#include <string>
#include <system_error>

#include "host/dates/calendar.h"
#include "host/dates/clock.h"
#include "host/session/session_options.h"
#include "host/session/journal.h"
#include "host/session/terminal.h"
#include "tools/commands.h"

namespace {

// SplitMix64: small, fast, and the same numbers on every platform and library.
class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. bound - 1
  long Below(long bound) { return static_cast<long>(Next() % static_cast<std::uint64_t>(bound)); }
  // True with the given chance in a thousand.
  bool PerMille(int chance) { return Below(1000) < chance; }

 private:
  std::uint64_t state_;
};

// Holders' names (UTF-8), some with Polish letters.
constexpr const char* kNames[] = {"Jan Kowalski",     "Zofia Wójcik",      "Paweł Łęcki",
                                  "Małgorzata Źrebiec", "Grzegorz Ślęzak", "Anna Nowak",
                                  "Józef Żółtowski", "Ewa Dąbrowska"};
constexpr const char* kOtherRemarks[] = {"Dostawa do domu", "Zapłacono BLIKiem",
                                         "Rabat pracowniczy", "Gotówka", "Klient stały",
                                         "Zamówienie \"Pod Lipą\", odbiór osobisty"};

// A CSV field: quoted, with doubled quotes, when it holds a comma or a quote.
std::string CsvText(const std::string& text) {
  if (text.find_first_of(",\"") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

class CsvFile {
 public:
  explicit CsvFile(std::filesystem::path path) : path_(std::move(path)) {
    file_ = std::fopen(path_.string().c_str(), "wb");
    if (file_ != nullptr) std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
  }
  ~CsvFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  CsvFile(const CsvFile&) = delete;
  CsvFile& operator=(const CsvFile&) = delete;

  bool ok() const { return file_ != nullptr && !failed_; }
  void Write(const char* text, int length) {
    if (file_ == nullptr || length < 0) return;
    if (std::fwrite(text, 1, static_cast<std::size_t>(length), file_) !=
        static_cast<std::size_t>(length)) {
      failed_ = true;
    }
  }
  bool Close() {
    if (file_ == nullptr) return false;
    bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return closed && !failed_;
  }

 private:
  std::filesystem::path path_;
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

std::string CardRemark(Random& random, long& cardReceipts) {
  int extra = 8 + static_cast<int>(random.Below(4));
  std::string digits = "77";
  for (int i = 0; i < extra; ++i) digits += static_cast<char>('0' + random.Below(10));
  long variant = random.Below(100);
  if (variant < 5) {
    digits[0] = static_cast<char>('1' + random.Below(6));  // a number of another scheme
    return "Karta: " + digits;
  }
  if (variant < 10) return "karta: " + digits;  // lower case: not a card remark for the export
  ++cardReceipts;
  if (variant < 25) return "Karta: " + digits + " " + kNames[random.Below(std::size(kNames))];
  if (variant < 30) return "Karta:" + digits;
  if (variant < 33) return "Klient stały, Karta: " + digits;
  return "Karta: " + digits;
}

// What one run writes: the seed it uses, its days and how many receipts.
struct ShopPlan {
  unsigned seed = 0;
  host::CivilDate lastDay{2026, 3, 31};
  long firstDay = 0;  // day numbers
  long lastDayNumber = 0;
  long receipts = 0;
};

struct ShopCounts {
  long lines = 0;
  long cardReceipts = 0;
  long perRegister[6] = {};
};

// The plan for a run, or a one-line reason why there is none.
std::optional<ShopPlan> PlanShop(long receipts, std::optional<unsigned> seed, std::string* problem) {
  if (receipts < 0 || receipts > 100'000'000) {
    *problem = "--receipts must be 0 to 100000000, not " + std::to_string(receipts);
    return std::nullopt;
  }
  ShopPlan plan;
  plan.receipts = receipts;
  plan.seed = seed ? *seed : host::options().seed ? *host::options().seed : std::random_device{}();
  if (const auto& today = host::options().today) {
    auto date = host::ParseDateText(*today);
    if (!date) {
      *problem = "--today \"" + *today + "\" is not a date dd.mm.yy";
      return std::nullopt;
    }
    plan.lastDay = *date;
  }
  plan.lastDayNumber = host::DayNumber(plan.lastDay);
  plan.firstDay = plan.lastDayNumber >= 29 ? plan.lastDayNumber - 29 : 0;
  return plan;
}

// Receipt number i (from 0) and its lines.
void WriteReceipt(long i, const ShopPlan& plan, Random& random, ShopCounts& counts, CsvFile& receiptFile,
                  CsvFile& lineFile) {
  const long id = i + 1;
  const long pick = random.Below(100);
  const int reg = pick < 35 ? 1 : pick < 65 ? 2 : pick < 85 ? 3 : pick < 95 ? 4 : 5;
  const long sequence = ++counts.perRegister[reg];

  std::string date;
  if (!random.PerMille(3)) {
    const long days = plan.lastDayNumber - plan.firstDay + 1;
    const long long offset = static_cast<long long>(i) * days / plan.receipts;  // no 32-bit overflow on Win32
    date = host::FormatHostDate(host::DateFromDayNumber(plan.firstDay + static_cast<long>(offset)));
  }
  const int time = random.PerMille(2) ? 0 : 420 + static_cast<int>(random.Below(900));

  char document[64];
  const long kind = random.Below(100);
  if (kind < 90) {
    std::snprintf(document, sizeof document, "PAR/%d/%06ld", reg, sequence);
  } else if (kind < 98) {
    std::snprintf(document, sizeof document, "FV/%06ld/%02d/%04d", sequence, plan.lastDay.month, plan.lastDay.year);
  } else {
    std::snprintf(document, sizeof document, "Wydanie zewnętrzne %ld", sequence);
  }

  std::string remark;
  if (random.Below(100) < 35) {
    remark = CardRemark(random, counts.cardReceipts);
  } else if (random.Below(100) < 20) {
    remark = kOtherRemarks[random.Below(std::size(kOtherRemarks))];
  }
  const int flags = random.Below(10) == 0 ? 1 : 0;
  const int state = random.PerMille(40) ? 1 : random.PerMille(10) ? -1 : 0;
  char row[512];
  int length = std::snprintf(row, sizeof row, "%d,%ld,%s,%s,%d,%s,%d,%d\n", reg, id, document, date.c_str(), time,
                             CsvText(remark).c_str(), flags, state);
  receiptFile.Write(row, length);

  const long count = 1 + random.Below(9);
  for (long n = 0; n < count; ++n) {
    const long item = random.PerMille(20) ? 0 : 1 + random.Below(50000);
    long long amount = (1 + random.Below(3000)) * 100;
    if (random.PerMille(50)) amount += 50;     // half a hundredth
    if (random.PerMille(30)) amount = -amount;  // a return
    const long long net = amount >= 0 ? (amount * 100 + 61) / 123 : -((-amount * 100 + 61) / 123);
    const int group = 1 + static_cast<int>(random.Below(20));
    const int lineState = random.PerMille(30) ? 0 : 1;
    length = std::snprintf(row, sizeof row, "%ld,%ld,%lld,%lld,%d,%d\n", id, item, amount, net, group, lineState);
    lineFile.Write(row, length);
  }
  counts.lines += count;
}

int GenShopFailed(const std::string& reason) {
  std::cerr << "warnik: gen-shop: " << reason << '\n';
  return 1;
}

}  // namespace

int RunGenShop(const std::filesystem::path& dir, long receipts, std::optional<unsigned> seed) {
  std::string problem;
  const std::optional<ShopPlan> plan = PlanShop(receipts, seed, &problem);
  if (!plan) return GenShopFailed(problem);

  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) return GenShopFailed("cannot make the folder " + dir.string() + ": " + error.message());
  const auto receiptsPath = dir / "receipts.csv";
  const auto linesPath = dir / "lines.csv";
  const auto receiptsPart = dir / "receipts.csv.part";
  const auto linesPart = dir / "lines.csv.part";
  const auto removeParts = [&] {
    std::filesystem::remove(receiptsPart, error);
    std::filesystem::remove(linesPart, error);
  };
  CsvFile receiptFile(receiptsPart);
  CsvFile lineFile(linesPart);
  if (!receiptFile.ok() || !lineFile.ok()) {
    removeParts();
    return GenShopFailed("cannot write into " + dir.string());
  }

  static constexpr char kReceiptHeader[] =
      "register,receiptId,documentNumber,saleDate,saleTime,remark,amountFlags,stateMarker\n";
  static constexpr char kLineHeader[] = "receiptId,itemRef,lineAmountA,lineAmountB,goodsGroup,lineState\n";
  receiptFile.Write(kReceiptHeader, static_cast<int>(sizeof kReceiptHeader - 1));
  lineFile.Write(kLineHeader, static_cast<int>(sizeof kLineHeader - 1));
  Random random(0x5EED0000ull ^ plan->seed);
  ShopCounts counts;
  for (long i = 0; i < plan->receipts; ++i) WriteReceipt(i, *plan, random, counts, receiptFile, lineFile);

  const bool receiptsClosed = receiptFile.Close();
  const bool written = lineFile.Close() && receiptsClosed;
  if (written) {
    std::filesystem::rename(receiptsPart, receiptsPath, error);
    if (!error) std::filesystem::rename(linesPart, linesPath, error);
  }
  if (!written || error) {
    const std::string why = error ? ": " + error.message() : std::string();
    removeParts();
    return GenShopFailed("writing into " + dir.string() + " failed" + why);
  }
  std::cout << "gen-shop: wrote " << plan->receipts << " receipts (" << counts.cardReceipts
            << " with a loyalty card number) to " << receiptsPath.string() << " and " << counts.lines
            << " lines to " << linesPath.string() << "; registers 1-5, dates "
            << host::FormatHostDate(host::DateFromDayNumber(plan->firstDay)) << " to "
            << host::FormatHostDate(plan->lastDay) << ", seed " << plan->seed << '\n';
  return 0;
}

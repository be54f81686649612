// Card receipts left out of a report, and the box that names them.
#include "export/left_out_receipts.h"

#include <cstring>

#include "binding/host_api.h"
#include "output/text_output.h"

namespace {

constexpr char kTitle[] = "Uwaga";
// "W raporcie pominięto paragony z kartą, których nie można poprawnie odczytać\n(błędna data
//  lub godzina sprzedaży, numer karty dłuższy niż 29 znaków albo zbyt duża kwota).\nLiczba
//  pominiętych paragonów: %d.\nNumery paragonów: %s%s.\nPozostałe paragony są w raporcie."
constexpr char kFormat[] =
    "W raporcie pomini\x91to paragony z kart\x86, kt\xA2rych nie mo\xA7na poprawnie odczyta\x8D\n"
    "(b\x92\x91" "dna data lub godzina sprzeda\xA7y, numer karty d\x92u\xA7szy ni\xA7 29 znak\xA2w "
    "albo zbyt du\xA7" "a kwota).\n"
    "Liczba pomini\x91tych paragon\xA2w: %d.\n"
    "Numery paragon\xA2w: %s%s.\n"
    "Pozosta\x92" "e paragony s\x86 w raporcie.";
// " i 1 inny", " i 2 inne", " i 5 innych": the numbers the box does not name.
constexpr char kMoreFormat[] = " i %d %s";
constexpr int kMoreSize = 32;
static_assert(kLeftOutTextSize >= sizeof kFormat + 11 + kLeftOutListSize + kMoreSize,
              "the box's text holds the count, every named number and the rest");
constexpr char kNoNumber[] = "(bez numeru)";

// The form of "inny" that goes with a count in Polish: 1 inny; 2, 3, 4, 22 ... inne (but
// 12, 13, 14 innych); every other count innych.
const char* OthersWord(int count) {
  if (count == 1) return "inny";
  const int tens = count % 100;
  if (count % 10 >= 2 && count % 10 <= 4 && (tens < 12 || tens > 14)) return "inne";
  return "innych";
}

}  // namespace

void NoteLeftOutReceipt(LeftOutReceipts* list, const char* documentNumber) {
  if (list->count == 0) list->numbers[0] = '\0';
  if (list->count < kLeftOutNamed) {
    char number[kLeftOutNumberRoom + 1];
    FormatText(number, sizeof number, "%s", documentNumber[0] != '\0' ? documentNumber : kNoNumber);
    std::size_t used = std::strlen(list->numbers);
    FormatText(list->numbers + used, sizeof list->numbers - used, "%s%s",
               list->count > 0 ? ", " : "", number);
  }
  ++list->count;
}

void LeftOutReceiptsText(const LeftOutReceipts& list, char* text) {
  char more[kMoreSize] = "";
  const int unnamed = list.count - kLeftOutNamed;
  if (unnamed > 0) FormatText(more, sizeof more, kMoreFormat, unnamed, OthersWord(unnamed));
  FormatText(text, kLeftOutTextSize, kFormat, list.count, list.numbers, more);
}

void ShowLeftOutReceipts(const LeftOutReceipts& list) {
  if (list.count == 0) return;
  char text[kLeftOutTextSize];
  LeftOutReceiptsText(list, text);
  HostShowMessage(kTitle, text, kStyleBox);
}

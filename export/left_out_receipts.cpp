// Card receipts left out of a report, and the box that names them.
#include "export/left_out_receipts.h"

#include <cstring>

#include "frame/host_api.h"
#include "output/text_output.h"

namespace {

constexpr char kTitle[] = "Uwaga";
// "Pominięto paragony z kartą, których zapisu nie da się odczytać\n(data lub godzina
//  sprzedaży, numer karty dłuższy niż 29 znaków, kwota): %d.\nNumery: %s%s\n
//  Pozostałe paragony są w raporcie."
constexpr char kFormat[] =
    "Pomini\x91to paragony z kart\x86, kt\xA2rych zapisu nie da si\x91 odczyta\x8D\n"
    "(data lub godzina sprzeda\xA7y, numer karty d\x92u\xA7szy ni\xA7 29 znak\xA2w, kwota): %d.\n"
    "Numery: %s%s\n"
    "Pozosta\x92" "e paragony s\x86 w raporcie.";
constexpr char kMoreFormat[] = " i %d innych";
constexpr char kNoNumber[] = "(bez numeru)";

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

void ShowLeftOutReceipts(const LeftOutReceipts& list) {
  if (list.count == 0) return;
  char more[32] = "";
  if (list.count > kLeftOutNamed) FormatText(more, sizeof more, kMoreFormat, list.count - kLeftOutNamed);
  char text[sizeof kFormat + kLeftOutListSize + sizeof more + 16];
  FormatText(text, sizeof text, kFormat, list.count, list.numbers, more);
  HostShowMessage(kTitle, text, kStyleBox);
}

// The host's table of Kronilog.ini's keys (see known_settings.h).
#include "host/settings/known_settings.h"

namespace host {
namespace {

// The keys of Kronilog.ini as the plug-in's readers hold them: a text is cut to its reader's
// buffer less the NUL (idPartnera too, which the plug-in reads as text).
constexpr KnownSetting kKnownSettings[] = {
    {"ustawieniaRaportu", "idPartnera", "%ld", 31},  // written as a number, read as text
    {"ustawieniaRaportu", "nazwaSklepu", "%s", 99},
    {"ustawieniaRaportu", "wykluczonaGrupa", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa2", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa3", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa4", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa5", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa6", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa7", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa8", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa9", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa10", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa11", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa12", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa13", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa14", "%d", 0},
    {"ustawieniaRaportu", "wykluczonaGrupa15", "%d", 0},
    {"ustawieniaEmail", "hostSMTP", "%s", 199},
    {"ustawieniaEmail", "login", "%s", 49},
    {"ustawieniaEmail", "haslo", "%s", 49},
    {"ustawieniaEmail", "adresat", "%s", 149},
    {"ustawieniaEmail", "uwierzytelnienie", "%d", 0},
    {"ustawieniaEmail", "sprawdzWynikWysylki", "%d", 0},
    {"odczytParagonowZKas", "Kasa01", "%d", 0},
    {"odczytParagonowZKas", "Kasa02", "%d", 0},
    {"odczytParagonowZKas", "Kasa03", "%d", 0},
    {"odczytParagonowZKas", "Kasa04", "%d", 0},
    {"odczytParagonowZKas", "Kasa05", "%d", 0},
    {"odczytParagonowZKas", "Kasa06", "%d", 0},
    {"odczytParagonowZKas", "Kasa07", "%d", 0},
    {"odczytParagonowZKas", "Kasa08", "%d", 0},
    {"odczytParagonowZKas", "Kasa09", "%d", 0},
    {"odczytParagonowZKas", "Kasa10", "%d", 0},
    {"danePomocnicze", "DataOstatniegoEksportu", "%s", 11},
    {"danePomocnicze", "DataNieudanejProby", "%s", 11},
    {"danePomocnicze", "NiewyslaneOd", "%s", 11},
    {"danePomocnicze", "OstatniOdczyt", "%s", 99},
};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool SameSettingName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

const KnownSetting* FindKnownSetting(std::string_view section, std::string_view key) {
  for (const KnownSetting& known : kKnownSettings) {
    if (SameSettingName(known.section, section) && SameSettingName(known.key, key)) return &known;
  }
  return nullptr;
}

int SettingTextLimit(std::string_view section, std::string_view key) {
  const KnownSetting* known = FindKnownSetting(section, key);
  return known != nullptr && known->textLimit > 0 ? known->textLimit : kUnknownKeyTextLimit;
}

}  // namespace host

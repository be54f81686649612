// The key table of Kronilog.ini, in the readers' order.
#include "settings/settings_keys.h"

namespace {

unsigned char Lower(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

bool SameName(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (Lower(*a) != Lower(*b)) return false;
  }
  return *a == *b;
}

}  // namespace

const SettingKey kSettingKeys[] = {
    kPartnerIdKey,          kShopNameKey,
    kExcludedGroupKeys[0],  kExcludedGroupKeys[1],  kExcludedGroupKeys[2],  kExcludedGroupKeys[3],
    kExcludedGroupKeys[4],  kExcludedGroupKeys[5],  kExcludedGroupKeys[6],  kExcludedGroupKeys[7],
    kExcludedGroupKeys[8],  kExcludedGroupKeys[9],  kExcludedGroupKeys[10], kExcludedGroupKeys[11],
    kExcludedGroupKeys[12], kExcludedGroupKeys[13], kExcludedGroupKeys[14],
    kMailServerKey,         kMailLoginKey,          kMailPasswordKey,       kMailRecipientKey,
    kAuthenticationKey,     kCheckDeliveryKey,
    kCashRegisterKeys[0],   kCashRegisterKeys[1],   kCashRegisterKeys[2],   kCashRegisterKeys[3],
    kCashRegisterKeys[4],   kCashRegisterKeys[5],   kCashRegisterKeys[6],   kCashRegisterKeys[7],
    kCashRegisterKeys[8],   kCashRegisterKeys[9],
    kLastExportDateKey,     kLastReadRangeKey,      kFailedTryDateKey,      kUnsentSinceKey,
};
const int kSettingKeyCount = sizeof kSettingKeys / sizeof kSettingKeys[0];

const SettingKey* FindSettingKey(const char* section, const char* key) {
  if (section == nullptr || key == nullptr) return nullptr;
  for (const SettingKey& entry : kSettingKeys) {
    if (SameName(entry.section, section) && SameName(entry.key, key)) return &entry;
  }
  return nullptr;
}

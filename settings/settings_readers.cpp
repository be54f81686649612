// The settings readers: every key from the key table, by the read-with-default rule.
#include "settings/settings_readers.h"

#include "settings/settings.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The partner number as typed: digits only, blanks around them and leading zeros allowed,
// within 32 bits. A text that fills the whole field may have been cut by the host: it is no
// number the plug-in can trust.
PartnerIdValue ParsePartnerId(const char* text, int* number) {
  *number = 0;
  const char* begin = text;
  while (IsBlank(*begin)) ++begin;
  const char* end = begin;
  while (*end >= '0' && *end <= '9') ++end;
  const char* rest = end;
  while (IsBlank(*rest)) ++rest;
  if (*rest != '\0' || (rest - text) >= kPartnerIdKey.fieldSize - 1) return PartnerIdValue::kWrong;
  long long value = 0;
  for (const char* digit = begin; digit < end; ++digit) {
    value = value * 10 + (*digit - '0');
    if (value > 2147483647LL) return PartnerIdValue::kWrong;
  }
  if (value == 0) return PartnerIdValue::kEmpty;  // nothing typed, or zeros
  *number = static_cast<int>(value);
  return PartnerIdValue::kNumber;
}

void ReadPartnerId(ReportSettings* settings) {
  if (ReadText(kPartnerIdKey, settings->partnerIdText)) {
    settings->partnerIdValue = ParsePartnerId(settings->partnerIdText, &settings->partnerId);
    return;
  }
  settings->partnerIdValue = PartnerIdValue::kMissing;
  settings->partnerId = kPartnerIdKey.defaultNumber;
  WriteDefaultNumber(kPartnerIdKey);
}

}  // namespace

void ReadReportSettings(ReportSettings* settings) {
  ReadPartnerId(settings);
  ReadWithDefault(kShopNameKey, settings->shopName);
  for (int group = 0; group < kExcludedGroupCount; ++group) {
    settings->excludedGroups[group] = 0;
    ReadShortIntoSlot(kExcludedGroupKeys[group], &settings->excludedGroups[group]);
  }
}

void ReadMailSettings(MailSettings* settings) {
  settings->authentication = 0;
  settings->checkDelivery = 0;
  ReadWithDefault(kMailServerKey, settings->server);
  ReadWithDefault(kMailLoginKey, settings->login);
  ReadWithDefault(kMailPasswordKey, settings->password);
  ReadWithDefault(kMailRecipientKey, settings->recipient);
  ReadWithDefault(kAuthenticationKey, &settings->authentication);
  ReadWithDefault(kCheckDeliveryKey, &settings->checkDelivery);
}

void ReadCashRegisterFlags(short flags[kCashRegisterCount]) {
  for (int number = 0; number < kCashRegisterCount; ++number) {
    ReadWithDefault(kCashRegisterKeys[number], &flags[number]);
  }
}

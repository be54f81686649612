// The settings readers: every key from the key table, by the read-with-default rule.
#include "settings/settings_readers.h"

#include "settings/settings.h"

void ReadReportSettings(ReportSettings* settings) {
  settings->partnerId = 0;
  ReadWithDefault(kPartnerIdKey, &settings->partnerId);
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

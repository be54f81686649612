// The readers of the report writer's, the report message's and the export run's settings,
// each key by the read-with-default rule, in the table's order.
#pragma once

#include "settings/settings_keys.h"

// The report file writer's settings. Each excluded group lies in a 32-bit slot of which the
// read stores the low 16 bits (the slot starts at 0); a missing key sets the whole slot to -1.
struct ReportSettings {
  int partnerId;
  char shopName[kShopNameSize];
  int excludedGroups[kExcludedGroupCount];  // wykluczonaGrupa, wykluczonaGrupa2 .. 15
};
void ReadReportSettings(ReportSettings* settings);

// The report message's settings.
struct MailSettings {
  char server[kMailServerSize];
  char login[kMailLoginSize];
  char password[kMailPasswordSize];
  char recipient[kMailRecipientSize];
  short authentication;
  short checkDelivery;  // nonzero: a result of 0 from the mail service means not delivered
};
void ReadMailSettings(MailSettings* settings);

// The cash-register flags Kasa01 .. Kasa10 into ten 16-bit slots; a nonzero flag means that
// register is read before an export.
void ReadCashRegisterFlags(short flags[kCashRegisterCount]);

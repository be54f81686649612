// The readers of the report writer's, the report message's and the export run's settings,
// each key by the read-with-default rule, in the table's order.
#pragma once

#include "settings/settings_keys.h"

// How the partner number stands in the settings file.
enum class PartnerIdValue {
  kNumber,   // a whole number above 0, blanks around it and leading zeros allowed
  kMissing,  // no key: 1, written back
  kEmpty,    // present, but nothing or 0 typed: the shop has not filled it in
  kWrong,    // present, and not a whole number above 0 ("1 234", "12O4", "-5", too long)
};

// The report file writer's settings. Each excluded group lies in a 32-bit slot of which the
// read stores the low 16 bits (the slot starts at 0); a missing key sets the whole slot to -1.
struct ReportSettings {
  int partnerId;                          // above 0 for kNumber and kMissing
  PartnerIdValue partnerIdValue;
  char partnerIdText[kPartnerIdKey.fieldSize];  // the value as the file holds it
  char shopName[kShopNameKey.fieldSize];
  int excludedGroups[kExcludedGroupCount];  // in the series' order
};
void ReadReportSettings(ReportSettings* settings);

// The report message's settings.
struct MailSettings {
  char server[kMailServerKey.fieldSize];
  char login[kMailLoginKey.fieldSize];
  char password[kMailPasswordKey.fieldSize];
  char recipient[kMailRecipientKey.fieldSize];
  short authentication;
  short checkDelivery;  // nonzero: a result of 0 from the mail service means not delivered
};
void ReadMailSettings(MailSettings* settings);

// The cash-register flags, one for each register, into 16-bit slots; a nonzero flag means that
// register is read before an export.
void ReadCashRegisterFlags(short flags[kCashRegisterCount]);

// The keys of Kronilog.ini as the plug-in's readers take them: every key's row comes from the
// contract's table (contract/settings_keys.inc), which both the plug-in and the host read;
// here only the two series of keys that the readers loop over.
#pragma once

#include "contract/settings_keys.h"

// The excluded goods groups and the cash-register flags: rows that stand together in the
// table, from the first of the series to the last.
inline constexpr int kExcludedGroupCount = kSettingIndexExcludedGroup15 - kSettingIndexExcludedGroup1 + 1;
inline constexpr const SettingKey* kExcludedGroupKeys = kSettingKeys + kSettingIndexExcludedGroup1;
inline constexpr int kCashRegisterCount = kSettingIndexCashRegister10 - kSettingIndexCashRegister01 + 1;
inline constexpr const SettingKey* kCashRegisterKeys = kSettingKeys + kSettingIndexCashRegister01;

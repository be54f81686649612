// Every service group's header: what the export tables of module WARNIK need to name every
// service. docs/host-services.md says which group holds which service.
#pragma once

#include "host/dates/date_services.h"
#include "host/files/base64.h"
#include "host/files/files.h"
#include "host/forms/menus.h"
#include "host/forms/run_form.h"
#include "host/mail/mail_service.h"
#include "host/memory/memory.h"
#include "host/messages/message_services.h"
#include "host/program/cash_registers.h"
#include "host/program/instance_number.h"
#include "host/program/program_info.h"
#include "host/program/program_state.h"
#include "host/program/stubs.h"
#include "host/settings/settings_service.h"
#include "host/tables/scans.h"
#include "host/tables/tables.h"
#include "host/texts/conversion.h"
#include "host/texts/text_services.h"

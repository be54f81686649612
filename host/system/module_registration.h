// Module WARNIK as the plug-in finds it: every service by ordinal, less those the session's
// --without names.
#pragma once

#include "platform/win32.h"

namespace host {

// Makes module WARNIK findable with every host service except the ordinals of
// options().without. Registering again replaces the earlier registration.
HMODULE RegisterWarnikModule();
void UnregisterWarnikModule();

}  // namespace host

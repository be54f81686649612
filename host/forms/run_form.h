// The form service.
#pragma once

#include "host/service_types.h"

namespace host {

HostRunFormType HostRunForm;  // 52026

}  // namespace host

// The Base64 service: a host block holding the text of some bytes.
#pragma once

#include "host/service_types.h"

namespace host {

HostBase64EncodeType HostBase64Encode;  // 51618

}  // namespace host

// The conversion services between the host's code pages (1 Mazovia, 3 the Windows code page
// for Polish, 6 UTF-8).
#pragma once

#include "host/service_types.h"

namespace host {

HostConvertTextType HostConvertText;            // 52158
HostConvertTextSizedType HostConvertTextSized;  // 35387

}  // namespace host

// The message services, and the notices they leave open.
#pragma once

#include <string>
#include <vector>

#include "host/service_types.h"

namespace host {

HostShowMessageType HostShowMessage;    // 52028
HostShowMessageFType HostShowMessageF;  // 52029
HostShowMessageVType HostShowMessageV;  // 35804
HostAlertType HostAlert;                // 52030
HostCloseMessageType HostCloseMessage;  // 52064

// The style-512 notices still open, oldest first (UTF-8, markup kept).
struct OpenNotice {
  std::string title;
  std::string text;
};
const std::vector<OpenNotice>& OpenNotices();

}  // namespace host

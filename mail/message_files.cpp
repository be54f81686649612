// Names of the message file and the temporary attachment file.
#include "mail/message_files.h"

#include "binding/host_api.h"
#include "output/text_output.h"

namespace {

int InstanceNumber() {
  const int* instance = HostInstanceNumber();
  return instance != nullptr ? *instance : 0;
}

}  // namespace

void MessageFileName(char* out) {
  const int instance = InstanceNumber();
  if (instance <= 1) {
    FormatText(out, kMessageFileNameSize, "message.eml");
  } else {
    FormatText(out, kMessageFileNameSize, "message%d.eml", instance);
  }
}

void TemporaryFileName(char* out) {
  FormatText(out, kTemporaryFileNameSize, "tempatach%d.txt", InstanceNumber());
}

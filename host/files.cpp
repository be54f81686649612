// PLACEHOLDER: replaced by the issue that builds these services.
#include "host/services.h"

namespace host {

HostFile* HOSTAPI HostOpenFile(const char* , const char* , int , int , int ) { return {}; }
HostFile* HOSTAPI HostOpenFilePlain(const char* , const char* ) { return {}; }
int HOSTAPI HostCloseFile(HostFile* ) { return {}; }
int HOSTAPI HostSeekFile(HostFile* , int , int ) { return {}; }
int HOSTAPI HostReadFile(void* , int , int , HostFile* ) { return {}; }
int HOSTAPI HostWriteFile(const void* , int , int , HostFile* ) { return {}; }
int HOSTAPI HostTellFile(HostFile* ) { return {}; }
char* HOSTAPI HostReadLine(char* , int , HostFile* ) { return {}; }
int HOSTAPI_CC HostFilePrintf(HostFile* , const char* , ...) { return {}; }

}  // namespace host

// The host service slots and how they are filled.
//
// Every slot starts out holding a resolver stub with the service's own signature: the first
// call binds the slot and then carries on with the caller's arguments. At load every slot
// are probed in slot order (BindAllHostServices), so after a successful load every slot holds
// the host's routine or a fallback, and a call is one indirect call through it. A slot is
// empty (null) only while a load is failing; nothing ever calls through an empty slot.
#include "binding/host_binding.h"

#include <cstdio>
#include <cstring>

#include "binding/host_api.h"
#include "binding/plugin_state.h"
#include "platform/win32.h"

namespace {

// The fallbacks: each takes its service's real arguments, does nothing and returns 0.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) \
  ret conv Fallback_##name params { return {}; }
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) \
  ret conv Fallback_##name params { return {}; }
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
#pragma GCC diagnostic pop

// Each service's ordinal and slot index (0-based), as the table gives them, for the stubs
// written out by hand below.
struct ServiceNumbers {
  unsigned ordinal;
  int slotIndex;
};
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) \
  [[maybe_unused]] constexpr ServiceNumbers kNumbers_##name = {ordinal, (slot) - 1};
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) \
  [[maybe_unused]] constexpr ServiceNumbers kNumbers_##name = {ordinal, (slot) - 1};
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC

// The resolver stubs of the services with a fixed argument list.
#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) \
  ret conv Resolve_##name params {                                 \
    ResolveHostEntry(MAKEINTRESOURCEA(ordinal), (slot) - 1);        \
    if (hostSlots.name == nullptr) return {};                       \
    return hostSlots.name args;                                     \
  }
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params)
#include "contract/host_services.inc"
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC

// A variable argument list cannot be handed on as it is, so the stubs of the two printf-like
// services format the text here and hand it on through "%s", which comes to the same.
// The plug-in never calls either before its probe has bound it; the bound is generous.
enum { kEarlyTextSize = 4096 };

int HOSTAPI_CC Resolve_HostShowMessageF(const char* title, const char* format, int style, ...) {
  ResolveHostEntry(MAKEINTRESOURCEA(kNumbers_HostShowMessageF.ordinal),
                   kNumbers_HostShowMessageF.slotIndex);
  if (hostSlots.HostShowMessageF == nullptr) return 0;
  char text[kEarlyTextSize];
  va_list values;
  va_start(values, style);
  std::vsnprintf(text, sizeof text, format, values);
  va_end(values);
  return hostSlots.HostShowMessageF(title, "%s", style, text);
}

int HOSTAPI_CC Resolve_HostFilePrintf(HostFile* file, const char* format, ...) {
  ResolveHostEntry(MAKEINTRESOURCEA(kNumbers_HostFilePrintf.ordinal),
                   kNumbers_HostFilePrintf.slotIndex);
  if (hostSlots.HostFilePrintf == nullptr) return 0;
  char text[kEarlyTextSize];
  va_list values;
  va_start(values, format);
  std::vsnprintf(text, sizeof text, format, values);
  va_end(values);
  return hostSlots.HostFilePrintf(file, "%s", text);
}

// What the binding needs to know of each slot, in slot order.
typedef void (*AnyRoutine)();
struct SlotInfo {
  unsigned ordinal;
  const char* name;
  int fallback;  // the table's: the stand-in's argument count, or -1 for none
  void (*bind)(AnyRoutine routine);  // null empties the slot
  bool (*isEmpty)();
  void (*bindFallback)();
  bool (*holdsFallback)();
  void (*reset)();
};

template <typename Slot>
Slot RoutineAs(AnyRoutine routine) {
  return reinterpret_cast<Slot>(routine);
}

#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args)                       \
  {ordinal,                                                                              \
   #name,                                                                                \
   fallback,                                                                             \
   [](AnyRoutine routine) { hostSlots.name = RoutineAs<decltype(hostSlots.name)>(routine); }, \
   [] { return hostSlots.name == nullptr; },                                             \
   [] { hostSlots.name = &Fallback_##name; },                                            \
   [] { return hostSlots.name == &Fallback_##name; },                                    \
   [] { hostSlots.name = &Resolve_##name; }},
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) \
  HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, ())
const SlotInfo kSlots[] = {
#include "contract/host_services.inc"
};
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC

enum { kSlotCount = sizeof kSlots / sizeof kSlots[0] };
static_assert(kSlotCount == kHostServiceCount, "a slot for every service of the contract");

AnyRoutine LookUpHostEntry(HostEntryKey key) {
  return reinterpret_cast<AnyRoutine>(GetProcAddress(hostModule, key));
}

// The missing-entry box shows its texts in the Windows code page; the conversion is itself a
// host service, which may be the missing one: then the texts are shown as they are.
void ConvertForMessageBox(char* text) {
  if (hostSlots.HostConvertText == nullptr) return;
  HostConvertText(text, text, kCodePageMazovia, kCodePageWindows);
}

void ReplaceAll(char* text, char from, char to) {
  for (; *text != '\0'; ++text) {
    if (*text == from) *text = to;
  }
}

void CopyCut(char* destination, const char* source, std::size_t room) {
  std::size_t length = std::strlen(source);
  if (length > room) length = room;
  std::memcpy(destination, source, length);
  destination[length] = '\0';
}

constexpr char kMissingEntryFormat[] =
    "W module \x02%s\x01\nbrak wpisu \x02%s\x01\nWywo\x92" "ano z wtyczki \x02%s\x01.\n\n"
    "B\x92\x86" "d ten mo\xA7" "na zignorowa\x8D lecz dalsza praca\n"
    "programu w tych warunkach mo\xA7" "e by\x8D niebezpieczna.\n\n"
    "Konieczna jest aktualizacja programu!";
constexpr char kMissingEntryTitle[] = "POWA\xA1NY B\x9C\x8F" "D WTYCZKI";
constexpr char kUnknownModule[] = "<nieznany>";

// The characters of a format that stand in the text as they are: all but its "%s".
constexpr int FixedLength(const char* format) {
  int length = 0;
  for (; *format != '\0'; ++format) {
    if (format[0] == '%' && format[1] == 's') {
      ++format;
    } else {
      ++length;
    }
  }
  return length;
}

enum { kPathRoom = 299, kEntryRoom = 103 };
constexpr int kDisplayNameLength = sizeof kPluginDisplayName - 1;
// Room for the format's own characters, the longest path, the longest entry text and the
// display name.
constexpr int kMissingEntryTextSize =
    FixedLength(kMissingEntryFormat) + kPathRoom + kEntryRoom + kDisplayNameLength + 1;

}  // namespace

#define HOST_SERVICE(slot, ordinal, name, fallback, conv, ret, params, args) &Resolve_##name,
#define HOST_SERVICE_VARIADIC(slot, ordinal, name, fallback, conv, ret, params) &Resolve_##name,
HostServiceSlots hostSlots = {
#include "contract/host_services.inc"
};
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC

int ignoreMissingEntries;

void ResolveHostEntry(HostEntryKey key, int slotIndex) {
  const SlotInfo& slot = kSlots[slotIndex];
  AnyRoutine routine = LookUpHostEntry(key);
  slot.bind(routine);
  if (routine != nullptr) return;
  if (ReportMissingHostEntry(key, nullptr) == 1 && ChooseFallback(key) >= 0) slot.bindFallback();
}

int ProbeHostService(int slotIndex) {
  ResolveHostEntry(MAKEINTRESOURCEA(kSlots[slotIndex].ordinal), slotIndex);
  return kSlots[slotIndex].isEmpty() ? -1 : 0;
}

int BindAllHostServices() {
  for (int i = 0; i < kSlotCount; ++i) {
    if (ProbeHostService(i) != 0) return -1;
  }
  return 0;
}

int ListStandInServices(StandInService* services, int room) {
  int count = 0;
  for (const SlotInfo& slot : kSlots) {
    if (!slot.holdsFallback()) continue;
    if (count < room) services[count] = {slot.ordinal, slot.name};
    ++count;
  }
  return count;
}

void ResetHostBinding() {
  for (const SlotInfo& slot : kSlots) slot.reset();
  ignoreMissingEntries = 0;
}

int ChooseFallback(HostEntryKey key) {
  enum { kNone = -1, kMostArguments = 14 };
  // A number: the table says, for the services it holds; the plug-in binds no other.
  if (IS_INTRESOURCE(key)) {
    const auto ordinal = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(key));
    for (const SlotInfo& slot : kSlots) {
      if (slot.ordinal == ordinal) return slot.fallback;
    }
    return kNone;
  }
  // A name: the size of its argument list after its last '@', 4 bytes an argument.
const char* at = std::strrchr(key, '@');
  if (at == nullptr || at[1] < '0' || at[1] > '9') return 0;
  unsigned long bytes = 0;
  for (const char* digit = at + 1; *digit >= '0' && *digit <= '9'; ++digit) {
    bytes = bytes * 10 + static_cast<unsigned long>(*digit - '0');
    if (bytes / 4 > kMostArguments) return kNone;
  }
  return static_cast<int>(bytes / 4);
}

int ReportMissingHostEntry(HostEntryKey key, const char* modulePath) {
  if (ignoreMissingEntries) return 1;

  char path[kPathRoom + 1];
  if (modulePath != nullptr) {
    CopyCut(path, modulePath, kPathRoom);
  } else if (GetModuleFileNameA(ownInstance, path, sizeof path) == 0) {
    std::strcpy(path, kUnknownModule);
  }
  path[kPathRoom] = '\0';

  char entry[kEntryRoom + 1];
  if (IS_INTRESOURCE(key)) {
    std::snprintf(entry, sizeof entry, "%u",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(key)));
  } else {
    CopyCut(entry, key, kEntryRoom);
  }

  char displayName[sizeof kPluginDisplayName];
  GetPluginDisplayName(displayName);

  char text[kMissingEntryTextSize];
  wsprintfA(text, kMissingEntryFormat, path, entry, displayName);
  char title[sizeof kMissingEntryTitle];
  lstrcpyA(title, kMissingEntryTitle);

  ReplaceAll(text, '\x01', ' ');
  ReplaceAll(text, '\x02', ' ');
  ConvertForMessageBox(text);
  ConvertForMessageBox(title);

  int answer;
  do {
    answer = MessageBoxA(nullptr, text, title, MB_TASKMODAL | MB_ICONSTOP | MB_ABORTRETRYIGNORE);
  } while (answer == IDRETRY);

  if (answer == IDIGNORE) {
    ignoreMissingEntries = 1;
    return 1;
  }
  return 0;
}

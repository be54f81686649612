// Types and calling conventions of the contract between the plug-in and the host: everything
// the host service signatures in host_services.inc refer to, the records both sides read, and
// the number of services, counted from the table.
#pragma once

#include <cstdarg>
#include <cstdint>

#if defined(_WIN32)
#define HOSTAPI __stdcall    // the service removes its own arguments
#define HOSTAPI_CC __cdecl   // the caller removes them
#define PLUGINAPI __stdcall  // entries 30001 and 30008
#else
#define HOSTAPI
#define HOSTAPI_CC
#define PLUGINAPI
#endif

// A host file handle; only the host knows what it points to.
struct HostFile;

// Code-page identifiers of the host's conversion services.
enum : int { kCodePageMazovia = 1, kCodePageWindows = 3, kCodePageUtf8 = 6 };

// Message styles of HostShowMessage and its kin.
enum : int { kStyleBox = 1, kStyleNotice = 512, kStyleLayoutReport = 0xC001 };

// A menu action: no arguments, a 16-bit result.
typedef short (*MenuAction)();

// The menu entry record handed to HostAddMenuItem: 20 bytes, little-endian, on Win32.
struct MenuEntry {
  std::uint16_t menuCode;
  std::uint16_t menuCodePad;
  const char* text;
  std::uint16_t entryId;
  std::uint16_t entryIdPad;
  MenuAction action;
  std::uint32_t reserved;
};


// The shipped plug-in is 32-bit; the 64-bit Windows build is for tests only, and lays the
// record out with 8-byte pointers (tests/wine/layout_test.cpp checks both).
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(MenuEntry) == 20, "the menu entry record is 20 bytes");
static_assert(sizeof(void*) == 4, "the plug-in is a 32-bit library");
#endif

// Host table descriptor: the record size (signed 16-bit) at byte 6 and the pointer to the
// current record buffer at byte 8.
enum : int { kDescriptorRecordSizeOffset = 6, kDescriptorRecordBufferOffset = 8 };

// The caller's scan state block and key buffer for the host's scan services.
enum : int { kScanStateSize = 192, kScanKeySize = 256 };

// HostPrepareTable's mode: a mask of the table's indexes to make ready; this one, all of them.
enum : int { kPrepareAllIndexes = 255 };

// HostOpenFile's share, attributes and access as the plug-in opens every file: shared with
// other readers and writers (the C runtime's deny-none), no attributes, the access the mode
// gives.
enum : int { kOpenShareDenyNone = 64, kOpenNoAttributes = 0, kOpenAccessOfMode = -1 };

// HostCashRegisterRead's arguments: read the registers HostCashRegisterSelect chose, and 0.
enum : int { kReadSelectedRegisters = 1, kCashRegisterReadReserved = 0 };

// A host date text, "dd.mm.yy" and its NUL with room to spare: the buffer HostTodayText and
// HostAddDays write into.
enum : int { kHostDateTextSize = 12 };

// How many services the contract holds, and a check that their slots run 1, 2, 3 ... in the
// table's order, as the rule of growth wants.
#define HOST_SERVICE(slot, ...) slot,
#define HOST_SERVICE_VARIADIC(slot, ...) slot,
inline constexpr int kHostServiceSlots[] = {
#include "contract/host_services.inc"
};
#undef HOST_SERVICE
#undef HOST_SERVICE_VARIADIC
inline constexpr int kHostServiceCount = sizeof kHostServiceSlots / sizeof kHostServiceSlots[0];

constexpr bool HostServiceSlotsRunInOrder() {
  for (int i = 0; i < kHostServiceCount; ++i) {
    if (kHostServiceSlots[i] != i + 1) return false;
  }
  return true;
}
static_assert(HostServiceSlotsRunInOrder(), "a new service takes the next slot, at the end");
// The one place the number is written: a service removed by mistake fails the build here.
static_assert(kHostServiceCount == 53, "services are added, never removed");

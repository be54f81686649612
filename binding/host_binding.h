// Binding of the host services: every slot filled at load, in slot order, from the host
// module WARNIK; a missing entry reported in a message box, with a do-nothing fallback where
// the user ignores it and one can be chosen.
#pragma once

// An entry key is an ordinal (below 65536, as MAKEINTRESOURCEA gives it) or an entry name.
typedef const char* HostEntryKey;

// Probes every service in slot order; 0 when every slot holds a routine, -1 at the first
// empty one (the probes after it do not run).
int BindAllHostServices();

// Fills one slot (by its index in slot order, 0-based) from the host module.
void ResolveHostEntry(HostEntryKey key, int slotIndex);

// Resolves the slot again, always; 0 when it then holds a routine, -1 when it is empty.
int ProbeHostService(int slotIndex);

// The missing-entry box. Returns 1 when a fallback is to be put in the slot, 0 when not.
int ReportMissingHostEntry(HostEntryKey key, const char* modulePath);

// The fallback (0 to 14 arguments) for a key, or -1 for none: for a number, what the service
// table states; for a name, the argument bytes after its last '@', divided by 4.
int ChooseFallback(HostEntryKey key);

extern int ignoreMissingEntries;

// A service the host lacked at load, answered since by its do-nothing stand-in (the user
// chose Ignore in the missing-entry box).
struct StandInService {
  unsigned ordinal;
  const char* name;  // as the service table names it, "HostCompareDates"
};

// The services whose slots hold a stand-in, in slot order: up to `room` of them into
// services; returns how many there are.
int ListStandInServices(StandInService* services, int room);

// Every slot back to unresolved and the Ignore answer forgotten (used by in-process tests
// that bind more than once).
void ResetHostBinding();

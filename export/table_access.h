// Reading the host's table descriptors and the fields of the records they point at.
#pragma once

#include <cstdint>
#include <cstring>

#include "contract/host_types.h"

// The record buffer of a descriptor, or null when the host gives none or its records are
// shorter than `needed` bytes (the plug-in would read past them).
inline const unsigned char* TableRecordBuffer(const void* descriptor, int needed) {
  const unsigned char* bytes = static_cast<const unsigned char*>(descriptor);
  std::uint16_t size;  // a record size above 32767 reads as negative when signed: not short
  std::memcpy(&size, bytes + kDescriptorRecordSizeOffset, sizeof size);
  if (size < needed) return nullptr;
  const unsigned char* buffer;
  std::memcpy(&buffer, bytes + kDescriptorRecordBufferOffset, sizeof buffer);
  return buffer;
}

inline std::int16_t RecordInt16(const unsigned char* record, int offset) {
  std::int16_t value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

inline std::int32_t RecordInt32(const unsigned char* record, int offset) {
  std::int32_t value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

inline double RecordDouble(const unsigned char* record, int offset) {
  double value;
  std::memcpy(&value, record + offset, sizeof value);
  return value;
}

// A text field of the given room into out (room + 1 bytes), ended at its zero byte or at the
// end of its room, whichever comes first.
inline void RecordText(const unsigned char* record, int offset, int room, char* out) {
  const void* end = std::memchr(record + offset, 0, static_cast<std::size_t>(room));
  std::size_t length = end != nullptr
                           ? static_cast<std::size_t>(static_cast<const unsigned char*>(end) - (record + offset))
                           : static_cast<std::size_t>(room);
  std::memcpy(out, record + offset, length);
  out[length] = '\0';
}

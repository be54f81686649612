// The To and From fields, from the settings value that names the recipients or the sender.
#pragma once

#include <cstddef>

// "<name>: <value>" into out (size bytes) from value, read into a field of fieldSize bytes:
// one address or several, commas apart, and groups ("Biuro: a@x, b@x;").
// - A value in plain ASCII stands byte for byte.
// - Otherwise every name beyond ASCII becomes encoded words: a display name before "<address>"
//   (quoted or not), a group's name, a comment ("a@x (Name)"), and the words beside an address
//   written without brackets ("Name a@x" becomes "Name <a@x>"). Every address stays as written,
//   and the field is folded so that no line holding an encoded word passes 76 characters.
// False, and nothing to be used, when that cannot be done: a byte beyond ASCII in an address
// itself, a name beyond ASCII without an address (or beside two), an address that would land
// inside a name, or a field that does not fit.
bool AddressField(const char* name, const char* value, int fieldSize, char* out, std::size_t size);

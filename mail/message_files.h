// The files a report message is made in, named by the host's instance number so that host
// instances exporting in one folder never write into each other's files.
#pragma once

inline constexpr int kMessageFileNameSize = 32;
inline constexpr int kTemporaryFileNameSize = 40;

// "message.eml" for the host's first instance (number 1, or 0 and below), "message<N>.eml"
// for instance N from 2 on: a host running alone keeps the usual name.
void MessageFileName(char* out);
// "tempatach<N>.txt", N the instance number as a signed decimal number.
void TemporaryFileName(char* out);

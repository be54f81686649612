// The attachment part of the report message: the report file, Base64-encoded by the host,
// parked in a temporary file and copied into the message in lines of 72 characters.
#include "mail/attachment.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "binding/host_api.h"
#include "mail/message_files.h"
#include "output/text_output.h"

namespace {

constexpr int kNameBufferSize = 256;
// One piece read back from the temporary file: 72 characters and the NUL.
constexpr int kLineBufferSize = 73;

// The characters of n bytes in Base64: four for every three bytes begun.
std::int64_t Base64Length(int bytes) { return 4 * ((static_cast<std::int64_t>(bytes) + 2) / 3); }

}  // namespace

int EncodeFileBase64(const char* sourcePath, const char* destinationPath, int* sourceLength) {
  *sourceLength = -1;
  HostFile* source = HostOpenFile(sourcePath, "rb", kOpenShareDenyNone, kOpenNoAttributes, kOpenAccessOfMode);
  if (source == nullptr) return 1;

  HostSeekFile(source, 0, 2);
  const int length = HostTellFile(source);
  HostSeekFile(source, 0, 0);
  // A length the host cannot tell, or one that leaves no room for the NUL, is a source we
  // cannot read whole.
  if (length < 0 || length == INT_MAX) {
    HostCloseFile(source);
    return 1;
  }
  *sourceLength = length;

  char* content = static_cast<char*>(HostAlloc(length + 1));
  if (content == nullptr) {
    HostCloseFile(source);
    return 1;
  }

  HostFile* destination = HostOpenFile(destinationPath, "wt", kOpenShareDenyNone, kOpenNoAttributes, kOpenAccessOfMode);
  if (destination == nullptr) {
    HostCloseFile(source);
    HostFree(content);
    return 1;
  }

  std::memset(content, 0, static_cast<std::size_t>(length) + 1);
  int bytesRead = HostReadFile(content, 1, length, source);
  if (bytesRead < 0) bytesRead = 0;
  if (bytesRead > length) bytesRead = length;

  // Only the bytes actually read are encoded; a short read shows in the attachment's length,
  // which AddAttachment checks against the whole file.
  char* encoded = HostBase64Encode(content, bytesRead);
  // No text for a report that has bytes (the host had no memory for it: a report of a few
  // hundred megabytes) would mail an attachment with nothing in it as if the report had gone
  // out, and so would a temporary file cut short (a full disk) with half a report: both count
  // as an attachment that could not be made.
  bool written = encoded != nullptr || bytesRead == 0;
  if (encoded != nullptr) {
    const int encodedLength = static_cast<int>(std::strlen(encoded));
    if (encodedLength > 0) written = HostWriteFile(encoded, 1, encodedLength, destination) == encodedLength;
  }

  HostCloseFile(source);
  written = HostCloseFile(destination) == 0 && written;
  HostFree(content);
  if (encoded != nullptr) HostFree(encoded);
  return written ? 0 : 1;
}

void SplitFileName(const char* path, char* stem, char* extension) {
  stem[0] = '\0';
  extension[0] = '\0';

  char work[kNameBufferSize];
  std::memset(work, 0, sizeof work);
  HostCopyText(work, path, kNameBufferSize - 1);
  work[kNameBufferSize - 1] = '\0';

  // A drive letter and its colon are dropped. The rest is taken from the bounded copy, so a
  // path longer than the buffers is cut instead of overrunning them.
  const char* text = work;
  if (work[0] != '\0' && work[1] == ':') text = work + 2;

  if (text[0] == '\\' && text[1] == '\0') return;

  const char* name = std::strrchr(text, '\\');
  name = name != nullptr ? name + 1 : text;

  const char* dot = std::strrchr(name, '.');
  if (dot == nullptr) {
    std::memcpy(stem, name, std::strlen(name) + 1);
    return;
  }
  const std::size_t stemLength = static_cast<std::size_t>(dot - name);
  std::memcpy(stem, name, stemLength);
  stem[stemLength] = '\0';
  std::memcpy(extension, dot + 1, std::strlen(dot + 1) + 1);
}

int AddAttachment(HostFile* file, const char* reportPath) {
  char temporaryName[kTemporaryFileNameSize];
  TemporaryFileName(temporaryName);

  int reportLength;
  if (EncodeFileBase64(reportPath, temporaryName, &reportLength) != 0) return 1;

  char stem[kNameBufferSize];
  char extension[kNameBufferSize];
  SplitFileName(reportPath, stem, extension);

  HostFile* encoded = HostOpenFilePlain(temporaryName, "rt");
  if (encoded == nullptr) return 1;

  HostConvertText(stem, stem, kCodePageWindows, kCodePageMazovia);
  HostConvertText(extension, extension, kCodePageWindows, kCodePageMazovia);

  bool written = _fprintfUTF(file,
                             "Content-Type: application/xml;\n name=\"%s.%s\"\n"
                             "Content-Transfer-Encoding: base64\n"
                             "Content-Disposition: attachment;\n filename=\"%s.%s\"\n\n",
                             stem, extension, stem, extension) == 0;

  // Every character read back is counted: a host that gives less (a short read, a line
  // service that gives nothing) would mail less than the whole report.
  char line[kLineBufferSize];
  std::int64_t copied = 0;
  while (written && HostReadLine(line, kLineBufferSize, encoded) != nullptr) {
    line[kLineBufferSize - 1] = '\0';
    copied += static_cast<std::int64_t>(std::strcspn(line, "\r\n"));
    written = HostFilePrintf(file, "%s\n", line) >= 0;
  }

  HostCloseFile(encoded);
  return written && copied == Base64Length(reportLength) ? 0 : 1;
}

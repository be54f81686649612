// A settings file as lines of INI text, read the same whatever its line ends (LF, CRLF,
// CR CR LF, or CR alone) and with blanks around names and values, and edited one value at a
// time so that everything else, each line's own line end included, stays as it was.
//
// "[section]" lines and "key=value" lines; anything else (comments starting with ';' or '#',
// blank lines) is kept as it is. Sections and keys match without regard to ASCII case; the
// first matching section, and in it the first matching key, counts. Blanks (spaces and tabs)
// around a name or a value are not part of it; a value with blanks at its ends, or in double
// quotes, is stored in double quotes. A UTF-8 byte order mark before the first line is kept
// and otherwise ignored.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

class IniDocument {
 public:
  explicit IniDocument(std::string_view content);

  // The value of a key, without its blanks and quotes; false when the section or the key is
  // missing (sectionFound says which).
  bool Find(std::string_view section, std::string_view key, std::string* value,
            bool* sectionFound) const;

  // Sets a key's value (one line, no line break): in its line when the key is there, as a new
  // last line of its section, or in a new section at the end.
  void Set(std::string_view section, std::string_view key, const std::string& value);

  std::string Text() const;

 private:
  struct Line {
    std::string text;
    std::string end;  // this line's own line end; none on a last line without one
  };
  struct Location {
    bool sectionFound = false;
    std::size_t sectionEnd = 0;  // the line after the section's last line
    bool keyFound = false;
    std::size_t keyLine = 0;
  };
  Location Locate(std::string_view section, std::string_view key) const;

  std::string byteOrderMark_;
  std::vector<Line> lines_;
  std::string newLine_ = "\n";  // what added lines end with: the file's first line end
};

}  // namespace host

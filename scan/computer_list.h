// The computer field's text as the computers a scan covers: one name as always, or a list of names
// typed into the field or read from a text file named after "@".
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvel {

// More names than this are refused: no scan.
inline constexpr std::size_t kMaxComputers = 1000;

struct ComputerList {
  enum class Kind {
    Single,        // today's scan of one computer, the field as typed (also empty: the local computer)
    Many,          // a scan of each name, at least one
    TooMany,       // more than kMaxComputers names
    NoFileName,    // "@" without a path
    FileUnreadable,
    FileEmpty,     // the file holds no name
  };
  Kind kind = Kind::Single;
  // Single: the field as typed, or its one name when separators surround it; Many: the names in their
  // first spelling and order, each once.
  std::vector<std::string> names;
  std::string file;  // the path after "@", for the messages about the file

  bool Failed() const { return kind != Kind::Single && kind != Kind::Many; }
};

// The file's bytes, or nothing when it cannot be read; the caller's way into the file system.
using ReadComputerFile = std::function<std::optional<std::string>(const std::string& path)>;

// Rules beyond splitting at commas, semicolons, blanks, tabs and line ends:
// - A field without any separator and not starting with "@" is Single, as typed. So is a field of
//   separators alone, which names no computer: it stays what it always was.
// - Two names or more make it Many; one name between separators ("pc1," or " pc1") is Single, that
//   name alone. "@" makes it Many even for a file of one name.
// - Blanks around the whole field are ignored; "@" then takes the rest as the path, blanks at its
//   ends and one pair of enclosing quotes removed (Explorer's "Copy as path"), inner blanks kept.
// - In a file: a UTF-8 byte-order mark is dropped; UTF-16 with its byte-order mark (Notepad's
//   "Unicode", Windows PowerShell's ">") is read as UTF-16; CR LF, LF and CR all end a line; a line
//   whose first non-blank character is "#" is a comment, a "#" later in a line is part of a name.
// - Names are the same when equal after folding ASCII letters; other characters compare exactly,
//   byte for byte of their UTF-8: at worst a computer is scanned twice, never left out.
ComputerList ParseComputerField(std::string_view field, const ReadComputerFile& readFile);

}  // namespace orvel

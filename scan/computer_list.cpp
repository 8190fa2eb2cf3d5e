#include "computer_list.h"

#include <unordered_set>
#include <utility>

#include "../platform/utf.h"

namespace orvel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsSeparator(char c) { return IsBlank(c) || c == ',' || c == ';'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Folded(std::string_view name) {
  std::string key(name);
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}

// Takes each name once, in its first spelling, and notes when there are more than the limit.
class NameCollector {
 public:
  void Add(std::string_view name) {
    if (tooMany_ || !seen_.insert(Folded(name)).second) return;
    if (names_.size() == kMaxComputers) {
      tooMany_ = true;
      return;
    }
    names_.emplace_back(name);
  }
  void AddAll(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size() && !tooMany_;) {
      std::size_t end = pos;
      while (end < text.size() && !IsSeparator(text[end])) ++end;
      if (end > pos) Add(text.substr(pos, end - pos));
      pos = end + 1;
    }
  }
  bool TooMany() const { return tooMany_; }
  std::vector<std::string> Take() { return std::move(names_); }

 private:
  std::vector<std::string> names_;
  std::unordered_set<std::string> seen_;
  bool tooMany_ = false;
};

// A file's text as UTF-8: a UTF-8 byte-order mark dropped, UTF-16 of either byte order converted.
std::string FileText(std::string bytes) {
  const auto startsWith = [&](std::string_view mark) { return std::string_view(bytes).substr(0, mark.size()) == mark; };
  if (startsWith("\xEF\xBB\xBF")) return bytes.substr(3);
  const bool little = startsWith("\xFF\xFE");
  if (!little && !startsWith("\xFE\xFF")) return bytes;
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]), second = static_cast<unsigned char>(bytes[i + 1]);
    units += static_cast<char16_t>(little ? (second << 8) | first : (first << 8) | second);
  }
  return utf::ToUtf8(units);
}

// Line by line, so that a comment line ends at its own line end whichever convention the file uses.
void CollectFileNames(std::string_view text, NameCollector& names) {
  for (std::size_t pos = 0; pos < text.size() && !names.TooMany();) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = Trimmed(text.substr(pos, end - pos));
    if (!line.empty() && line.front() != '#') names.AddAll(line);
    pos = end + 1;
  }
}

ComputerList Result(ComputerList::Kind kind, std::vector<std::string> names, std::string file = {}) {
  return {kind, std::move(names), std::move(file)};
}

ComputerList FromFile(std::string_view path, const ReadComputerFile& readFile) {
  using Kind = ComputerList::Kind;
  path = Trimmed(path);
  // A file name cannot hold a quote, so enclosing ones are never part of it.
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = Trimmed(path.substr(1, path.size() - 2));
  std::string file(path);
  if (file.empty()) return Result(Kind::NoFileName, {});
  std::optional<std::string> bytes = readFile(file);
  if (!bytes) return Result(Kind::FileUnreadable, {}, std::move(file));
  NameCollector names;
  CollectFileNames(FileText(std::move(*bytes)), names);
  if (names.TooMany()) return Result(Kind::TooMany, {}, std::move(file));
  std::vector<std::string> list = names.Take();
  if (list.empty()) return Result(Kind::FileEmpty, {}, std::move(file));
  return Result(Kind::Many, std::move(list), std::move(file));
}

}  // namespace

ComputerList ParseComputerField(std::string_view field, const ReadComputerFile& readFile) {
  using Kind = ComputerList::Kind;
  bool separated = false;
  for (const char c : field) separated = separated || IsSeparator(c);
  const std::string_view text = Trimmed(field);
  if (!text.empty() && text.front() == '@') return FromFile(text.substr(1), readFile);
  if (!separated) return Result(Kind::Single, {std::string(field)});
  NameCollector names;
  names.AddAll(text);
  if (names.TooMany()) return Result(Kind::TooMany, {});
  std::vector<std::string> list = names.Take();
  if (list.empty()) return Result(Kind::Single, {std::string(field)});
  // One name between separators is still one computer: today's scan, of the name alone.
  if (list.size() == 1) return Result(Kind::Single, std::move(list));
  return Result(Kind::Many, std::move(list));
}

}  // namespace orvel

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "scan/computer_list.h"

namespace orvel {
namespace {

using Kind = ComputerList::Kind;
using Names = std::vector<std::string>;

// The byte-order mark and the units of an ASCII text in UTF-16 of either byte order.
std::string Utf16(std::string_view ascii, bool little) {
  std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
  for (const char c : ascii) bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
  return bytes;
}

TEST(ComputerListTest, FieldAndFileRules) {
  Names thousand;
  std::string twice;  // the thousand names, each repeated
  for (int i = 0; i < 1000; ++i) {
    thousand.push_back("pc" + std::to_string(i));
    twice += thousand.back() + " PC" + std::to_string(i) + "\n";
  }
  // A file of nothing cannot be read; the path is the file asked for, if any.
  const struct { std::string field; std::optional<std::string> file; Kind kind; Names names; std::string path; } cases[] = {
      {"pc1", {}, Kind::Single, {"pc1"}, ""},
      {"", {}, Kind::Single, {""}, ""},
      {" ,; ", {}, Kind::Single, {" ,; "}, ""},
      {"pc1, pc2 pc3;srv4", {}, Kind::Many, {"pc1", "pc2", "pc3", "srv4"}, ""},
      {"a\tb\r\nc\nd,,;;", {}, Kind::Many, {"a", "b", "c", "d"}, ""},
      {"PC1,pc1;", {}, Kind::Single, {"PC1"}, ""},
      {"PC1,pc1;Pc2 pc1 pC2", {}, Kind::Many, {"PC1", "Pc2"}, ""},
      {"\u00C4x \u00E4x \u00C4X", {}, Kind::Many, {"\u00C4x", "\u00E4x"}, ""},
      {"#a b", {}, Kind::Many, {"#a", "b"}, ""},
      {"  @ \"C:\\My lists\\a,b.txt\" \r\n", "pc1", Kind::Many, {"pc1"}, "C:\\My lists\\a,b.txt"},
      {"@f", "\xEF\xBB\xBF# floor 2\r\npc1\r\n\r\n  # off\rpc2, PC1;pc3 #x\n@g", Kind::Many,
       {"pc1", "pc2", "pc3", "#x", "@g"}, "f"},
      {"@f", "#a\r\n#b", Kind::FileEmpty, {}, "f"},
      {"@f", Utf16("pc1\r\n#x\r\npc2 p\xE4", true), Kind::Many, {"pc1", "pc2", "p\u00E4"}, "f"},
      {"@f", Utf16("pc1,pc2", false), Kind::Many, {"pc1", "pc2"}, "f"},
      {"@missing", std::nullopt, Kind::FileUnreadable, {}, "missing"},
      {" @ ", {}, Kind::NoFileName, {}, ""},
      {twice, {}, Kind::Many, thousand, ""},
      {twice + "x", {}, Kind::TooMany, {}, ""},
      {"@f", "#\n" + twice + "x", Kind::TooMany, {}, "f"},
  };
  for (const auto& c : cases) {
    std::string asked;
    const ComputerList list = ParseComputerField(c.field, [&](const std::string& path) {
      asked = path;
      return c.file;
    });
    SCOPED_TRACE(c.field.substr(0, 40));
    EXPECT_EQ(list.kind, c.kind);
    EXPECT_EQ(asked, c.path);
    EXPECT_EQ(list.file, c.path);
    EXPECT_EQ(list.names, c.names);
  }
}

}  // namespace
}  // namespace orvel

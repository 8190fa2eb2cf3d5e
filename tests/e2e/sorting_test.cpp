// Column sorting of the running program: real mouse clicks on a column header reorder the rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"

namespace e2e {
namespace {

constexpr int kProcessIdColumn = 2;
constexpr int kParentPidColumn = 3;

// Scan order on purpose: neither ascending nor descending by any column.
const std::vector<std::pair<std::string, std::string>> kProcesses = {
    {"svchost.exe", "708"}, {"System", "4"}, {"explorer.exe", "1234"},
    {"cmd.exe", "88"},      {"smss.exe", "20"}, {"notepad.exe", "100"},
};

std::string Scenario() {
  std::string text = "# processes for the column sorting test\n";
  for (const auto& [name, pid] : kProcesses) {
    text += "process Name=\"" + name + "\" ProcessId=" + pid + " ParentProcessId=4 SessionId=1 ThreadCount=3" +
            " Priority=8 WorkingSetSize=\"409600\" HandleCount=50\n";
  }
  return text;
}

// Name and process ID of every row, top to bottom.
std::vector<std::pair<std::string, std::string>> Shown(HWND list) {
  std::vector<std::pair<std::string, std::string>> shown;
  for (const auto& row : ListRows(list, kProcessIdColumn + 1)) shown.emplace_back(row[0], row[kProcessIdColumn]);
  return shown;
}

std::vector<std::pair<std::string, std::string>> ByProcessId(bool descending) {
  auto rows = kProcesses;
  std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return std::stoul(a.second) < std::stoul(b.second); });
  if (descending) std::reverse(rows.begin(), rows.end());
  return rows;
}

std::string Describe(const std::vector<std::pair<std::string, std::string>>& rows) {
  std::string text;
  for (const auto& [name, pid] : rows) text += name + " " + pid + "; ";
  return text;
}

// A point inside a column's header item, from the column widths (the list is not scrolled).
POINT HeaderPoint(HWND list, HWND header, int column, int offset) {
  int left = 0;
  for (int c = 0; c < column; ++c) left += ListColumnWidth(list, c);
  RECT client{};
  GetClientRect(header, &client);
  return {left + ListColumnWidth(list, column) / 2 + offset, client.bottom / 2};
}

TEST(Sorting, HeaderClicksSortDescendingThenAscending) {
  const std::string scenario = TempDir() + "\\sorting-scenario.txt";
  WriteFile(scenario, Scenario());
  Program program("", {{"ORVEL_WMI_SCENARIO", scenario}});
  HWND main = program.MainWindow();
  HWND list = Child(main, "SysListView32");
  ASSERT_TRUE(list);
  HWND header = Child(list, "SysHeader32");
  ASSERT_TRUE(header);
  HWND status = Child(main, "msctls_statusbar32");
  ASSERT_TRUE(WaitFor([&] { return StatusText(status).find("processes") != std::string::npos; }, 120s))
      << StatusText(status);
  ASSERT_EQ(Shown(list), kProcesses) << "scan order first: " << Describe(Shown(list));

  // Two points a few pixels apart: the second click must not count as a double click.
  const POINT first = HeaderPoint(list, header, kProcessIdColumn, -10);
  Click(header, first.x, first.y);
  const auto descending = ByProcessId(true);
  EXPECT_TRUE(WaitFor([&] { return Shown(list) == descending; }, 30s)) << Describe(Shown(list));
  Screenshot(main, "sorting-descending");

  const POINT second = HeaderPoint(list, header, kProcessIdColumn, 10);
  Click(header, second.x, second.y);
  const auto ascending = ByProcessId(false);
  EXPECT_TRUE(WaitFor([&] { return Shown(list) == ascending; }, 30s)) << Describe(Shown(list));
  EXPECT_EQ(ListColumnWidth(list, kParentPidColumn), 1);
  Screenshot(main, "sorting-ascending");
}

}  // namespace
}  // namespace e2e

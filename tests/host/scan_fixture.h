// A created TForm1 whose WMI is a scripted FakeWmi.
#pragma once

#include <memory>
#include <string>

#include "fake_wmi.h"
#include "form_fixture.h"

namespace orvel::fakes {

// A process with every property the scan reads; tests override single ones.
inline FakeProcess SampleProcess(const std::string& name, std::int64_t processId) {
  return {
      {"Name", Txt(name)},
      {"ExecutablePath", Txt("C:\\Windows\\" + name)},
      {"ProcessID", Int(processId)},
      {"ParentProcessId", Int(4)},
      {"SessionID", Int(1)},
      {"ThreadCount", Int(12)},
      {"Priority", Int(8)},
      {"WorkingSetSize", Txt("4096000")},
      {"HandleCount", Int(230)},
      {"UserModeTime", Txt("15000000")},
      {"KernelModeTime", Txt("25000000")},
  };
}

class ScanFixture : public FormFixture {
 protected:
  ScanFixture() {
    auto fake = std::make_unique<FakeWmi>(journal);
    fakeWmi = fake.get();
    wmi = std::move(fake);
    for (int k = 0; k < 3; ++k) fakeWmi->processes.push_back(SampleProcess("p" + std::to_string(k) + ".exe", 100 + k));
    Create();
  }

  TPIArray Scan(const std::string& computer = "PC1", const std::string& user = "jdoe",
                const std::string& password = "secret") {
    TPIArray records;
    form1->ScanProcesses(computer, user, password, records);
    return records;
  }

  // Journal positions of the first entry equal to the text; -1 when absent.
  int Position(const std::string& entry) const {
    for (std::size_t i = 0; i < journal.entries.size(); ++i)
      if (journal.entries[i] == entry) return static_cast<int>(i);
    return -1;
  }

  FakeWmi* fakeWmi = nullptr;
};

}  // namespace orvel::fakes

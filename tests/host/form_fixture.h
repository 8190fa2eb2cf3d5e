// A TForm1 over fakes, with every control as the form definition creates it.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/form1.h"
#include "app/form_definition.h"
#include "fake_platform.h"
#include "fakes.h"

namespace orvel::fakes {

class FormFixture : public ::testing::Test {
 protected:
  // Nothing of setting up the controls counts as an effect of the program.
  FormFixture() { journal.entries.clear(); }

  // Builds the form and runs its creation handler, as program start does.
  TForm1& Create() {
    form1 = std::make_unique<TForm1>(Form, Services());
    Form.OnCreate(&Form);
    return *form1;
  }

  TForm1Services Services() { return {Application, System, *wmi, *shell, *windows, scans}; }

  Journal journal;
  FakeFormWindow Form{journal, "Form", 0x100};
  // The fakes that tests look into, as the form definition created them.
  FakeListView& ListView1 = Form.Find<FakeListView>("ListView1");
  FakeLabel& PcLabel = Form.Find<FakeLabel>("PcLabel");
  FakeLabel& UserLabel = Form.Find<FakeLabel>("UserLabel");
  FakeLabel& PassLabel = Form.Find<FakeLabel>("PassLabel");
  FakeEdit& PasswordEdit = Form.Find<FakeEdit>("PasswordEdit");
  FakeStatusBar& StatusBar = Form.Find<FakeStatusBar>("StatusBar");
  FakeSpeedButton& DirButton = Form.Find<FakeSpeedButton>("DirButton");
  FakeComboBox& PcComboBox = Form.Find<FakeComboBox>("PcComboBox");
  FakeAnimate& Animate1 = Form.Find<FakeAnimate>("Animate1");
  FakeSpeedButton& InfoButton = Form.Find<FakeSpeedButton>("InfoButton");
  FakeSpeedButton& GoogleButton = Form.Find<FakeSpeedButton>("GoogleButton");
  FakeSpeedButton& StartButton = Form.Find<FakeSpeedButton>("StartButton");
  FakeComboBox& UserComboBox = Form.Find<FakeComboBox>("UserComboBox");
  FakeApplication Application{journal};
  FakeSystem System{journal};
  // Replaceable by tests that script WMI, the shell or the window calls.
  std::unique_ptr<IWmi> wmi = std::make_unique<NoWmi>();
  std::unique_ptr<IShell> shell = std::make_unique<NoShell>();
  std::unique_ptr<IWindowApi> windows = std::make_unique<RecordingWindowApi>();
  ScriptedScans scans;
  std::unique_ptr<TForm1> form1;
};

}  // namespace orvel::fakes

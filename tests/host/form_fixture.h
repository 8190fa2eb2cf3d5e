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
  FormFixture() {
    // Captions as the toolkit applies them from the form definition.
    PcLabel.SetCaption("&Computer");
    UserLabel.SetCaption("&User");
    PassLabel.SetCaption("&Password");
    StartButton.SetCaption("&Scan now!");
    GoogleButton.SetCaption("&Google");
    InfoButton.SetCaption("&Info");
    Animate1.SetVisible(false);
    journal.entries.clear();
  }

  // Builds the form and runs its creation handler, as program start does.
  TForm1& Create() {
    form1 = std::make_unique<TForm1>(Controls(), Services());
    Form.OnCreate(&Form);
    return *form1;
  }

  TForm1Controls Controls() {
    return {Form, ListView1, PcLabel, UserLabel, PassLabel, PasswordEdit, StatusBar, DirButton,
            PcComboBox, Animate1, InfoButton, GoogleButton, StartButton, UserComboBox};
  }
  TForm1Services Services() { return {Application, System, *wmi, *shell, *windows}; }

  Journal journal;
  FakeFormWindow Form{journal, "Form", 0x100};
  FakeListView ListView1{journal, "ListView1", 0x101};
  FakeLabel PcLabel{journal, "PcLabel", 0x102};
  FakeLabel UserLabel{journal, "UserLabel", 0x103};
  FakeLabel PassLabel{journal, "PassLabel", 0x104};
  FakeEdit PasswordEdit{journal, "PasswordEdit", 0x105};
  FakeStatusBar StatusBar{journal, "StatusBar", 0x106};
  FakeSpeedButton DirButton{journal, "DirButton", 0x107};
  FakeComboBox PcComboBox{journal, "PcComboBox", 0x108};
  FakeAnimate Animate1{journal, "Animate1", 0x109};
  FakeSpeedButton InfoButton{journal, "InfoButton", 0x10A};
  FakeSpeedButton GoogleButton{journal, "GoogleButton", 0x10B};
  FakeSpeedButton StartButton{journal, "StartButton", 0x10C};
  FakeComboBox UserComboBox{journal, "UserComboBox", 0x10D};
  FakeApplication Application{journal};
  FakeSystem System{journal};
  // Replaceable by tests that script WMI, the shell or the window calls.
  std::unique_ptr<IWmi> wmi = std::make_unique<NoWmi>();
  std::unique_ptr<IShell> shell = std::make_unique<NoShell>();
  std::unique_ptr<IWindowApi> windows = std::make_unique<RecordingWindowApi>();
  std::unique_ptr<TForm1> form1;
};

}  // namespace orvel::fakes

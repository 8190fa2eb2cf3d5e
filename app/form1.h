// The main window's logic: its controls, fields and event handlers.
// Portable: it sees the toolkit and the system only through the interfaces of platform/.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../platform/computer_scans.h"
#include "../platform/shell.h"
#include "../platform/system.h"
#include "../platform/ui.h"
#include "../platform/wmi.h"
#include "../platform/window_api.h"
#include "../scan/many_scan.h"
#include "../scan/process_info.h"
#include "language_texts.h"

namespace orvel {

// What the window logic uses of the platform besides its controls.
struct TForm1Services {
  TApplication& Application;
  ISystem& System;
  IWmi& Wmi;
  IShell& Shell;
  IWindowApi& Windows;
  IComputerScans& Scans;
};

class TForm1 {
 public:
  // The window holds the controls of the form definition, created by the toolkit.
  TForm1(TFormWindow& form, const TForm1Services& services);
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

 private:
  // Declared first: every control member below is found through it.
  TFormWindow& Form;
  template <class Control>
  Control& Bind(std::string_view name) {
    return dynamic_cast<Control&>(Form.FindControl(name));
  }

 public:
  // Controls, in declaration order; each is bound by its name in the form definition.
  TListView& ListView1 = Bind<TListView>("ListView1");
  TLabel& PcLabel = Bind<TLabel>("PcLabel");
  TLabel& UserLabel = Bind<TLabel>("UserLabel");
  TLabel& PassLabel = Bind<TLabel>("PassLabel");
  TEdit& PasswordEdit = Bind<TEdit>("PasswordEdit");
  TStatusBar& StatusBar = Bind<TStatusBar>("StatusBar");
  TSpeedButton& DirButton = Bind<TSpeedButton>("DirButton");
  TComboBox& PcComboBox = Bind<TComboBox>("PcComboBox");
  TAnimate& Animate1 = Bind<TAnimate>("Animate1");
  TSpeedButton& InfoButton = Bind<TSpeedButton>("InfoButton");
  TSpeedButton& GoogleButton = Bind<TSpeedButton>("GoogleButton");
  TSpeedButton& StartButton = Bind<TSpeedButton>("StartButton");
  TComboBox& UserComboBox = Bind<TComboBox>("UserComboBox");

  // Handlers, bound by the form definition (BindEvents).
  void StartButtonClick(TObject* sender);
  void FormCreate(TObject* sender);
  void PcEditKeyDown(TObject* sender, std::uint16_t& key, TShiftState shift);
  void DirButtonClick(TObject* sender);
  void InfoButtonClick(TObject* sender);
  void GoogleButtonClick(TObject* sender);
  void ListView1ColumnClick(TObject* sender, int column);
  void ListView1Click(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);
  void StatusBarClick(TObject* sender);
  void FormPaint(TObject* sender);
  void FormDeactivate(TObject* sender);
  // Esc stops a many-computer scan; every other key goes on to the control with the focus.
  void FormKeyDown(TObject* sender, std::uint16_t& key, TShiftState shift);

  // The list's context menu and what it offers: copying rows, a web lookup, ending a process.
  void ListView1ContextPopup(TObject* sender, int x, int y);
  void ListView1KeyDown(TObject* sender, std::uint16_t& key, TShiftState shift);
  void CopyClick(TObject* sender);
  void CopyAllClick(TObject* sender);
  void EndProcessClick(TObject* sender);

  void ScanProcesses(std::string computer, std::string user, std::string password, TPIArray& records);
  void CreateBalloonHint(const std::string& title, const std::string& body);
  void ListViewWndProc(TMessage& message);
  // While computers of a many-computer scan are still to answer.
  bool ManyScanBusy() const { return FManyScan && FManyScan->Busy(); }

  std::int32_t Language() const { return FLanguage; }
  WindowHandle HintWindow() const { return FHintWnd; }
  const TToolInfo& ToolInfo() const { return FToolInfo; }

 private:
  void BindEvents();
  void ChooseLanguage();
  void Relabel();
  void NameForAssistiveTechnology();
  const char* Text(TextId id) const { return LookupText(id, FLanguage); }
  std::string ScanFailureText(const TComputerScan& scan) const;

  // The scan of several computers: started here, answered one computer at a time from the queue.
  void StartManyScan(std::vector<std::string> computers, const std::string& user, const std::string& password);
  void StartWaitingComputers();
  void ComputerAnswered(std::uint64_t generation, std::size_t index, TComputerScan scan);
  void ListAnsweredRows(std::uint64_t generation, bool all);
  void ManyScanTick(std::uint64_t generation);
  void ShowManyScanStatus(bool whenDue);
  void EndManyScan();
  void AbandonManyScan();
  ManyScanTexts ManyTexts() const;
  // The list's Computer column after the ten of the form definition, shown for many computers only.
  bool HasComputerColumn() const;
  void ShowComputerColumn(bool shown);

  TForm1Services Services;

  TWndMethod FOldListViewProc;
  std::int32_t FLanguage = 0;
  WindowHandle FHintWnd = 0;
  TToolInfo FToolInfo{};
  // The computer and user name of the last scan: whose processes the rows are; and the computer
  // field as it was then.
  std::string FScannedComputer;
  std::string FScannedField;
  std::string FScannedUser;
  // The running many-computer scan, or the last one; answers of an earlier generation are dropped.
  std::unique_ptr<ManyScan> FManyScan;
  std::uint64_t FManyGeneration = 0;
  // The key of the last header sort since the list was cleared: later answers are sorted in by it.
  std::int32_t FSortKey = 0;
  // What computers still waiting for their turn are scanned with, besides the scan's user.
  std::string FManyPassword;
  // Records of computers that have answered, by computer index, not yet in the list.
  std::deque<std::pair<std::size_t, TPIArray>> FAnsweredRows;
};

std::string LocalComputerName(ISystem& system);
std::string LocalUserName(ISystem& system);

// The debugger output channel; the balloon is its only user.
void DebugTrace(ISystem& system, const std::string& text);

}  // namespace orvel

#include "form1.h"

#include <algorithm>
#include <cstdio>

#include "../resources/resource_ids.h"
#include "form_layout.h"

namespace orvel {

TForm1::TForm1(TFormWindow& form, const TForm1Services& services) : Form(form), Services(services) { BindEvents(); }

// The bindings of the form definition; the application's deactivation is bound by FormCreate.
void TForm1::BindEvents() {
  Form.OnCreate = [this](TObject* s) { FormCreate(s); };
  Form.OnPaint = [this](TObject* s) { FormPaint(s); };
  Form.OnDeactivate = [this](TObject* s) { FormDeactivate(s); };
  Form.OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
  const TKeyEvent keyDown = [this](TObject* s, std::uint16_t& key, TShiftState shift) { PcEditKeyDown(s, key, shift); };
  PcComboBox.OnKeyDown = keyDown;
  UserComboBox.OnKeyDown = keyDown;
  PasswordEdit.OnKeyDown = keyDown;
  StartButton.OnClick = [this](TObject* s) { StartButtonClick(s); };
  DirButton.OnClick = [this](TObject* s) { DirButtonClick(s); };
  GoogleButton.OnClick = [this](TObject* s) { GoogleButtonClick(s); };
  InfoButton.OnClick = [this](TObject* s) { InfoButtonClick(s); };
  ListView1.OnClick = [this](TObject* s) { ListView1Click(s); };
  ListView1.OnDblClick = [this](TObject* s) { GoogleButtonClick(s); };
  ListView1.OnColumnClick = [this](TObject* s, int column) { ListView1ColumnClick(s, column); };
  ListView1.OnContextPopup = [this](TObject* s, int x, int y) { ListView1ContextPopup(s, x, y); };
  ListView1.OnKeyDown = [this](TObject* s, std::uint16_t& key, TShiftState shift) { ListView1KeyDown(s, key, shift); };
  StatusBar.OnClick = [this](TObject* s) { StatusBarClick(s); };
}

void TForm1::FormCreate(TObject* /*sender*/) {
  // Windows before Vista keep the shell's find-computer clip of the form definition.
  if (Services.System.OsMajorVersion() > 5) Animate1.UseOwnClip(IDR_BUSY_AVI);
  FHintWnd = 0;
  FToolInfo = TToolInfo{};
  Services.Application.OnDeactivate = [this](TObject* s) { FormDeactivate(s); };
  ChooseLanguage();
  if (FLanguage != 0) Relabel();
  Form.SetCaption(Text(txtTitle));
  Services.Application.SetTitle(Form.Caption());
  PcComboBox.SetText(LocalComputerName(Services.System));
  UserComboBox.AddItem("Administrator");
  UserComboBox.AddItem(LocalUserName(Services.System));
  NameForAssistiveTechnology();
}

// The entry fields by their labels, as the user sees them in this language; the list and the
// browse button, which show no caption, by a name of their own.
void TForm1::NameForAssistiveTechnology() {
  PcComboBox.SetAccessibleName(PlainCaption(PcLabel.Caption()));
  UserComboBox.SetAccessibleName(PlainCaption(UserLabel.Caption()));
  PasswordEdit.SetAccessibleName(PlainCaption(PassLabel.Caption()));
  ListView1.SetAccessibleName(Text(txtProcessListName));
  DirButton.SetAccessibleName(Text(txtBrowseName));
}

void TForm1::FormPaint(TObject* sender) {
  // Unbound first: paints dispatched while the first scan runs must only repaint.
  Form.OnPaint = nullptr;
  CreateBalloonHint(Text(txtHintTitle), Text(txtHintBody));
  FOldListViewProc = ListView1.WindowProc();
  ListView1.SetWindowProc([this](TMessage& message) { ListViewWndProc(message); });
  StartButtonClick(sender);
}

void TForm1::StatusBarClick(TObject* /*sender*/) {
  char text[64];
  // 0xD7 is the multiplication sign in code page 1252.
  std::snprintf(text, sizeof text, "%d \xD7 %d", Form.Width(), Form.Height());
  StatusBar.SetSimpleText(text);
}

std::string LocalComputerName(ISystem& system) {
  char buffer[16] = {};
  std::uint32_t size = sizeof buffer;
  if (!system.GetComputerNameA(buffer, &size)) return {};
  return std::string(buffer, std::find(buffer, buffer + sizeof buffer, '\0'));
}

std::string LocalUserName(ISystem& system) {
  char buffer[256] = {};
  std::uint32_t size = sizeof buffer;
  if (!system.GetUserNameA(buffer, &size)) return {};
  return std::string(buffer, std::find(buffer, buffer + sizeof buffer, '\0'));
}

}  // namespace orvel

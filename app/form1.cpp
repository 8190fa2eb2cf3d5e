#include "form1.h"

#include <algorithm>
#include <string_view>

#include "../platform/utf.h"
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
  Form.OnKeyDown = [this](TObject* s, std::uint16_t& key, TShiftState shift) { FormKeyDown(s, key, shift); };
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
  StatusBar.SetSimpleText(std::to_string(Form.Width()) + " \u00D7 " + std::to_string(Form.Height()));
}

namespace {

// The name a call wrote into the buffer, up to its first NUL; empty when the call failed.
template <std::size_t Units>
std::string NameFrom(bool (ISystem::*call)(char16_t*, std::uint32_t*), ISystem& system) {
  char16_t buffer[Units] = {};
  std::uint32_t size = Units;
  if (!(system.*call)(buffer, &size)) return {};
  return utf::ToUtf8(std::u16string_view(buffer, std::find(buffer, buffer + Units, u'\0') - buffer));
}

}  // namespace

std::string LocalComputerName(ISystem& system) { return NameFrom<16>(&ISystem::GetComputerNameW, system); }

std::string LocalUserName(ISystem& system) { return NameFrom<256>(&ISystem::GetUserNameW, system); }

}  // namespace orvel

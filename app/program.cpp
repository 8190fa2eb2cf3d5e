#include "program.h"

namespace orvel {

int RunProgram(IToolkit& toolkit, const TForm1Services& services) {
  // Only a successful initialisation is balanced; a failed one shows itself as a failing scan.
  const bool comInitialized = services.System.CoInitialize();
  {
    const TForm1Controls controls = toolkit.CreateMainForm();
    TForm1 form(controls, services);
    try {
      if (controls.Form.OnCreate) controls.Form.OnCreate(&controls.Form);
    } catch (const std::exception& e) {
      ReportEscapedError(services.Application, e);
    }
    toolkit.Run();
  }
  if (comInitialized) services.System.CoUninitialize();
  return 0;
}

std::string EscapedErrorText(const std::string& message) {
  std::string text = message;
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  return text;
}

void ReportEscapedError(TApplication& application, const std::exception& error) noexcept {
  try {
    application.ShowErrorBox(EscapedErrorText(error.what()));
  } catch (...) {
    // Nothing is left to report with; the program goes on with the next message.
  }
}

}  // namespace orvel

#include "program.h"

namespace orvel {
namespace {

// The main thread's apartment: left only when it was entered, also when start-up or the loop throws.
class ComApartment {
 public:
  explicit ComApartment(ISystem& system) : system_(system), entered_(system.CoInitialize()) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (entered_) system_.CoUninitialize();
  }

 private:
  ISystem& system_;
  const bool entered_;
};

// The creation handler fails as any handler does: in the error box, and the program goes on.
void RunCreateHandler(TFormWindow& form, TApplication& application) noexcept {
  if (!form.OnCreate) return;
  try {
    form.OnCreate(&form);
  } catch (const std::exception& error) {
    ReportEscapedError(application, error);
  } catch (...) {
    ReportEscapedError(application, UnknownException());
  }
}

}  // namespace

int RunProgram(IToolkit& toolkit, const TForm1Services& services) {
  // A failed initialisation is not reported here; it shows itself as a failing scan.
  const ComApartment apartment(services.System);
  TFormWindow& window = toolkit.CreateMainForm();
  TForm1 form(window, services);
  RunCreateHandler(window, services.Application);
  toolkit.Run();
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

// Program start and end: COM, the main window, the message loop.
#pragma once

#include <exception>
#include <string>

#include "form1.h"

namespace orvel {

// What the program needs of the user-interface toolkit to start and run.
class IToolkit {
 public:
  virtual ~IToolkit() = default;
  virtual TApplication& Application() = 0;
  // Creates the main window and all its controls from the form definition; not shown yet.
  virtual TFormWindow& CreateMainForm() = 0;
  // Shows the main window with the process's start show command and runs the message loop until it closes.
  virtual void Run() = 0;
};

int RunProgram(IToolkit& toolkit, const TForm1Services& services);

// The error box's text for an error that escaped a handler: a full stop is added after a last character above ".".
std::string EscapedErrorText(const std::string& message);

// What is reported for an exception that is not a std::exception; building it allocates nothing.
class UnknownException : public std::exception {
 public:
  const char* what() const noexcept override { return "Unknown exception"; }
};

// Shows an escaped error in the application's error box; never throws.
void ReportEscapedError(TApplication& application, const std::exception& error) noexcept;

}  // namespace orvel

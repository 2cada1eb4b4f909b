// Failures and how the framework reports them to the user.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace forms {

// A failure with a plain description for the user. Thrown by handlers (or
// the code they call); the framework catches it at the window procedure and
// shows the description in a message box.
class Error : public std::runtime_error {
 public:
  explicit Error(std::wstring description);
  const std::wstring& description() const { return description_; }

 private:
  std::wstring description_;
};

// Runs `action`, reporting any exception it throws in a message box instead
// of letting it leave. Every event the framework delivers goes through this.
void Guard(const std::function<void()>& action) noexcept;

// Reports the exception being handled as Guard does. Call only inside a
// catch block.
void ReportCurrentError() noexcept;

// The default error report: a message box with the failure's description.
void ReportError(std::wstring_view description) noexcept;

// Modal message box with one OK button and no icon. Without a caption of
// its own it is titled with the application title "BRINDLE Plus!".
void MsgBox(std::wstring_view text, const wchar_t* caption = nullptr);

}  // namespace forms

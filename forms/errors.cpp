#include "forms/errors.h"

#include <new>

#include "forms/win32.h"
#include "product/product.h"

namespace forms {

Error::Error(std::wstring description)
    : std::runtime_error(NarrowUtf8(description)), description_(std::move(description)) {}

namespace {

std::wstring CurrentErrorText() {
  try {
    throw;
  } catch (const Error& e) {
    return e.description();
  } catch (const std::bad_alloc&) {
    return L"There is not enough memory to complete the operation.";
  } catch (const std::exception& e) {
    return WidenUtf8(e.what());
  } catch (...) {
    return L"An unexpected error occurred.";
  }
}

}  // namespace

void ReportError(std::wstring_view description) noexcept {
  try {
    MsgBox(description);
  } catch (...) {
    // The report itself failed (no memory for the text): there is no other
    // way left to tell the user, and the failure must not leave a window
    // procedure.
  }
}

void ReportCurrentError() noexcept {
  std::wstring text;
  try {
    text = CurrentErrorText();
  } catch (...) {
    // No memory even for the description: the report goes without it.
  }
  ReportError(text);
}

void Guard(const std::function<void()>& action) noexcept {
  try {
    action();
  } catch (...) {
    ReportCurrentError();
  }
}

void MsgBox(std::wstring_view text, const wchar_t* caption) {
  const std::wstring body(text);
  const std::wstring title = caption ? std::wstring(caption) : Wide(brindle::kAppTitle);
  MessageBoxW(nullptr, body.c_str(), title.c_str(), MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

}  // namespace forms

// Late-bound calls on the host's objects through IDispatch, and the
// translation of their failures into the text a user reads (and of ours
// back into an HRESULT with error info).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string_view>
#include <vector>

#include "addin/com_ref.h"
#include "addin/host.h"

namespace quillstone {

// Arguments of one dispatch call, in the order the callee declares them.
class Args {
 public:
  Args() = default;
  Args(const Args&) = delete;
  Args& operator=(const Args&) = delete;
  ~Args();
  void Short(SHORT value);
  void Long(LONG value);
  void Bool(bool value);
  // An optional argument left out.
  void Missing();
  // Throws std::bad_alloc when the string cannot be made.
  void String(std::u16string_view text);
  void Object(IDispatch* d);
  // A Long passed by reference, for the callee to fill in.
  void LongRef(LONG* target);
  // DISPPARAMS takes its arguments last first.
  DISPPARAMS Params();

 private:
  VARIANT& Add();
  std::vector<VARIANT> vars_;
  std::vector<VARIANT> reversed_;  // shallow copies of vars_
};

// Calls the member `name` of `d`, found through GetIDsOfNames.
brindle::Status Call(IDispatch* d, const wchar_t* name, WORD flags, Args& args, VARIANT* result);
// Calls a member that returns an object and asks it for `iid`
// (IID_IDispatch for any). Nothing stays nothing; anything but an object
// is a type mismatch.
brindle::Status CallForObject(IDispatch* d, const wchar_t* name, WORD flags, Args& args,
                              REFIID iid, Ref<IDispatch>& out);
// Asks `d` for the interface `iid`; a type mismatch when it has none.
brindle::Status QueryAs(IDispatch* d, REFIID iid, Ref<IDispatch>& out);

// The thread's error info may be left over from an earlier failure (ours
// included); a callee that fails without setting its own must not be
// reported with that old text, so it is cleared before each host call.
void ForgetErrorInfo();

// The status of a failed COM call, described as a user should see it.
brindle::Status FromHResult(HRESULT hr, const EXCEPINFO* info = nullptr);
// An HRESULT for a Status, leaving its description as the thread's error info.
HRESULT ToHResult(const brindle::Status& status);

}  // namespace quillstone

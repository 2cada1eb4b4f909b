#include "addin/dispatch_call.h"

#include <new>

#include "addin/error_texts.h"
#include "addin/quillstone.h"
#include "forms/win32.h"

namespace quillstone {

using brindle::Status;

namespace {
std::u16string_view View(const OLECHAR* s) {
  return s ? std::u16string_view(reinterpret_cast<const char16_t*>(s)) : std::u16string_view();
}
}  // namespace

Args::~Args() {
  for (VARIANT& v : vars_) VariantClear(&v);
}

void Args::Short(SHORT value) {
  VARIANT& v = Add();
  v.vt = VT_I2;
  v.iVal = value;
}

void Args::Long(LONG value) {
  VARIANT& v = Add();
  v.vt = VT_I4;
  v.lVal = value;
}

void Args::Bool(bool value) {
  VARIANT& v = Add();
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

void Args::Missing() {
  VARIANT& v = Add();
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
}

void Args::LongRef(LONG* target) {
  VARIANT& v = Add();
  v.vt = VT_I4 | VT_BYREF;
  v.plVal = target;
}

void Args::String(std::u16string_view text) {
  BSTR b = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()));
  if (!b) throw std::bad_alloc();
  VARIANT& v = Add();
  v.vt = VT_BSTR;
  v.bstrVal = b;
}

void Args::Object(IDispatch* d) {
  VARIANT& v = Add();
  v.vt = VT_DISPATCH;
  v.pdispVal = d;
  if (d) d->AddRef();
}

DISPPARAMS Args::Params() {
  reversed_.assign(vars_.rbegin(), vars_.rend());
  return DISPPARAMS{reversed_.empty() ? nullptr : reversed_.data(), nullptr,
                    static_cast<UINT>(reversed_.size()), 0};
}

VARIANT& Args::Add() {
  vars_.emplace_back();
  VariantInit(&vars_.back());
  return vars_.back();
}

void ForgetErrorInfo() { SetErrorInfo(0, nullptr); }

Status Call(IDispatch* d, const wchar_t* name, WORD flags, Args& args, VARIANT* result) {
  if (!d) return Status::Fail(brindle::kObjectNotSet, E_POINTER);
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return Status::Fail(brindle::kNoSuchMember, hr);
  DISPPARAMS params = args.Params();
  DISPID put = DISPID_PROPERTYPUT;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = &put;
  }
  EXCEPINFO info = {};
  UINT bad = 0;
  ForgetErrorInfo();
  hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, &bad);
  Status status = SUCCEEDED(hr) ? Status::Ok() : FromHResult(hr, &info);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  return status;
}

namespace {

// The object a call returned, asked for `iid`.
Status ObjectResult(VARIANT& v, REFIID iid, Ref<IDispatch>& out) {
  out = Ref<IDispatch>();
  IUnknown* unknown = nullptr;
  if (v.vt == VT_DISPATCH) unknown = v.pdispVal;
  else if (v.vt == VT_UNKNOWN) unknown = v.punkVal;
  else if (v.vt == VT_EMPTY || v.vt == VT_NULL) return Status::Ok();
  else return Status::Fail(brindle::kTypeMismatch, DISP_E_TYPEMISMATCH);
  if (!unknown) return Status::Ok();
  HRESULT hr = unknown->QueryInterface(iid, reinterpret_cast<void**>(out.put()));
  if (FAILED(hr) || !out) {
    out = Ref<IDispatch>();
    return Status::Fail(brindle::kTypeMismatch, E_NOINTERFACE);
  }
  return Status::Ok();
}

}  // namespace

Status CallForObject(IDispatch* d, const wchar_t* name, WORD flags, Args& args, REFIID iid,
                     Ref<IDispatch>& out) {
  VARIANT result;
  VariantInit(&result);
  Status status = Call(d, name, flags, args, &result);
  if (status.ok()) status = ObjectResult(result, iid, out);
  VariantClear(&result);
  return status;
}

Status QueryAs(IDispatch* d, REFIID iid, Ref<IDispatch>& out) {
  if (!d) return Status::Fail(brindle::kObjectNotSet, E_POINTER);
  HRESULT hr = d->QueryInterface(iid, reinterpret_cast<void**>(out.put()));
  if (FAILED(hr) || !out) return Status::Fail(brindle::kTypeMismatch, E_NOINTERFACE);
  return Status::Ok();
}

Status FromHResult(HRESULT hr, const EXCEPINFO* info) {
  if (info && hr == DISP_E_EXCEPTION) {
    EXCEPINFO copy = *info;
    if (copy.pfnDeferredFillIn) copy.pfnDeferredFillIn(&copy);
    if (copy.bstrDescription && *copy.bstrDescription) {
      Status s = Status::Fail(View(copy.bstrDescription), copy.scode ? copy.scode : hr);
      if (copy.bstrDescription != info->bstrDescription) SysFreeString(copy.bstrDescription);
      return s;
    }
  }
  // The thread's error info, when the callee left one.
  Ref<IErrorInfo> error;
  if (GetErrorInfo(0, error.put()) == S_OK && error) {
    BSTR text = nullptr;
    if (SUCCEEDED(error->GetDescription(&text)) && text && *text) {
      Status s = Status::Fail(View(text), hr);
      SysFreeString(text);
      return s;
    }
    SysFreeString(text);
  }
  std::u16string text(brindle::kAutomationError);
  const std::wstring system = forms::SystemMessage(static_cast<DWORD>(hr));
  if (!system.empty()) text += u"\r\n" + forms::Utf16(system);
  return Status::Fail(text, hr);
}

HRESULT ToHResult(const Status& status) {
  if (status.ok()) return S_OK;
  Ref<ICreateErrorInfo> create;
  if (SUCCEEDED(CreateErrorInfo(create.put())) && create) {
    std::u16string text = status.description;
    create->SetDescription(reinterpret_cast<LPOLESTR>(text.data()));
    create->SetGUID(IID__Connect);
    create->SetSource(const_cast<LPOLESTR>(kProgId));
    Ref<IErrorInfo> info;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(info.put()))))
      SetErrorInfo(0, info.get());
  }
  return status.code < 0 ? status.code : E_FAIL;
}

}  // namespace quillstone

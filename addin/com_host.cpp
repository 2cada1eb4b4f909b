#include "addin/com_host.h"

#include <ocidl.h>

#include <atomic>
#include <map>
#include <vector>

#include "addin/quillstone.h"

namespace quillstone {

using brindle::Status;

namespace {

const wchar_t kTypeMismatch[] = L"Type mismatch";
const wchar_t kNoSuchMember[] = L"Object doesn't support this property or method";

std::u16string U16(const wchar_t* s) {
  return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}

Status Fail(const wchar_t* text, HRESULT hr) { return Status::Fail(U16(text), hr); }

// Arguments of one dispatch call, in the order the callee declares them.
class Args {
 public:
  Args() = default;
  Args(const Args&) = delete;
  ~Args() {
    for (VARIANT& v : vars_) VariantClear(&v);
  }
  void Short(SHORT value) {
    VARIANT& v = Add();
    v.vt = VT_I2;
    v.iVal = value;
  }
  // Throws std::bad_alloc when the string cannot be made.
  void String(std::u16string_view text) {
    BSTR b = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                               static_cast<UINT>(text.size()));
    if (!b) throw std::bad_alloc();
    VARIANT& v = Add();
    v.vt = VT_BSTR;
    v.bstrVal = b;
  }
  void Object(IDispatch* d) {
    VARIANT& v = Add();
    v.vt = VT_DISPATCH;
    v.pdispVal = d;
    if (d) d->AddRef();
  }
  // DISPPARAMS takes its arguments last first.
  DISPPARAMS Params() {
    reversed_.assign(vars_.rbegin(), vars_.rend());
    return DISPPARAMS{reversed_.empty() ? nullptr : reversed_.data(), nullptr,
                      static_cast<UINT>(reversed_.size()), 0};
  }

 private:
  VARIANT& Add() {
    vars_.emplace_back();
    VariantInit(&vars_.back());
    return vars_.back();
  }
  std::vector<VARIANT> vars_;
  std::vector<VARIANT> reversed_;  // shallow copies of vars_
};

// The thread's error info may be left over from an earlier failure (ours
// included); a callee that fails without setting its own must not be
// reported with that old text, so it is cleared before each host call.
void ForgetErrorInfo() { SetErrorInfo(0, nullptr); }

// Calls the member `name` of `d`, found through GetIDsOfNames.
Status Call(IDispatch* d, const wchar_t* name, WORD flags, Args& args, VARIANT* result) {
  if (!d) return Fail(L"Object variable or With block variable not set", E_POINTER);
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) return Fail(kNoSuchMember, hr);
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

// The object a call returned, asked for `iid` (IID_IDispatch for any).
// Empty results are nothing; anything but an object is a type mismatch.
Status ObjectResult(VARIANT& v, REFIID iid, Ref<IDispatch>& out) {
  out = Ref<IDispatch>();
  IUnknown* unknown = nullptr;
  if (v.vt == VT_DISPATCH) unknown = v.pdispVal;
  else if (v.vt == VT_UNKNOWN) unknown = v.punkVal;
  else if (v.vt == VT_EMPTY || v.vt == VT_NULL) return Status::Ok();
  else return Fail(kTypeMismatch, DISP_E_TYPEMISMATCH);
  if (!unknown) return Status::Ok();
  HRESULT hr = unknown->QueryInterface(iid, reinterpret_cast<void**>(out.put()));
  if (FAILED(hr) || !out) {
    out = Ref<IDispatch>();
    return Fail(kTypeMismatch, E_NOINTERFACE);
  }
  return Status::Ok();
}

// Calls a member that returns an object and takes the result as `iid`.
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
  if (!d) return Fail(L"Object variable or With block variable not set", E_POINTER);
  HRESULT hr = d->QueryInterface(iid, reinterpret_cast<void**>(out.put()));
  if (FAILED(hr) || !out) return Fail(kTypeMismatch, E_NOINTERFACE);
  return Status::Ok();
}

template <class T, class Make>
Status Adapt(Status status, Ref<IDispatch>& d, std::shared_ptr<T>& out, Make make) {
  out.reset();
  if (status.ok() && d) out = make(std::move(d));
  return status;
}

// Calls a member that returns an object, asks it for `iid`, and wraps it in
// the adapter `A`; nothing stays nothing.
template <class A, class T>
Status FetchObject(IDispatch* d, const wchar_t* name, WORD flags, Args& args, REFIID iid,
                 std::shared_ptr<T>& out) {
  Ref<IDispatch> result;
  return Adapt(CallForObject(d, name, flags, args, iid, result), result, out,
               [](Ref<IDispatch> r) { return std::make_shared<A>(std::move(r)); });
}

class ComCommandBarControl final : public ComObject, public brindle::CommandBarControl {
 public:
  using ComObject::ComObject;
  Status SetCaption(std::u16string_view caption) override {
    Args args;
    args.String(caption);
    return Call(dispatch(), L"Caption", DISPATCH_PROPERTYPUT, args, nullptr);
  }
  Status Delete() override {
    Args none;
    return Call(dispatch(), L"Delete", DISPATCH_METHOD, none, nullptr);
  }
};

class ComCommandBarControls final : public ComObject, public brindle::CommandBarControls {
 public:
  using ComObject::ComObject;
  Status Add(int16_t type, std::shared_ptr<brindle::HostObject>& out) override {
    Args args;
    args.Short(type);
    return FetchObject<ComObject>(dispatch(), L"Add", DISPATCH_METHOD, args, IID_IDispatch, out);
  }
};

class ComCommandBar final : public ComObject, public brindle::CommandBar {
 public:
  using ComObject::ComObject;
  Status Controls(std::shared_ptr<brindle::CommandBarControls>& out) override {
    Args none;
    return FetchObject<ComCommandBarControls>(dispatch(), L"Controls", DISPATCH_PROPERTYGET, none,
                                            IID_IDispatch, out);
  }
};

class ComCommandBars final : public ComObject, public brindle::CommandBars {
 public:
  using ComObject::ComObject;
  Status Item(std::u16string_view name, std::shared_ptr<brindle::CommandBar>& out) override {
    Args args;
    args.String(name);
    return FetchObject<ComCommandBar>(dispatch(), L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                    args, IID_IDispatch, out);
  }
};

// Receives the host's click events and passes them to Connect while it is
// subscribed; a host that calls after the subscription ended reaches nobody.
class ClickSink final : public IDispatch {
 public:
  explicit ClickSink(brindle::CommandBarEventsSink& target) : target_(&target) { ObjectCreated(); }
  ~ClickSink() { ObjectDestroyed(); }
  void Detach() { target_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_CommandBarEvents) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (!names || !ids || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (names[0] && lstrcmpiW(names[0], L"Click") == 0 && count == 1) {
      ids[0] = kDispidClick;
      return S_OK;
    }
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    try {
      if (id != kDispidClick) return DISP_E_MEMBERNOTFOUND;
      if (!target_) return S_OK;
      // Click(CommandBarControl, handled, CancelDefault): the flags are
      // passed by reference; a host that passes them by value gets copies.
      SHORT handled = 0, cancel = 0;
      SHORT* handled_ref = &handled;
      SHORT* cancel_ref = &cancel;
      std::shared_ptr<brindle::HostObject> control;
      if (params && params->cArgs == 3 && params->rgvarg) {
        VARIANT* a = params->rgvarg;
        if (a[2].vt == VT_DISPATCH && a[2].pdispVal) control = WrapObject(a[2].pdispVal);
        if (a[1].vt == (VT_BOOL | VT_BYREF) && a[1].pboolVal) handled_ref = a[1].pboolVal;
        if (a[0].vt == (VT_BOOL | VT_BYREF) && a[0].pboolVal) cancel_ref = a[0].pboolVal;
      }
      Ref<ClickSink> keep(this);
      int16_t h = *handled_ref, c = *cancel_ref;
      target_->Click(control, h, c);
      *handled_ref = h;
      *cancel_ref = c;
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 private:
  std::atomic<ULONG> refs_{1};
  brindle::CommandBarEventsSink* target_;
};

class ComCommandBarEvents final : public ComObject, public brindle::CommandBarEvents {
 public:
  using ComObject::ComObject;
  ~ComCommandBarEvents() override {
    for (auto& [cookie, sink] : sinks_) sink->Detach();
  }
  Status Advise(brindle::CommandBarEventsSink& target, uint32_t& cookie) override {
    Ref<IConnectionPoint> point;
    Status status = Point(point);
    if (!status.ok()) return status;
    Ref<ClickSink> sink(new ClickSink(target), false);
    DWORD c = 0;
    ForgetErrorInfo();
    HRESULT hr = point->Advise(sink.get(), &c);
    if (FAILED(hr)) {
      sink->Detach();
      return FromHResult(hr);
    }
    sinks_[c] = sink;
    cookie = c;
    return Status::Ok();
  }
  Status Unadvise(uint32_t cookie) override {
    auto it = sinks_.find(cookie);
    if (it != sinks_.end()) {
      it->second->Detach();
      sinks_.erase(it);
    }
    Ref<IConnectionPoint> point;
    Status status = Point(point);
    if (!status.ok()) return status;
    ForgetErrorInfo();
    HRESULT hr = point->Unadvise(cookie);
    return SUCCEEDED(hr) ? Status::Ok() : FromHResult(hr);
  }

 private:
  Status Point(Ref<IConnectionPoint>& point) {
    Ref<IConnectionPointContainer> container;
    HRESULT hr = dispatch()->QueryInterface(IID_IConnectionPointContainer,
                                            reinterpret_cast<void**>(container.put()));
    if (FAILED(hr) || !container) return Fail(L"Object or class does not support the set of events", hr);
    hr = container->FindConnectionPoint(DIID_CommandBarEvents, point.put());
    if (FAILED(hr) || !point) return Fail(L"Object or class does not support the set of events", hr);
    return Status::Ok();
  }
  std::map<DWORD, Ref<ClickSink>> sinks_;
};

class ComEvents final : public ComObject, public brindle::Events {
 public:
  using ComObject::ComObject;
  Status GetCommandBarEvents(const std::shared_ptr<brindle::CommandBarControl>& control,
                             std::shared_ptr<brindle::CommandBarEvents>& out) override {
    Args args;
    args.Object(DispatchOf(control));
    return FetchObject<ComCommandBarEvents>(dispatch(), L"CommandBarEvents", DISPATCH_PROPERTYGET,
                                          args, IID_IDispatch, out);
  }
};

class ComVBE final : public ComObject, public brindle::VBE {
 public:
  using ComObject::ComObject;
  Status GetCommandBars(std::shared_ptr<brindle::CommandBars>& out) override {
    Args none;
    return FetchObject<ComCommandBars>(dispatch(), L"CommandBars", DISPATCH_PROPERTYGET, none,
                                     IID_CommandBars, out);
  }
  Status GetEvents(std::shared_ptr<brindle::Events>& out) override {
    Args none;
    return FetchObject<ComEvents>(dispatch(), L"Events", DISPATCH_PROPERTYGET, none, IID_Events, out);
  }
};

std::atomic<long> g_objects{0};

}  // namespace

void ObjectCreated() { ++g_objects; }
void ObjectDestroyed() { --g_objects; }
long LiveObjects() { return g_objects; }

Status FromHResult(HRESULT hr, const EXCEPINFO* info) {
  if (info && hr == DISP_E_EXCEPTION) {
    EXCEPINFO copy = *info;
    if (copy.pfnDeferredFillIn) copy.pfnDeferredFillIn(&copy);
    if (copy.bstrDescription && *copy.bstrDescription) {
      Status s = Status::Fail(U16(copy.bstrDescription), copy.scode ? copy.scode : hr);
      if (copy.bstrDescription != info->bstrDescription) SysFreeString(copy.bstrDescription);
      return s;
    }
  }
  // The thread's error info, when the callee left one.
  Ref<IErrorInfo> error;
  if (GetErrorInfo(0, error.put()) == S_OK && error) {
    BSTR text = nullptr;
    if (SUCCEEDED(error->GetDescription(&text)) && text && *text) {
      Status s = Status::Fail(U16(text), hr);
      SysFreeString(text);
      return s;
    }
    SysFreeString(text);
  }
  std::u16string text = u"Automation error";
  std::u16string system = SystemText(static_cast<DWORD>(hr));
  if (!system.empty()) text += u"\r\n" + system;
  return Status::Fail(std::move(text), hr);
}

std::u16string SystemText(DWORD code) {
  wchar_t* buffer = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text;
  if (n && buffer) text.assign(reinterpret_cast<const char16_t*>(buffer), n);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' '))
    text.pop_back();
  return text;
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

Status ComObject::AsVBE(std::shared_ptr<brindle::VBE>& out) {
  Ref<IDispatch> d;
  return Adapt(QueryAs(dispatch(), IID_VBE, d), d, out,
               [](Ref<IDispatch> r) { return std::make_shared<ComVBE>(std::move(r)); });
}

Status ComObject::AsCommandBarControl(std::shared_ptr<brindle::CommandBarControl>& out) {
  Ref<IDispatch> d;
  return Adapt(QueryAs(dispatch(), IID_CommandBarControl, d), d, out,
               [](Ref<IDispatch> r) { return std::make_shared<ComCommandBarControl>(std::move(r)); });
}

std::shared_ptr<brindle::HostObject> WrapObject(IDispatch* dispatch) {
  if (!dispatch) return nullptr;
  return std::make_shared<ComObject>(Ref<IDispatch>(dispatch));
}

Status WrapVBE(IDispatch* dispatch, std::shared_ptr<brindle::VBE>& out) {
  out.reset();
  if (!dispatch) return Status::Ok();
  return ComObject(Ref<IDispatch>(dispatch)).AsVBE(out);
}

std::shared_ptr<brindle::CommandBarEvents> WrapCommandBarEvents(IDispatch* dispatch) {
  if (!dispatch) return nullptr;
  return std::make_shared<ComCommandBarEvents>(Ref<IDispatch>(dispatch));
}

}  // namespace quillstone

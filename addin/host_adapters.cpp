#include "addin/host_adapters.h"

#include <ocidl.h>

#include <map>

#include "addin/click_sink.h"
#include "addin/dispatch_call.h"
#include "addin/error_texts.h"
#include "addin/quillstone.h"

namespace quillstone {

using brindle::Status;

namespace {

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

// A member that gives a number or a text.
Status GetLong(IDispatch* d, const wchar_t* name, WORD flags, Args& args, int32_t& out) {
  VARIANT result;
  VariantInit(&result);
  Status status = Call(d, name, flags, args, &result);
  if (status.ok()) {
    if (SUCCEEDED(VariantChangeType(&result, &result, 0, VT_I4))) out = result.lVal;
    else status = Status::Fail(brindle::kTypeMismatch, DISP_E_TYPEMISMATCH);
  }
  VariantClear(&result);
  return status;
}

Status GetString(IDispatch* d, const wchar_t* name, WORD flags, Args& args, std::u16string& out) {
  VARIANT result;
  VariantInit(&result);
  Status status = Call(d, name, flags, args, &result);
  if (status.ok()) {
    if (SUCCEEDED(VariantChangeType(&result, &result, 0, VT_BSTR))) {
      out.assign(reinterpret_cast<const char16_t*>(result.bstrVal), SysStringLen(result.bstrVal));
    } else {
      status = Status::Fail(brindle::kTypeMismatch, DISP_E_TYPEMISMATCH);
    }
  }
  VariantClear(&result);
  return status;
}

class ComCommandBarEvents final : public ComObject, public brindle::CommandBarEvents {
 public:
  ComCommandBarEvents(Ref<IDispatch> d, const IID& events) : ComObject(std::move(d)), events_(events) {}
  ~ComCommandBarEvents() override {
    for (auto& [cookie, sink] : sinks_) sink->Detach();
  }
  Status Advise(brindle::CommandBarEventsSink& target, uint32_t& cookie) override {
    Ref<IConnectionPoint> point;
    Status status = Point(point);
    if (!status.ok()) return status;
    Ref<ClickSink> sink(new ClickSink(target, events_), false);
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
    if (FAILED(hr) || !container) return Status::Fail(brindle::kNoSuchEvents, hr);
    hr = container->FindConnectionPoint(events_, point.put());
    if (FAILED(hr) || !point) return Status::Fail(brindle::kNoSuchEvents, hr);
    return Status::Ok();
  }
  const IID& events_;
  std::map<DWORD, Ref<ClickSink>> sinks_;
};

class ComCommandBar;

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
  Status SetTag(std::u16string_view tag) override {
    Args args;
    args.String(tag);
    return Call(dispatch(), L"Tag", DISPATCH_PROPERTYPUT, args, nullptr);
  }
  Status GetTag(std::u16string& out) override {
    Args none;
    return GetString(dispatch(), L"Tag", DISPATCH_PROPERTYGET, none, out);
  }
  Status SetBeginGroup(bool begin) override {
    Args args;
    args.Bool(begin);
    return Call(dispatch(), L"BeginGroup", DISPATCH_PROPERTYPUT, args, nullptr);
  }
  Status GetCommandBar(std::shared_ptr<brindle::CommandBar>& out) override;
  Status GetClickEvents(std::shared_ptr<brindle::CommandBarEvents>& out) override {
    // The button is its own event source.
    out = std::make_shared<ComCommandBarEvents>(dispatch_, DIID_CommandBarButtonEvents);
    return Status::Ok();
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
  Status FindControl(int32_t id, std::shared_ptr<brindle::CommandBarControl>& out) override {
    Args args;  // FindControl(Type, Id, ...): the type left out
    args.Missing();
    args.Long(id);
    return FetchObject<ComCommandBarControl>(dispatch(), L"FindControl", DISPATCH_METHOD, args,
                                             IID_IDispatch, out);
  }
};

Status ComCommandBarControl::GetCommandBar(std::shared_ptr<brindle::CommandBar>& out) {
  Args none;
  return FetchObject<ComCommandBar>(dispatch(), L"CommandBar", DISPATCH_PROPERTYGET, none,
                                    IID_IDispatch, out);
}

class ComVBProject final : public ComObject, public brindle::VBProject {
 public:
  using ComObject::ComObject;
  Status Mode(int32_t& out) override {
    Args none;
    return GetLong(dispatch(), L"Mode", DISPATCH_PROPERTYGET, none, out);
  }
  Status Protection(int32_t& out) override {
    Args none;
    return GetLong(dispatch(), L"Protection", DISPATCH_PROPERTYGET, none, out);
  }
};

class ComCodeModule final : public ComObject, public brindle::CodeModule {
 public:
  using ComObject::ComObject;
  Status CountOfLines(int32_t& out) override {
    Args none;
    return GetLong(dispatch(), L"CountOfLines", DISPATCH_PROPERTYGET, none, out);
  }
  Status Lines(int32_t start, int32_t count, std::u16string& out) override {
    Args args;
    args.Long(start);
    args.Long(count);
    return GetString(dispatch(), L"Lines", DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, out);
  }
  Status InsertLines(int32_t line, std::u16string_view text) override {
    Args args;
    args.Long(line);
    args.String(text);
    return Call(dispatch(), L"InsertLines", DISPATCH_METHOD, args, nullptr);
  }
  Status DeleteLines(int32_t start, int32_t count) override {
    Args args;
    args.Long(start);
    args.Long(count);
    return Call(dispatch(), L"DeleteLines", DISPATCH_METHOD, args, nullptr);
  }
  Status ReplaceLine(int32_t line, std::u16string_view text) override {
    Args args;
    args.Long(line);
    args.String(text);
    return Call(dispatch(), L"ReplaceLine", DISPATCH_METHOD, args, nullptr);
  }
  // The module's component, its collection, and that collection's project.
  Status GetProject(std::shared_ptr<brindle::VBProject>& out) override {
    out.reset();
    Ref<IDispatch> component, collection, project;
    Args a, b, c;
    Status s = CallForObject(dispatch(), L"Parent", DISPATCH_PROPERTYGET, a, IID_IDispatch, component);
    if (!s.ok() || !component) return s;
    s = CallForObject(component.get(), L"Collection", DISPATCH_PROPERTYGET, b, IID_IDispatch, collection);
    if (!s.ok() || !collection) return s;
    s = CallForObject(collection.get(), L"Parent", DISPATCH_PROPERTYGET, c, IID_IDispatch, project);
    if (s.ok() && project) out = std::make_shared<ComVBProject>(std::move(project));
    return s;
  }
};

class ComCodePane final : public ComObject, public brindle::CodePane {
 public:
  using ComObject::ComObject;
  Status GetSelection(brindle::Selection& out) override {
    LONG v[4] = {};
    Args args;
    for (LONG& x : v) args.LongRef(&x);
    Status s = Call(dispatch(), L"GetSelection", DISPATCH_METHOD, args, nullptr);
    if (s.ok()) out = {v[0], v[1], v[2], v[3]};
    return s;
  }
  Status SetSelection(const brindle::Selection& sel) override {
    Args args;
    args.Long(sel.startLine);
    args.Long(sel.startColumn);
    args.Long(sel.endLine);
    args.Long(sel.endColumn);
    return Call(dispatch(), L"SetSelection", DISPATCH_METHOD, args, nullptr);
  }
  Status GetCodeModule(std::shared_ptr<brindle::CodeModule>& out) override {
    Args none;
    return FetchObject<ComCodeModule>(dispatch(), L"CodeModule", DISPATCH_PROPERTYGET, none,
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

class ComEvents final : public ComObject, public brindle::Events {
 public:
  using ComObject::ComObject;
  Status GetCommandBarEvents(const std::shared_ptr<brindle::CommandBarControl>& control,
                             std::shared_ptr<brindle::CommandBarEvents>& out) override {
    Args args;
    args.Object(DispatchOf(control));
    Ref<IDispatch> result;
    return Adapt(CallForObject(dispatch(), L"CommandBarEvents", DISPATCH_PROPERTYGET, args,
                               IID_IDispatch, result),
                 result, out, [](Ref<IDispatch> r) {
                   return std::make_shared<ComCommandBarEvents>(std::move(r), DIID_CommandBarEvents);
                 });
  }
};

class ComVBE final : public ComObject, public brindle::VBE {
 public:
  ComVBE(Ref<IDispatch> d, brindle::HostKind kind) : ComObject(std::move(d)), kind_(kind) {}
  brindle::HostKind Kind() const override { return kind_; }
  Status GetActiveCodePane(std::shared_ptr<brindle::CodePane>& out) override {
    Args none;
    return FetchObject<ComCodePane>(dispatch(), L"ActiveCodePane", DISPATCH_PROPERTYGET, none,
                                    IID_IDispatch, out);
  }
  Status GetCommandBars(std::shared_ptr<brindle::CommandBars>& out) override {
    Args none;
    return FetchObject<ComCommandBars>(dispatch(), L"CommandBars", DISPATCH_PROPERTYGET, none,
                                     IID_CommandBars, out);
  }
  Status GetEvents(std::shared_ptr<brindle::Events>& out) override {
    Args none;
    return FetchObject<ComEvents>(dispatch(), L"Events", DISPATCH_PROPERTYGET, none, IID_Events, out);
  }

 private:
  brindle::HostKind kind_;
};

}  // namespace

// VB6's root first, then the VBA editor's; a host with neither fails as
// before, with VB6's refusal.
Status ComObject::AsVBE(std::shared_ptr<brindle::VBE>& out) {
  Ref<IDispatch> d;
  Status status = QueryAs(dispatch(), IID_VBE, d);
  brindle::HostKind kind = brindle::HostKind::kVb6;
  if (!status.ok()) {
    Ref<IDispatch> vba;
    if (QueryAs(dispatch(), IID_VBA_VBE, vba).ok()) {
      status = Status::Ok();
      d = std::move(vba);
      kind = brindle::HostKind::kVba;
    }
  }
  return Adapt(status, d, out,
               [kind](Ref<IDispatch> r) { return std::make_shared<ComVBE>(std::move(r), kind); });
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
  return std::make_shared<ComCommandBarEvents>(Ref<IDispatch>(dispatch), DIID_CommandBarEvents);
}

}  // namespace quillstone

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
    if (FAILED(hr) || !container) return Status::Fail(brindle::kNoSuchEvents, hr);
    hr = container->FindConnectionPoint(DIID_CommandBarEvents, point.put());
    if (FAILED(hr) || !point) return Status::Fail(brindle::kNoSuchEvents, hr);
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

}  // namespace

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

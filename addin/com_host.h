// The host interface over the host's real COM objects: each adapter holds
// an IDispatch and turns every failing call into a Status with the text a
// user should read.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <utility>
#include <string>

#include "addin/host.h"

namespace quillstone {

// A counted reference to a COM interface.
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* p, bool add_ref = true) : p_(p) {
    if (p_ && add_ref) p_->AddRef();
  }
  Ref(const Ref& o) : Ref(o.p_) {}
  Ref(Ref&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  Ref& operator=(Ref o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~Ref() {
    if (p_) p_->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held first.
  T** put() {
    *this = Ref();
    return &p_;
  }
  T* detach() { return std::exchange(p_, nullptr); }

 private:
  T* p_ = nullptr;
};

// The status of a failed COM call, described as a user should see it.
brindle::Status FromHResult(HRESULT hr, const EXCEPINFO* info = nullptr);
// The system's text for an error code; empty when it has none.
std::u16string SystemText(DWORD code);
// An HRESULT for a Status, leaving its description as the thread's error info.
HRESULT ToHResult(const brindle::Status& status);

// Any host object held through its IDispatch; every adapter is one.
class ComObject : public virtual brindle::HostObject {
 public:
  explicit ComObject(Ref<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}
  IDispatch* dispatch() const { return dispatch_.get(); }

  brindle::Status AsVBE(std::shared_ptr<brindle::VBE>& out) override;
  brindle::Status AsCommandBarControl(std::shared_ptr<brindle::CommandBarControl>& out) override;

 protected:
  Ref<IDispatch> dispatch_;
};

// The host's IDispatch behind any host-interface reference made here, or
// null for nothing and for objects that did not come from the host.
template <class T>
IDispatch* DispatchOf(const std::shared_ptr<T>& p) {
  auto* object = dynamic_cast<ComObject*>(p.get());
  return object ? object->dispatch() : nullptr;
}

// Wrappers for objects a COM client hands to Connect directly.
std::shared_ptr<brindle::HostObject> WrapObject(IDispatch* dispatch);
// Fails as a type mismatch when the object is not the host's root object.
brindle::Status WrapVBE(IDispatch* dispatch, std::shared_ptr<brindle::VBE>& out);
std::shared_ptr<brindle::CommandBarEvents> WrapCommandBarEvents(IDispatch* dispatch);

// Counts the DLL's live COM objects, for DllCanUnloadNow.
void ObjectCreated();
void ObjectDestroyed();
long LiveObjects();

}  // namespace quillstone

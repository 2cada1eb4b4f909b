// The host interface over the host's real COM objects: each adapter holds
// an IDispatch and turns every failing call into a Status with the text a
// user should read.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <utility>

#include "addin/com_ref.h"
#include "addin/host.h"

namespace quillstone {

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

}  // namespace quillstone

// The sink of a command-bar control's click events: a COM object of the
// DLL's own that the host calls, passing each click on to Connect.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "addin/com_object.h"
#include "addin/host.h"

namespace quillstone {

// Passes the host's clicks to its target while it is subscribed; a host
// that calls after the subscription ended reaches nobody. `events` is the
// event interface it answers: VB6's CommandBarEvents, whose Click has three
// arguments, or an Office button's, whose Click has two.
class ClickSink final : public Unknown<IDispatch> {
 public:
  ClickSink(brindle::CommandBarEventsSink& target, const IID& events)
      : target_(&target), events_(events) {}
  void Detach() { target_ = nullptr; }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override;

 protected:
  IUnknown* tableFor(REFIID iid) override;

 private:
  brindle::CommandBarEventsSink* target_;
  const IID& events_;
};

}  // namespace quillstone

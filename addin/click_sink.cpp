#include "addin/click_sink.h"

#include "addin/com_ref.h"
#include "addin/host_adapters.h"
#include "addin/quillstone.h"

namespace quillstone {

IUnknown* ClickSink::tableFor(REFIID iid) {
  return Lookup(iid, {{IID_IUnknown, this}, {IID_IDispatch, this}, {events_, this}});
}

HRESULT ClickSink::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT ClickSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT ClickSink::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (names[0] && lstrcmpiW(names[0], L"Click") == 0 && count == 1) {
    ids[0] = kDispidClick;
    return S_OK;
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT ClickSink::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                          UINT*) {
  return Entry([&]() -> HRESULT {
    // Each event interface has one event, Click(CommandBarControl, handled,
    // CancelDefault) in VB6, Click(Ctrl, CancelDefault) in Office: a call
    // with its arguments is that event, whatever dispatch id the host
    // numbers it with.
    const UINT expected = IsEqualIID(events_, DIID_CommandBarEvents) ? 3 : 2;
    if (!params || params->cArgs != expected || !params->rgvarg) return DISP_E_BADPARAMCOUNT;
    if (!target_) return S_OK;
    // The flags are passed by reference; a host that passes them by value
    // gets copies.
    SHORT handled = 0, cancel = 0;
    SHORT* handled_ref = &handled;
    SHORT* cancel_ref = &cancel;
    std::shared_ptr<brindle::HostObject> control;
    VARIANT* a = params->rgvarg;
    VARIANT& ctrl = a[expected - 1];
    if (ctrl.vt == VT_DISPATCH && ctrl.pdispVal) control = WrapObject(ctrl.pdispVal);
    if (expected == 3 && a[1].vt == (VT_BOOL | VT_BYREF) && a[1].pboolVal) handled_ref = a[1].pboolVal;
    if (a[0].vt == (VT_BOOL | VT_BYREF) && a[0].pboolVal) cancel_ref = a[0].pboolVal;
    Ref<ClickSink> keep(this);
    int16_t h = *handled_ref, c = *cancel_ref;
    target_->Click(control, h, c);
    *handled_ref = h;
    *cancel_ref = c;
    return S_OK;
  });
}

}  // namespace quillstone

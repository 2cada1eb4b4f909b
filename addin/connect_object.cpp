// The COM class Connect: the host's add-in connection object, with its two
// dual interfaces over the portable Connect.
#include "addin/connect_object.h"

#include <oaidl.h>

#include <string>

#include "addin/com_object.h"
#include "addin/code_window_commands.h"
#include "addin/com_ref.h"
#include "addin/connect.h"
#include "addin/dispatch_call.h"
#include "addin/host_adapters.h"
#include "addin/hub_window.h"
#include "addin/quillstone.h"
#include "forms/win32.h"

namespace quillstone {

using brindle::Status;

namespace {

// The type information of one of our interfaces, from the library embedded
// in this DLL. The library is loaded once and never released: a release
// from the DLL's unloading could reach an OLE that has gone already.
Ref<ITypeInfo> TypeInfoOf(REFIID iid) {
  static ITypeLib* const lib = [] {
    Ref<ITypeLib> l;
    const std::wstring path = forms::ModulePath();
    if (FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, l.put()))) l = Ref<ITypeLib>();
    return l.detach();
  }();
  Ref<ITypeInfo> info;
  if (!lib || FAILED(lib->GetTypeInfoOfGuid(iid, info.put()))) return Ref<ITypeInfo>();
  return info;
}

// IDispatch through the type library, for the interface `iid` of `self`.
struct Dispatcher {
  const IID& iid;
  Ref<ITypeInfo> info;

  ITypeInfo* Info() {
    if (!info) info = TypeInfoOf(iid);
    return info.get();
  }
  HRESULT GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = Info() ? 1 : 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT index, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    if (!Info()) return TYPE_E_CANTLOADLIBRARY;
    *out = Ref<ITypeInfo>(info).detach();
    return S_OK;
  }
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) {
    if (!Info()) return TYPE_E_CANTLOADLIBRARY;
    return DispGetIDsOfNames(info.get(), names, count, ids);
  }
  HRESULT Invoke(void* self, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* arg) {
    if (!Info()) return TYPE_E_CANTLOADLIBRARY;
    return DispInvoke(self, info.get(), id, flags, params, result, excep, arg);
  }
};

// An automation interface whose IDispatch half works from its type
// information.
template <class Interface>
class Dispatched : public Interface {
 public:
  explicit Dispatched(const IID& iid) : dispatch_{iid, {}} {}

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return Entry([&] { return dispatch_.GetTypeInfoCount(count); });
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    return Entry([&] { return dispatch_.GetTypeInfo(index, out); });
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    return Entry([&] { return dispatch_.GetIDsOfNames(names, count, ids); });
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* excep, UINT* arg) override {
    return Entry([&] {
      return dispatch_.Invoke(static_cast<Interface*>(this), id, flags, params, result, excep, arg);
    });
  }

 private:
  Dispatcher dispatch_;
};

class ConnectObject final : public Unknown<Dispatched<_Connect>> {
 public:
  ConnectObject() : Unknown(IID__Connect) {}

  // _Connect
  HRESULT STDMETHODCALLTYPE get_FormDisplayed(VARIANT_BOOL* value) override {
    if (!value) return E_POINTER;
    *value = connect_.FormDisplayed;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_FormDisplayed(VARIANT_BOOL value) override {
    connect_.FormDisplayed = value;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_VBInstance(IDispatch** value) override {
    return Give(DispatchOf(connect_.VBInstance), value);
  }
  HRESULT STDMETHODCALLTYPE put_VBInstance(IDispatch* value) override {
    return putref_VBInstance(value);
  }
  HRESULT STDMETHODCALLTYPE putref_VBInstance(IDispatch* value) override {
    return Entry([&] {
      std::shared_ptr<brindle::VBE> root;
      Status status = WrapVBE(value, root);
      if (status.ok()) connect_.VBInstance = std::move(root);
      return ToHResult(status);
    });
  }
  HRESULT STDMETHODCALLTYPE get_MenuHandler(IDispatch** value) override {
    return Give(DispatchOf(connect_.GetMenuHandler()), value);
  }
  HRESULT STDMETHODCALLTYPE put_MenuHandler(IDispatch* value) override {
    return putref_MenuHandler(value);
  }
  HRESULT STDMETHODCALLTYPE putref_MenuHandler(IDispatch* value) override {
    return Entry([&] { return ToHResult(connect_.SetMenuHandler(WrapCommandBarEvents(value))); });
  }
  HRESULT STDMETHODCALLTYPE Hide() override {
    connect_.Hide();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Show() override {
    connect_.Show();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE AddToAddInCommandBar(BSTR* sCaption, IDispatch** result) override {
    if (!result) return E_POINTER;
    *result = nullptr;
    return Entry([&] {
      std::u16string caption;
      if (sCaption && *sCaption)
        caption.assign(reinterpret_cast<const char16_t*>(*sCaption), SysStringLen(*sCaption));
      return Give(DispatchOf(connect_.AddToAddInCommandBar(caption)), result);
    });
  }

 private:
  static HRESULT Give(IDispatch* d, IDispatch** out) {
    if (!out) return E_POINTER;
    *out = Ref<IDispatch>(d).detach();
    return S_OK;
  }

  // The host's add-in connection interface, as a second table of the same
  // object.
  struct Extensibility final : Dispatched<_IDTExtensibility2> {
    explicit Extensibility(ConnectObject& owner)
        : Dispatched(IID__IDTExtensibility2), owner(owner) {}
    ConnectObject& outer() { return owner; }
    ConnectObject& owner;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
      return outer().QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return outer().AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return outer().Release(); }
    HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, LONG ConnectMode,
                                           IDispatch* AddInInst, SAFEARRAY**) override {
      return Entry([&] {
        outer().connect_.Designer().OnConnection(WrapObject(Application), ConnectMode,
                                                 WrapObject(AddInInst), nullptr);
        return S_OK;
      });
    }
    HRESULT STDMETHODCALLTYPE OnDisconnection(LONG RemoveMode, SAFEARRAY**) override {
      return Entry([&] {
        outer().connect_.Designer().OnDisconnection(RemoveMode, nullptr);
        return S_OK;
      });
    }
    HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY**) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY**) override { return S_OK; }
  };

  IUnknown* tableFor(REFIID iid) override {
    _Connect* self = this;
    return Lookup(iid, {{IID_IUnknown, self},
                        {IID_IDispatch, self},
                        {IID__Connect, self},
                        {IID__IDTExtensibility2, &extensibility_}});
  }

  HubWindows hubs_;
  RegistrySettings settings_;
  MsgBoxService msgbox_;
  CodeWindowCommands commands_;
  brindle::Connect connect_{hubs_, settings_, msgbox_, &commands_};
  Extensibility extensibility_{*this};
};

}  // namespace

HRESULT CreateConnect(REFIID iid, void** out) {
  Ref<ConnectObject> object(new ConnectObject(), false);
  return object->QueryInterface(iid, out);
}

}  // namespace quillstone

// Quillstone.dll's entry points: the class factory of Connect and the
// exports COM calls.
#include <windows.h>
#include <olectl.h>

#include "addin/com_object.h"
#include "addin/com_ref.h"
#include "addin/connect_object.h"
#include "addin/quillstone.h"
#include "addin/registration.h"

namespace quillstone {
namespace {

class Factory final : public Unknown<IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return Entry([&] { return CreateConnect(iid, out); });
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    LockModule(lock != FALSE);
    return S_OK;
  }

 protected:
  IUnknown* tableFor(REFIID iid) override {
    return Lookup(iid, {{IID_IUnknown, this}, {IID_IClassFactory, this}});
  }
};

}  // namespace
}  // namespace quillstone

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  using namespace quillstone;
  return Entry([&]() -> HRESULT {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (clsid != CLSID_Connect) return CLASS_E_CLASSNOTAVAILABLE;
    Ref<Factory> factory(new Factory(), false);
    return factory->QueryInterface(iid, out);
  });
}

HRESULT STDAPICALLTYPE DllCanUnloadNow() { return quillstone::ModuleInUse() ? S_FALSE : S_OK; }

HRESULT STDAPICALLTYPE DllRegisterServer() {
  return quillstone::Entry([] { return quillstone::Register(); });
}

HRESULT STDAPICALLTYPE DllUnregisterServer() {
  return quillstone::Entry([] {
    quillstone::Unregister();
    return S_OK;
  });
}

}  // extern "C"

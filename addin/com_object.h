// The DLL's own COM objects: what every one of them shares. The module's
// count of live objects and server locks, one exception barrier for every
// COM entry point, and IUnknown with QueryInterface from a table.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <initializer_list>
#include <new>
#include <utility>

namespace quillstone {

// Live objects and server locks, for DllCanUnloadNow.
void ObjectCreated();
void ObjectDestroyed();
void LockModule(bool lock);
bool ModuleInUse();

// Runs the body of a COM entry point: no exception may cross into the
// caller, so running out of memory becomes E_OUTOFMEMORY and anything else
// E_UNEXPECTED.
template <class Body>
HRESULT Entry(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// One row of an object's interface table: an interface id and the table
// the object answers it with.
struct InterfaceRow {
  const IID& iid;
  IUnknown* table;
};

// The table that answers `iid` among `rows`, or null.
inline IUnknown* Lookup(REFIID iid, std::initializer_list<InterfaceRow> rows) {
  for (const InterfaceRow& row : rows)
    if (IsEqualIID(iid, row.iid)) return row.table;
  return nullptr;
}

// IUnknown for an object whose first table is `Interface`: a reference
// count that deletes the object at zero, the module's object count, and
// QueryInterface from the table that `tableFor` looks up.
template <class Interface>
class Unknown : public Interface {
 public:
  Unknown(const Unknown&) = delete;
  Unknown& operator=(const Unknown&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) final {
    if (!out) return E_POINTER;
    *out = nullptr;
    IUnknown* table = tableFor(iid);
    if (!table) return E_NOINTERFACE;
    table->AddRef();
    *out = table;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() final { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() final {
    const ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
  }

 protected:
  template <class... Args>
  explicit Unknown(Args&&... args) : Interface(std::forward<Args>(args)...) {
    ObjectCreated();
  }
  virtual ~Unknown() { ObjectDestroyed(); }
  // The object's table for `iid` (IUnknown's among them), or null:
  // typically Lookup(iid, {...rows...}).
  virtual IUnknown* tableFor(REFIID iid) = 0;

 private:
  std::atomic<ULONG> refs_{1};
};

}  // namespace quillstone

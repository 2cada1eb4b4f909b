// Quillstone.dll through the real COM path: registered by regsvr32 in the
// test's own Wine prefix, created by its programmatic name, and driven by a
// substitute host made of COM objects of this file.
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <olectl.h>

#include <shlwapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "addin/com_ref.h"
#include "addin/quillstone.h"
#include "addin/substitute_code_pane.h"
#include "addin/substitute_host.h"
#include "addin/substitute_vba.h"
#include "forms/testing/ui.h"

namespace {

using namespace quillstone_testing;
const wchar_t kSettingsKey[] = L"Software\\VB and VBA Program Settings\\BRINDLE Plus!\\Settings";

// The click-event source of one control, with its one connection point.
class Source final : public EventSource {
 public:
  Source() : EventSource(quillstone::DIID_CommandBarEvents) {}

  size_t Sinks() const { return sinks.size(); }
  // Raises Click(CommandBarControl, handled, CancelDefault) on every sink.
  // The host numbers the event with `id`; the sink must not depend on it.
  void Fire(IDispatch* control, VARIANT_BOOL& handled, VARIANT_BOOL& cancel,
            DISPID id = quillstone::kDispidClick) {
    auto copy = sinks;
    for (auto& [cookie, sink] : copy) {
      VARIANT args[3];
      for (VARIANT& a : args) VariantInit(&a);
      args[2].vt = VT_DISPATCH;
      args[2].pdispVal = control;
      args[1].vt = VT_BOOL | VT_BYREF;
      args[1].pboolVal = &handled;
      args[0].vt = VT_BOOL | VT_BYREF;
      args[0].pboolVal = &cancel;
      DISPPARAMS params = {args, nullptr, 3, 0};
      EXPECT_EQ(sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params,
                             nullptr, nullptr, nullptr),
                S_OK);
    }
  }
};

// A host IDE with an "Add-Ins" bar that records its controls.
struct Host {
  struct Control {
    Ref<Obj> object;
    VARTYPE type_vt = VT_EMPTY;
    SHORT type = 0;
    UINT add_args = 0;
    std::wstring caption;
  };
  std::vector<Control> controls;
  std::vector<Ref<Source>> sources;
  std::vector<IDispatch*> asked_for;  // the controls CommandBarEvents was given
  VbaBar codeWindow{L"Code Window"};  // a bar of Office 8's, without Click
  bool hasCodeWindow = false;
  SubstituteCodePane code;
  std::wstring events_failure;        // when set, reading Events raises this
  HRESULT events_hr = S_OK;           // when failing, reading Events returns it bare

  Ref<Obj> root{new Obj({quillstone::IID_VBE}), false};
  Ref<Obj> bars{new Obj({quillstone::IID_CommandBars}), false};
  Ref<Obj> bar{new Obj(), false};
  Ref<Obj> items{new Obj(), false};
  Ref<Obj> events{new Obj({quillstone::IID_Events}), false};

  Host() {
    root->Member(L"CommandBars", [this](WORD, DISPPARAMS*, VARIANT* r) { return ReturnObject(r, bars.get()); });
    root->Member(L"Events", [this](WORD, DISPPARAMS*, VARIANT* r) {
      if (!events_failure.empty()) return root->Raise(events_failure);
      if (FAILED(events_hr)) return events_hr;
      return ReturnObject(r, events.get());
    });
    bars->Member(L"Item", [this](WORD, DISPPARAMS* p, VARIANT* r) {
      if (p->cArgs != 1 || p->rgvarg[0].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
      const std::wstring name = p->rgvarg[0].bstrVal;
      if (hasCodeWindow && name == L"Code Window") return ReturnObject(r, codeWindow.bar.get());
      return ReturnObject(r, name == L"Add-Ins" ? bar.get() : nullptr);
    });
    bar->Member(L"Controls", [this](WORD, DISPPARAMS*, VARIANT* r) { return ReturnObject(r, items.get()); });
    codeWindow.officeClick = false;
    code.withProject = false;  // VB6 has neither Mode nor Protection
    root->Member(L"ActiveCodePane", [this](WORD, DISPPARAMS*, VARIANT* r) {
      return ReturnObject(r, code.pane.get());
    });
    items->Member(L"Add", [this](WORD, DISPPARAMS* p, VARIANT* r) {
      Control c;
      c.object = Ref<Obj>(new Obj({quillstone::IID_CommandBarControl}), false);
      c.add_args = p->cArgs;
      if (p->cArgs >= 1) {
        c.type_vt = p->rgvarg[p->cArgs - 1].vt;
        c.type = p->rgvarg[p->cArgs - 1].iVal;
      }
      Obj* self = c.object.get();
      self->Member(L"Caption", [this, self](WORD flags, DISPPARAMS* p, VARIANT*) {
        if (!(flags & DISPATCH_PROPERTYPUT) || p->cArgs != 1 || p->rgvarg[0].vt != VT_BSTR)
          return DISP_E_TYPEMISMATCH;
        Find(self)->caption = p->rgvarg[0].bstrVal;
        return S_OK;
      });
      self->Member(L"Delete", [this, self](WORD, DISPPARAMS*, VARIANT*) {
        for (auto it = controls.begin(); it != controls.end(); ++it) {
          if (it->object.get() == self) {
            controls.erase(it);
            return S_OK;
          }
        }
        return E_FAIL;
      });
      controls.push_back(c);
      return ReturnObject(r, self);
    });
    events->Member(L"CommandBarEvents", [this](WORD, DISPPARAMS* p, VARIANT* r) {
      asked_for.push_back(p->cArgs == 1 && p->rgvarg[0].vt == VT_DISPATCH ? p->rgvarg[0].pdispVal : nullptr);
      Ref<Source> s(new Source(), false);
      sources.push_back(s);
      return ReturnObject(r, static_cast<Obj*>(s.get()));
    });
  }
  Control* Find(Obj* o) {
    for (auto& c : controls)
      if (c.object.get() == o) return &c;
    return nullptr;
  }
  void Click(DISPID id = quillstone::kDispidClick) {
    ASSERT_FALSE(sources.empty());
    VARIANT_BOOL handled = VARIANT_FALSE, cancel = VARIANT_FALSE;
    sources.back()->Fire(controls.empty() ? nullptr : controls.back().object.get(), handled, cancel,
                         id);
    EXPECT_EQ(handled, VARIANT_FALSE);
    EXPECT_EQ(cancel, VARIANT_FALSE);
  }
};

class QuillstoneTest : public RegisteredDll<> {
 protected:
  void SetUp() override { RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey); }

  Ref<quillstone::_IDTExtensibility2> Create() {
    CLSID clsid = {};
    EXPECT_EQ(CLSIDFromProgID(quillstone::kProgId, &clsid), S_OK);
    EXPECT_EQ(clsid, quillstone::CLSID_Connect);
    Ref<quillstone::_IDTExtensibility2> addin;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, quillstone::IID__IDTExtensibility2,
                               reinterpret_cast<void**>(addin.put())),
              S_OK);
    return addin;
  }
};

TEST_F(QuillstoneTest, ConnectionMenuClickAndDisconnection) {
  Host host;
  auto addin = Create();
  ASSERT_TRUE(addin);
  ASSERT_EQ(addin->OnConnection(host.root.get(), 1, nullptr, nullptr), S_OK);

  ASSERT_EQ(host.controls.size(), 1u);
  EXPECT_EQ(host.controls[0].add_args, 1u);
  EXPECT_EQ(host.controls[0].type_vt, VT_I2);
  EXPECT_EQ(host.controls[0].type, 1);
  EXPECT_EQ(host.controls[0].caption, L"My AddIn");
  ASSERT_EQ(host.sources.size(), 1u);
  EXPECT_EQ(host.asked_for[0], static_cast<IDispatch*>(host.controls[0].object.get()));
  EXPECT_EQ(host.sources[0]->Sinks(), 1u);
  EXPECT_TRUE(ShownHubs().empty());

  host.Click();
  auto shown = ShownHubs();
  ASSERT_EQ(shown.size(), 1u);
  host.Click();  // a second click keeps the one hub
  EXPECT_EQ(ShownHubs(), shown);

  // Tab moves the focus in the hub though the host, not the hub, pumps the
  // messages: from "Archived Snippets" (tab index 0) to "Resource Hacker".
  EXPECT_TRUE(ui::WaitFor([&] { return GetFocus() && GetParent(GetFocus()) == shown[0]; }));
  EXPECT_EQ(ui::TextOf(GetFocus()), L"Archived Snippets");
  ui::Tab();
  EXPECT_TRUE(ui::WaitFor([&] { return ui::TextOf(GetFocus()) == L"Resource Hacker"; }));

  Ref<quillstone::_Connect> connect;
  ASSERT_EQ(addin->QueryInterface(quillstone::IID__Connect, reinterpret_cast<void**>(connect.put())), S_OK);
  VARIANT_BOOL displayed = 0;
  EXPECT_EQ(connect->get_FormDisplayed(&displayed), S_OK);
  EXPECT_EQ(displayed, VARIANT_TRUE);
  Ref<IDispatch> vbe;
  EXPECT_EQ(connect->get_VBInstance(vbe.put()), S_OK);
  EXPECT_EQ(vbe.get(), static_cast<IDispatch*>(host.root.get()));

  ASSERT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
  EXPECT_TRUE(host.controls.empty());
  EXPECT_EQ(ReadString(kSettingsKey, L"DisplayOnConnect"), L"1");
  EXPECT_FALSE(IsWindow(shown[0]));  // the hub was unloaded

  // Connected again after start-up with "1" stored: a new hub shows at once.
  ASSERT_EQ(addin->OnConnection(host.root.get(), 0, nullptr, nullptr), S_OK);
  EXPECT_EQ(host.controls.size(), 1u);
  EXPECT_EQ(host.sources[0]->Sinks(), 0u);  // the old subscription ended
  EXPECT_EQ(host.sources[1]->Sinks(), 1u);
  ASSERT_EQ(ShownHubs().size(), 1u);
  EXPECT_EQ(connect->Hide(), S_OK);
  EXPECT_TRUE(ShownHubs().empty());
  ASSERT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
  EXPECT_EQ(ReadString(kSettingsKey, L"DisplayOnConnect"), L"0");
  EXPECT_TRUE(host.controls.empty());
}

TEST_F(QuillstoneTest, TheMenuClickIsTakenByItsArgumentsWhateverItsDispatchId) {
  Host host;
  auto addin = Create();
  ASSERT_TRUE(addin);
  ASSERT_EQ(addin->OnConnection(host.root.get(), 1, nullptr, nullptr), S_OK);
  EXPECT_TRUE(ShownHubs().empty());
  host.Click(0x60030002);  // an id of the host's own numbering, not 1
  EXPECT_EQ(ShownHubs().size(), 1u);
  ASSERT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
  EXPECT_TRUE(ShownHubs().empty());
}

TEST_F(QuillstoneTest, HostFailureIsReportedAndConnectionCompletes) {
  Host host;
  host.events_failure = L"Events are switched off";
  ui::MessageBoxes boxes;
  auto addin = Create();
  ASSERT_TRUE(addin);
  EXPECT_EQ(addin->OnConnection(host.root.get(), 0, nullptr, nullptr), S_OK);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].text, L"Events are switched off");
  EXPECT_EQ(boxes.shown()[0].title, L"BRINDLE Plus!");
  EXPECT_EQ(host.controls.size(), 1u);  // added before the failure; it stays
  EXPECT_TRUE(host.sources.empty());

  // An Application that is not the host's root object.
  Ref<Obj> stranger(new Obj(), false);
  EXPECT_EQ(addin->OnConnection(stranger.get(), 1, nullptr, nullptr), S_OK);
  ASSERT_EQ(boxes.shown().size(), 2u);
  EXPECT_EQ(boxes.shown()[1].text, L"Type mismatch");
  EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
  EXPECT_TRUE(host.controls.empty());
}

TEST_F(QuillstoneTest, BareFailureIsNotReportedWithAnOlderErrorText) {
  // An error info left on the thread by an earlier failure.
  Ref<ICreateErrorInfo> create;
  ASSERT_EQ(CreateErrorInfo(create.put()), S_OK);
  create->SetDescription(const_cast<LPOLESTR>(L"An older failure"));
  Ref<IErrorInfo> old;
  ASSERT_EQ(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(old.put())), S_OK);
  SetErrorInfo(0, old.get());

  Host host;
  host.events_hr = E_ACCESSDENIED;
  ui::MessageBoxes boxes;
  auto addin = Create();
  ASSERT_TRUE(addin);
  EXPECT_EQ(addin->OnConnection(host.root.get(), 0, nullptr, nullptr), S_OK);
  ASSERT_EQ(boxes.shown().size(), 1u);
  const std::wstring& text = boxes.shown()[0].text;
  EXPECT_EQ(text.rfind(L"Automation error", 0), 0u) << std::string(text.begin(), text.end());
  EXPECT_EQ(text.find(L"older"), std::wstring::npos);
  EXPECT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
  EXPECT_TRUE(host.controls.empty());
}

TEST_F(QuillstoneTest, HubClosedByItsCloseBoxComesBackOnTheNextClick) {
  Host host;
  auto addin = Create();
  ASSERT_TRUE(addin);
  ASSERT_EQ(addin->OnConnection(host.root.get(), 1, nullptr, nullptr), S_OK);
  host.Click();
  auto shown = ShownHubs();
  ASSERT_EQ(shown.size(), 1u);

  ui::ResetQuit();
  // A tool window opened from the hub, then both closed: neither the last
  // window closing nor anything else ends the host's message loop.
  HWND button = FindWindowExW(shown[0], nullptr, L"Button", L"MultiLine2VB");
  ASSERT_NE(button, nullptr);
  ui::Click(button);
  HWND converter = nullptr;
  EXPECT_TRUE(ui::WaitFor([&] {
    converter = FindWindowW(nullptr, L"MultiLine2VB");
    return converter && IsWindowVisible(converter);
  }));
  PostMessageW(shown[0], WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(ui::WaitFor([&] { return !IsWindow(shown[0]); }));
  if (converter) PostMessageW(converter, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(ui::WaitFor([&] { return !FindWindowW(nullptr, L"MultiLine2VB"); }));
  EXPECT_FALSE(ui::QuitPosted());

  host.Click();
  EXPECT_EQ(ShownHubs().size(), 1u);
  SendMessageW(ShownHubs()[0], WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(ShownHubs().empty());
  // Closed by its close box, it still counts as shown for the next start.
  ASSERT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
  EXPECT_EQ(ReadString(kSettingsKey, L"DisplayOnConnect"), L"1");
  EXPECT_FALSE(ui::QuitPosted());
}

TEST_F(QuillstoneTest, DispatchReachesConnectByName) {
  Ref<quillstone::_IDTExtensibility2> addin = Create();
  ASSERT_TRUE(addin);
  Ref<IDispatch> d;
  ASSERT_EQ(addin->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(d.put())), S_OK);
  LPOLESTR name = const_cast<LPOLESTR>(L"FormDisplayed");
  DISPID id = 0;
  ASSERT_EQ(d->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BOOL;
  value.boolVal = VARIANT_TRUE;
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&value, &put, 1, 1};
  ASSERT_EQ(d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK);
  VARIANT result;
  VariantInit(&result);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  ASSERT_EQ(d->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.vt, VT_BOOL);
  EXPECT_EQ(result.boolVal, VARIANT_TRUE);

  // AddToAddInCommandBar without a host returns nothing.
  name = const_cast<LPOLESTR>(L"AddToAddInCommandBar");
  ASSERT_EQ(d->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
  BSTR caption = SysAllocString(L"My AddIn");
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_BSTR | VT_BYREF;
  arg.pbstrVal = &caption;
  DISPPARAMS one = {&arg, nullptr, 1, 0};
  ASSERT_EQ(d->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &one, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result.vt, VT_DISPATCH);
  EXPECT_EQ(result.pdispVal, nullptr);
  EXPECT_STREQ(caption, L"My AddIn");
  SysFreeString(caption);
}

TEST_F(QuillstoneTest, TypeLibraryDescribesConnect) {
  Ref<ITypeLib> lib;
  ASSERT_EQ(LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, lib.put()), S_OK);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, quillstone::LIBID_Quillstone);
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_EQ(attr->lcid, 0u);
  lib->ReleaseTLibAttr(attr);
  BSTR name = nullptr, doc = nullptr;
  ASSERT_EQ(lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr), S_OK);
  EXPECT_STREQ(name, L"Quillstone");
  EXPECT_STREQ(doc, L"VB6 Add-In for BRINDLE Plus!");
  SysFreeString(name);
  SysFreeString(doc);

  // The registered library is the same one.
  Ref<ITypeLib> registered;
  EXPECT_EQ(LoadRegTypeLib(quillstone::LIBID_Quillstone, 1, 0, 0, registered.put()), S_OK);

  // The class: _Connect by default, and the host's connection interface.
  Ref<ITypeInfo> coclass;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(quillstone::CLSID_Connect, coclass.put()), S_OK);
  TYPEATTR* cattr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&cattr), S_OK);
  EXPECT_EQ(cattr->typekind, TKIND_COCLASS);
  ASSERT_EQ(cattr->cImplTypes, 2);
  coclass->ReleaseTypeAttr(cattr);
  const IID implemented[] = {quillstone::IID__Connect, quillstone::IID__IDTExtensibility2};
  for (UINT i = 0; i < 2; ++i) {
    INT flags = 0;
    ASSERT_EQ(coclass->GetImplTypeFlags(i, &flags), S_OK);
    EXPECT_EQ((flags & IMPLTYPEFLAG_FDEFAULT) != 0, i == 0) << i;
    HREFTYPE href = 0;
    Ref<ITypeInfo> impl;
    ASSERT_EQ(coclass->GetRefTypeOfImplType(i, &href), S_OK);
    ASSERT_EQ(coclass->GetRefTypeInfo(href, impl.put()), S_OK);
    TYPEATTR* iattr = nullptr;
    ASSERT_EQ(impl->GetTypeAttr(&iattr), S_OK);
    EXPECT_EQ(iattr->guid, implemented[i]) << i;
    impl->ReleaseTypeAttr(iattr);
  }

  Ref<ITypeInfo> dispatch;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(quillstone::IID__Connect, dispatch.put()), S_OK);
  // The table half of the dual interface.
  HREFTYPE ref = 0;
  Ref<ITypeInfo> info;
  ASSERT_EQ(dispatch->GetRefTypeOfImplType(-1, &ref), S_OK);
  ASSERT_EQ(dispatch->GetRefTypeInfo(ref, info.put()), S_OK);
  TYPEATTR* type = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&type), S_OK);
  EXPECT_EQ(type->typekind, TKIND_INTERFACE);
  EXPECT_TRUE(type->wTypeFlags & TYPEFLAG_FDUAL);
  ASSERT_EQ(type->cFuncs, 11);
  info->ReleaseTypeAttr(type);

  struct Slot {
    const wchar_t* name;
    INVOKEKIND kind;
    VARTYPE arg;  // VT_EMPTY: none
  };
  const Slot slots[] = {
      {L"FormDisplayed", INVOKE_PROPERTYGET, VT_PTR},     {L"FormDisplayed", INVOKE_PROPERTYPUT, VT_BOOL},
      {L"VBInstance", INVOKE_PROPERTYGET, VT_PTR},        {L"VBInstance", INVOKE_PROPERTYPUT, VT_DISPATCH},
      {L"VBInstance", INVOKE_PROPERTYPUTREF, VT_DISPATCH}, {L"MenuHandler", INVOKE_PROPERTYGET, VT_PTR},
      {L"MenuHandler", INVOKE_PROPERTYPUT, VT_DISPATCH},  {L"MenuHandler", INVOKE_PROPERTYPUTREF, VT_DISPATCH},
      {L"Hide", INVOKE_FUNC, VT_EMPTY},                   {L"Show", INVOKE_FUNC, VT_EMPTY},
      {L"AddToAddInCommandBar", INVOKE_FUNC, VT_PTR},
  };
  std::map<std::wstring, MEMBERID> ids;
  for (UINT i = 0; i < 11; ++i) {
    FUNCDESC* f = nullptr;
    ASSERT_EQ(info->GetFuncDesc(i, &f), S_OK);
    BSTR fname = nullptr;
    UINT n = 0;
    info->GetNames(f->memid, &fname, 1, &n);
    EXPECT_STREQ(fname, slots[i].name) << i;
    EXPECT_EQ(f->invkind, slots[i].kind) << i;
    // After IUnknown's three and IDispatch's four slots.
    EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*))) << i;
    if (slots[i].arg == VT_EMPTY) {
      EXPECT_EQ(f->cParams, 0) << i;
    } else {
      ASSERT_GE(f->cParams, 1) << i;
      EXPECT_EQ(f->lprgelemdescParam[0].tdesc.vt, slots[i].arg) << i;
    }
    // Every access of one property shares its id.
    auto [it, fresh] = ids.emplace(fname, f->memid);
    EXPECT_TRUE(fresh || it->second == f->memid) << i;
    SysFreeString(fname);
    info->ReleaseFuncDesc(f);
  }
  EXPECT_EQ(ids.size(), 6u);

  // FormDisplayed is a 16-bit Boolean; the caption goes by reference.
  FUNCDESC* f = nullptr;
  ASSERT_EQ(info->GetFuncDesc(0, &f), S_OK);
  EXPECT_EQ(f->lprgelemdescParam[0].tdesc.lptdesc->vt, VT_BOOL);
  info->ReleaseFuncDesc(f);
  ASSERT_EQ(info->GetFuncDesc(10, &f), S_OK);
  ASSERT_EQ(f->cParams, 2);
  EXPECT_EQ(f->lprgelemdescParam[0].tdesc.lptdesc->vt, VT_BSTR);
  info->ReleaseFuncDesc(f);
}

TEST_F(QuillstoneTest, Vb6CodeWindowCommandsClickThroughItsEventsObject) {
  Host host;
  host.hasCodeWindow = true;
  ui::MessageBoxes boxes;
  auto addin = Create();
  ASSERT_TRUE(addin);
  ASSERT_EQ(addin->OnConnection(host.root.get(), 1, nullptr, nullptr), S_OK);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(host.controls.size(), 1u);  // "My AddIn", as before
  ASSERT_EQ(host.codeWindow.controls.size(), 3u);
  VbaButton* paste = host.codeWindow.controls[0].get();
  EXPECT_EQ(paste->caption, L"Paste as VB String");
  EXPECT_TRUE(paste->beginGroup);
  // Each button's clicks come from the events object's source for it.
  Source* source = nullptr;
  for (size_t i = 0; i < host.asked_for.size(); ++i)
    if (host.asked_for[i] == static_cast<IDispatch*>(static_cast<Obj*>(paste))) source = host.sources[i].get();
  ASSERT_NE(source, nullptr);

  host.code.lines = {L"Sub A()", L"    MsgBox ", L"End Sub"};
  host.code.Caret(2, 12);
  ASSERT_TRUE(PutOnClipboard(L"a\r\nb"));
  VARIANT_BOOL handled = VARIANT_FALSE, cancel = VARIANT_FALSE;
  source->Fire(static_cast<Obj*>(paste), handled, cancel);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(host.code.lines[1], L"    MsgBox \"a\" & vbNewLine & \"b\"");
  EXPECT_THAT(host.code.edits, ::testing::ElementsAre(L"ReplaceLine"));

  ASSERT_EQ(addin->OnDisconnection(0, nullptr), S_OK);
  EXPECT_TRUE(host.codeWindow.controls.empty());
  EXPECT_EQ(source->Sinks(), 0u);
}

}  // namespace

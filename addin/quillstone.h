// The COM face of the add-in DLL: its class and interface ids and the two
// interfaces Connect implements, as their tables are laid out in the type
// library. Shared by the DLL and by the tests that drive it.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace quillstone {

// {56E86550-3215-4731-BDA7-56A1C2F3C244}
inline constexpr GUID LIBID_Quillstone = {
    0x56E86550, 0x3215, 0x4731, {0xBD, 0xA7, 0x56, 0xA1, 0xC2, 0xF3, 0xC2, 0x44}};
// {B7AC6E42-5DDF-4129-8653-AC06695E6337}
inline constexpr GUID IID__Connect = {
    0xB7AC6E42, 0x5DDF, 0x4129, {0x86, 0x53, 0xAC, 0x06, 0x69, 0x5E, 0x63, 0x37}};
// {2F6B1C3E-8A47-4D5B-9E21-7C0D4A6B9F13}
inline constexpr GUID CLSID_Connect = {
    0x2F6B1C3E, 0x8A47, 0x4D5B, {0x9E, 0x21, 0x7C, 0x0D, 0x4A, 0x6B, 0x9F, 0x13}};
// The host's add-in connection interface.
// {B65AD801-ABAF-11D0-BB8B-00A0C90F2744}
inline constexpr GUID IID__IDTExtensibility2 = {
    0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

// Host object interfaces, asked for by id.
// {0002E100-0000-0000-C000-000000000046}
inline constexpr GUID IID_VBE = {
    0x0002E100, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// The VBA editor's root object, which does not answer VB6's id.
// {0002E166-0000-0000-C000-000000000046}
inline constexpr GUID IID_VBA_VBE = {
    0x0002E166, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000C0302-0000-0000-C000-000000000046}
inline constexpr GUID IID_CommandBars = {
    0x000C0302, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {000C0308-0000-0000-C000-000000000046}
inline constexpr GUID IID_CommandBarControl = {
    0x000C0308, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {0002E112-0000-0000-C000-000000000046}
inline constexpr GUID IID_Events = {
    0x0002E112, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// The click events of a command-bar control, raised through IDispatch.
// {0002E198-0000-0000-C000-000000000046}
inline constexpr GUID DIID_CommandBarEvents = {
    0x0002E198, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr DISPID kDispidClick = 1;
// An Office button's own click events: Click(Ctrl, ByRef CancelDefault),
// raised through the button's connection point.
// {000C0351-0000-0000-C000-000000000046}
inline constexpr GUID DIID_CommandBarButtonEvents = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

inline constexpr wchar_t kProgId[] = L"Quillstone.Connect";

struct _IDTExtensibility2 : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, LONG ConnectMode,
                                                 IDispatch* AddInInst, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(LONG RemoveMode, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

struct _Connect : IDispatch {
  virtual HRESULT STDMETHODCALLTYPE get_FormDisplayed(VARIANT_BOOL* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_FormDisplayed(VARIANT_BOOL value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_VBInstance(IDispatch** value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_VBInstance(IDispatch* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE putref_VBInstance(IDispatch* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_MenuHandler(IDispatch** value) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_MenuHandler(IDispatch* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE putref_MenuHandler(IDispatch* value) = 0;
  virtual HRESULT STDMETHODCALLTYPE Hide() = 0;
  virtual HRESULT STDMETHODCALLTYPE Show() = 0;
  virtual HRESULT STDMETHODCALLTYPE AddToAddInCommandBar(BSTR* sCaption, IDispatch** result) = 0;
};

}  // namespace quillstone

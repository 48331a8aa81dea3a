// The session's interface as MAPI itself declares it. mingw-w64's mapix.h
// gives the form token of PrepareForm and ShowForm the type ULONG, where MAPI
// has a ULONG_PTR: the same on 32-bit Windows, but in a 64-bit process
// PrepareForm writes 8 bytes and ShowForm reads 8. The wrapper calls those
// two through this view; every other call goes through mapix.h.
#pragma once

#include <windows.h>

#include <mapix.h>

namespace j6::mapiex {

// Same methods, same order as IMAPISession; a test checks that the two form
// methods sit in the same slots as mapix.h's.
struct SessionForms : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, LPMAPIERROR*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMsgStoresTable(ULONG, LPMAPITABLE*) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenMsgStore(ULONG_PTR, ULONG, LPENTRYID, LPCIID, ULONG,
                                                 LPMDB*) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenAddressBook(ULONG_PTR, LPCIID, ULONG, LPADRBOOK*) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenProfileSection(LPMAPIUID, LPCIID, ULONG, LPPROFSECT*) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStatusTable(ULONG, LPMAPITABLE*) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG*,
                                              LPUNKNOWN*) = 0;
  virtual HRESULT STDMETHODCALLTYPE CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG,
                                                    ULONG*) = 0;
  virtual HRESULT STDMETHODCALLTYPE Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) = 0;
  virtual HRESULT STDMETHODCALLTYPE Unadvise(ULONG) = 0;
  virtual HRESULT STDMETHODCALLTYPE MessageOptions(ULONG_PTR, ULONG, LPSTR, LPMESSAGE) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryDefaultMessageOpt(LPSTR, ULONG, ULONG*, LPSPropValue*) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumAdrTypes(ULONG, ULONG*, LPSTR**) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryIdentity(ULONG*, LPENTRYID*) = 0;
  virtual HRESULT STDMETHODCALLTYPE Logoff(ULONG_PTR, ULONG, ULONG) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultStore(ULONG, ULONG, LPENTRYID) = 0;
  virtual HRESULT STDMETHODCALLTYPE AdminServices(ULONG, LPSERVICEADMIN*) = 0;
  virtual HRESULT STDMETHODCALLTYPE ShowForm(ULONG_PTR uiParam, LPMDB store, LPMAPIFOLDER folder,
                                             LPCIID iid, ULONG_PTR token, LPMESSAGE sent,
                                             ULONG flags, ULONG status, ULONG messageFlags,
                                             ULONG access, LPSTR messageClass) = 0;
  virtual HRESULT STDMETHODCALLTYPE PrepareForm(LPCIID iid, LPMESSAGE message,
                                                ULONG_PTR* token) = 0;
};

/// The session seen through that view.
inline SessionForms* FormsOf(IMAPISession* session) {
  return reinterpret_cast<SessionForms*>(session);
}

}  // namespace j6::mapiex

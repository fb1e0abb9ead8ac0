// CBasePropertyPage: IPropertyPage around a dialog resource.
//
// A host (a property frame) drives a page through IPropertyPage:
//   SetPageSite(site)  SetObjects(1, &object)  GetPageInfo  Activate(parent)
//   ... Show / Move ...  Deactivate  SetObjects(0, nullptr)  SetPageSite(null)
// The base turns that into a few overridables: OnConnect / OnDisconnect when
// the object is set and cleared, OnActivate / OnDeactivate around the dialog's
// life, OnApplyChanges when the host applies a dirty page, and
// OnReceiveMessage for every message of the page dialog.
//
// The dialog is a modeless child of the host's window, created from the
// module's resources (g_hInst) with the page as creation parameter.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "framework/win/baseclasses/unknown.h"

// One of this module's dialog templates, taken from the resource module in
// the current user-interface language (else US English, else any); null when
// the module has no such dialog.
const DLGTEMPLATE* LoadModuleDialog(int dialogId);

class CBasePropertyPage : public IPropertyPage, public CUnknown {
 public:
  // dialogId: the page's dialog resource; titleId: its title in the module's
  // string table.
  CBasePropertyPage(LPCTSTR name, LPUNKNOWN outer, int dialogId, int titleId);
  ~CBasePropertyPage() override;

  DECLARE_IUNKNOWN
  STDMETHODIMP NonDelegatingQueryInterface(REFIID iid, void** object) override;
  // At zero the page lets go of its site and its object before it goes.
  STDMETHODIMP_(ULONG) NonDelegatingRelease() override;

  // IPropertyPage, in the interface's slot order.
  // A second site without clearing the first, or clearing none: E_UNEXPECTED.
  STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
  // E_POINTER without a rectangle, E_UNEXPECTED when the dialog exists,
  // E_OUTOFMEMORY when it cannot be created; else the result of Show.
  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  // E_UNEXPECTED without a dialog.
  STDMETHODIMP Deactivate() override;
  // Title from the string table, size of the dialog as created.
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
  // One object connects, none disconnects, more: E_UNEXPECTED.
  STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
  // SW_SHOW, SW_SHOWNORMAL or SW_HIDE, else E_INVALIDARG.
  STDMETHODIMP Show(UINT command) override;
  STDMETHODIMP Move(LPCRECT rect) override;
  STDMETHODIMP IsPageDirty() override { return dirty_ ? S_OK : S_FALSE; }
  // E_UNEXPECTED without object or site; a clean page has nothing to apply.
  STDMETHODIMP Apply() override;
  STDMETHODIMP Help(LPCOLESTR helpDir) override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(MSG* message) override { return E_NOTIMPL; }

  virtual HRESULT OnConnect(IUnknown* object) { return S_OK; }
  virtual HRESULT OnDisconnect() { return S_OK; }
  virtual HRESULT OnActivate() { return S_OK; }
  virtual HRESULT OnDeactivate() { return S_OK; }
  virtual HRESULT OnApplyChanges() { return S_OK; }
  // The page dialog's messages; the result is the dialog procedure's.
  virtual INT_PTR OnReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  // The dialog procedure of every page dialog; the page travels in the
  // creation parameter and is kept in DWLP_USER. Also used without a page
  // (to measure a dialog), when it handles nothing.
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // Marks the page dirty and tells the site.
  void SetDirty();

  // The size of this page's dialog as created from the resources, or
  // `fallback` when the dialog cannot be created.
  SIZE MeasureDialog(SIZE fallback) const;

  // Creates one of this module's dialogs from the resource module in the
  // current user-interface language (falling back to US English, then any).
  static HWND CreateModuleDialog(int dialogId, HWND parent, DLGPROC procedure, LPARAM param);

  HWND m_hwnd = nullptr;  // the dialog between Activate and Deactivate
  HWND m_Dlg = nullptr;   // the dialog as seen by its own WM_INITDIALOG
  IPropertyPageSite* m_pPageSite = nullptr;
  const int m_DialogId;
  const int m_TitleId;

 private:
  bool dirty_ = false;
  bool objectSet_ = false;
  bool active_ = false;  // between OnActivate and OnDeactivate
};

#include "tests/support/Accessible.h"

namespace tarnwell::testing {

AccessibleFacts ReadAccessible(HWND control) {
  AccessibleFacts facts;
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IAccessible* object = nullptr;
  if (SUCCEEDED(::AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT),
                                             __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&object))) &&
      object) {
    facts.found = true;
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (SUCCEEDED(object->get_accName(self, &name)) && name) {
      facts.name.assign(name, ::SysStringLen(name));
      ::SysFreeString(name);
    }
    VARIANT role;
    ::VariantInit(&role);
    if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) facts.role = role.lVal;
    ::VariantClear(&role);
    ::WindowFromAccessibleObject(object, &facts.window);
    object->Release();
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return facts;
}

}  // namespace tarnwell::testing

#pragma once
// A control as screen readers see it: through its accessible object (OBJID_CLIENT), of this
// process or another.

#include <windows.h>

#include <oleacc.h>

#include <string>

namespace tarnwell::testing {

struct AccessibleFacts {
  bool found = false;     // the control answered with an accessible object
  std::wstring name;      // get_accName of CHILDID_SELF
  long role = 0;          // get_accRole of CHILDID_SELF
  HWND window = nullptr;  // the window the object says it stands for
};

AccessibleFacts ReadAccessible(HWND control);

}  // namespace tarnwell::testing

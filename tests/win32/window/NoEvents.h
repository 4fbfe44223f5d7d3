#pragma once
// Handlers for a window whose buttons and closing no test looks at.

#include "app/Form.h"

namespace tarnwell::testing {

class NoEvents final : public FormEvents {
 public:
  void cmdOK_Click() override {}
  void cmdCancel_Click() override {}
  void Form_QueryUnload(int&, int) override {}
  void Form_DpiChanged() override {}
};

}  // namespace tarnwell::testing

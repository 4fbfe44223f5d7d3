#pragma once
// The controller wired to a fake window and a fake system, whose clock moves with every yield.

#include <gtest/gtest.h>

#include "app/frmDllLoadTest.h"
#include "tests/unit/FakeForm.h"
#include "tests/unit/FakeSystem.h"

namespace tarnwell::testing {

class ControllerTest : public ::testing::Test {
 protected:
  // Starts the program: creates the window object, then loads it.
  void Start() {
    frm.Form_Initialize();
    if (!frm.Ended()) frm.Form_Load(form);
  }

  void ExpectNothingWrittenAfterUnload() const {
    EXPECT_TRUE(form.writesAfterUnload.empty())
        << "first write after unload: " << form.writesAfterUnload.front();
  }

  int ExitCode() const { return static_cast<int>(frm.Result()); }

  FakeSystem sys;
  frmDllLoadTest frm{sys.All()};
  FakeForm form{frm};
};

}  // namespace tarnwell::testing

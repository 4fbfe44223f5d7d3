// The programs are linked with -municode, so the test program starts at wmain.
#include <gtest/gtest.h>

#include <memory>

#include "platform/WideText.h"
#include "tests/support/PrintedOnly.h"
#include "tests/win32/services/ServiceTestSupport.h"

namespace {

// A modal box that no test expected would block the run for good: during every test a patient
// answerer closes any box left open for some seconds and fails the test that showed it. Every
// test runs on this thread, the one the answerer watches.
class UnexpectedDialogs : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo&) override {
    guard_ = std::make_unique<tarnwell::testing::DialogAnswerer>(kPatience);
  }
  void OnTestEnd(const testing::TestInfo&) override {
    if (!guard_) return;
    for (const tarnwell::testing::SeenDialog& dialog : guard_->Finish()) {
      ADD_FAILURE() << "a box nobody answered was closed: \""
                    << tarnwell::platform::Narrow(dialog.title) << "\": \""
                    << tarnwell::platform::Narrow(dialog.text) << "\"";
    }
    guard_.reset();
  }

 private:
  static constexpr DWORD kPatience = 5000;
  std::unique_ptr<tarnwell::testing::DialogAnswerer> guard_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  testing::InitGoogleTest(&argc, argv);
  tarnwell::testing::PrintFailuresOnly();
  // Appended after the printer, so its OnTestEnd runs before the result is printed.
  // GoogleTest takes ownership of its listeners.
  testing::UnitTest::GetInstance()->listeners().Append(
      std::make_unique<UnexpectedDialogs>().release());
  return RUN_ALL_TESTS();
}

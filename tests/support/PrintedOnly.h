#pragma once
// How the Windows test programs print a failure.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace tarnwell::testing {

// GoogleTest's own printer, except that a failure is only printed: the default printer also
// hands it to OutputDebugStringA, and for the i686 tests under the emulator that ends the test
// program at its first failure, at times with exit code 0, so that ctest would count it passed.
class PrintedOnly : public ::testing::TestEventListener {
 public:
  explicit PrintedOnly(::testing::TestEventListener* printer) : printer_(printer) {}

  void OnTestPartResult(const ::testing::TestPartResult& result) override {
    if (result.type() == ::testing::TestPartResult::kSuccess) return;
    std::printf("%s:%d: %s%s\n", result.file_name() ? result.file_name() : "unknown file",
                result.line_number(),
                result.type() == ::testing::TestPartResult::kSkip ? "Skipped\n" : "Failure\n",
                result.message());
    std::fflush(stdout);
  }

  void OnTestProgramStart(const ::testing::UnitTest& u) override {
    printer_->OnTestProgramStart(u);
  }
  void OnTestIterationStart(const ::testing::UnitTest& u, int i) override {
    printer_->OnTestIterationStart(u, i);
  }
  void OnEnvironmentsSetUpStart(const ::testing::UnitTest& u) override {
    printer_->OnEnvironmentsSetUpStart(u);
  }
  void OnEnvironmentsSetUpEnd(const ::testing::UnitTest& u) override {
    printer_->OnEnvironmentsSetUpEnd(u);
  }
  void OnTestSuiteStart(const ::testing::TestSuite& s) override { printer_->OnTestSuiteStart(s); }
#ifndef GTEST_REMOVE_LEGACY_TEST_CASEAPI_
  void OnTestCaseStart(const ::testing::TestCase& c) override { printer_->OnTestCaseStart(c); }
#endif
  void OnTestStart(const ::testing::TestInfo& t) override { printer_->OnTestStart(t); }
  void OnTestDisabled(const ::testing::TestInfo& t) override { printer_->OnTestDisabled(t); }
  void OnTestEnd(const ::testing::TestInfo& t) override { printer_->OnTestEnd(t); }
  void OnTestSuiteEnd(const ::testing::TestSuite& s) override { printer_->OnTestSuiteEnd(s); }
#ifndef GTEST_REMOVE_LEGACY_TEST_CASEAPI_
  void OnTestCaseEnd(const ::testing::TestCase& c) override { printer_->OnTestCaseEnd(c); }
#endif
  void OnEnvironmentsTearDownStart(const ::testing::UnitTest& u) override {
    printer_->OnEnvironmentsTearDownStart(u);
  }
  void OnEnvironmentsTearDownEnd(const ::testing::UnitTest& u) override {
    printer_->OnEnvironmentsTearDownEnd(u);
  }
  void OnTestIterationEnd(const ::testing::UnitTest& u, int i) override {
    printer_->OnTestIterationEnd(u, i);
  }
  void OnTestProgramEnd(const ::testing::UnitTest& u) override { printer_->OnTestProgramEnd(u); }

 private:
  std::unique_ptr<::testing::TestEventListener> printer_;
};

// Puts PrintedOnly in place of GoogleTest's default printer. Call after InitGoogleTest.
inline void PrintFailuresOnly() {
  auto& listeners = ::testing::UnitTest::GetInstance()->listeners();
  if (auto* printer = listeners.Release(listeners.default_result_printer()))
    listeners.Append(new PrintedOnly(printer));
}

}  // namespace tarnwell::testing

// The window as screen readers see it: what the accessible objects of the label and the buttons
// are called, and that the label's follows its text.

#include <windows.h>

#include <oleacc.h>

#include <gtest/gtest.h>

#include <vector>

#include "platform/MessagePump.h"
#include "platform/WindowContract.h"
#include "tests/support/Accessible.h"
#include "tests/support/WindowText.h"
#include "tests/win32/window/NoEvents.h"
#include "win32/Win32Form.h"

namespace tarnwell::win32 {
namespace {

using tarnwell::testing::ReadAccessible;
using tarnwell::testing::TextOf;

using tarnwell::testing::NoEvents;

// Name changes announced for the label's client object, as a screen reader following it hears
// them. Delivered while this thread handles its messages.
class NameChanges {
 public:
  explicit NameChanges(HWND label) : label_(label) {
    current_ = this;
    hook_ = ::SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, &Heard,
                              ::GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  }
  ~NameChanges() {
    if (hook_) ::UnhookWinEvent(hook_);
    current_ = nullptr;
  }
  bool Hooked() const { return hook_ != nullptr; }
  int Count() {
    platform::DoEvents();
    return count_;
  }

 private:
  static void CALLBACK Heard(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                             DWORD) {
    if (current_ && window == current_->label_ && object == OBJID_CLIENT && child == CHILDID_SELF) {
      ++current_->count_;
    }
  }
  static inline NameChanges* current_ = nullptr;
  HWND label_;
  HWINEVENTHOOK hook_ = nullptr;
  int count_ = 0;
};

class AccessibilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(form.Exists());
    label = ::GetDlgItem(form.Window(), platform::kLabelId);
    form.Show();
  }

  NoEvents events;
  Win32Form form{events, ::GetModuleHandleW(nullptr)};
  HWND label = nullptr;
};

TEST_F(AccessibilityTest, TheLabelIsStaticTextNamedByItsWholeTextOnOneLine) {
  NameChanges changes(label);
  ASSERT_TRUE(changes.Hooked());
  // Padded and empty lines, and an ampersand in a path, as the status texts may hold them.
  form.SetLabelCaption("The first line \r\nVersion: 1.2.3.4\r\n\r\nC:\\R&D Tools\\Quandrel.dll");
  EXPECT_EQ(changes.Count(), 1);
  auto facts = ReadAccessible(label);
  ASSERT_TRUE(facts.found);
  EXPECT_EQ(facts.name, L"The first line Version: 1.2.3.4 C:\\R&D Tools\\Quandrel.dll");
  EXPECT_EQ(facts.role, ROLE_SYSTEM_STATICTEXT);
  EXPECT_EQ(facts.window, label);
  // Tools that read the window text still get the text as shown.
  EXPECT_EQ(TextOf(label),
            L"The first line \r\nVersion: 1.2.3.4\r\n\r\nC:\\R&D Tools\\Quandrel.dll");

  form.SetLabelCaption("Waiting for a program\r\nTo end");
  EXPECT_EQ(changes.Count(), 2);
  facts = ReadAccessible(label);
  EXPECT_EQ(facts.name, L"Waiting for a program To end");
}

TEST_F(AccessibilityTest, TheButtonsAreNamedWithoutTheirAccessKeyMarks) {
  const auto ok = ReadAccessible(::GetDlgItem(form.Window(), platform::kOkId));
  ASSERT_TRUE(ok.found);
  EXPECT_EQ(ok.name, L"OK");
  const auto cancel = ReadAccessible(::GetDlgItem(form.Window(), platform::kCancelId));
  ASSERT_TRUE(cancel.found);
  EXPECT_EQ(cancel.name, L"Cancel");
}

}  // namespace
}  // namespace tarnwell::win32

// A signed program installs only the Quandrel.dll its own publisher signed, seen from outside:
// the real program, signed with a throwaway publisher's certificate by the build
// (tests/fixtures/signing), with copies signed by that publisher, by its renewed certificate,
// by another publisher under the same root, by the publisher's name on another key, by the
// publisher and then changed by one byte, and not at all. A refusal shows red and ends with 2;
// nothing is unregistered, deleted or replaced, and the shipped copy stays where it is.
// (An unsigned program with an unsigned copy is what every other suite runs.)

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/Expected.h"
#include "tests/e2e/Steps.h"
#include "tests/e2e/driver/Scenario.h"

#ifndef TARNWELL_SIGNED_DIR
#error "TARNWELL_SIGNED_DIR must name the signed fixtures' folder (a Unix path)"
#endif

namespace tarnwell::e2e {
namespace {

using tarnwell::testing::PathPresent;
using tarnwell::testing::ReadTextFile;

// As tests/fixtures/signing/sign-fixtures issues them, in the order the program names them.
constexpr wchar_t kPublisher[] = L"O=Tarnwell Test, CN=Tarnwell Test Publisher";
constexpr wchar_t kOther[] = L"O=Tarnwell Test, CN=Tarnwell Test Pretender";

std::wstring Signed(const std::wstring& relative) {
  return WindowsPathOf(TARNWELL_SIGNED_DIR) + L"\\" + relative;
}
std::wstring SignedCopy(const std::wstring& signer) {
  return Signed(L"quandrel-" + signer + L"\\Quandrel.dll");
}

ScenarioOptions WithoutProgram() {
  ScenarioOptions options;
  options.program = false;
  return options;
}

// A scenario whose program is the signed one.
struct SignedScenario {
  explicit SignedScenario(const wchar_t* program = L"TarnwellUpdate.exe") {
    if (std::string(TARNWELL_SIGNED_DIR).empty()) {
      ADD_FAILURE() << "no signed fixtures: openssl or osslsigncode was missing at build time";
    }
    EXPECT_TRUE(CopyFileW(Signed(program).c_str(), s.ProgramPath().c_str(), FALSE))
        << "cannot copy the signed program: error " << GetLastError();
  }
  // `copy` beside the program: a signer's fixture, or the unsigned build.
  void Ship(const std::wstring& copy) {
    const std::wstring from =
        copy == L"unsigned" ? Scenario::FixturePath(L"1.2.3.5") : SignedCopy(copy);
    shipped = ReadBytes(from);
    EXPECT_TRUE(CopyFileW(from.c_str(), s.ShippedPath().c_str(), FALSE))
        << "cannot ship " << Narrow(from) << ": error " << GetLastError();
  }
  std::vector<std::wstring> QuietRun(DWORD& exitCode) {
    const std::wstring log = s.ProgramFolder() + L"\\run.log";
    Program program = s.Start(L"/quiet /log \"" + log + L"\"");
    exitCode = program.WaitForExit().value_or(0xDEAD);
    return ReadLines(log);
  }

  Scenario s{WithoutProgram()};
  std::vector<std::uint8_t> shipped;
};

bool HasLine(const std::vector<std::wstring>& log, const std::wstring& text) {
  return std::any_of(log.begin(), log.end(), [&](const std::wstring& line) {
    return line.find(text) != std::wstring::npos;
  });
}

std::wstring Joined(const std::vector<std::wstring>& lines) {
  std::wstring all;
  for (const auto& line : lines) all += L"\n  " + line;
  return all;
}

TEST(SignedProgram, UpdatesWithAndFreshlyInstallsItsOwnPublishersCopy) {
  {
    SCOPED_TRACE("update, with the window");
    SignedScenario run;
    run.s.Install(L"1.2.3.4");  // installed copies are not checked: only administrators put them
    run.Ship(L"publisher");
    Program program = run.s.Start();
    HWND window = program.WaitForWindow();
    ASSERT_TRUE(WaitForText(window, Updated(L"1.2.3.4", L"1.2.3.5")));
    ExpectWindow(window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
    ExpectRegistrations(run.s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
    EXPECT_EQ(ReadBytes(run.s.InstalledPath()), run.shipped);
    EXPECT_FALSE(FileExists(run.s.ShippedPath()));
    EXPECT_EQ(PressOk(program, window), kCurrent);
  }
  {
    SCOPED_TRACE("fresh install, unattended, the certificate renewed on the same key");
    SignedScenario run;
    run.Ship(L"renewed");
    DWORD exitCode = 0;
    const auto log = run.QuietRun(exitCode);
    SCOPED_TRACE("the log:" + Narrow(Joined(log)));
    EXPECT_EQ(exitCode, kCurrent);
    EXPECT_EQ(ReadBytes(run.s.InstalledPath()), run.shipped);
    ExpectRegistrations(run.s, {{L"register", L"1.2.3.5"}});
    EXPECT_TRUE(HasLine(log, L"This program is signed by " + std::wstring(kPublisher)));
    EXPECT_TRUE(HasLine(log, L"The shipped copy " + run.s.ShippedPath() +
                                 L" is signed by this program's publisher " + kPublisher));
    EXPECT_TRUE(HasLine(log, L"The staged copy " + run.s.InstalledPath() +
                                 L".update-new is signed by this program's publisher"));
    EXPECT_FALSE(HasLine(log, L"Signatures not checked"));
    EXPECT_TRUE(HelperFilesLeft(run.s).empty());
  }
}

struct Foreign {
  const wchar_t* copy;
  std::wstring found;  // the signer the program names
};

std::vector<Foreign> ForeignCopies() {
  const auto otherKey = ReadTextFile(Signed(L"certs\\other.keyhash")).value_or("?");
  return {
      {L"unsigned", L"not signed"},
      {L"other", kOther},
      {L"rekeyed",
       std::wstring(kPublisher) + L" (with another key, SHA-256 " + Widen(otherKey) + L")"},
      {L"changed", L"a signature that does not verify (0x80096010)"},
  };
}

TEST(SignedProgram, RefusesEveryOtherCopyForAnUpdateAndTouchesNothing) {
  for (const Foreign& foreign : ForeignCopies()) {
    SCOPED_TRACE(Narrow(foreign.copy));
    SignedScenario run;
    run.s.Install(L"1.2.3.4");
    run.Ship(foreign.copy);
    Program program = run.s.Start();
    HWND window = program.WaitForWindow();
    const std::wstring text = NotSigned(run.s.ShippedPath(), foreign.found, kPublisher, L"1.2.3.4");
    ASSERT_TRUE(WaitForText(window, text));
    ExpectWindow(window, text, kRed, Buttons::Ok);
    EXPECT_EQ(PressOk(program, window), kFailed);
    // Nothing unregistered, deleted or replaced; the shipped copy stays for the user to look at.
    EXPECT_TRUE(Registrations(run.s).empty());
    EXPECT_TRUE(HoldsFixture(run.s.InstalledPath(), L"1.2.3.4"));
    EXPECT_EQ(ReadBytes(run.s.ShippedPath()), run.shipped);
    EXPECT_TRUE(run.s.TrashedFiles().empty());
    EXPECT_TRUE(HelperFilesLeft(run.s).empty());
  }
}

TEST(SignedProgram, RefusesEveryOtherCopyForAFreshInstallAndLogsBothSigners) {
  for (const Foreign& foreign : ForeignCopies()) {
    SCOPED_TRACE(Narrow(foreign.copy));
    SignedScenario run;
    run.Ship(foreign.copy);
    DWORD exitCode = 0;
    const auto log = run.QuietRun(exitCode);
    SCOPED_TRACE("the log:" + Narrow(Joined(log)));
    EXPECT_EQ(exitCode, kFailed);
    EXPECT_TRUE(HasLine(log, L"Refused the shipped copy " + run.s.ShippedPath() + L": " +
                                 foreign.found + L"; this program's publisher is " + kPublisher));
    EXPECT_TRUE(HasLine(log, L"Status: The Quandrel.dll beside this programme is NOT signed"));
    EXPECT_FALSE(PathPresent(run.s.InstalledPath()));
    EXPECT_TRUE(Registrations(run.s).empty());
    EXPECT_EQ(ReadBytes(run.s.ShippedPath()), run.shipped);
    EXPECT_TRUE(HelperFilesLeft(run.s).empty());
  }
}

// Checked at start as the publisher's, the held copy is then overwritten in place during the wait
// for the IDE by another publisher's build of the same version and size: from the Linux side,
// which Wine's share modes do not bind (as a file server or another system might not). The check
// of the staged copy refuses it before the old copy is touched.
TEST(SignedProgram, CopyOverwrittenDuringTheWaitByAnotherPublishersIsRefusedAtTheSecondCheck) {
  SignedScenario run;
  HostSettings host;
  host.mode = L"disabled";  // the program cannot close it: it waits until the test does
  run.s.InstallHost(host);
  run.s.Install(L"1.2.3.4");
  run.Ship(L"publisher");
  const std::vector<std::uint8_t> other = ReadBytes(SignedCopy(L"other"));
  ASSERT_EQ(other.size(), run.shipped.size()) << "the two signers' copies differ in size";
  HWND hostWindow = run.s.StartHost();
  ASSERT_NE(hostWindow, nullptr);
  Program program = run.s.Start();
  HWND window = program.WaitForWindow();
  ASSERT_TRUE(WaitForText(window, Offer(L"1.2.3.4", L"1.2.3.5")));
  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Waiting()));

  ASSERT_TRUE(RunUnix("/bin/dd", L"if=" + Widen(UnixPathOf(SignedCopy(L"other"))) + L" of=" +
                                     Widen(UnixPathOf(run.s.ShippedPath())) +
                                     L" conv=notrunc status=none"));
  ASSERT_TRUE(WaitUntil([&] { return ReadBytes(run.s.ShippedPath()) == other; }))
      << "the copy was not overwritten";
  ASSERT_TRUE(CloseHost(hostWindow));

  EXPECT_TRUE(WaitForOutcome(window));
  ExpectWindow(window, NotSigned(run.s.ShippedPath(), kOther, kPublisher, L"1.2.3.4"), kRed,
               Buttons::Ok);
  EXPECT_TRUE(Registrations(run.s).empty()) << "the old copy was unregistered";
  EXPECT_TRUE(HoldsFixture(run.s.InstalledPath(), L"1.2.3.4"));
  EXPECT_TRUE(run.s.TrashedFiles().empty());
  EXPECT_TRUE(HelperFilesLeft(run.s).empty());
  EXPECT_EQ(ReadBytes(run.s.ShippedPath()), other);
  EXPECT_EQ(PressOk(program, window), kFailed);
}

// The reference itself cannot be trusted: not even the publisher's own copy is installed.
TEST(SignedProgram, WhoseOwnSignatureDoesNotVerifyInstallsNothing) {
  SignedScenario run(L"changed\\TarnwellUpdate.exe");
  run.s.Install(L"1.2.3.4");
  run.Ship(L"publisher");
  DWORD exitCode = 0;
  const auto log = run.QuietRun(exitCode);
  SCOPED_TRACE("the log:" + Narrow(Joined(log)));
  EXPECT_EQ(exitCode, kFailed);
  EXPECT_TRUE(HasLine(log, L"This program's own signature does not verify (0x80096010)"));
  EXPECT_TRUE(
      HasLine(log, L"Refused the shipped copy " + run.s.ShippedPath() + L": " + kPublisher));
  EXPECT_TRUE(Registrations(run.s).empty());
  EXPECT_TRUE(HoldsFixture(run.s.InstalledPath(), L"1.2.3.4"));
  EXPECT_EQ(ReadBytes(run.s.ShippedPath()), run.shipped);
}

}  // namespace
}  // namespace tarnwell::e2e

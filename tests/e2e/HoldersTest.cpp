// Another program that has the installed library loaded while it is replaced: the update goes
// through (the loaded copy can be moved), and the program says who runs the old copy until
// restarted, on the label, in the log and by exit code 3010. Once that program has ended
// before the update, nothing of it shows.
//
// Who has a library loaded is read from the other process's module list. Where the platform
// shows a program of this width no other process's modules (32-bit Wine under qemu-user: the
// emulator's memory cannot be read from outside, error 998), the program cannot name anyone:
// those tests then check that the update still goes through as before, and are skipped.

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tests/e2e/Expected.h"
#include "tests/e2e/Steps.h"
#include "tests/e2e/driver/Scenario.h"

namespace tarnwell::e2e {
namespace {

using tarnwell::testing::ReadTextFile;

// The fixture's test program with the installed copy loaded, running in the scenario's job.
Process StartHolder(Scenario& s) {
  const std::wstring report = s.ProgramFolder() + L"\\holder.txt";
  Process holder = s.Run(FixtureFile(L"holder\\Holder.exe"),
                         L"\"" + s.InstalledPath() + L"\" \"" + report + L"\"");
  const bool loaded = WaitUntil([&] { return ReadTextFile(report).value_or("") == "loaded"; });
  EXPECT_TRUE(loaded) << "the test program did not load the library: "
                      << ReadTextFile(report).value_or("(no report)");
  return holder;
}

// Whether a program of this width can read the module list of `process`; why not, if not.
std::optional<std::string> ModulesHidden(const Process& process) {
  const platform::FileHandle modules(
      CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, process.Id()));
  if (modules) return std::nullopt;
  return "this platform shows a program of this width no other process's modules (error " +
         std::to_string(GetLastError()) + "): nobody can be named here";
}

// The update from 1.2.3.4 to 1.2.3.5 is done: installed and registered, the old copy trashed.
void ExpectUpdated(const Scenario& s) {
  EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.5"));
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  ExpectRegistrations(s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  ExpectTrashHolds(s, L"1.2.3.4");
  EXPECT_TRUE(HelperFilesLeft(s).empty());
}

TEST(LibraryHolders, AProgramRunningTheOldCopyIsNamedInGreenAndTheExitCodeAsksForARestart) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  Process holder = StartHolder(s);
  ASSERT_TRUE(holder.Running());
  const auto hidden = ModulesHidden(holder);

  Program program = s.Start();
  HWND window = program.WaitForWindow();
  const std::wstring text = hidden
                                ? Updated(L"1.2.3.4", L"1.2.3.5")
                                : UpdatedInUse(L"1.2.3.4", L"1.2.3.5", L"Holder.exe", holder.Id());
  ASSERT_TRUE(WaitForText(window, text));
  ExpectWindow(window, text, kGreen, Buttons::Ok);
  ExpectUpdated(s);
  EXPECT_TRUE(holder.Running());
  EXPECT_EQ(PressOk(program, window), hidden ? kCurrent : kRestartNeeded);
  if (hidden) GTEST_SKIP() << *hidden;
}

TEST(LibraryHolders, AQuietRunLogsWhoRunsTheOldCopyAndEndsWith3010) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  Process holder = StartHolder(s);
  const auto hidden = ModulesHidden(holder);
  const std::wstring logPath = s.ProgramFolder() + L"\\deploy.log";

  Program program = s.Start(L"/quiet /log \"" + logPath + L"\"");
  const Program::Unseen run = program.WaitForExitShowingNothing();
  EXPECT_TRUE(run.shown.empty());
  ExpectUpdated(s);
  const std::string log = ReadTextFile(logPath).value_or("");
  if (hidden) {
    EXPECT_EQ(run.exitCode, kCurrent);
    EXPECT_NE(log.find("  No other process has the installed copy loaded\r\n"), std::string::npos)
        << log;
    GTEST_SKIP() << *hidden;
  }
  EXPECT_EQ(run.exitCode, kRestartNeeded);
  const std::string named = "Holder.exe (process " + std::to_string(holder.Id()) + ")";
  EXPECT_NE(log.find("  Other processes with the installed copy loaded: " + named + "\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("  Running the old copy until restarted: " + named + "\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("  Exit code 3010\r\n"), std::string::npos) << log;
}

TEST(LibraryHolders, AProgramThatEndedBeforeTheUpdateIsNotNamed) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  Process holder = StartHolder(s);
  holder.Kill();
  ASSERT_FALSE(holder.Running());

  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ASSERT_TRUE(WaitForText(window, Updated(L"1.2.3.4", L"1.2.3.5")));
  ExpectWindow(window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
  ExpectUpdated(s);
  EXPECT_EQ(PressOk(program, window), kCurrent);
}

}  // namespace
}  // namespace tarnwell::e2e

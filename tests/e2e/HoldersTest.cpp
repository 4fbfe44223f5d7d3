// Another program that has the installed library loaded while it is replaced: the update goes
// through (the loaded copy can be moved), and the program says who runs the old copy until
// restarted, on the label, in the log and by exit code 3010. Once that program has ended
// before the update, nothing of it shows.
//
// Run on both builds: the i686 one under 32-bit Wine through the emulator, where no other
// process's module list can be read, finds the test program by the images mapped into it.

#include <gtest/gtest.h>

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

  Program program = s.Start();
  HWND window = program.WaitForWindow();
  const std::wstring text = UpdatedInUse(L"1.2.3.4", L"1.2.3.5", L"Holder.exe", holder.Id());
  ASSERT_TRUE(WaitForText(window, text));
  ExpectWindow(window, text, kGreen, Buttons::Ok);
  ExpectUpdated(s);
  EXPECT_TRUE(holder.Running());
  EXPECT_EQ(PressOk(program, window), kRestartNeeded);
}

TEST(LibraryHolders, AQuietRunLogsWhoRunsTheOldCopyAndEndsWith3010) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  Process holder = StartHolder(s);
  const std::wstring logPath = s.ProgramFolder() + L"\\deploy.log";

  Program program = s.Start(L"/quiet /log \"" + logPath + L"\"");
  const Program::Unseen run = program.WaitForExitShowingNothing();
  EXPECT_TRUE(run.shown.empty());
  EXPECT_EQ(run.exitCode, kRestartNeeded);
  ExpectUpdated(s);
  const std::string log = ReadTextFile(logPath).value_or("");
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

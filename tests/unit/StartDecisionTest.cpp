// The decision at start as a table: what the program finds, what it does, what that ends with.
#include "app/StartDecision.h"

#include <gtest/gtest.h>

#include "app/Outcome.h"

namespace tarnwell {
namespace {

struct Row {
  const char* name;
  Situation found;
  bool ideOpen;
  StartAction action;
};

// Both copies present unless said otherwise.
constexpr Situation kOlder{.shipped = true, .installed = true, .installedIsOlder = true};
constexpr Situation kCurrent{.shipped = true, .installed = true};

Situation With(Situation s, bool quiet, bool closeIde) {
  s.quiet = quiet;
  s.closeIde = closeIde;
  return s;
}

const Row kRows[] = {
    {"system folder unknown",
     {.systemFolderKnown = false, .shipped = true},
     false,
     StartAction::TouchNothing},
    {"nothing beside the program", {.installed = true}, false, StartAction::ReportMissing},
    {"neither copy", {}, false, StartAction::ReportMissing},
    {"nothing installed", {.shipped = true}, true, StartAction::FreshInstall},
    {"as new", kCurrent, true, StartAction::DeleteShipped},
    {"installed unreadable",
     {.shipped = true, .installed = true, .installedReadable = false},
     false,
     StartAction::KeepShipped},
    {"shipped unreadable",
     {.shipped = true, .installed = true, .shippedReadable = false},
     false,
     StartAction::KeepShipped},
    {"shipped copy a link",
     {.shipped = true, .shippedPlain = false, .installed = true},
     true,
     StartAction::RefuseShipped},
    {"shipped copy a link, nothing installed",
     {.shipped = true, .shippedPlain = false},
     false,
     StartAction::RefuseShipped},
    {"shipped copy not the publisher's",
     {.shipped = true, .shippedForeign = true, .installed = true, .installedIsOlder = true},
     true,
     StartAction::RefuseForeign},
    {"shipped copy not the publisher's, installed as new",
     {.shipped = true, .shippedForeign = true, .installed = true},
     false,
     StartAction::RefuseForeign},
    {"shipped copy not the publisher's, nothing installed",
     {.shipped = true, .shippedForeign = true},
     false,
     StartAction::RefuseForeign},
    {"older, IDE closed", kOlder, false, StartAction::UpdateNow},
    {"older, IDE open", kOlder, true, StartAction::Offer},
    {"older, IDE open, /closeide", With(kOlder, false, true), true, StartAction::UpdateClosingIde},
    {"older, IDE open, /quiet", With(kOlder, true, false), true, StartAction::LeaveIdeOpen},
    {"older, IDE open, /quiet /closeide", With(kOlder, true, true), true,
     StartAction::UpdateClosingIde},
    {"older, IDE closed, /quiet", With(kOlder, true, false), false, StartAction::UpdateNow},
};

TEST(StartDecision, EachSituationLeadsToItsAction) {
  for (const Row& row : kRows) {
    int asked = 0;
    const StartAction action = DecideAtStart(row.found, [&] {
      ++asked;
      return row.ideOpen;
    });
    EXPECT_EQ(action, row.action) << row.name;
    // The search for the IDE can raise a box of its own: it is made only where it decides.
    EXPECT_EQ(asked, row.found.installedIsOlder && row.found.shipped && row.found.installed &&
                         !row.found.shippedForeign)
        << row.name;
    EXPECT_NE(std::string(NoteOf(action)), "") << row.name;
  }
}

TEST(StartDecision, OutcomesEndWithTheExitCodesDeploymentToolsRead) {
  const std::pair<Outcome, ExitCode> expected[] = {
      {Outcome::Installed, ExitCode::Current},
      {Outcome::Updated, ExitCode::Current},
      {Outcome::UpToDate, ExitCode::Current},
      {Outcome::ReplacementMissing, ExitCode::NoReplacement},
      {Outcome::NotInstalled, ExitCode::Failed},
      {Outcome::NotUpdated, ExitCode::Failed},
      {Outcome::VersionUnreadable, ExitCode::Failed},
      {Outcome::Refused, ExitCode::Failed},
      {Outcome::NoSystemFolder, ExitCode::Failed},
      {Outcome::Offered, ExitCode::Cancelled},
      {Outcome::Cancelled, ExitCode::Cancelled},
      {Outcome::AlreadyRunning, ExitCode::AlreadyRunning},
      {Outcome::NotUnderstood, ExitCode::NotUnderstood},
  };
  for (const auto& [outcome, code] : expected) {
    EXPECT_EQ(ExitCodeOf(outcome), code) << static_cast<int>(outcome);
    // Green is success and nothing else.
    EXPECT_EQ(ColourOf(outcome) == kGreen,
              outcome == Outcome::Installed || outcome == Outcome::Updated)
        << static_cast<int>(outcome);
  }
}

}  // namespace
}  // namespace tarnwell

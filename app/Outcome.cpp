#include "app/Outcome.h"

#include <array>

namespace tarnwell {
namespace {

struct Row {
  Outcome outcome;
  std::uint32_t colour;
  ExitCode exitCode;
};

// In the order of the enumeration.
constexpr std::array<Row, 15> kOutcomes{{
    {Outcome::Undecided, kDarkBlue, ExitCode::Current},
    {Outcome::NoSystemFolder, kRed, ExitCode::Failed},
    {Outcome::UpToDate, kRed, ExitCode::Current},
    {Outcome::VersionUnreadable, kRed, ExitCode::Failed},
    {Outcome::Offered, kDarkBlue, ExitCode::Cancelled},
    {Outcome::Cancelled, kDarkBlue, ExitCode::Cancelled},
    {Outcome::Installed, kGreen, ExitCode::Current},
    {Outcome::NotInstalled, kRed, ExitCode::Failed},
    {Outcome::Updated, kGreen, ExitCode::Current},
    {Outcome::UpdatedInUse, kGreen, ExitCode::RestartNeeded},
    {Outcome::NotUpdated, kRed, ExitCode::Failed},
    {Outcome::ReplacementMissing, kRed, ExitCode::NoReplacement},
    {Outcome::Refused, kRed, ExitCode::Failed},
    {Outcome::AlreadyRunning, kDarkBlue, ExitCode::AlreadyRunning},
    {Outcome::NotUnderstood, kDarkBlue, ExitCode::NotUnderstood},
}};

constexpr bool InOrder() {
  for (std::size_t i = 0; i < kOutcomes.size(); ++i) {
    if (static_cast<std::size_t>(kOutcomes[i].outcome) != i) return false;
  }
  return true;
}
static_assert(InOrder(), "one row per outcome, in the enumeration's order");

const Row& RowOf(Outcome outcome) { return kOutcomes[static_cast<std::size_t>(outcome)]; }

}  // namespace

ExitCode ExitCodeOf(Outcome outcome) { return RowOf(outcome).exitCode; }
std::uint32_t ColourOf(Outcome outcome) { return RowOf(outcome).colour; }

}  // namespace tarnwell

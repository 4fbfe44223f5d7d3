#include "app/StartDecision.h"

namespace tarnwell {

StartAction DecideAtStart(const Situation& s, const std::function<bool()>& ideOpen) {
  if (!s.systemFolderKnown) return StartAction::TouchNothing;
  if (!s.shipped) return StartAction::ReportMissing;
  if (!s.shippedPlain) return StartAction::RefuseShipped;
  // Before anything is offered or done: not even an up-to-date copy is deleted.
  if (s.shippedForeign) return StartAction::RefuseForeign;
  if (!s.installed) return StartAction::FreshInstall;
  if (!s.installedIsOlder) {
    return s.installedReadable && s.shippedReadable ? StartAction::DeleteShipped
                                                    : StartAction::KeepShipped;
  }
  if (!ideOpen()) return StartAction::UpdateNow;
  if (s.closeIde) return StartAction::UpdateClosingIde;
  return s.quiet ? StartAction::LeaveIdeOpen : StartAction::Offer;
}

const char* NoteOf(StartAction action) {
  switch (action) {
    case StartAction::TouchNothing:
      return "The system folder could not be found: nothing is touched";
    case StartAction::DeleteShipped:
    case StartAction::KeepShipped:
      return "Outcome: the installed copy is up to date";
    case StartAction::RefuseShipped:
      return "Outcome: the shipped copy is not a plain file: nothing is touched";
    case StartAction::RefuseForeign:
      return "Outcome: the shipped copy is not signed by this program's publisher: nothing is "
             "touched";
    case StartAction::Offer:
      return "Outcome: update offered, the Corvex IDE is open";
    case StartAction::UpdateNow:
      return "Outcome: update, the Corvex IDE is not open";
    case StartAction::UpdateClosingIde:
      return "Outcome: update, the Corvex IDE is open and may be closed (/closeide)";
    case StartAction::LeaveIdeOpen:
      return "Outcome: update not run: the Corvex IDE is open and /closeide was not given";
    case StartAction::FreshInstall:
      return "Outcome: install, no copy is installed";
    case StartAction::ReportMissing:
      break;
  }
  return "Outcome: no shipped copy";
}

}  // namespace tarnwell

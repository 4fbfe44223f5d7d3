#pragma once
// What the start-up check does, from what it found: the copies, their versions, the system
// folder, the IDE, and how the program was asked to run.

#include <functional>

namespace tarnwell {

struct Situation {
  bool systemFolderKnown = true;
  bool shipped = false;  // a copy lies beside the program
  // It is a plain file, not a link or a file with a second name, and could be held.
  bool shippedPlain = true;
  // A signed program's publisher did not sign it (app/PublisherCheck.h).
  bool shippedForeign = false;
  bool installed = false;  // a copy is installed
  // Both copies' versions were compared and the installed one is older.
  bool installedIsOlder = false;
  // Both copies' versions were read (an unreadable one proves nothing).
  bool installedReadable = true;
  bool shippedReadable = true;
  bool quiet = false;
  bool closeIde = false;
};

enum class StartAction {
  TouchNothing,      // the system folder is unknown
  DeleteShipped,     // up to date
  KeepShipped,       // "up to date", but a copy's version cannot be read
  RefuseShipped,     // the shipped copy is not a plain file: nothing is touched
  RefuseForeign,     // not signed by this program's publisher: nothing is touched
  Offer,             // the IDE is open: ask first
  UpdateNow,         // the IDE is closed
  UpdateClosingIde,  // the IDE is open and may be closed without asking (/closeide)
  LeaveIdeOpen,      // an unattended run without /closeide: the update is not run
  FreshInstall,      // nothing is installed
  ReportMissing,     // nothing beside the program
};

// `ideOpen` is asked only where the answer matters: when an update is needed.
StartAction DecideAtStart(const Situation& situation, const std::function<bool()>& ideOpen);

// The log's line for the decision.
const char* NoteOf(StartAction action);

}  // namespace tarnwell

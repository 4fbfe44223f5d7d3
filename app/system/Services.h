#pragma once
// Everything the controller reaches outside itself, by role. The Win32 program and the tests
// each put one together.

#include "app/Report.h"
#include "app/system/Files.h"
#include "app/system/Folders.h"
#include "app/system/Holders.h"
#include "app/system/Instance.h"
#include "app/system/Launcher.h"
#include "app/system/Signatures.h"
#include "app/system/Tasks.h"
#include "app/system/Yield.h"

namespace tarnwell {

struct Services {
  Instance& instance;
  Folders& folders;
  Files& files;
  Tasks& tasks;
  Launcher& launcher;
  Signatures& signatures;
  Clock& clock;
  MessagePump& pump;
  Report& report;
  Holders& holders;
};

}  // namespace tarnwell

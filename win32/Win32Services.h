#pragma once
// The operating system in every role the controller uses, as the program runs it.

#include <string>

#include "app/system/Services.h"
#include "win32/system/Win32Files.h"
#include "win32/system/Win32Folders.h"
#include "win32/system/Win32Holders.h"
#include "win32/system/Win32Instance.h"
#include "win32/system/Win32Launcher.h"
#include "win32/system/Win32Pump.h"
#include "win32/system/Win32Signatures.h"
#include "win32/system/Win32Tasks.h"

namespace tarnwell::win32 {

struct Win32Services {
  // Every role reports through `report`; a `quiet` run shows none of the shell's windows.
  explicit Win32Services(Report& report, bool quiet = false,
                         std::wstring instanceName = kSingleInstanceName)
      : instance(std::move(instanceName)),
        folders(report),
        files(report, quiet),
        tasks(report),
        launcher(report),
        signatures(report),
        report(report),
        holders(report) {}

  Services All() {
    return {instance, folders, files, tasks, launcher, signatures, clock, pump, report, holders};
  }

  Win32Instance instance;
  Win32Folders folders;
  Win32Files files;
  Win32Tasks tasks;
  Win32Launcher launcher;
  Win32Signatures signatures;
  Win32Clock clock;
  Win32Pump pump;
  Report& report;
  Win32Holders holders;
};

}  // namespace tarnwell::win32

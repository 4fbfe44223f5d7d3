#pragma once
// The program's folder and the system's, through modSystem32 and the system's own answers.

#include "app/Report.h"
#include "app/system/Folders.h"

namespace tarnwell::win32 {

class Win32Folders final : public Folders {
 public:
  explicit Win32Folders(Report& report) : report_(report) {}

  std::string ProgramFolder() override;
  std::string SystemDirectory() override;
  std::string GetSystemFolder(NativeWindow owner) override;
  std::string GetProgramFilesFolder(NativeWindow owner) override;

 private:
  Report& report_;
};

}  // namespace tarnwell::win32

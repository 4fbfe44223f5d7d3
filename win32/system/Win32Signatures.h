#pragma once
// Authenticode signatures through WinVerifyTrust: the program's own and those of held files.

#include "app/Report.h"
#include "app/system/Signatures.h"

namespace tarnwell::win32 {

class Win32Signatures final : public Signatures {
 public:
  explicit Win32Signatures(Report& report) : report_(report) {}

  Signature OfProgram() override;
  Signature OfFile(NativeFile file, const std::string& path) override;

 private:
  Report& report_;
};

}  // namespace tarnwell::win32

#pragma once
// Files through the service modules: modGlobal's test of a path, modVersion's reader, modMove's
// delete to the recycle bin and modFiles' plain file work in the system folder.

#include "app/Report.h"
#include "app/system/Files.h"

namespace tarnwell::win32 {

class Win32Files final : public Files {
 public:
  // A `quiet` run shows none of the shell's windows.
  Win32Files(Report& report, bool quiet) : report_(report), quiet_(quiet) {}

  bool FileExists(const std::string& path) override;
  VersionInfo GetVersionInfo(const std::string& path) override;
  void ShellDeleteFile(const std::string& path, NativeWindow owner) override;
  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  bool CopyNewFile(const std::string& source, const std::string& destination) override;
  bool RenameFile(const std::string& source, const std::string& destination) override;
  bool RemoveFile(const std::string& path) override;
  bool CreateMarker(const std::string& path) override;

 private:
  Report& report_;
  bool quiet_;
};

}  // namespace tarnwell::win32

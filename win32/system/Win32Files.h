#pragma once
// Files through the service modules: modGlobal's test of a path, modVersion's reader, modMove's
// delete to the recycle bin and modFiles' plain file work in the system folder.

#include "app/Report.h"
#include "app/system/Files.h"
#include "platform/UniqueHandle.h"

namespace tarnwell::win32 {

class Win32Files final : public Files {
 public:
  // A `quiet` run shows none of the shell's windows.
  Win32Files(Report& report, bool quiet) : report_(report), quiet_(quiet) {}

  bool FileExists(const std::string& path) override;
  VersionInfo GetVersionInfo(const std::string& path) override;
  void ShellDeleteFile(const std::string& path, NativeWindow owner) override;
  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  PathKind KindOf(const std::string& path) override;
  Holding Hold(const std::string& path) override;
  std::unique_ptr<HeldFile> CopyNew(HeldFile& source, const std::string& destination) override;
  std::unique_ptr<HeldFile> CopyNew(const std::string& source,
                                    const std::string& destination) override;
  std::unique_ptr<HeldFile> CreateMarker(const std::string& path) override;
  bool RenameFile(const std::string& source, const std::string& destination) override;
  bool RemoveFile(const std::string& path) override;

 private:
  std::unique_ptr<HeldFile> Held(platform::FileHandle file);

  Report& report_;
  bool quiet_;
};

}  // namespace tarnwell::win32

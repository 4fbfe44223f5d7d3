#pragma once
// A file held by its handle (see app/system/Files.h): the shipped copy, or one of the helper
// files the program made in the system folder.

#include <windows.h>

#include "app/Report.h"
#include "app/system/Files.h"
#include "platform/UniqueHandle.h"

namespace tarnwell::win32 {

class Win32HeldFile final : public HeldFile {
 public:
  // A `quiet` file is deleted to the recycle bin without any of the shell's windows.
  Win32HeldFile(Report& report, platform::FileHandle file, bool quiet)
      : report_(report), file_(std::move(file)), quiet_(quiet) {}

  std::optional<std::uint64_t> Size() override;
  VersionInfo Version() override;
  NativeFile Native() const override { return reinterpret_cast<NativeFile>(file_.get()); }
  bool RenameTo(const std::string& path) override;
  bool Remove() override;
  bool Recycle(NativeWindow owner) override;

 private:
  Report& report_;
  platform::FileHandle file_;
  bool quiet_;
};

}  // namespace tarnwell::win32

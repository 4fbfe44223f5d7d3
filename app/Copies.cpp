#include "app/Copies.h"

#include <string>

namespace tarnwell {

using modDllUp::IsReadableVersion;

void ReadCopies(modDllUp::SharedState& shared, Files& files, Report& report) {
  if (files.FileExists(shared.NewDllPath)) {
    shared.NewDllSize = files.FileSize(shared.NewDllPath);
    shared.LastVersionInfo = files.GetVersionInfo(shared.NewDllPath);
    shared.NewDllVersion = shared.LastVersionInfo.FileVersion;
  }
  if (files.FileExists(shared.SystemDllPath)) {
    shared.LastVersionInfo = files.GetVersionInfo(shared.SystemDllPath);
    shared.SystemDllVersion = shared.LastVersionInfo.FileVersion;
  }
  const auto note = [&](const char* which, const std::string& path, const std::string& version) {
    const std::string state = !files.FileExists(path)      ? " not found"
                              : IsReadableVersion(version) ? ", version " + version
                                                           : " has no readable version";
    report.Note(which + path + state);
  };
  note("Shipped copy: ", shared.NewDllPath, shared.NewDllVersion);
  note("Installed copy: ", shared.SystemDllPath, shared.SystemDllVersion);
}

}  // namespace tarnwell

#include "app/Copies.h"

#include <string>

namespace tarnwell {

using modDllUp::IsReadableVersion;

void ReadCopies(modDllUp::SharedState& shared, const Holding& shipped, Files& files,
                Report& report) {
  if (shipped.file) {
    shared.NewDllSize = shipped.file->Size();
    shared.LastVersionInfo = shipped.file->Version();
    shared.NewDllVersion = shared.LastVersionInfo.FileVersion;
  }
  if (files.FileExists(shared.SystemDllPath)) {
    shared.LastVersionInfo = files.GetVersionInfo(shared.SystemDllPath);
    shared.SystemDllVersion = shared.LastVersionInfo.FileVersion;
  }
  const auto state = [](bool found, const std::string& version) -> std::string {
    if (!found) return " not found";
    return IsReadableVersion(version) ? ", version " + version : " has no readable version";
  };
  const bool plain = shipped.state == Holding::State::Held;
  report.Note("Shipped copy: " + shared.NewDllPath +
              (plain || shipped.state == Holding::State::Missing
                   ? state(plain, shared.NewDllVersion)
                   : std::string(shipped.state == Holding::State::NotPlain
                                     ? " is not a plain file"
                                     : " cannot be opened for reading")));
  report.Note("Installed copy: " + shared.SystemDllPath +
              state(files.FileExists(shared.SystemDllPath), shared.SystemDllVersion));
}

}  // namespace tarnwell

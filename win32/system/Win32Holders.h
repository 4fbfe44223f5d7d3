#pragma once
// Who uses the library: a Toolhelp module snapshot of every other process, and the restart
// manager for who keeps a file from being moved (which Wine only stubs: it finds nobody).

#include "app/Report.h"
#include "app/system/Holders.h"

namespace tarnwell::win32 {

class Win32Holders final : public Holders {
 public:
  explicit Win32Holders(Report& report) : report_(report) {}

  std::vector<Holder> Of(const std::string& path,
                         const std::vector<std::uint32_t>& notCounted) override;
  std::vector<Holder> Blocking(const std::string& path) override;

 private:
  Report& report_;
};

}  // namespace tarnwell::win32

#pragma once
// Other processes that use the library: those that have it loaded, who go on running the copy
// they loaded until they are restarted, and those whose open handles keep it from being moved.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell {

struct Holder {
  std::string image;  // the executable's file name, e.g. "Indexer.exe"
  std::uint32_t processId = 0;

  bool operator==(const Holder&) const = default;
};

class Holders {
 public:
  virtual ~Holders() = default;

  // The processes that have the library at `path` loaded, in both widths where the platform
  // lets this program see them; never this program itself, nor any of `notCounted`.
  virtual std::vector<Holder> Of(const std::string& path,
                                 const std::vector<std::uint32_t>& notCounted) = 0;
  // The processes that keep `path` from being moved or deleted, as far as the platform can
  // tell; none where it cannot.
  virtual std::vector<Holder> Blocking(const std::string& path) = 0;
};

}  // namespace tarnwell

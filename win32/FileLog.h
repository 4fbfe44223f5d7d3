#pragma once
// The log of a run: UTF-8 lines appended to a file, each with the time in ISO 8601 (UTC).

#include <string>

#include "app/RunLog.h"
#include "platform/UniqueHandle.h"

namespace tarnwell::win32 {

class FileLog final : public RunLog {
 public:
  // Opens `path` for appending, creating it if missing; false when it cannot be written.
  bool Open(const std::string& path);
  void Write(const std::string& line) override;

 private:
  platform::FileHandle file_;
};

}  // namespace tarnwell::win32

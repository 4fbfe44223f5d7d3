#pragma once
// The log of a run: UTF-8 lines appended to a file, each with the time in ISO 8601 (UTC).

#include <string>

#include "platform/UniqueHandle.h"

namespace tarnwell::win32 {

class FileLog {
 public:
  // Opens `path` for appending, creating it if missing; false when it cannot be written.
  bool Open(const std::string& path);
  bool IsOpen() const { return static_cast<bool>(file_); }
  // Appends one line; nothing while no file is open.
  void Write(const std::string& line);

 private:
  platform::FileHandle file_;
};

}  // namespace tarnwell::win32

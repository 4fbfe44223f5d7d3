#pragma once
// The log of a run: UTF-8 lines appended to a file, each with the time in ISO 8601 (UTC).

#include <string>

#include "platform/UniqueHandle.h"

namespace tarnwell::win32 {

enum class LogOpening {
  Opened,
  Failed,   // cannot be opened or created: no such folder, no right to write, ...
  Refused,  // not a plain file there (see Open); nothing was written or left behind
};

class FileLog {
 public:
  // Opens `path` for appending, creating it if missing. The program runs as administrator and
  // an ordinary user may have laid the path, so a name that leads to another file is refused:
  // a link or a junction, a file whose final path is not the one asked for (a linked folder on
  // the way), a file with more than one name (hard links), or a dangling link, which is never
  // followed to create its target. The checks are made on the open file itself, so nothing can
  // be swapped in between; a file created here and then refused is deleted again.
  LogOpening Open(const std::string& path);
  bool IsOpen() const { return static_cast<bool>(file_); }
  // Appends one line; nothing while no file is open.
  void Write(const std::string& line);

 private:
  platform::FileHandle file_;
};

}  // namespace tarnwell::win32

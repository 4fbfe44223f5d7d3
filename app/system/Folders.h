#pragma once
// The folders the program works in. The system folder (for 32-bit programs) holds the library;
// the system directory holds the registration tool; they are one folder only on a 32-bit system.

#include <string>

#include "app/NativeHandles.h"

namespace tarnwell {

class Folders {
 public:
  virtual ~Folders() = default;

  // The folder that holds the program's executable file.
  virtual std::string ProgramFolder() = 0;
  // The platform's system directory, where the registration tool lives.
  virtual std::string SystemDirectory() = 0;
  // The special folders, exactly as the platform writes them; "" when unknown (modSystem32).
  virtual std::string GetSystemFolder(NativeWindow owner) = 0;
  virtual std::string GetProgramFilesFolder(NativeWindow owner) = 0;
};

}  // namespace tarnwell

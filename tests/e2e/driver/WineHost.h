#pragma once
// The world around the Windows side under Wine: paths in both worlds, Linux programs started
// from inside, the environment, and folders made immutable on the Linux side.

#include <windows.h>

#include <string>
#include <string_view>

namespace tarnwell::e2e {

// Case-insensitive, as Windows compares paths.
bool SamePath(std::wstring_view a, std::wstring_view b);
// A Unix path as the Windows side sees it (Z:\...), and back.
std::wstring WindowsPathOf(const std::string& unixPath);
std::string UnixPathOf(const std::wstring& windowsPath);

// A variable of this process's environment; empty when unset.
std::wstring EnvironmentVariable(const wchar_t* name);
// A shell folder (CSIDL) without a trailing separator; empty when there is none.
std::wstring SpecialFolder(int csidl);

// Runs a Linux program from inside Wine. Wine starts it but hands back no waitable process, so
// callers judge the effect, not the exit.
bool RunUnix(const std::string& program, const std::wstring& arguments);

// Makes a folder immutable (chattr +i on the Linux side: tests run as root, so permissions would
// not stop the program) for the guard's lifetime. Active() tells whether it took.
class Freeze {
 public:
  explicit Freeze(const std::wstring& folder);
  ~Freeze();
  Freeze(const Freeze&) = delete;
  Freeze& operator=(const Freeze&) = delete;
  bool Active() const { return active_; }

 private:
  std::wstring folder_;
  bool active_ = false;
};

}  // namespace tarnwell::e2e

#pragma once
// The world around the Windows side under Wine: paths in both worlds, Linux programs started
// from inside, the environment, and folders made immutable on the Linux side.

#include <windows.h>

#include <optional>
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

// A small tmpfs over a folder of the prefix for the guard's lifetime (mounted on the Linux side,
// which needs root), so that the program can meet a full disk there. It holds a copy of what
// the folder held: 32-bit programs load their system libraries from the system folder for
// 32-bit programs. A tmpfs left over from a killed run is unmounted first; this one is
// unmounted, even when mounting seemed to fail. Unavailable() when the machine does not let us
// mount (not root); Problem() says why, or what else went wrong.
class TmpfsOver {
 public:
  explicit TmpfsOver(const std::wstring& folder);
  ~TmpfsOver();
  TmpfsOver(const TmpfsOver&) = delete;
  TmpfsOver& operator=(const TmpfsOver&) = delete;
  bool Active() const { return active_; }
  bool Unavailable() const { return unavailable_; }
  const std::string& Problem() const { return problem_; }
  // Shrinks the tmpfs until about `bytes` are left free; false, with Problem(), if it cannot.
  bool LeaveFree(ULONGLONG bytes);

 private:
  // Runs the helper script's `command` on the folder; the status line it writes.
  std::string Run(const std::wstring& command, const std::wstring& argument = {});

  std::wstring folder_;
  bool active_ = false;
  bool unavailable_ = false;
  std::string problem_;
};

// Bytes free to the caller in the file system holding `folder`; nothing if it cannot be asked.
std::optional<ULONGLONG> FreeBytesIn(const std::wstring& folder);

}  // namespace tarnwell::e2e

#pragma once
// What the program shows and answers, as the end-to-end tests expect it: the label's texts
// (composed by the program's own texts, app/StatusTexts.h), the colours it draws them in, and
// the exit codes.

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

namespace tarnwell::e2e {

// Label colours, 0xBBGGRR, and exit codes: values the program promises, written out here so
// that a change to them on the program's side shows.
inline constexpr COLORREF kDarkBlue = 0xC00000;
inline constexpr COLORREF kRed = 0x0000FF;
inline constexpr COLORREF kGreen = 0x00C000;
inline constexpr COLORREF kOrange = 0x0080FF;
inline constexpr COLORREF kLabelColours[] = {kDarkBlue, kRed, kGreen, kOrange};

inline constexpr DWORD kCurrent = 0;
inline constexpr DWORD kNoReplacement = 1;
inline constexpr DWORD kFailed = 2;
inline constexpr DWORD kCancelled = 3;
inline constexpr DWORD kAlreadyRunning = 4;
inline constexpr DWORD kRestartNeeded = 3010;

// The label's lines joined as the program joins them, by CR LF.
std::wstring Lines(std::initializer_list<std::wstring_view> lines);

// ---- at start-up ----

// The shipped copy is not newer; `deleted` tells whether it went to the trash.
std::wstring UpToDate(const std::wstring& installed, const std::wstring& shippedPath,
                      const std::wstring& shipped, bool deleted);
// No installed copy: the shipped one was moved in and registered.
std::wstring Installed(const std::wstring& version);
// No installed copy: the shipped one was moved in, but regsvr32 failed with `exitCode`.
std::wstring InstalledNotRegistered(const std::wstring& version, int exitCode);
// No installed copy, and the shipped one could not be moved in.
std::wstring NotInstalled();
// Nothing beside the program.
std::wstring Missing(const std::wstring& shippedPath);
// The message box shown for a library without a readable version.
inline constexpr wchar_t kNoVersionBox[] = L"No version information available";

// ---- the update ----

// The question asked while the host runs.
std::wstring Offer(const std::wstring& installed, const std::wstring& shipped);
// While the host is awaited.
std::wstring Waiting();
// While regsvr32 runs.
std::wstring InProgress();
std::wstring Updated(const std::wstring& from, const std::wstring& to);
// Updated, and the process `processId` of `image` still runs the old copy until restarted.
std::wstring UpdatedInUse(const std::wstring& from, const std::wstring& to,
                          const std::wstring& image, DWORD processId);
// The new copy is in, but regsvr32 failed with `exitCode`.
std::wstring UpdatedNotRegistered(const std::wstring& version, int exitCode);
// The installed copy could not be removed.
std::wstring InUse();
// The new copy could not be copied into the system folder (a full disk, say); `installed` stays.
std::wstring NotCopiedIn(const std::wstring& installed);
// The shipped copy is no longer the one whose version `checked` was read; `installed` stays.
std::wstring ShippedCopyChanged(const std::wstring& checked, const std::wstring& installed);
// The new copy `shipped` would not register: `installed` is back, registered (exit code of the
// failed registration given).
std::wstring NewNotRegistered(const std::wstring& shipped, const std::wstring& installed,
                              int exitCode);
// The Quandrel.dll at `shippedPath` is a link, a folder or has a second name: not used.
std::wstring NotAPlainFile(const std::wstring& shippedPath);

// The Quandrel.dll at `shippedPath` is not signed by the program's publisher `expected`: `found`
// names its signer (or "not signed"); nothing was installed, and `installed` (when given) stays.
std::wstring NotSigned(const std::wstring& shippedPath, const std::wstring& found,
                       const std::wstring& expected, const std::wstring& installed = {});

}  // namespace tarnwell::e2e

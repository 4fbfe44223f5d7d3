#pragma once
// What every measurement shares: a clock, starting and ending processes, watching windows
// from outside, laying out a scenario, statistics and the Markdown the results are written in.

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/StatusTexts.h"
#include "platform/UniqueHandle.h"
#include "platform/WideText.h"
#include "platform/WindowContract.h"
#include "tests/support/FileVersion.h"
#include "tests/support/Files.h"

namespace tarnwell::bench {

using platform::kCancelId;
using platform::KernelHandle;
using platform::kLabelId;
using platform::kOkId;
using platform::Narrow;
using tarnwell::testing::ReadLines;

inline constexpr const wchar_t* kTitle = platform::kWindowTitle;
inline constexpr wchar_t kHostTitle[] = L"Corvex IDE";
// Bounds every wait, so that a broken run ends instead of hanging the benchmark.
inline constexpr double kLimitMs = 30000;

// Milliseconds on the performance counter.
double NowMs();

// "--key value" pairs after the mode.
class Options {
 public:
  Options(int argc, wchar_t** argv, int first);
  std::wstring Text(const std::wstring& key, const std::wstring& fallback = {}) const;
  int Number(const std::wstring& key, int fallback) const;

 private:
  std::map<std::wstring, std::wstring> values_;
};

struct Started {
  KernelHandle process;
  DWORD id = 0;
  double startMs = 0;  // just before CreateProcessW
  bool Running() const { return ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT; }
};
std::optional<Started> Launch(const std::wstring& exe, const std::wstring& arguments,
                              const std::wstring& folder);
// Waits for the end; a process still running after `limitMs` is killed. The exit code, if it ended.
std::optional<DWORD> WaitForExit(Started& p, double limitMs = kLimitMs);

// Polls about once a millisecond for a visible top-level window of `pid` titled `title`.
// Returns it with the time it was first seen; nothing if the process ends or time runs out.
struct Seen {
  HWND window = nullptr;
  double atMs = 0;
};
// `onPoll` runs once per poll, for watching something else meanwhile.
std::optional<Seen> WaitForWindow(const wchar_t* title, const Started& owner,
                                  double limitMs = kLimitMs,
                                  const std::function<void()>& onPoll = {});
std::wstring LabelText(HWND window);
// Polls the label until `accept` holds; the time it first did.
std::optional<double> WaitForLabel(HWND window, const Started& owner,
                                   const std::function<bool(const std::wstring&)>& accept,
                                   double limitMs = kLimitMs);
bool StartsWith(const std::wstring& text, const wchar_t* prefix);
// One of the program's own status texts (app/StatusTexts.h) as the label shows it, and its
// first line.
std::wstring Shown(const std::string& text);
std::wstring FirstLineOf(const std::string& text);
// BM_CLICK, posted: the program may be busy, and a sent message would wait for it.
void Click(HWND window, int controlId);
// Ends every window titled `title` by ending its process (the fake host may refuse to close).
void EndProcessesOf(const wchar_t* title);

// Where a scenario lives on the Windows side.
struct Places {
  std::wstring bench = L"C:\\TarnwellBench";  // the program folder
  std::wstring system;                        // the program's system folder (CSIDL 41)
  std::wstring systemTools;                   // where regsvr32.exe lives
  std::wstring hostFolder;                    // ...\Program Files\CorvexIDE
  std::wstring fixtures;                      // the built fixtures, as the Windows side sees them
  std::wstring Program() const { return bench + L"\\TarnwellUpdate.exe"; }
  std::wstring Shipped() const { return bench + L"\\Quandrel.dll"; }
  std::wstring Installed() const { return system + L"\\Quandrel.dll"; }
  std::wstring Host() const { return hostFolder + L"\\CorvexIDE.exe"; }
  std::wstring RegistrationLog() const { return bench + L"\\registration.log"; }
  std::wstring Fixture(const std::wstring& version) const {
    return fixtures + L"\\quandrel-" + version + L"\\Quandrel.dll";
  }
};
Places FindPlaces(const std::wstring& fixtures);

struct Layout {
  explicit Layout(std::wstring installedVersion, std::wstring shippedVersion = {},
                  std::wstring mode = {}, unsigned closeDelayMs = 0)
      : installed(std::move(installedVersion)),
        shipped(std::move(shippedVersion)),
        hostMode(std::move(mode)),
        hostCloseDelayMs(closeDelayMs) {}
  std::wstring installed;  // fixture version, or empty for none
  std::wstring shipped;    // fixture version beside the program, or empty
  std::wstring hostMode;   // CorvexIDE.ini Mode, or empty for no host settings
  unsigned hostCloseDelayMs = 0;
};
// Removes what an earlier run left and lays out `layout`. False, with a reason, if it could not.
bool Prepare(const Places& places, const Layout& layout, std::wstring& why);
// Starts the fake host and waits until its window shows.
std::optional<std::pair<Started, HWND>> StartHost(const Places& places);
// "a.b.c.d" of a file's version resource, or empty.
// "a.b.c.d", or "" when the file has no readable version.
std::wstring FileVersion(const std::wstring& path);
long long FileSize(const std::wstring& path);

// Watches a log file grow, polled: when each of its lines was first seen.
class LogWatch {
 public:
  explicit LogWatch(std::wstring path) : path_(std::move(path)) {}
  void Poll();
  // Time of line `index` (0-based), or a negative value if it has not appeared.
  double LineAt(std::size_t index) const { return index < times_.size() ? times_[index] : -1; }

 private:
  std::wstring path_;
  long long size_ = 0;
  std::vector<double> times_;
};

struct Stats {
  double median = 0, min = 0, max = 0;
  std::size_t n = 0;
};
Stats Summarise(std::vector<double> values);
std::string Fixed(double value, int decimals = 1);

// Collects the Markdown of one section and writes it out as UTF-8.
class Report {
 public:
  void Line(const std::string& text = {}) { text_ += text + "\n"; }
  // A table of the runs, one row per run, one column per series.
  void RunsTable(const std::vector<std::string>& headers,
                 const std::vector<std::vector<double>>& columns, int decimals = 1);
  bool WriteTo(const std::wstring& path) const;

 private:
  std::string text_;
};

// Each measurement: runs it and writes its section. The exit code of the probe.
int MeasureStartup(const Options& options);
int MeasureWait(const Options& options);
int MeasureReaction(const Options& options);
int MeasurePeer(const Options& options);
int MeasureSignature(const Options& options);

}  // namespace tarnwell::bench

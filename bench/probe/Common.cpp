#include "bench/probe/Probe.h"

#include "platform/WideText.h"
#include "tests/support/Processes.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>

namespace tarnwell::bench {

double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER f{};
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER t{};
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / ticksPerMs;
}

Options::Options(int argc, wchar_t** argv, int first) {
  for (int i = first; i + 1 < argc; i += 2) {
    std::wstring key = argv[i];
    if (key.starts_with(L"--")) values_[key.substr(2)] = argv[i + 1];
  }
}

std::wstring Options::Text(const std::wstring& key, const std::wstring& fallback) const {
  const auto it = values_.find(key);
  return it == values_.end() ? fallback : it->second;
}

int Options::Number(const std::wstring& key, int fallback) const {
  const auto it = values_.find(key);
  return it == values_.end() ? fallback : _wtoi(it->second.c_str());
}

std::optional<Started> Launch(const std::wstring& exe, const std::wstring& arguments,
                              const std::wstring& folder) {
  const double start = NowMs();
  auto started = tarnwell::testing::StartProcess(exe, arguments, folder);
  if (!started) {
    std::fwprintf(stderr, L"probe: cannot start %ls (error %lu)\n", exe.c_str(), ::GetLastError());
    return std::nullopt;
  }
  return Started{std::move(started->process), started->id, start};
}

std::optional<DWORD> WaitForExit(Started& p, double limitMs) {
  if (::WaitForSingleObject(p.process.get(), static_cast<DWORD>(limitMs)) != WAIT_OBJECT_0) {
    ::TerminateProcess(p.process.get(), 999);
    ::WaitForSingleObject(p.process.get(), 5000);
    return std::nullopt;
  }
  DWORD code = 0;
  ::GetExitCodeProcess(p.process.get(), &code);
  return code;
}

std::optional<Seen> WaitForWindow(const wchar_t* title, const Started& owner, double limitMs,
                                  const std::function<void()>& onPoll) {
  const double start = NowMs();
  for (;;) {
    if (onPoll) onPoll();
    const HWND window = ::FindWindowW(nullptr, title);
    if (window && ::IsWindowVisible(window)) {
      const double at = NowMs();
      DWORD pid = 0;
      ::GetWindowThreadProcessId(window, &pid);
      if (pid == owner.id) return Seen{window, at};
    }
    if (!owner.Running() || NowMs() - start > limitMs) return std::nullopt;
    ::Sleep(1);
  }
}

std::wstring LabelText(HWND window) {
  // Another process's window: Wine answers from the server's copy, without a message.
  wchar_t text[4096];
  const int n =
      ::GetWindowTextW(::GetDlgItem(window, kLabelId), text, static_cast<int>(std::size(text)));
  return std::wstring(text, static_cast<std::size_t>(std::max(n, 0)));
}

std::optional<double> WaitForLabel(HWND window, const Started& owner,
                                   const std::function<bool(const std::wstring&)>& accept,
                                   double limitMs) {
  const double start = NowMs();
  for (;;) {
    if (accept(LabelText(window))) return NowMs();
    if (!owner.Running() || !::IsWindow(window) || NowMs() - start > limitMs) return std::nullopt;
    ::Sleep(1);
  }
}

std::wstring Shown(const std::string& text) { return platform::Widen(text); }

std::wstring FirstLineOf(const std::string& text) {
  return Shown(text.substr(0, text.find("\r\n")));
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
  return text.starts_with(prefix);
}

void Click(HWND window, int controlId) {
  ::PostMessageW(::GetDlgItem(window, controlId), BM_CLICK, 0, 0);
}

void EndProcessesOf(const wchar_t* title) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    const HWND window = ::FindWindowW(nullptr, title);
    if (!window) return;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    const KernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
    if (!process) return;
    ::TerminateProcess(process.get(), 998);
    ::WaitForSingleObject(process.get(), 5000);
  }
}

namespace {

std::wstring KnownFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  return path;
}

bool WriteText(const std::wstring& path, const std::string& text) {
  const platform::FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file &&
         ::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

bool Gone(const std::wstring& path) {
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileW(path.c_str());
  return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace

Places FindPlaces(const std::wstring& fixtures) {
  Places p;
  // The same folders the program asks for: CSIDL 41 (system, x86) and 38 (Program Files).
  p.system = KnownFolder(CSIDL_SYSTEMX86);
  p.systemTools = KnownFolder(CSIDL_SYSTEM);
  p.hostFolder = KnownFolder(CSIDL_PROGRAM_FILES) + L"\\CorvexIDE";
  p.fixtures = fixtures;
  return p;
}

bool Prepare(const Places& places, const Layout& layout, std::wstring& why) {
  ::CreateDirectoryW(places.bench.c_str(), nullptr);
  ::CreateDirectoryW(places.hostFolder.c_str(), nullptr);
  if (!Gone(places.Shipped()) || !Gone(places.Installed())) {
    why = L"an earlier copy of Quandrel.dll cannot be removed";
    return false;
  }
  Gone(places.RegistrationLog());
  if (!layout.installed.empty() &&
      !::CopyFileW(places.Fixture(layout.installed).c_str(), places.Installed().c_str(), FALSE)) {
    why = L"cannot install " + places.Fixture(layout.installed);
    return false;
  }
  if (!layout.shipped.empty() &&
      !::CopyFileW(places.Fixture(layout.shipped).c_str(), places.Shipped().c_str(), FALSE)) {
    why = L"cannot ship " + places.Fixture(layout.shipped);
    return false;
  }
  if (!::CopyFileW((places.fixtures + L"\\corvex\\CorvexIDE.exe").c_str(), places.Host().c_str(),
                   FALSE) &&
      ::GetFileAttributesW(places.Host().c_str()) == INVALID_FILE_ATTRIBUTES) {
    why = L"cannot place the fake host";
    return false;
  }
  if (!layout.hostMode.empty()) {
    const std::string ini = "[Corvex]\r\nMode=" + Narrow(layout.hostMode) +
                            "\r\nCloseDelayMs=" + std::to_string(layout.hostCloseDelayMs) +
                            "\r\nLog=" + Narrow(places.bench) + "\\CorvexIDE.log\r\n";
    if (!WriteText(places.hostFolder + L"\\CorvexIDE.ini", ini)) {
      why = L"cannot write CorvexIDE.ini";
      return false;
    }
  }
  return true;
}

std::optional<std::pair<Started, HWND>> StartHost(const Places& places) {
  auto host = Launch(places.Host(), L"", places.hostFolder);
  if (!host) return std::nullopt;
  const auto seen = WaitForWindow(kHostTitle, *host);
  if (!seen) {
    WaitForExit(*host, 0);
    return std::nullopt;
  }
  return std::pair<Started, HWND>{std::move(*host), seen->window};
}

std::wstring FileVersion(const std::wstring& path) {
  return tarnwell::testing::FileVersionOf(path).value_or(std::wstring{});
}

long long FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void LogWatch::Poll() {
  const long long size = FileSize(path_);
  if (size <= size_) return;
  size_ = size;
  const double now = NowMs();
  const std::size_t lines = ReadLines(path_).size();
  while (times_.size() < lines) times_.push_back(now);
}

Stats Summarise(std::vector<double> values) {
  Stats s;
  s.n = values.size();
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  s.median = values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
  s.min = values.front();
  s.max = values.back();
  return s;
}

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

void Report::RunsTable(const std::vector<std::string>& headers,
                       const std::vector<std::vector<double>>& columns, int decimals) {
  std::string head = "| run |", rule = "| ---: |";
  for (const auto& h : headers) {
    head += " " + h + " |";
    rule += " ---: |";
  }
  Line(head);
  Line(rule);
  std::size_t rows = 0;
  for (const auto& c : columns) rows = std::max(rows, c.size());
  for (std::size_t r = 0; r < rows; ++r) {
    std::string row = "| " + std::to_string(r + 1) + " |";
    for (const auto& c : columns)
      row += " " + (r < c.size() ? Fixed(c[r], decimals) : std::string("–")) + " |";
    Line(row);
  }
  std::string medians = "| **median** |";
  for (const auto& c : columns) medians += " **" + Fixed(Summarise(c).median, decimals) + "** |";
  Line(medians);
}

bool Report::WriteTo(const std::wstring& path) const { return WriteText(path, text_); }

}  // namespace tarnwell::bench

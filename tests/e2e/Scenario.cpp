#include "tests/e2e/Scenario.h"

#include "tests/e2e/GdiHandles.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>

#ifndef TARNWELL_E2E_PROGRAM
#error "TARNWELL_E2E_PROGRAM must name the built program (a Unix path)"
#endif
#ifndef TARNWELL_FIXTURES_DIR
#error "TARNWELL_FIXTURES_DIR must name the fixtures' build folder (a Unix path)"
#endif

namespace fs = std::filesystem;

namespace tarnwell::e2e {
namespace {

constexpr DWORD kPollMs = 20;
constexpr DWORD kKillWaitMs = 5000;
constexpr DWORD kRemoveRetryMs = 5000;
// A label drawn in a colour shows far more of it than this; anti-aliasing never makes one exactly.
constexpr std::size_t kColourDrawnPixels = 30;

using win32::FileHandle;
using win32::KernelHandle;

// Wine's kernel32 translates paths between the two worlds; on anything else the fallbacks apply.
using ToUnixFn = char*(CDECL*)(LPCWSTR);
using ToDosFn = WCHAR*(CDECL*)(LPCSTR);

template <typename Fn>
Fn WineExport(const char* name) {
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  FARPROC proc = kernel32 ? GetProcAddress(kernel32, name) : nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}

// Sleeps for one poll interval; true once `deadline` (a GetTickCount64 value) has passed.
bool PollExpired(ULONGLONG deadline, HANDLE process = nullptr) {
  if (process)
    WaitForSingleObject(process, kPollMs);
  else
    Sleep(kPollMs);
  return GetTickCount64() >= deadline;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, ARRAYSIZE(name));
  return name;
}

// WM_GETTEXT reaches the control itself; the timeout keeps a busy program from hanging the test.
std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) {
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                            SMTO_ABORTIFHUNG, 2000, &copied)) {
      text.resize(std::min<std::size_t>(copied, length));
      return text;
    }
  }
  std::wstring text(32768, L'\0');
  text.resize(GetWindowTextW(window, text.data(), static_cast<int>(text.size())));
  return text;
}

Rect RectOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return {r.left, r.top, r.right, r.bottom};
}

ControlState ReadControl(HWND parent, int id) {
  ControlState state;
  HWND control = GetDlgItem(parent, id);
  if (!control) return state;
  state.exists = true;
  state.visible = IsWindowVisible(control) != FALSE;
  state.className = ClassOf(control);
  state.text = TextOf(control);
  state.rect = RectOf(control);
  return state;
}

DWORD ProcessOf(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  return id;
}

struct TopLevelQuery {
  DWORD processId = 0;
  const wchar_t* className = nullptr;  // null: any
  const wchar_t* title = nullptr;      // null: any
  const wchar_t* notTitle = nullptr;   // null: none excluded
  bool visibleOnly = true;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto& query = *reinterpret_cast<TopLevelQuery*>(param);
  if (query.processId && ProcessOf(window) != query.processId) return TRUE;
  if (query.visibleOnly && !IsWindowVisible(window)) return TRUE;
  if (query.className && ClassOf(window) != query.className) return TRUE;
  if (query.title || query.notTitle) {
    wchar_t title[512] = {};
    GetWindowTextW(window, title, ARRAYSIZE(title));
    if (query.title && std::wstring_view(title) != query.title) return TRUE;
    if (query.notTitle && std::wstring_view(title) == query.notTitle) return TRUE;
  }
  query.found.push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindows(TopLevelQuery query) {
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&query));
  return query.found;
}

std::wstring EnvironmentVariable(const wchar_t* name) {
  std::wstring value(32768, L'\0');
  const DWORD n = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  value.resize(n < value.size() ? n : 0);
  return value;
}

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  std::wstring folder = path;
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

std::wstring CurrentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "scenario";
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') c = '_';
  return Widen(name);
}

// Files held by a process that is just being killed may refuse removal for a moment.
bool RemoveWithRetry(const std::wstring& path) {
  const ULONGLONG deadline = GetTickCount64() + kRemoveRetryMs;
  for (;;) {
    std::error_code error;
    fs::remove_all(fs::path(path), error);
    if (!error && !fs::exists(fs::path(path), error)) return true;
    if (PollExpired(deadline)) return false;
  }
}

bool CopyInto(const std::wstring& from, const std::wstring& to) {
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
    ADD_FAILURE() << "cannot copy " << Narrow(from) << " to " << Narrow(to) << ": error " << GetLastError();
    return false;
  }
  return true;
}

// Runs a Linux program from inside Wine. Wine starts it but hands back no waitable
// process, so callers judge the effect, not the exit.
bool RunUnix(const std::string& program, const std::wstring& arguments) {
  const std::wstring path = WindowsPathOf(program);
  std::wstring commandLine = L"\"" + Widen(program) + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &info))
    return false;
  KernelHandle process(info.hProcess), thread(info.hThread);
  return true;
}

// Whether a new file can be made in `folder` now. Each probe has a name of its own: a probe
// made just before the folder froze cannot be removed, and must not make the next one pass.
bool CanCreateIn(const std::wstring& folder) {
  static unsigned serial = 0;
  const std::wstring probe = folder + L"\\.tarnwell-probe-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(++serial);
  FileHandle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return static_cast<bool>(file);
}

void RemoveProbes(const std::wstring& folder) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(fs::path(folder), error))
    if (entry.path().filename().wstring().starts_with(L".tarnwell-probe-")) fs::remove(entry.path(), error);
}

bool SetImmutable(const std::wstring& folder, bool immutable) {
  if (!RunUnix("/usr/bin/chattr", std::wstring(immutable ? L"+i" : L"-i") + L" \"" +
                                      Widen(UnixPathOf(folder)) + L"\""))
    return false;
  const ULONGLONG deadline = GetTickCount64() + kSettleTimeoutMs;
  while (CanCreateIn(folder) == immutable)
    if (PollExpired(deadline)) return false;
  if (!immutable) RemoveProbes(folder);
  return true;
}

COLORREF DibPixelOf(COLORREF colour) {  // 0xBBGGRR -> the DIB's 0xRRGGBB
  return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetWindowDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

class Selection {  // keeps an object selected into a DC for a scope
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selection() { SelectObject(dc_, previous_); }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace

// ---- text and paths ----

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

bool SamePath(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

std::wstring WindowsPathOf(const std::string& unixPath) {
  if (auto toDos = WineExport<ToDosFn>("wine_get_dos_file_name")) {
    if (WCHAR* dos = toDos(unixPath.c_str())) {
      std::wstring path = dos;
      HeapFree(GetProcessHeap(), 0, dos);
      return path;
    }
  }
  std::wstring path = L"Z:" + Widen(unixPath);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::string UnixPathOf(const std::wstring& windowsPath) {
  if (auto toUnix = WineExport<ToUnixFn>("wine_get_unix_file_name")) {
    if (char* unixPath = toUnix(windowsPath.c_str())) {
      std::string path = unixPath;
      HeapFree(GetProcessHeap(), 0, unixPath);
      return path;
    }
  }
  std::string path = Narrow(windowsPath);
  if (path.size() >= 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':') path.erase(0, 2);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
  std::ifstream in(fs::path(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::wstring> ReadLines(const std::wstring& path) {
  const std::vector<std::uint8_t> bytes = ReadBytes(path);
  std::vector<std::wstring> lines;
  std::string line;
  for (std::uint8_t b : bytes) {
    if (b == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(Widen(line));
      line.clear();
    } else {
      line.push_back(static_cast<char>(b));
    }
  }
  if (!line.empty()) lines.push_back(Widen(line));
  return lines;
}

// ---- reading a window ----

WindowState ReadWindow(HWND window) {
  WindowState state;
  state.window = window;
  if (!IsWindow(window)) return state;
  state.title = TextOf(window);
  state.visible = IsWindowVisible(window) != FALSE;
  state.topmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  state.rect = RectOf(window);
  state.label = ReadControl(window, kLabelId);
  state.ok = ReadControl(window, kOkId);
  state.cancel = ReadControl(window, kCancelId);
  return state;
}

std::size_t PixelCounts::Of(COLORREF colour) const {
  switch (colour) {
    case 0xC00000: return darkBlue;
    case 0x0000FF: return red;
    case 0x00C000: return green;
    case 0x0080FF: return orange;
    default: return 0;
  }
}

PixelCounts CountPixels(HWND window, const Rect& area) {
  PixelCounts counts;
  const Rect outer = RectOf(window);
  const int width = outer.Width(), height = outer.Height();
  if (width <= 0 || height <= 0) return counts;

  WindowDc source(window);
  if (!source.get()) return counts;
  MemoryDc memory(CreateCompatibleDC(source.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  BitmapHandle dib(CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory || !dib || !bits) return counts;
  {
    Selection selected(memory.get(), dib.get());
    if (!BitBlt(memory.get(), 0, 0, width, height, source.get(), 0, 0, SRCCOPY)) return counts;
    GdiFlush();
  }

  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  const int x0 = std::max(area.left - outer.left, 0), x1 = std::min(area.right - outer.left, width);
  const int y0 = std::max(area.top - outer.top, 0), y1 = std::min(area.bottom - outer.top, height);
  const COLORREF darkBlue = DibPixelOf(0xC00000), red = DibPixelOf(0x0000FF), green = DibPixelOf(0x00C000),
                 orange = DibPixelOf(0x0080FF);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF;
      ++counts.total;
      if (pixel == darkBlue) ++counts.darkBlue;
      else if (pixel == red) ++counts.red;
      else if (pixel == green) ++counts.green;
      else if (pixel == orange) ++counts.orange;
    }
  }
  return counts;
}

PixelCounts WaitForLabelColour(HWND window, COLORREF colour, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    const PixelCounts counts = CountPixels(window, ReadWindow(window).label.rect);
    if (counts.Of(colour) >= kColourDrawnPixels || PollExpired(deadline)) return counts;
  }
}

bool Click(HWND window, int controlId) {
  HWND button = GetDlgItem(window, controlId);
  return button && PostMessageW(button, BM_CLICK, 0, 0);
}

bool CloseWindow(HWND window) { return PostMessageW(window, WM_CLOSE, 0, 0) != FALSE; }

bool AnswerMessageBox(const MessageBoxState& box, DWORD timeoutMs) {
  HWND ok = GetDlgItem(box.box, IDOK);
  if (!PostMessageW(box.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok))) return false;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (IsWindow(box.box))
    if (PollExpired(deadline)) return false;
  return true;
}

// ---- processes ----

bool Process::Running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

std::optional<DWORD> Process::WaitForExit(DWORD timeoutMs) {
  if (!process_) return std::nullopt;
  if (WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) {
    Kill();
    return std::nullopt;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
  return code;
}

void Process::Kill() {
  if (!Running()) return;
  TerminateProcess(process_.get(), 0xDEAD);
  WaitForSingleObject(process_.get(), kKillWaitMs);
}

HWND Program::WaitForWindow(DWORD timeoutMs) const {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    TopLevelQuery query;
    query.processId = Id();
    query.title = kMainWindowTitle;
    const auto found = TopLevelWindows(query);
    if (!found.empty()) return found.front();
    if (!Running() || PollExpired(deadline, Handle())) return nullptr;
  }
}

std::optional<MessageBoxState> Program::WaitForMessageBox(DWORD timeoutMs) const {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    TopLevelQuery query;
    query.processId = Id();
    query.className = L"#32770";
    query.notTitle = kMainWindowTitle;  // should the main window ever be a dialog
    const auto found = TopLevelWindows(query);
    if (!found.empty()) {
      MessageBoxState box;
      box.box = found.front();
      box.title = TextOf(box.box);
      // The message text is the static control with id 0xFFFF in every message box.
      if (HWND text = GetDlgItem(box.box, 0xFFFF)) box.text = TextOf(text);
      return box;
    }
    if (!Running() || PollExpired(deadline, Handle())) return std::nullopt;
  }
}

std::vector<HWND> Program::VisibleWindows() const {
  TopLevelQuery query;
  query.processId = Id();
  return TopLevelWindows(query);
}

// ---- the scenario ----

std::wstring Scenario::FixturePath(std::wstring_view fixture) {
  return WindowsPathOf(TARNWELL_FIXTURES_DIR) + L"\\quandrel-" + std::wstring(fixture) + L"\\Quandrel.dll";
}

std::vector<std::uint8_t> Scenario::FixtureBytes(std::wstring_view fixture) {
  return ReadBytes(FixturePath(fixture));
}

Scenario::Scenario(ScenarioOptions options) : options_(std::move(options)) {
  root_ = L"C:\\tarnwell-e2e";
  const std::wstring name = CurrentTestName();
  programFolder_ = root_ + L"\\" + name + options_.folderSuffix;
  registrationLog_ = root_ + L"\\" + name + L".registration.log";
  hostLog_ = root_ + L"\\" + name + L".host.log";
  systemFolder_ = SpecialFolder(CSIDL_SYSTEMX86);
  hostFolder_ = SpecialFolder(CSIDL_PROGRAM_FILES) + L"\\CorvexIDE";
  hostPath_ = hostFolder_ + L"\\CorvexIDE.exe";
  const std::wstring dataHome = EnvironmentVariable(L"XDG_DATA_HOME");
  if (dataHome.empty()) ADD_FAILURE() << "XDG_DATA_HOME is not set; run through cmake/wine-run";
  else trashFolder_ = WindowsPathOf(Narrow(dataHome) + "/Trash");
  if (systemFolder_.empty()) ADD_FAILURE() << "no folder for CSIDL_SYSTEMX86";

  // Everything the program starts (regsvr32, a restarted host) joins the job and dies with it.
  job_.reset(CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job_) SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

  // Leftovers of an interrupted run would change the outcome.
  RemoveEverything();

  std::error_code error;
  fs::create_directories(fs::path(programFolder_), error);
  if (error) ADD_FAILURE() << "cannot create " << Narrow(programFolder_) << ": " << error.message();
  if (options_.program) {
    const std::wstring program = WindowsPathOf(TARNWELL_E2E_PROGRAM);
    if (!FileExists(program)) ADD_FAILURE() << "the program is not built: " << TARNWELL_E2E_PROGRAM;
    else CopyInto(program, ProgramPath());
  }

  if (options_.trash && !trashFolder_.empty()) {
    fs::create_directories(fs::path(trashFolder_ + L"\\files"), error);
    fs::create_directories(fs::path(trashFolder_ + L"\\info"), error);
    if (error) ADD_FAILURE() << "cannot create the trash: " << error.message();
  }

  const std::wstring previous = EnvironmentVariable(L"QUANDREL_LOG");
  if (!previous.empty()) savedLogVariable_ = previous;
  SetEnvironmentVariableW(L"QUANDREL_LOG", registrationLog_.c_str());
}

Scenario::~Scenario() {
  if (job_) TerminateJobObject(job_.get(), 0xDEAD);
  for (auto& process : started_) {
    TerminateProcess(process.get(), 0xDEAD);
    WaitForSingleObject(process.get(), kKillWaitMs);
  }
  // Whatever escaped the job: a host the program restarted, a copy of the program.
  FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  if (snapshot && Process32FirstW(snapshot.get(), &entry)) {
    do {
      KernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                       entry.th32ProcessID));
      if (!process) continue;
      wchar_t image[MAX_PATH * 2] = {};
      DWORD size = ARRAYSIZE(image);
      if (!QueryFullProcessImageNameW(process.get(), 0, image, &size)) continue;
      if (SamePath(image, ProgramPath()) || SamePath(image, hostPath_)) {
        TerminateProcess(process.get(), 0xDEAD);
        WaitForSingleObject(process.get(), kKillWaitMs);
      }
    } while (Process32NextW(snapshot.get(), &entry));
  }

  RemoveEverything();
  RemoveDirectoryW(root_.c_str());  // only once empty
  SetEnvironmentVariableW(L"QUANDREL_LOG", savedLogVariable_ ? savedLogVariable_->c_str() : nullptr);
}

void Scenario::RemoveEverything() {
  const std::wstring paths[] = {programFolder_, hostFolder_, registrationLog_, hostLog_, trashFolder_};
  for (const auto& path : paths)
    if (!path.empty() && !RemoveWithRetry(path)) ADD_FAILURE() << "cannot remove " << Narrow(path);
  if (!systemFolder_.empty() && !RemoveWithRetry(InstalledPath()))
    ADD_FAILURE() << "cannot remove " << Narrow(InstalledPath());
}

void Scenario::Ship(std::wstring_view fixture) { CopyInto(FixturePath(fixture), ShippedPath()); }

void Scenario::Install(std::wstring_view fixture) { CopyInto(FixturePath(fixture), InstalledPath()); }

void Scenario::InstallHost(const HostSettings& settings) {
  std::error_code error;
  fs::create_directories(fs::path(hostFolder_), error);
  if (error) ADD_FAILURE() << "cannot create " << Narrow(hostFolder_) << ": " << error.message();
  if (!CopyInto(WindowsPathOf(TARNWELL_FIXTURES_DIR) + L"\\corvex\\CorvexIDE.exe", hostPath_)) return;
  const std::wstring ini = hostFolder_ + L"\\CorvexIDE.ini";
  const auto write = [&](const wchar_t* key, const std::wstring& value) {
    if (!WritePrivateProfileStringW(L"Corvex", key, value.c_str(), ini.c_str()))
      ADD_FAILURE() << "cannot write " << Narrow(ini);
  };
  write(L"Mode", settings.mode);
  write(L"CloseDelayMs", std::to_wstring(settings.closeDelayMs));
  write(L"LingerMs", std::to_wstring(settings.lingerMs));
  write(L"HoldFile", settings.holdFile);
  write(L"Log", hostLog_);
}

std::pair<KernelHandle, DWORD> Scenario::Launch(const std::wstring& path, const std::wstring& workingFolder,
                                                const std::wstring& arguments) {
  std::wstring commandLine = L"\"" + path + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      workingFolder.c_str(), &startup, &info)) {
    ADD_FAILURE() << "cannot start " << Narrow(path) << ": error " << GetLastError();
    return {};
  }
  KernelHandle process(info.hProcess), thread(info.hThread);
  if (job_) AssignProcessToJobObject(job_.get(), process.get());
  ResumeThread(thread.get());
  HANDLE duplicate = nullptr;
  if (DuplicateHandle(GetCurrentProcess(), process.get(), GetCurrentProcess(), &duplicate, 0, FALSE,
                      DUPLICATE_SAME_ACCESS))
    started_.emplace_back(duplicate);
  return {std::move(process), info.dwProcessId};
}

HWND Scenario::StartHost() {
  auto [process, id] = Launch(hostPath_, hostFolder_);
  if (!process) return nullptr;
  const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
  for (;;) {
    TopLevelQuery query;
    query.processId = id;
    query.title = kHostWindowTitle;
    const auto found = TopLevelWindows(query);
    if (!found.empty()) return found.front();
    if (PollExpired(deadline, process.get())) return nullptr;
  }
}

Program Scenario::Start() {
  // Started from elsewhere than its own folder: the program must find its copy by its own path.
  auto [process, id] = Launch(ProgramPath(), root_);
  return Program(std::move(process), id);
}

Process Scenario::Run(const std::wstring& application, const std::wstring& arguments) {
  auto [process, id] = Launch(application, root_, arguments);
  return Process(std::move(process), id);
}

std::vector<std::wstring> Scenario::TrashedFiles() const {
  std::vector<std::wstring> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(fs::path(TrashFilesFolder()), error))
    names.push_back(entry.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

Scenario::Freeze::Freeze(const std::wstring& folder) : folder_(folder) { active_ = SetImmutable(folder_, true); }

// Undone even when freezing seemed to fail: chattr may have acted after the check gave up.
Scenario::Freeze::~Freeze() {
  if (!SetImmutable(folder_, false))
    ADD_FAILURE() << "cannot make " << Narrow(folder_) << " writable again";
}

}  // namespace tarnwell::e2e

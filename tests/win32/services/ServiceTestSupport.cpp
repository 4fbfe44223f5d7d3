#include "tests/win32/services/ServiceTestSupport.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>
#include <utility>

#include "win32/WideText.h"

namespace tarnwell::testing {
namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"TarnwellServiceTestWindow";
constexpr DWORD kPollMilliseconds = 10;
constexpr UINT kTextTimeout = 2000;

// Reads a window's text by message with a timeout, so a thread that has stopped pumping
// cannot hang the helper.
std::wstring TextOf(HWND window) {
  std::array<wchar_t, 1024> buffer{};
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG,
                             kTextTimeout, &copied)) {
    return {};
  }
  return std::wstring(buffer.data(), copied);
}

std::wstring ClassOf(HWND window) {
  std::array<wchar_t, 64> buffer{};
  const int length = ::GetClassNameW(window, buffer.data(), static_cast<int>(buffer.size()));
  return std::wstring(buffer.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
}

struct DialogContent {
  std::wstring text;
  bool iconShown = false;
};

BOOL CALLBACK CollectStatic(HWND child, LPARAM param) {
  auto& content = *reinterpret_cast<DialogContent*>(param);
  if (ClassOf(child) != L"Static") return TRUE;
  const auto style = static_cast<DWORD>(::GetWindowLongW(child, GWL_STYLE));
  if ((style & SS_TYPEMASK) == SS_ICON) {
    // Wine keeps an empty icon control in boxes without icon: ask for the icon itself.
    DWORD_PTR icon = 0;
    ::SendMessageTimeoutW(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, kTextTimeout, &icon);
    content.iconShown = content.iconShown || (icon != 0 && ::IsWindowVisible(child));
  } else if (content.text.empty()) {
    content.text = TextOf(child);
  }
  return TRUE;
}

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param) {
  if (ClassOf(window) == L"#32770" && ::IsWindowVisible(window)) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  }
  return TRUE;
}

}  // namespace

std::wstring UniqueSuffix() {
  static LONG counter = 0;
  return std::to_wstring(::GetCurrentProcessId()) + L"-" +
         std::to_wstring(::GetTickCount64()) + L"-" +
         std::to_wstring(::InterlockedIncrement(&counter));
}

ScratchFolder::ScratchFolder() {
  std::array<wchar_t, MAX_PATH + 1> temp{};
  const DWORD length = ::GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
  root_ = std::wstring(temp.data(), length) + L"tarnwell-services-" + UniqueSuffix();
  std::filesystem::create_directories(root_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::wstring ScratchFolder::Path(std::wstring_view name) const {
  return name.empty() ? root_ : root_ + L"\\" + std::wstring(name);
}

std::string ScratchFolder::Utf8(std::wstring_view name) const {
  return win32::Narrow(Path(name));
}

void WriteTextFile(const std::wstring& path, std::string_view content) {
  const win32::FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

std::optional<std::string> ReadTextFile(const std::wstring& path) {
  const win32::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string content;
  std::array<char, 4096> chunk{};
  DWORD read = 0;
  while (::ReadFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &read, nullptr) &&
         read > 0) {
    content.append(chunk.data(), read);
  }
  return content;
}

bool PathPresent(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolder(const std::wstring& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error);
}

std::wstring ExecutableFolder() {
  std::array<wchar_t, 32768> buffer{};
  const DWORD length =
      ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  std::wstring path(buffer.data(), length);
  return path.substr(0, path.find_last_of(L'\\'));
}

bool RunningUnderWine() {
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

namespace {

// The live answerers by timer; the timers are the calling thread's, and so is this list.
std::vector<std::pair<UINT_PTR, DialogAnswerer*>>& Answerers() {
  static std::vector<std::pair<UINT_PTR, DialogAnswerer*>> answerers;
  return answerers;
}

}  // namespace

DialogAnswerer::DialogAnswerer(DWORD patience)
    : patience_(patience), timer_(::SetTimer(nullptr, 0, kPollMilliseconds, &DialogAnswerer::OnTimer)) {
  if (timer_ != 0) Answerers().emplace_back(timer_, this);
}

DialogAnswerer::~DialogAnswerer() { Finish(); }

std::vector<SeenDialog> DialogAnswerer::Finish() {
  if (timer_ != 0) {
    ::KillTimer(nullptr, timer_);
    std::erase_if(Answerers(), [this](const auto& entry) { return entry.second == this; });
    timer_ = 0;
  }
  return std::move(seen_);
}

void CALLBACK DialogAnswerer::OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  for (const auto& [id, answerer] : Answerers()) {
    if (id == timer) {
      answerer->Look();
      return;
    }
  }
}

void DialogAnswerer::Look() {
  std::vector<HWND> dialogs;
  ::EnumThreadWindows(::GetCurrentThreadId(), &CollectDialogs, reinterpret_cast<LPARAM>(&dialogs));
  std::erase_if(firstSeen_, [](const auto& entry) { return !::IsWindow(entry.first); });
  std::erase_if(answered_, [](HWND dialog) { return !::IsWindow(dialog); });
  for (HWND dialog : dialogs) {
    // Answered already and about to go: not a second box.
    if (std::find(answered_.begin(), answered_.end(), dialog) != answered_.end()) continue;
    const ULONGLONG now = ::GetTickCount64();
    auto known = std::find_if(firstSeen_.begin(), firstSeen_.end(),
                              [dialog](const auto& entry) { return entry.first == dialog; });
    if (known == firstSeen_.end()) known = firstSeen_.insert(firstSeen_.end(), {dialog, now});
    if (now - known->second < patience_) continue;
    firstSeen_.erase(known);

    DialogContent content;
    ::EnumChildWindows(dialog, &CollectStatic, reinterpret_cast<LPARAM>(&content));
    seen_.push_back({TextOf(dialog), content.text, content.iconShown});
    answered_.push_back(dialog);

    const int button = ::GetDlgItem(dialog, IDOK) != nullptr ? IDOK : IDCANCEL;
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  }
}

TestWindow::TestWindow(const std::wstring& title, RECT bounds)
    : counters_(std::make_unique<Counters>()) {
  static const ATOM registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &TestWindow::Procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    return ::RegisterClassExW(&windowClass);
  }();
  if (registered == 0) return;
  window_.reset(::CreateWindowExW(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW,
                                  bounds.left, bounds.top, bounds.right - bounds.left,
                                  bounds.bottom - bounds.top, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), counters_.get()));
}

void TestWindow::PostPing() const { ::PostMessageW(window_.get(), kPing, 0, 0); }

LRESULT CALLBACK TestWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* counters = reinterpret_cast<Counters*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (counters != nullptr) {
    if (message == WM_CLOSE) {
      ++counters->closes;
      return 0;
    }
    if (message == kPing) {
      ++counters->pings;
      return 0;
    }
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

void PumpPending() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

}  // namespace tarnwell::testing

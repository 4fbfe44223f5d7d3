#include "tests/win32/services/ServiceTestSupport.h"

#include "services/modGlobal.h"

#include <algorithm>
#include <utility>

#include "platform/SystemProc.h"
#include "tests/support/WindowText.h"

namespace tarnwell::testing {
namespace {

constexpr UINT kPing = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"TarnwellServiceTestWindow";
constexpr DWORD kPollMilliseconds = 10;
constexpr UINT kTextTimeout = 2000;

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

bool RunningUnderWine() {
  return platform::LoadedProc<const char*(CDECL*)()>(L"ntdll.dll", "wine_get_version") != nullptr;
}

namespace {

// The live answerers by timer; the timers are the calling thread's, and so is this list.
std::vector<std::pair<UINT_PTR, DialogAnswerer*>>& Answerers() {
  static std::vector<std::pair<UINT_PTR, DialogAnswerer*>> answerers;
  return answerers;
}

}  // namespace

DialogAnswerer::DialogAnswerer(DWORD patience)
    : patience_(patience),
      timer_(::SetTimer(nullptr, 0, kPollMilliseconds, &DialogAnswerer::OnTimer)) {
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
  window_.reset(::CreateWindowExW(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, bounds.left,
                                  bounds.top, bounds.right - bounds.left,
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

void ShownReport::Box(const std::string& title, const std::string& text, BoxIcon icon) {
  boxes.push_back(text);
  if (show_) {
    modGlobal::ShowBox(reinterpret_cast<NativeWindow>(::GetActiveWindow()), title, text, icon);
  }
}

void ShownReport::Trace(std::string_view call, std::uint32_t, bool) { traces.emplace_back(call); }

}  // namespace tarnwell::testing

#include "tests/support/ScratchFolder.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <system_error>

#include "platform/WideText.h"

namespace tarnwell::testing {

std::wstring UniqueSuffix() {
  static LONG counter = 0;
  return std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount64()) +
         L"-" + std::to_wstring(::InterlockedIncrement(&counter));
}

ScratchFolder::ScratchFolder(std::wstring_view stem) {
  std::array<wchar_t, MAX_PATH + 1> temp{};
  const DWORD length = ::GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
  root_ = std::wstring(temp.data(), length) + std::wstring(stem) + L"-" + UniqueSuffix();
  std::error_code error;
  std::filesystem::create_directories(root_, error);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::wstring ScratchFolder::Path(std::wstring_view name) const {
  return name.empty() ? root_ : root_ + L"\\" + std::wstring(name);
}

std::string ScratchFolder::Utf8(std::wstring_view name) const {
  return platform::Narrow(Path(name));
}

std::vector<std::wstring> ScratchFolder::Files() const {
  std::vector<std::wstring> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(root_, error)) {
    names.push_back(entry.path().filename().wstring());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tarnwell::testing

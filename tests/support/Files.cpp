#include "tests/support/Files.h"

#include <windows.h>

#include <array>
#include <filesystem>
#include <system_error>

#include "platform/UniqueHandle.h"
#include "platform/WideText.h"

namespace tarnwell::testing {

bool FileExists(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathPresent(const std::wstring& path) {
  return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolder(const std::wstring& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error);
}

std::vector<std::uint8_t> ReadBytes(const std::wstring& path) {
  const std::optional<std::string> text = ReadTextFile(path);
  if (!text) return {};
  return {text->begin(), text->end()};
}

std::optional<std::string> ReadTextFile(const std::wstring& path) {
  // Shared for writing and deleting: the program or a host may hold the file meanwhile.
  const platform::FileHandle file(::CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
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

void WriteTextFile(const std::wstring& path, std::string_view content) {
  const platform::FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return;
  DWORD written = 0;
  ::WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

std::vector<std::wstring> ReadLines(const std::wstring& path) {
  std::vector<std::wstring> lines;
  const std::string text = ReadTextFile(path).value_or(std::string{});
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(platform::Widen(line));
    begin = end + 1;
  }
  return lines;
}

std::wstring ExecutableFolder() {
  std::array<wchar_t, 32768> buffer{};
  const DWORD length =
      ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  const std::wstring path(buffer.data(), length);
  return path.substr(0, path.find_last_of(L'\\'));
}

}  // namespace tarnwell::testing

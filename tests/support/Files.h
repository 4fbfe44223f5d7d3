#pragma once
// Reading and writing the files a test looks at, by Windows path.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::testing {

// A file (not a folder) at `path`.
bool FileExists(const std::wstring& path);
// Anything at `path`, asked without a directory search.
bool PathPresent(const std::wstring& path);
bool MakeFolder(const std::wstring& path);

std::vector<std::uint8_t> ReadBytes(const std::wstring& path);
// Nothing when the file cannot be opened.
std::optional<std::string> ReadTextFile(const std::wstring& path);
void WriteTextFile(const std::wstring& path, std::string_view content);
// The lines of a UTF-8 text file, without line ends; empty when the file is missing.
std::vector<std::wstring> ReadLines(const std::wstring& path);

// The folder of the running program.
std::wstring ExecutableFolder();

}  // namespace tarnwell::testing

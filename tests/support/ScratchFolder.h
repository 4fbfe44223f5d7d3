#pragma once
// A fresh folder under %TEMP% for one test, removed with everything in it at the end.

#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::testing {

// A name part no other test (or earlier run) uses.
std::wstring UniqueSuffix();

class ScratchFolder {
 public:
  explicit ScratchFolder(std::wstring_view stem = L"tarnwell-test");
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::wstring Path(std::wstring_view name = {}) const;
  // The same path as the program's portable code takes it.
  std::string Utf8(std::wstring_view name = {}) const;
  // The names of what the folder holds, sorted.
  std::vector<std::wstring> Files() const;

 private:
  std::wstring root_;
};

}  // namespace tarnwell::testing

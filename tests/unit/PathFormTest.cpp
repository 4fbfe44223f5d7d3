// The plain form of a full path, as the log file's path asked for is compared with the one the
// system answers for the open file.
#include "app/PathForm.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwell {
namespace {

TEST(PathForm, ThePrefixesThatTurnOffParsingAreLeftOut) {
  struct Case {
    std::wstring path;
    std::wstring plain;
  };
  const Case cases[] = {
      {L"\\\\?\\C:\\logs\\run.log", L"C:\\logs\\run.log"},
      {L"\\\\.\\d:\\run.log", L"d:\\run.log"},
      {L"\\\\?\\UNC\\server\\share\\run.log", L"\\\\server\\share\\run.log"},
      {L"\\\\?\\unc\\server\\share\\run.log", L"\\\\server\\share\\run.log"},
      // Already plain, or nothing this knows: as it was.
      {L"C:\\logs\\run.log", L"C:\\logs\\run.log"},
      {L"\\\\server\\share\\run.log", L"\\\\server\\share\\run.log"},
      {L"\\\\?\\Volume{0a1b}\\run.log", L"\\\\?\\Volume{0a1b}\\run.log"},
      {L"\\\\.\\pipe\\name", L"\\\\.\\pipe\\name"},
      {L"\\\\?\\UNCX\\server", L"\\\\?\\UNCX\\server"},
      {L"\\\\?\\", L"\\\\?\\"},
      {L"\\\\?\\C", L"\\\\?\\C"},
      {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(PlainPathForm<wchar_t>(c.path), c.plain);
}

}  // namespace
}  // namespace tarnwell

#include "win32/FileLog.h"

#include <windows.h>

#include "app/Timestamp.h"
#include "platform/WideText.h"

namespace tarnwell::win32 {
namespace {

std::string Timestamp() {
  SYSTEMTIME now{};
  ::GetSystemTime(&now);
  return IsoTimestamp(
      {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds});
}

}  // namespace

bool FileLog::Open(const std::string& path) {
  // Others may read it while the run goes on; appends from two runs never interleave a line.
  file_.reset(::CreateFileW(platform::Widen(path).c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(file_);
}

void FileLog::Write(const std::string& line) {
  if (!file_) return;
  const std::string entry = Timestamp() + "  " + line + "\r\n";
  DWORD written = 0;
  ::WriteFile(file_.get(), entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
}

}  // namespace tarnwell::win32

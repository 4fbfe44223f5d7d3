#include "services/modFiles.h"

#include <windows.h>

#include <vector>

#include "platform/UniqueHandle.h"
#include "platform/WideText.h"

namespace tarnwell::modFiles {
namespace {

using platform::FileHandle;
using platform::Widen;

constexpr DWORD kChunk = 64 * 1024;

bool Failed(Report& report, const char* call) {
  report.Trace(call, ::GetLastError());
  return false;
}

// Copies everything `from` holds into `to` and flushes it; false at the first failure.
bool CopyContents(Report& report, HANDLE from, HANDLE to) {
  std::vector<char> buffer(kChunk);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(from, buffer.data(), kChunk, &read, nullptr)) return Failed(report, "ReadFile");
    if (read == 0) break;
    DWORD written = 0;
    // A short write is a full disk, whatever the error code says.
    if (!::WriteFile(to, buffer.data(), read, &written, nullptr) || written != read) {
      return Failed(report, "WriteFile");
    }
  }
  return ::FlushFileBuffers(to) || Failed(report, "FlushFileBuffers");
}

}  // namespace

std::optional<std::uint64_t> FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool CopyNewFile(Report& report, const std::string& source, const std::string& destination) {
  const std::wstring target = Widen(destination);
  // Nobody may write the source while it is read; only a plain file on a disk is taken.
  const FileHandle from(::CreateFileW(Widen(source).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!from) return Failed(report, "CreateFileW(source)");
  if (::GetFileType(from.get()) != FILE_TYPE_DISK) return false;
  bool copied = false;
  {
    // No security attributes: the new file inherits its folder's protection.
    const FileHandle to(::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!to) return Failed(report, "CreateFileW(destination)");
    copied = CopyContents(report, from.get(), to.get());
  }
  if (!copied) ::DeleteFileW(target.c_str());
  return copied;
}

bool RenameFile(Report& report, const std::string& source, const std::string& destination) {
  // Without MOVEFILE_COPY_ALLOWED this is a rename on one volume, never a copy that could stop
  // half way.
  return ::MoveFileExW(Widen(source).c_str(), Widen(destination).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
         Failed(report, "MoveFileExW");
}

bool RemoveFile(Report& report, const std::string& path) {
  if (::DeleteFileW(Widen(path).c_str())) return true;
  const DWORD error = ::GetLastError();
  if (error == ERROR_FILE_NOT_FOUND) return true;
  report.Trace("DeleteFileW", error);
  return false;
}

bool CreateMarker(Report& report, const std::string& path) {
  const FileHandle marker(::CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!marker) return Failed(report, "CreateFileW(marker)");
  return ::FlushFileBuffers(marker.get()) || Failed(report, "FlushFileBuffers");
}

}  // namespace tarnwell::modFiles

#include "win32/FileLog.h"

#include <windows.h>

#include <string_view>

#include "app/PathForm.h"
#include "app/Timestamp.h"
#include "platform/WideText.h"

namespace tarnwell::win32 {
namespace {

using platform::FileHandle;

// Others may read it while the run goes on; appends from two runs never interleave a line.
constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
// A link is opened as itself, where the file system knows links as such, not followed.
constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
// Opening and creating race with whoever lays the name; past this many rounds it is refused.
constexpr int kRounds = 3;

std::string Timestamp() {
  SYSTEMTIME now{};
  ::GetSystemTime(&now);
  return IsoTimestamp(
      {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds});
}

// A path the system answers through a buffer it asks to size; empty when the call fails.
template <typename Call>
std::wstring Answered(Call call) {
  std::wstring text(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = call(text.data(), static_cast<DWORD>(text.size()));
    if (length == 0) return {};
    if (length < text.size()) {
      text.resize(length);
      return text;
    }
    text.resize(length);
  }
}

bool SamePath(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Whether the open `file` is a plain file, with this one name, at `asked`: the path asked for,
// made full (relative to the current folder) and compared in its plain form, in any case, with
// short (8.3) names read as the long ones.
bool PlainFileAt(HANDLE file, const std::wstring& asked) {
  if (::GetFileType(file) != FILE_TYPE_DISK) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file, &info)) return false;
  if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  if (info.nNumberOfLinks != 1) return false;
  const std::wstring final = PlainPathForm<wchar_t>(Answered([&](wchar_t* buffer, DWORD size) {
    return ::GetFinalPathNameByHandleW(file, buffer, size, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  }));
  const std::wstring full = PlainPathForm<wchar_t>(Answered([&](wchar_t* buffer, DWORD size) {
    return ::GetFullPathNameW(asked.c_str(), size, buffer, nullptr);
  }));
  if (final.empty() || full.empty()) return false;
  if (SamePath(final, full)) return true;
  // The file is there now, so each short name on the way can be read as its long one.
  const std::wstring longForm = PlainPathForm<wchar_t>(Answered(
      [&](wchar_t* buffer, DWORD size) { return ::GetLongPathNameW(full.c_str(), buffer, size); }));
  return !longForm.empty() && SamePath(final, longForm);
}

// Marks a file this program has just created for deletion as its handle closes.
void DeleteCreated(HANDLE file) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

}  // namespace

LogOpening FileLog::Open(const std::string& path) {
  const std::wstring asked = platform::Widen(path);
  for (int round = 0; round < kRounds; ++round) {
    // Opened first and judged by the handle: what is checked is what is written.
    FileHandle file(::CreateFileW(asked.c_str(), FILE_APPEND_DATA, kShare, nullptr, OPEN_EXISTING,
                                  kFlags, nullptr));
    if (file) {
      if (!PlainFileAt(file.get(), asked)) return LogOpening::Refused;
      file_ = std::move(file);
      return LogOpening::Opened;
    }
    if (::GetLastError() != ERROR_FILE_NOT_FOUND) return LogOpening::Failed;
    // Missing: created as a new file only, so that a dangling link (a name that exists and
    // leads nowhere) fails here rather than create the file it points to.
    FileHandle created(::CreateFileW(asked.c_str(), FILE_APPEND_DATA | DELETE, kShare, nullptr,
                                     CREATE_NEW, kFlags, nullptr));
    if (!created) {
      // Made by someone else meanwhile, or a dangling link: look again.
      if (::GetLastError() == ERROR_FILE_EXISTS) continue;
      return LogOpening::Failed;
    }
    if (!PlainFileAt(created.get(), asked)) {
      // Created through a linked folder, somewhere else: taken away again, empty as it is.
      DeleteCreated(created.get());
      return LogOpening::Refused;
    }
    // Opened again as any existing log is, without the right to delete it, which would keep
    // other readers and writers out; and checked again. Not past the last round.
    if (round + 1 == kRounds) {
      DeleteCreated(created.get());
      return LogOpening::Refused;
    }
  }
  return LogOpening::Refused;
}

void FileLog::Write(const std::string& line) {
  if (!file_) return;
  const std::string entry = Timestamp() + "  " + line + "\r\n";
  DWORD written = 0;
  ::WriteFile(file_.get(), entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
}

}  // namespace tarnwell::win32

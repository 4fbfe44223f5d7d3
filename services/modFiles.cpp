#include "services/modFiles.h"

#include <algorithm>
#include <vector>

#include "app/modDllUp.h"
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

// Reads from `from` at `offset` on, whatever its file pointer.
bool ReadAt(HANDLE from, std::uint64_t offset, void* into, DWORD size, DWORD& read) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  if (::ReadFile(from, into, size, &read, &at)) return true;
  if (::GetLastError() == ERROR_HANDLE_EOF) {
    read = 0;
    return true;
  }
  return false;
}

// Copies everything `from` holds into `to` and flushes it; false at the first failure.
bool CopyContents(Report& report, HANDLE from, HANDLE to) {
  std::vector<char> buffer(kChunk);
  for (std::uint64_t offset = 0;;) {
    DWORD read = 0;
    if (!ReadAt(from, offset, buffer.data(), kChunk, read)) return Failed(report, "ReadFile");
    if (read == 0) break;
    offset += read;
    DWORD written = 0;
    // A short write is a full disk, whatever the error code says.
    if (!::WriteFile(to, buffer.data(), read, &written, nullptr) || written != read) {
      return Failed(report, "WriteFile");
    }
  }
  return ::FlushFileBuffers(to) || Failed(report, "FlushFileBuffers");
}

// A new file for this program alone: no sharing, and the access to rename and remove it.
FileHandle CreateOwn(Report& report, const std::string& path) {
  // No security attributes: the new file inherits its folder's protection.
  FileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) Failed(report, "CreateFileW(new)");
  return file;
}

// The file's final path as the platform gives it (\\?\C:\..., \\?\UNC\...); "" if it cannot.
std::wstring FinalPathOf(HANDLE file) {
  std::wstring path(MAX_PATH, L'\0');
  for (int tries = 0; tries < 2; ++tries) {
    const DWORD length =
        ::GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(length + 1);
  }
  return {};
}

bool SameText(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() &&
         ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The final path of the folder `path` names.
std::wstring FinalFolderOf(const std::string& path) {
  const std::string folder = modDllUp::FolderOf(path);
  if (folder.empty()) return {};
  const FileHandle handle(::CreateFileW(Widen(folder).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                        nullptr));
  return handle ? FinalPathOf(handle.get()) : std::wstring();
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

std::optional<std::uint64_t> FileSize(HANDLE file) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

PathKind KindOf(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::Nothing;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
  return attributes & FILE_ATTRIBUTE_READONLY ? PathKind::ReadOnlyFile : PathKind::File;
}

Opened OpenHeld(Report& report, const std::string& path) {
  using State = Holding::State;
  const std::wstring wide = Widen(path);
  const DWORD attributes = ::GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    return {gone ? State::Missing : State::Refused, {}};
  }
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
    return {State::NotPlain, {}};
  }
  // A link in the last part is opened as the link, not followed to its target. Someone else may
  // be reading it without letting it be removed: then it is held for reading alone, and stays
  // where it is when the work is done.
  const auto open = [&](DWORD access) {
    return FileHandle(::CreateFileW(wide.c_str(), access, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  };
  FileHandle file = open(GENERIC_READ | DELETE);
  if (!file && ::GetLastError() == ERROR_SHARING_VIOLATION) file = open(GENERIC_READ);
  if (!file) {
    Failed(report, "CreateFileW(shipped copy)");
    return {State::Refused, {}};
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (::GetFileType(file.get()) != FILE_TYPE_DISK ||
      !::GetFileInformationByHandle(file.get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
      info.nNumberOfLinks != 1) {
    return {State::NotPlain, {}};
  }
  // The file must lie in the very folder the path names, under the name the path gives: where
  // the platform does not show a link as one, the final path still tells.
  const std::wstring final = FinalPathOf(file.get());
  std::wstring folder = FinalFolderOf(path);
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  const std::wstring name = wide.substr(wide.find_last_of(L'\\') + 1);
  if (final.empty() || folder.empty() || !SameText(final, folder + L'\\' + name)) {
    return {State::NotPlain, {}};
  }
  return {State::Held, std::move(file)};
}

FileHandle CopyNew(Report& report, HANDLE source, const std::string& destination) {
  FileHandle to = CreateOwn(report, destination);
  if (!to) return to;
  if (!CopyContents(report, source, to.get())) {
    RemoveHeld(report, to.get());
    return {};
  }
  return to;
}

FileHandle CopyNew(Report& report, const std::string& source, const std::string& destination) {
  // Nobody may write the source while it is read; only a plain file on a disk is taken.
  const FileHandle from(::CreateFileW(Widen(source).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!from) {
    Failed(report, "CreateFileW(source)");
    return {};
  }
  if (::GetFileType(from.get()) != FILE_TYPE_DISK) return {};
  return CopyNew(report, from.get(), destination);
}

FileHandle CreateMarker(Report& report, const std::string& path) {
  FileHandle marker = CreateOwn(report, path);
  if (marker && !::FlushFileBuffers(marker.get())) {
    Failed(report, "FlushFileBuffers");
    RemoveHeld(report, marker.get());
    return {};
  }
  return marker;
}

bool RenameHeld(Report& report, HANDLE file, const std::string& destination) {
  const std::wstring target = Widen(destination);
  std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = TRUE;
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::copy(target.begin(), target.end(), rename->FileName);
  // Within the one volume, this is a rename, never a copy that could stop half way.
  return ::SetFileInformationByHandle(file, FileRenameInfo, rename,
                                      static_cast<DWORD>(buffer.size())) ||
         Failed(report, "SetFileInformationByHandle(FileRenameInfo)");
}

FileHandle Reopen(Report& report, const std::string& path) {
  FileHandle file(::CreateFileW(Widen(path).c_str(), GENERIC_READ | DELETE,
                                FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
  if (!file) Failed(report, "CreateFileW(reopen)");
  return file;
}

bool RemoveHeld(Report& report, HANDLE file) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) ||
         Failed(report, "SetFileInformationByHandle(FileDispositionInfo)");
}

std::string FinalPath(HANDLE file) {
  std::wstring path = FinalPathOf(file);
  // What the shell takes: the \\?\ prefix gone, \\?\UNC\server back to \\server.
  if (path.starts_with(L"\\\\?\\UNC\\")) {
    path.replace(0, 8, L"\\\\");
  } else if (path.starts_with(L"\\\\?\\")) {
    path.erase(0, 4);
  }
  return platform::Narrow(path);
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

}  // namespace tarnwell::modFiles

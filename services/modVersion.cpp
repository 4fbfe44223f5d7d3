#include "services/modVersion.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "app/PeVersion.h"
#include "platform/DllSearch.h"
#include "platform/SystemProc.h"
#include "platform/UniqueHandle.h"
#include "platform/WideText.h"
#include "services/modGlobal.h"

namespace tarnwell::modVersion {
namespace {

// version.dll is loaded from the system folder at first use rather than imported, so a
// planted copy beside the program is never picked up.
class VersionApi {
 public:
  static const VersionApi& Get() {
    static const VersionApi api;
    return api;
  }

  bool Usable() const { return getSize_ && getInfo_ && query_; }

  DWORD GetSize(const wchar_t* path) const {
    DWORD ignored = 0;
    return getSize_(path, &ignored);
  }
  bool GetInfo(const wchar_t* path, std::vector<std::uint8_t>& buffer) const {
    return getInfo_(path, 0, static_cast<DWORD>(buffer.size()), buffer.data()) != FALSE;
  }
  bool QueryRoot(const std::vector<std::uint8_t>& buffer, const void*& block, UINT& length) const {
    void* found = nullptr;
    length = 0;
    if (!query_(buffer.data(), L"\\", &found, &length) || found == nullptr) return false;
    block = found;
    return true;
  }

 private:
  using GetSizeFn = decltype(&::GetFileVersionInfoSizeW);
  using GetInfoFn = decltype(&::GetFileVersionInfoW);
  using QueryFn = decltype(&::VerQueryValueW);

  VersionApi()
      : module_(platform::LoadSystemLibrary(L"version.dll")),
        getSize_(platform::ProcAddress<GetSizeFn>(module_.get(), "GetFileVersionInfoSizeW")),
        getInfo_(platform::ProcAddress<GetInfoFn>(module_.get(), "GetFileVersionInfoW")),
        query_(platform::ProcAddress<QueryFn>(module_.get(), "VerQueryValueW")) {}

  platform::ModuleHandle module_;
  GetSizeFn getSize_;
  GetInfoFn getInfo_;
  QueryFn query_;
};

VersionInfo Fail(Report& report, const char* message) {
  modGlobal::ShowMessage(report, message);
  return VersionInfo{};
}

}  // namespace

VersionInfo GetVersionInfo(Report& report, const std::string& path) {
  const VersionApi& api = VersionApi::Get();
  if (!api.Usable()) return Fail(report, kNoVersionInfo);

  const std::wstring widePath = platform::Widen(path);
  const DWORD size = api.GetSize(widePath.c_str());
  if (size == 0) return Fail(report, kNoVersionInfo);

  std::vector<std::uint8_t> buffer(size);
  if (!api.GetInfo(widePath.c_str(), buffer)) return Fail(report, kVersionReadFailed);

  const void* block = nullptr;
  UINT length = 0;
  if (!api.QueryRoot(buffer, block, length)) return Fail(report, kFixedInfoFailed);

  // The length is what the resource claims, unchecked: the block must start inside the
  // resource, whose own length is its first word, and only the bytes inside it count (the
  // buffer the platform fills is larger, and what lies past the resource is not ours to read).
  // A block cut short cannot be composed.
  const std::size_t resource =
      std::min<std::size_t>(buffer.size(), buffer.size() >= 2 ? buffer[0] | buffer[1] << 8 : 0);
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const auto first = reinterpret_cast<std::uintptr_t>(buffer.data());
  if (start < first || start - first >= resource) return Fail(report, kFixedInfoFailed);
  const std::size_t inBuffer = resource - (start - first);
  std::array<std::uint8_t, kFixedFileInfoSize> fixed{};
  const std::size_t available = std::min({std::size_t{length}, fixed.size(), inBuffer});
  std::copy_n(static_cast<const std::uint8_t*>(block), available, fixed.begin());
  const std::optional<VersionInfo> info =
      ComposeVersionInfo(std::span<const std::uint8_t>(fixed.data(), available));
  if (!info) return Fail(report, kFixedInfoFailed);
  return *info;
}

VersionInfo GetVersionInfo(Report& report, HANDLE file) {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file, &size)) return Fail(report, kNoVersionInfo);
  const ReadAt read = [file](std::uint64_t offset, std::span<std::uint8_t> into) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    return ::ReadFile(file, into.data(), static_cast<DWORD>(into.size()), &got, &at) &&
           got == into.size();
  };
  using Found = FixedBlock::Found;
  const FixedBlock block = FindFixedBlock(read, static_cast<std::uint64_t>(size.QuadPart));
  switch (block.found) {
    case Found::NoResource:
      return Fail(report, kNoVersionInfo);
    case Found::ReadFailed:
      return Fail(report, kVersionReadFailed);
    case Found::NoFixedBlock:
      return Fail(report, kFixedInfoFailed);
    case Found::Block:
      break;
  }
  const std::optional<VersionInfo> info = ComposeVersionInfo(block.bytes);
  return info ? *info : Fail(report, kFixedInfoFailed);
}

}  // namespace tarnwell::modVersion

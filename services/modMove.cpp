#include "services/modMove.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/WideText.h"
#include "services/modGlobal.h"

namespace tarnwell::modMove {
namespace {

constexpr FILEOP_FLAGS kMoveFlags = FOF_SIMPLEPROGRESS | FOF_NOCONFIRMATION;
constexpr FILEOP_FLAGS kDeleteFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION;
static_assert(kMoveFlags == 0x0110 && kDeleteFlags == 0x0050);

// The shell reads a list of paths ended by an empty one: one path, then two NULs.
std::wstring PathList(const std::string& path) {
  std::wstring list = platform::Widen(path);
  list.append(2, L'\0');
  return list;
}

// The shell's answer decides nothing (it claims success when it failed, under Wine): callers
// judge the outcome with FileExists. A failure it does admit is traced.
void Run(Report& report, HWND owner, UINT operation, const std::wstring& from,
         const std::wstring* to, FILEOP_FLAGS flags) {
  SHFILEOPSTRUCTW op{};
  op.hwnd = owner;
  op.wFunc = operation;
  op.pFrom = from.c_str();
  op.pTo = to != nullptr ? to->c_str() : nullptr;
  op.fFlags = flags;
  if (const int result = ::SHFileOperationW(&op); result != 0) {
    report.Trace(operation == FO_MOVE ? "SHFileOperationW(FO_MOVE)" : "SHFileOperationW(FO_DELETE)",
                 static_cast<std::uint32_t>(result));
  }
}

}  // namespace

void ShellMoveFile(Report& report, NativeWindow owner, const std::string& source,
                   const std::string& destination) {
  if (!modGlobal::FileExists(source)) return;
  const std::wstring from = PathList(source);
  const std::wstring to = PathList(destination);
  Run(report, reinterpret_cast<HWND>(owner), FO_MOVE, from, &to, kMoveFlags);
}

void ShellDeleteFile(Report& report, NativeWindow owner, const std::string& path, bool silent) {
  if (!modGlobal::FileExists(path)) return;
  const FILEOP_FLAGS flags = silent ? kDeleteFlags | FOF_SILENT | FOF_NOERRORUI : kDeleteFlags;
  Run(report, reinterpret_cast<HWND>(owner), FO_DELETE, PathList(path), nullptr, flags);
}

}  // namespace tarnwell::modMove

#include "tests/e2e/Expected.h"

#include "app/StatusTexts.h"
#include "platform/WideText.h"

namespace tarnwell::e2e {
namespace {

using platform::Narrow;
using platform::Widen;
using Kind = RegistrationResult::Kind;

RegistrationResult ExitedWith(int exitCode) {
  return {Kind::Finished, static_cast<std::uint32_t>(exitCode)};
}

}  // namespace

std::wstring Lines(std::initializer_list<std::wstring_view> lines) {
  std::wstring text;
  for (auto line : lines) {
    if (!text.empty()) text += L"\r\n";
    text += line;
  }
  return text;
}

std::wstring UpToDate(const std::wstring& installed, const std::wstring& shippedPath,
                      const std::wstring& shipped, bool deleted) {
  return Widen(texts::UpToDate(Narrow(installed), Narrow(shippedPath), Narrow(shipped),
                               deleted ? texts::ShippedCopy::Deleted : texts::ShippedCopy::Kept));
}

std::wstring Installed(const std::wstring& version) {
  return Widen(texts::Installed(Narrow(version)));
}

std::wstring InstalledNotRegistered(const std::wstring& version, int exitCode) {
  return Widen(texts::NotRegistered(Narrow(version), ExitedWith(exitCode)));
}

std::wstring NotInstalled() { return Widen(texts::NotInstalled("")); }

std::wstring Missing(const std::wstring& shippedPath) {
  return Widen(texts::ReplacementMissing(Narrow(shippedPath)));
}

std::wstring Offer(const std::wstring& installed, const std::wstring& shipped) {
  return Widen(texts::ConfirmUpdate(Narrow(installed), Narrow(shipped)));
}

std::wstring Waiting() { return Widen(texts::WaitingForIde()); }

std::wstring InProgress() { return Widen(texts::UpdateInProgress()); }

std::wstring Updated(const std::wstring& from, const std::wstring& to) {
  return Widen(texts::Updated(Narrow(from), Narrow(to)));
}

std::wstring UpdatedInUse(const std::wstring& from, const std::wstring& to,
                          const std::wstring& image, DWORD processId) {
  return Widen(texts::Updated(Narrow(from), Narrow(to)) + texts::kNewLine +
               texts::RestartToUseNewVersion({{Narrow(image), processId}}));
}

std::wstring UpdatedNotRegistered(const std::wstring& version, int exitCode) {
  return Widen(texts::UpdatedNotRegistered(Narrow(version), ExitedWith(exitCode)));
}

std::wstring InUse() { return Widen(texts::UpdateFailed()); }

std::wstring NotCopiedIn(const std::wstring& installed) {
  return Widen(texts::NotCopied(Narrow(installed)));
}

std::wstring ShippedCopyChanged(const std::wstring& checked, const std::wstring& installed) {
  return Widen(texts::Changed(Narrow(checked), Narrow(installed), true));
}

std::wstring NewNotRegistered(const std::wstring& shipped, const std::wstring& installed,
                              int exitCode) {
  return Widen(texts::NewNotRegistered(Narrow(shipped), Narrow(installed), ExitedWith(exitCode)));
}

std::wstring NotAPlainFile(const std::wstring& shippedPath) {
  return Widen(texts::ShippedRefused(Narrow(shippedPath), Holding::State::NotPlain));
}

std::wstring NotSigned(const std::wstring& shippedPath, const std::wstring& found,
                       const std::wstring& expected, const std::wstring& installed) {
  return Widen(texts::NotSigned(Narrow(shippedPath), {false, Narrow(found), Narrow(expected)},
                                Narrow(installed), !installed.empty()));
}

}  // namespace tarnwell::e2e

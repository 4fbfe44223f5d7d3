#include "tests/e2e/Expected.h"

namespace tarnwell::e2e {

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
  return Lines({L"The current Quandrel.dll Version: " + installed, L"is upto date the", shippedPath,
                L"Quandrel.dll Version: " + shipped,
                deleted ? L"has been deleted" : L"has NOT been deleted"});
}

std::wstring Installed(const std::wstring& version) {
  return Lines({L"Quandrel.dll ", L"Version: " + version, L"Installed and registered"});
}

std::wstring InstalledNotRegistered(const std::wstring& version, int exitCode) {
  return Lines({L"Quandrel.dll ", L"Version: " + version, L"Installed but NOT REGISTERED",
                L"RegSvr32 exit code " + std::to_wstring(exitCode)});
}

std::wstring NotInstalled() {
  return Lines({L"Quandrel.dll ", L"Version: ", L"NOT INSTALLED OR REGISTERED",
                L"SEE MANUAL INSTALLATION", L"in the Fennick Help file"});
}

std::wstring Missing(const std::wstring& shippedPath) {
  return Lines({L"No Quandrel.dll found at", shippedPath});
}

std::wstring Offer(const std::wstring& installed, const std::wstring& shipped) {
  return Lines({L"The current Quandrel.dll ", L"Version: " + installed, L"Needs to be updated to",
                L"Version: " + shipped, L"This programme requires the Corvex IDE to be closed down",
                L"Press 'OK' to Close the Corvex IDE and Update the Quandrel.dll",
                L"Press 'Cancel' to Abort the Update of the Quandrel.dll"});
}

std::wstring Waiting() { return Lines({L"Waiting for the Corvex IDE", L"To be closed"}); }

std::wstring InProgress() { return Lines({L"Update in progress", L"Please wait"}); }

std::wstring Updated(const std::wstring& from, const std::wstring& to) {
  return Lines(
      {L"Quandrel.dll Version: " + from, L"has being updated to", L"Quandrel.dll Version: " + to});
}

std::wstring UpdatedNotRegistered(const std::wstring& version, int exitCode) {
  return Lines({L"Quandrel.dll Version: " + version, L"has been installed but NOT REGISTERED",
                L"RegSvr32 exit code " + std::to_wstring(exitCode)});
}

std::wstring InUse() {
  return Lines({L"There was an Error while updating the Quandrel.dll",
                L"please make sure that 'No Application'", L"is referencing the Quandrel.dll"});
}

std::wstring NotCopiedIn(const std::wstring& installed) {
  return Lines({L"There was an Error while updating the Quandrel.dll",
                L"The new copy could not be copied into the system folder",
                L"Version: " + installed + L" is still installed"});
}

std::wstring ShippedCopyChanged(const std::wstring& checked, const std::wstring& installed) {
  return Lines({L"There was an Error while updating the Quandrel.dll",
                L"The Quandrel.dll beside this programme has changed",
                L"since Version: " + checked + L" was checked",
                L"Version: " + installed + L" is still installed"});
}

}  // namespace tarnwell::e2e

#include "win32/system/Win32Signatures.h"

// clang-format off
#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>
// clang-format on

#include <array>
#include <string>

#include "platform/KnownPaths.h"
#include "platform/WideText.h"

namespace tarnwell::win32 {
namespace {

constexpr LONG kNoSignature = static_cast<LONG>(0x800B0100);  // TRUST_E_NOSIGNATURE

// The verified state WinVerifyTrust keeps between its VERIFY and CLOSE calls; closed on leaving.
class TrustState {
 public:
  TrustState(HANDLE file, const std::wstring& path) {
    file_.cbStruct = sizeof file_;
    file_.pcwszFilePath = path.c_str();
    file_.hFile = file;
    data_.cbStruct = sizeof data_;
    data_.dwUIChoice = WTD_UI_NONE;
    data_.fdwRevocationChecks = WTD_REVOKE_NONE;
    data_.dwUnionChoice = WTD_CHOICE_FILE;
    data_.pFile = &file_;
    data_.dwStateAction = WTD_STATEACTION_VERIFY;
    // Nothing is fetched over the network, so the check takes no longer than reading the file
    // and the local certificate stores: no revocation lookup, no chain retrieval.
    data_.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    status_ = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }
  ~TrustState() {
    data_.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
  }
  TrustState(const TrustState&) = delete;
  TrustState& operator=(const TrustState&) = delete;

  LONG Status() const { return status_; }
  // The certificate that signed the file, from the verified state; null when there is none.
  PCCERT_CONTEXT Signer() const {
    CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(data_.hWVTStateData);
    if (!provider) return nullptr;
    CRYPT_PROVIDER_SGNR* signer = ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
    if (!signer || signer->csCertChain == 0 || !signer->pasCertChain) return nullptr;
    return signer->pasCertChain[0].pCert;
  }

 private:
  GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_FILE_INFO file_{};
  WINTRUST_DATA data_{};
  LONG status_ = 0;
};

std::string SubjectOf(PCCERT_CONTEXT cert) {
  CERT_NAME_BLOB* name = &cert->pCertInfo->Subject;
  const DWORD size = ::CertNameToStrW(X509_ASN_ENCODING, name, CERT_X500_NAME_STR, nullptr, 0);
  if (size <= 1) return {};
  std::wstring text(size, L'\0');
  ::CertNameToStrW(X509_ASN_ENCODING, name, CERT_X500_NAME_STR, text.data(), size);
  text.resize(size - 1);
  return platform::Narrow(text);
}

// SHA-256 of the DER SubjectPublicKeyInfo, in hexadecimal; "" when it cannot be computed.
std::string KeyHashOf(PCCERT_CONTEXT cert, Report& report) {
  std::array<BYTE, 32> hash{};
  DWORD size = hash.size();
  if (!::CryptHashPublicKeyInfo(0, CALG_SHA_256, 0, X509_ASN_ENCODING,
                                &cert->pCertInfo->SubjectPublicKeyInfo, hash.data(), &size) ||
      size != hash.size()) {
    report.Trace("CryptHashPublicKeyInfo", ::GetLastError());
    return {};
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const BYTE b : hash) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0xF];
  }
  return text;
}

Signature Check(HANDLE file, const std::wstring& path, Report& report) {
  const TrustState state(file, path);
  Signature found;
  if (state.Status() == kNoSignature) return found;
  found.state = Signature::State::Broken;
  found.status = static_cast<std::uint32_t>(state.Status());
  if (state.Status() != 0) return found;
  const PCCERT_CONTEXT signer = state.Signer();
  if (!signer) {
    report.Trace("WTHelperGetProvSignerFromChain", ::GetLastError());
    return found;
  }
  found.subject = SubjectOf(signer);
  found.keyHash = KeyHashOf(signer, report);
  // A signer that cannot be named or whose key cannot be told cannot be compared with another.
  if (!found.subject.empty() && !found.keyHash.empty()) found.state = Signature::State::Valid;
  return found;
}

// Whether the running image's headers point at a certificate table at all. Without one the
// verifier would answer TRUST_E_NOSIGNATURE; an unsigned build is spared loading it, and the
// certificate stores, on every start.
bool CarriesSignature() {
  const auto* base = reinterpret_cast<const BYTE*>(::GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  return nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY].Size != 0;
}

}  // namespace

Signature Win32Signatures::OfProgram() {
  if (!CarriesSignature()) return {};
  return Check(nullptr, platform::ExecutablePath(), report_);
}

Signature Win32Signatures::OfFile(NativeFile file, const std::string& path) {
  return Check(reinterpret_cast<HANDLE>(file), platform::Widen(path), report_);
}

}  // namespace tarnwell::win32

#pragma once
// Who signed a file: the program's own executable, or a library the program holds. The library
// the program installs is loaded and run by the registration tool with the program's rights, so
// a signed program installs only what its own publisher signed (app/PublisherCheck.h).

#include <cstdint>
#include <string>

#include "app/NativeHandles.h"

namespace tarnwell {

// A file's Authenticode signature as checked, and its signer.
struct Signature {
  enum class State {
    Unsigned,  // the file carries no signature at all
    Valid,     // the signature verifies and its signer could be read
    Broken,    // a signature is there but does not verify (bytes changed, a bad chain...)
  };
  State state = State::Unsigned;
  // With Broken: the verifier's HRESULT.
  std::uint32_t status = 0;
  // With Valid: the signer certificate's subject, as text, and the SHA-256 of its public key
  // (the DER SubjectPublicKeyInfo), in hexadecimal.
  std::string subject;
  std::string keyHash;
};

// Two valid signatures are of the same publisher when their signer certificates name the same
// subject AND carry the same public key: a certificate renewed on the same key is the same
// publisher; one on a new key, or anyone's certificate under the same name, is not.
bool SamePublisher(const Signature& a, const Signature& b);

class Signatures {
 public:
  virtual ~Signatures() = default;

  // The signature of the running program's own executable.
  virtual Signature OfProgram() = 0;
  // The signature of the held file `file`, read through that handle, whatever its path leads to
  // now; `path` names it in messages.
  virtual Signature OfFile(NativeFile file, const std::string& path) = 0;
};

}  // namespace tarnwell

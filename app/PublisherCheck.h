#pragma once
// The rule for the library the program installs: a signed program installs only what its own
// publisher signed. The program's own signature is the reference, read once; each copy offered
// for installation is then checked against it, by the handle it is held by.
//
//   program unsigned        every copy is accepted, as always (the log says once that nothing
//                           was checked)
//   program signed, valid   a copy is accepted only with a valid signature of the same
//                           publisher (SamePublisher: the same subject and public key)
//   program's own signature does not verify
//                           nothing is accepted: the reference itself cannot be trusted

#include <string>

#include "app/Report.h"
#include "app/Verdict.h"
#include "app/system/Signatures.h"

namespace tarnwell {

class PublisherCheck {
 public:
  PublisherCheck(Signatures& signatures, Report& report)
      : signatures_(signatures), report_(report) {}

  // Reads the program's own signature and writes down what it found; later calls do nothing.
  void Start();
  // Whether the copy held as `file` at `path` may be installed. `which` names the copy in the
  // log ("shipped", "staged"). Start() must have run.
  PublisherVerdict Accepts(NativeFile file, const std::string& path, const char* which);

 private:
  Signatures& signatures_;
  Report& report_;
  bool started_ = false;
  Signature program_;
};

// How a signer is named to the user: its subject, or what stands in for one.
std::string SignerText(const Signature& signature);

}  // namespace tarnwell

#include "app/PublisherCheck.h"

#include "app/Fill.h"

namespace tarnwell {
namespace {

// Written by hand: the C runtime's printf family would bring in its whole formatting engine.
std::string Hex(std::uint32_t value) {
  std::string text = "0x00000000";
  for (std::size_t i = text.size(); value != 0; value >>= 4)
    text[--i] = "0123456789ABCDEF"[value & 0xF];
  return text;
}

}  // namespace

bool SamePublisher(const Signature& a, const Signature& b) {
  return a.state == Signature::State::Valid && b.state == Signature::State::Valid &&
         !a.subject.empty() && !a.keyHash.empty() && a.subject == b.subject &&
         a.keyHash == b.keyHash;
}

std::string SignerText(const Signature& signature) {
  switch (signature.state) {
    case Signature::State::Unsigned:
      return "not signed";
    case Signature::State::Broken:
      return "a signature that does not verify (" + Hex(signature.status) + ")";
    case Signature::State::Valid:
      break;
  }
  return signature.subject;
}

void PublisherCheck::Start() {
  if (started_) return;
  started_ = true;
  program_ = signatures_.OfProgram();
  switch (program_.state) {
    case Signature::State::Unsigned:
      report_.Note("Signatures not checked: this program itself is not signed");
      return;
    case Signature::State::Broken:
      report_.Note(Fill("This program's own signature does not verify (%1): no copy is accepted",
                        {Hex(program_.status)}));
      return;
    case Signature::State::Valid:
      report_.Note(Fill("This program is signed by %1 (public key SHA-256 %2)",
                        {program_.subject, program_.keyHash}));
      return;
  }
}

PublisherVerdict PublisherCheck::Accepts(NativeFile file, const std::string& path,
                                         const char* which) {
  if (program_.state == Signature::State::Unsigned) return {};
  const Signature copy = signatures_.OfFile(file, path);
  PublisherVerdict verdict{SamePublisher(program_, copy), SignerText(copy), SignerText(program_)};
  // The same name on another key is another publisher; said so, or the two would read alike.
  if (!verdict.accepted && copy.state == Signature::State::Valid &&
      copy.subject == program_.subject) {
    verdict.found += " (with another key, SHA-256 " + copy.keyHash + ")";
  }
  if (program_.state == Signature::State::Broken) {
    verdict.expected = "unknown: this programme's own signature does not verify";
  }
  report_.Note(verdict.accepted ? Fill("The %1 copy %2 is signed by this program's publisher %3",
                                       {which, path, verdict.found})
                                : Fill("Refused the %1 copy %2: %3; this program's publisher is %4",
                                       {which, path, verdict.found, verdict.expected}));
  return verdict;
}

}  // namespace tarnwell

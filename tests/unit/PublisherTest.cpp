// A signed program installs only what its own publisher signed: the decision at start for every
// kind of program and copy, and the second check of the staged copy, right before the old copy
// is touched.
#include <algorithm>

#include "app/StatusTexts.h"
#include "tests/unit/Harness.h"

namespace tarnwell::testing {
namespace {

Signature Signed(const char* subject, const char* key) {
  return {Signature::State::Valid, 0, subject, key};
}
const Signature kPublisher = Signed("CN=Tarnwell Test Publisher", "aa11");
// The publisher's certificate renewed on the same key.
const Signature kRenewed = Signed("CN=Tarnwell Test Publisher", "aa11");
const Signature kOther = Signed("CN=Someone Else", "bb22");
// Another certificate under the publisher's own name, on another key.
const Signature kRekeyed = Signed("CN=Tarnwell Test Publisher", "cc33");
const Signature kUnsigned{};
// Signed, then a byte changed.
const Signature kBroken{Signature::State::Broken, 0x80096010u, "", ""};

struct Case {
  const char* name;
  Signature program;
  Signature copy;
  bool accepted;
  const char* found;  // the signer the refusal names
};

const Case kCases[] = {
    {"unsigned program, unsigned copy", kUnsigned, kUnsigned, true, ""},
    {"unsigned program, another publisher's copy", kUnsigned, kOther, true, ""},
    {"unsigned program, broken copy", kUnsigned, kBroken, true, ""},
    {"signed program, its publisher's copy", kPublisher, kPublisher, true, ""},
    {"signed program, copy signed on the renewed certificate", kPublisher, kRenewed, true, ""},
    {"signed program, unsigned copy", kPublisher, kUnsigned, false, "not signed"},
    {"signed program, another publisher's copy", kPublisher, kOther, false, "CN=Someone Else"},
    {"signed program, the same name on another key", kPublisher, kRekeyed, false,
     "CN=Tarnwell Test Publisher (with another key, SHA-256 cc33)"},
    {"signed program, broken copy", kPublisher, kBroken, false,
     "a signature that does not verify (0x80096010)"},
    {"program whose own signature is broken, its publisher's copy", kBroken, kPublisher, false,
     "CN=Tarnwell Test Publisher"},
};

class Publisher : public ControllerTest {
 protected:
  void Arrange(const Case& c, bool update) {
    sys.programSignature = c.program;
    if (update) sys.Install("1.0.0.0");
    sys.Ship("2.0.0.0");
    sys.files[kShipped].signature = c.copy;
  }
  bool Logged(const std::string& start) const {
    return std::any_of(sys.notes.begin(), sys.notes.end(),
                       [&](const std::string& line) { return line.rfind(start, 0) == 0; });
  }
  int Notes(const std::string& line) const {
    return static_cast<int>(std::count(sys.notes.begin(), sys.notes.end(), line));
  }
};

// Each case for an update (IDE closed) and for a fresh install.
TEST(PublisherDecision, ASignedProgramInstallsOnlyItsOwnPublishersCopy) {
  for (const Case& c : kCases) {
    for (const bool update : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (update ? ", update" : ", fresh install"));
      FakeSystem sys;
      sys.programSignature = c.program;
      if (update) sys.Install("1.0.0.0");
      sys.Ship("2.0.0.0");
      sys.files[kShipped].signature = c.copy;
      frmDllLoadTest frm(sys.All());
      FakeForm form(frm);
      frm.Form_Initialize();
      frm.Form_Load(form);

      const int exitCode = static_cast<int>(frm.Result());
      if (c.accepted) {
        EXPECT_EQ(exitCode, 0);
        EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
        EXPECT_EQ(sys.registered, "2.0.0.0");
        EXPECT_EQ(form.foreColor, kGreen);
        continue;
      }
      EXPECT_EQ(exitCode, 2);
      EXPECT_EQ(form.foreColor, kRed);
      PublisherVerdict verdict{false, c.found,
                               c.program.state == Signature::State::Valid
                                   ? c.program.subject
                                   : "unknown: this programme's own signature does not verify"};
      EXPECT_EQ(form.caption, texts::NotSigned(kShipped, verdict, update ? "1.0.0.0" : "", update));
      // Nothing touched: no copy made, nothing registered, unregistered, deleted or removed.
      for (const char* step : {"copy", "mark", "register", "unregister", "delete", "remove"}) {
        EXPECT_EQ(sys.Count(step), 0) << step;
      }
      // No update is offered: OK alone, and it only closes the window.
      EXPECT_FALSE(frm.UpdateNeeded);
      EXPECT_TRUE(form.Visible(Control::cmdOK));
      EXPECT_FALSE(form.Visible(Control::cmdCancel));
      form.Press(Control::cmdOK);
      EXPECT_FALSE(form.Exists());
      EXPECT_EQ(static_cast<int>(frm.Result()), 2);
      EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0");
      EXPECT_EQ(sys.VersionAt(kInstalled), update ? "1.0.0.0" : "(none)");
      EXPECT_EQ(sys.registered, update ? "1.0.0.0" : "");
      const bool named = std::any_of(sys.notes.begin(), sys.notes.end(), [&](const auto& line) {
        return line.rfind("Refused the shipped copy " + kShipped + ": " + c.found, 0) == 0 &&
               line.find("; this program's publisher is " + verdict.expected) != std::string::npos;
      });
      EXPECT_TRUE(named) << "no log line names both signers";
    }
  }
}

TEST_F(Publisher, UnsignedProgramSaysOnceThatNothingWasCheckedAndAsksForNoSignature) {
  sys.Install("1.0.0.0");
  sys.Ship("2.0.0.0");
  Start();
  EXPECT_EQ(Notes("Signatures not checked: this program itself is not signed"), 1);
  EXPECT_EQ(sys.Count("signature of"), 0);
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(Publisher, SignedProgramChecksTheShippedCopyAndAgainTheStagedCopyBeforeTheJournal) {
  Arrange(kCases[3], true);
  Start();
  EXPECT_TRUE(
      Logged("This program is signed by CN=Tarnwell Test Publisher (public key SHA-256 "
             "aa11)"));
  EXPECT_TRUE(Logged("The shipped copy " + kShipped + " is signed by this program's publisher"));
  EXPECT_TRUE(Logged("The staged copy " + kStaged + " is signed by this program's publisher"));
  const auto at = [&](const std::string& entry) {
    return std::find(sys.log.begin(), sys.log.end(), entry) - sys.log.begin();
  };
  EXPECT_LT(at("copy " + kShipped + " -> " + kStaged), at("signature of " + kStaged));
  EXPECT_LT(at("signature of " + kStaged), at("mark " + kJournal));
  EXPECT_EQ(ExitCode(), 0);
}

// Accepted at start, then (while the IDE is awaited) the copy becomes another publisher's of the
// same version and size: the staged copy is refused before the journal, and the old copy stays
// installed and registered, never unregistered.
TEST_F(Publisher, CopySwappedForAnotherPublishersDuringTheWaitIsRefusedAtTheSecondCheck) {
  Arrange(kCases[3], true);
  sys.InstallIde();
  sys.ideWindows = 1;
  sys.ideProcessLingers = 3;  // its process outlives its window: the program waits, and yields
  sys.onYield = [&](int) {
    if (sys.Has(kShipped)) sys.files[kShipped].signature = kOther;
  };
  Start();
  ASSERT_TRUE(frm.UpdateNeeded);
  form.Press(Control::cmdOK);

  EXPECT_EQ(ExitCode(), 2);
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption,
            texts::NotSigned(kShipped, {false, "CN=Someone Else", "CN=Tarnwell Test Publisher"},
                             "1.0.0.0", true));
  EXPECT_TRUE(Logged("Refused the staged copy " + kStaged + ": CN=Someone Else"));
  EXPECT_TRUE(sys.Logged("remove " + kStaged));
  for (const char* step : {"mark", "unregister", "delete", "register"}) {
    EXPECT_EQ(sys.Count(step), 0) << step;
  }
  EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.0");
  EXPECT_EQ(sys.registered, "1.0.0.0");
  EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0");
  EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
}

}  // namespace
}  // namespace tarnwell::testing

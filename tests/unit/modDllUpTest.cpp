#include "app/modDllUp.h"

#include <gtest/gtest.h>

namespace tarnwell::modDllUp {
namespace {

TEST(Paths, BackslashIsAppendedOnlyWhenMissing) {
  EXPECT_EQ(WithTrailingBackslash("C:\\Tools"), "C:\\Tools\\");
  EXPECT_EQ(WithTrailingBackslash("D:\\"), "D:\\");
  EXPECT_EQ(WithTrailingBackslash(""), "\\");
}

TEST(VersionSplit, SplitsAtEveryDot) {
  EXPECT_EQ(SplitVersion("1.2.3.4"), (std::vector<std::string>{"1", "2", "3", "4"}));
  EXPECT_TRUE(SplitVersion("").empty());
  EXPECT_EQ(SplitVersion("..."), (std::vector<std::string>{"", "", "", ""}));
  EXPECT_EQ(SplitVersion("1.2"), (std::vector<std::string>{"1", "2"}));
}

TEST(VersionParts, AcceptOnlyDecimalsUpTo65535) {
  EXPECT_EQ(ParseVersionPart("0"), 0);
  EXPECT_EQ(ParseVersionPart("300"), 300);
  EXPECT_EQ(ParseVersionPart("65535"), 65535);
  EXPECT_FALSE(ParseVersionPart("65536"));
  EXPECT_FALSE(ParseVersionPart(""));
  EXPECT_FALSE(ParseVersionPart("-1"));
  EXPECT_FALSE(ParseVersionPart("1a"));
  EXPECT_FALSE(ParseVersionPart(" 1"));
}

struct Comparison {
  const char* installed;
  const char* shipped;
  bool older;
};

class VersionComparison : public ::testing::TestWithParam<Comparison> {};

TEST_P(VersionComparison, FirstDifferingPartDecidesAsANumber) {
  SharedState s;
  s.SystemDllVersion = GetParam().installed;
  s.NewDllVersion = GetParam().shipped;
  EXPECT_EQ(InstalledCopyIsOlder(s), GetParam().older)
      << "installed " << GetParam().installed << ", shipped " << GetParam().shipped;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionComparison,
    ::testing::Values(Comparison{"1.2.3.4", "1.2.3.4", false},   // equal
                      Comparison{"1.2.3.5", "1.2.3.4", false},   // installed newer
                      Comparison{"1.2.9.0", "1.2.10.0", true},   // 10 > 9, not as text
                      Comparison{"2.0.0.0", "1.9.9.9", false},   // decided at the first part
                      Comparison{"1.0.0.0", "2.0.0.300", true},  // ditto
                      Comparison{"1.0.0.0", "1.0.0.300", true},  // parts above 255
                      Comparison{"1.0.0.256", "1.0.0.255", false},
                      Comparison{"0.0.0.0", "65535.65535.65535.65535", true},
                      Comparison{"", "1.2.3.4", false},       // unreadable installed copy
                      Comparison{"1.2.3.4", "", false},       // unreadable shipped copy
                      Comparison{"1.2.3", "1.2.3.4", false},  // not four parts
                      Comparison{"1.x.3.4", "1.2.3.4", false}));

TEST(VersionComparisonState, PartsAfterTheDecidingOneAreNeverConverted) {
  SharedState s;
  s.SystemDllVersion = "1.0.0.0";
  s.NewDllVersion = "2.0.0.300";
  ASSERT_TRUE(InstalledCopyIsOlder(s));
  EXPECT_EQ(s.NewVersionBytes[0], 2);
  EXPECT_EQ(s.SystemVersionBytes[0], 1);
  EXPECT_EQ(s.NewVersionBytes[3], 0);
  EXPECT_EQ(s.NewVersionParts.size(), 4u);
}

TEST(RegistrationCommand, FullPathQuotedWithSwitchesAndQuotedLibrary) {
  EXPECT_EQ(
      RegSvr32CommandLine("C:\\Windows\\system32", "/s", "C:\\Windows\\SysWOW64\\Quandrel.dll"),
      "\"C:\\Windows\\system32\\regsvr32.exe\" /s \"C:\\Windows\\SysWOW64\\Quandrel.dll\"");
  EXPECT_EQ(RegSvr32CommandLine("C:\\Windows\\system32\\", "/u /s", "C:\\A B\\Quandrel.dll"),
            "\"C:\\Windows\\system32\\regsvr32.exe\" /u /s \"C:\\A B\\Quandrel.dll\"");
}

TEST(Messages, LinesAreJoinedByCrLfWithNoneAfterTheLast) {
  EXPECT_EQ(JoinLines({"a", "b"}), "a\r\nb");
  EXPECT_EQ(JoinLines({"", "b", ""}), "\r\nb\r\n");
  EXPECT_EQ(MessageWaitingForIde(), "Waiting for the Corvex IDE\r\nTo be closed");
  EXPECT_EQ(MessageUpdateInProgress(), "Update in progress\r\nPlease wait");
}

TEST(Messages, ReadAloudTheLinesFollowOneAnotherAfterSingleBlanks) {
  SharedState s;
  s.SystemDllVersion = "1.2.3.4";
  s.NewDllVersion = "1.2.3.5";
  EXPECT_EQ(OneLineToRead(std::string_view(MessageConfirmUpdate(s))),
            "The current Quandrel.dll Version: 1.2.3.4 Needs to be updated to Version: 1.2.3.5 "
            "This programme requires the Corvex IDE to be closed down "
            "Press 'OK' to Close the Corvex IDE and Update the Quandrel.dll "
            "Press 'Cancel' to Abort the Update of the Quandrel.dll");
  // Padding and empty lines go; blanks and ampersands inside a line are the text's own.
  EXPECT_EQ(OneLineToRead(std::wstring_view(L"  Centred  \r\n\r\nC:\\R&D  Tools\\Quandrel.dll")),
            L"Centred C:\\R&D  Tools\\Quandrel.dll");
  EXPECT_EQ(OneLineToRead(std::string_view("")), "");
  EXPECT_EQ(OneLineToRead(std::string_view(" \r\n ")), "");
}

TEST(Messages, RegistrationFailuresNameWhatHappened) {
  SharedState s;
  s.SystemDllVersion = "1.2.3.4";
  EXPECT_EQ(
      MessageNotRegistered(s, {RegistrationResult::Kind::Finished, 5}),
      "Quandrel.dll \r\nVersion: 1.2.3.4\r\nInstalled but NOT REGISTERED\r\nRegSvr32 exit code 5");
  EXPECT_EQ(RegistrationLine({RegistrationResult::Kind::NotStarted}),
            "RegSvr32 could not be started");
  EXPECT_EQ(RegistrationLine({RegistrationResult::Kind::TimedOut}), "RegSvr32 did not finish");
  EXPECT_EQ(RegistrationLine({RegistrationResult::Kind::Finished, 4294967295u}),
            "RegSvr32 exit code 4294967295");
}

}  // namespace
}  // namespace tarnwell::modDllUp

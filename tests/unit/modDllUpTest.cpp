#include "app/modDllUp.h"

#include "app/Lines.h"
#include "app/Registration.h"
#include "app/StatusTexts.h"

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

}  // namespace
}  // namespace tarnwell::modDllUp

namespace tarnwell {
namespace {

TEST(RegistrationCommand, FullPathQuotedWithSwitchesAndQuotedLibrary) {
  EXPECT_EQ(
      RegSvr32CommandLine("C:\\Windows\\system32", "/s", "C:\\Windows\\SysWOW64\\Quandrel.dll"),
      "\"C:\\Windows\\system32\\regsvr32.exe\" /s \"C:\\Windows\\SysWOW64\\Quandrel.dll\"");
  EXPECT_EQ(RegSvr32CommandLine("C:\\Windows\\system32\\", "/u /s", "C:\\A B\\Quandrel.dll"),
            "\"C:\\Windows\\system32\\regsvr32.exe\" /u /s \"C:\\A B\\Quandrel.dll\"");
}

TEST(Messages, LinesAreJoinedByCrLfWithNoneAfterTheLast) {
  EXPECT_EQ(texts::JoinLines({"a", "b"}), "a\r\nb");
  EXPECT_EQ(texts::JoinLines({"", "b", ""}), "\r\nb\r\n");
  EXPECT_EQ(SplitLines<char>(texts::WaitingForIde()).size(), 2u);
  EXPECT_EQ(SplitLines<char>(texts::UpdateInProgress()).size(), 2u);
  EXPECT_FALSE(texts::ConfirmUpdate("1.2.3.4", "1.2.3.5").ends_with(texts::kNewLine));
}

TEST(Messages, TheLogKeepsAStatusOnOneLineWithItsLinesApart) {
  EXPECT_EQ(OnOneLine("a\r\nb \r\n\r\nc"), "a | b  |  | c");
  EXPECT_EQ(OnOneLine("one"), "one");
}

TEST(Messages, ReadAloudTheLinesFollowOneAnotherAfterSingleBlanks) {
  // A line's trailing blank, as the offer's first line has, is padding to the ear.
  EXPECT_EQ(OneLineToRead(std::string_view("The current one \r\nVersion: 1.2.3.4\r\nThe end")),
            "The current one Version: 1.2.3.4 The end");
  const std::string offer =
      OneLineToRead(std::string_view(texts::ConfirmUpdate("1.2.3.4", "1.2.3.5")));
  EXPECT_EQ(offer.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(offer.find("  "), std::string::npos);
  EXPECT_NE(offer.find("1.2.3.4 "), std::string::npos);
  // Padding and empty lines go; blanks and ampersands inside a line are the text's own.
  EXPECT_EQ(OneLineToRead(std::wstring_view(L"  Centred  \r\n\r\nC:\\R&D  Tools\\Quandrel.dll")),
            L"Centred C:\\R&D  Tools\\Quandrel.dll");
  EXPECT_EQ(OneLineToRead(std::string_view("")), "");
  EXPECT_EQ(OneLineToRead(std::string_view(" \r\n ")), "");
}

TEST(Messages, RegistrationFailuresNameWhatHappened) {
  using Kind = RegistrationResult::Kind;
  const std::string failed = texts::NotRegistered("1.2.3.4", {Kind::Finished, 5});
  const auto lines = SplitLines<char>(failed);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "Version: 1.2.3.4");
  EXPECT_EQ(lines[3], texts::RegistrationLine({Kind::Finished, 5}));
  EXPECT_TRUE(texts::RegistrationLine({Kind::Finished, 5}).ends_with(" 5"));
  EXPECT_TRUE(texts::RegistrationLine({Kind::Finished, 4294967295u}).ends_with(" 4294967295"));
  EXPECT_NE(texts::RegistrationLine({Kind::NotStarted}), texts::RegistrationLine({Kind::TimedOut}));
  EXPECT_NE(texts::RegistrationLine({Kind::NotStarted}),
            texts::RegistrationLine({Kind::Finished, 0}));
}

}  // namespace
}  // namespace tarnwell

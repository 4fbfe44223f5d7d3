// The switches of an unattended run as the platform splits them into arguments.
#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace tarnwell {
namespace {

CommandLine Parse(std::vector<std::string> arguments) { return ParseCommandLine(arguments); }

TEST(CommandLine, NoArgumentsMeansTheInteractiveRunOfOld) {
  const CommandLine line = Parse({});
  EXPECT_TRUE(line.Understood());
  EXPECT_FALSE(line.quiet || line.closeIde || line.help || line.logFile);
}

TEST(CommandLine, SwitchesAreCaseInsensitiveWithSlashOrDash) {
  const CommandLine line = Parse({"/QUIET", "-CloseIDE", "-Log", "C:\\logs\\run 1.log"});
  EXPECT_TRUE(line.Understood());
  EXPECT_TRUE(line.quiet);
  EXPECT_TRUE(line.closeIde);
  EXPECT_FALSE(line.help);
  EXPECT_EQ(line.logFile, "C:\\logs\\run 1.log");
  EXPECT_TRUE(Parse({"/?"}).help);
  EXPECT_TRUE(Parse({"-HELP"}).help);
}

TEST(CommandLine, TheFirstArgumentNotUnderstoodIsNamedAndQuietStillHolds) {
  struct Case {
    std::vector<std::string> arguments;
    std::string named;
  };
  const Case cases[] = {
      {{"/quiet", "/silent"}, "/silent"},
      {{"update", "/quiet"}, "update"},
      {{"/quiet", "/log"}, "/log"},
      {{"/log", "/quiet"}, "/log"},
      {{"/log", "", "/quiet"}, "/log"},
      {{"/log", "a.log", "/log", "b.log", "/quiet"}, "/log"},
      {{"/", "/quiet"}, "/"},
      {{"", "/quiet"}, "\"\""},
      {{"/quiet:yes", "/quiet"}, "/quiet:yes"},
  };
  for (const Case& c : cases) {
    const CommandLine line = Parse(c.arguments);
    EXPECT_EQ(line.notUnderstood, c.named) << c.arguments.front();
    EXPECT_TRUE(line.quiet) << c.arguments.front();
  }
}

TEST(CommandLine, UsageNamesEverySwitchAndAllSixExitCodes) {
  const std::string usage = UsageText();
  for (const char* part :
       {"/quiet", "/closeide", "/log <file>", "/?", "0  ", "1  ", "2  ", "3  ", "4  ", "5  "}) {
    EXPECT_NE(usage.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(NotUnderstoodText("/x").rfind("Not understood: /x\r\n\r\n", 0), 0u);
  EXPECT_EQ(QuotedArguments(std::vector<std::string>{"/log", "C:\\a b.log", ""}),
            "/log \"C:\\a b.log\" \"\"");
}

}  // namespace
}  // namespace tarnwell

namespace tarnwell {
namespace {

TEST(CommandLine, APlainStartIsToldFromTheWholeLineAsThePlatformSplitsTheName) {
  EXPECT_TRUE(OnlyTheProgram<char>("TarnwellUpdate.exe"));
  EXPECT_TRUE(OnlyTheProgram<char>("\"C:\\Program Files\\Tarnwell\\TarnwellUpdate.exe\"  \t"));
  EXPECT_TRUE(OnlyTheProgram<char>("\"C:\\unclosed quote /quiet"));
  EXPECT_TRUE(OnlyTheProgram<char>(""));
  EXPECT_FALSE(OnlyTheProgram<char>("TarnwellUpdate.exe /quiet"));
  EXPECT_FALSE(OnlyTheProgram<char>("\"C:\\A B\\TarnwellUpdate.exe\" /log x"));
  // Without quotes the name ends at the first blank, so the rest is an argument.
  EXPECT_FALSE(OnlyTheProgram<char>("C:\\A B\\TarnwellUpdate.exe"));
  EXPECT_FALSE(OnlyTheProgram<char>("\"C:\\A\"B.exe"));
}

}  // namespace
}  // namespace tarnwell

namespace tarnwell {
namespace {

TEST(CommandLine, QuietIsFoundInTheWholeLineWhateverTheSplittingMadeOfIt) {
  // The platform splits the first into /log and C:\logs" /quiet: the backslash keeps the mark.
  for (const char* line : {
           "TarnwellUpdate.exe /log \"C:\\logs\\\" /quiet",
           "\"C:\\Program Files\\Tarnwell\\TarnwellUpdate.exe\" -QUIET",
           "TarnwellUpdate.exe /closeide\t/Quiet\t",
           "TarnwellUpdate.exe \"/quiet\"",
           "TarnwellUpdate.exe /qu\"iet\"",
           "TarnwellUpdate.exe /log \"C:\\a b\\\" \"/quiet",
           "\"C:\\T\\TarnwellUpdate.exe\"/quiet",
       }) {
    EXPECT_TRUE(NamesQuiet<char>(line)) << line;
    EXPECT_TRUE(NamesQuiet<wchar_t>(std::wstring(line, line + std::string_view(line).size())))
        << line;
  }
  for (const char* line : {
           "TarnwellUpdate.exe",
           "",
           "TarnwellUpdate.exe /quieter",
           "TarnwellUpdate.exe /quie",
           "TarnwellUpdate.exe quiet",
           "TarnwellUpdate.exe //quiet",
           "TarnwellUpdate.exe /quiet:yes",
           "TarnwellUpdate.exe /log C:\\quiet",
           "TarnwellUpdate.exe /log C:\\x/quiet",
           "TarnwellUpdate.exe \\\"/quiet",
           // In the program's own name, which is no switch.
           "\"C:\\Tools /quiet\\TarnwellUpdate.exe\" /closeide",
           "/quiet",
       }) {
    EXPECT_FALSE(NamesQuiet<char>(line)) << line;
  }
}

TEST(CommandLine, ALogFileNameWithAQuotationMarkIsNotUnderstoodAndTheRunStaysQuiet) {
  // As the platform splits TarnwellUpdate.exe /log "C:\logs\" /quiet.
  const std::vector<std::string> split = {"/log", "C:\\logs\" /quiet"};
  const CommandLine line = ParseCommandLine(split, true);
  EXPECT_FALSE(line.Understood());
  EXPECT_EQ(line.notUnderstood, "C:\\logs\" /quiet");
  EXPECT_FALSE(line.logFile.has_value());
  EXPECT_TRUE(line.quiet);
  // Without /quiet in the line it is still not understood, and says so in a box.
  const CommandLine shown = ParseCommandLine(std::vector<std::string>{"/log", "a\"b.log"});
  EXPECT_EQ(shown.notUnderstood, "a\"b.log");
  EXPECT_FALSE(shown.quiet);
  // Named in the line, quiet holds beside anything, even a switch not understood.
  EXPECT_TRUE(ParseCommandLine(std::vector<std::string>{"/bogus"}, true).quiet);
  EXPECT_TRUE(ParseCommandLine(std::vector<std::string>{}, true).quiet);
  EXPECT_FALSE(ParseCommandLine(std::vector<std::string>{"/closeide"}, false).quiet);
}

}  // namespace
}  // namespace tarnwell

// Paths between the program's UTF-8 and the system's UTF-16: a name with a surrogate unit that
// has no other half reaches the system as itself, and never as the name with U+FFFD in its
// place, which is another file.
#include "platform/WideText.h"

#include <gtest/gtest.h>

#include <string>

#include "services/modFiles.h"
#include "services/modGlobal.h"
#include "tests/win32/services/ServiceTestSupport.h"

namespace tarnwell {
namespace {

using platform::Narrow;
using platform::Widen;

TEST(WideText, EveryPathComesBackAsItWasThroughTheProgramsUtf8) {
  const std::wstring paths[] = {
      L"C:\\Program Files (x86)\\Tarnwell\\TarnwellUpdate.exe",
      L"C:\\Pr\u00fcfung-\u65e5\u672c\\\U0001F600.log",
      L"C:\\lone-\xD800\\high.log",
      L"C:\\logs\\lone-\xDFFF.log",
      L"C:\\logs\\\xDC00\xD800 reversed.log",
      L"C:\\logs\\\xD83D\xD83D\xDE00 half before a pair.log",
      L"C:\\logs\\end\xDBFF",
  };
  for (const std::wstring& path : paths) EXPECT_EQ(Widen(Narrow(path)), path);
  EXPECT_NE(Narrow(L"C:\\x\xD800.log"), Narrow(L"C:\\x\uFFFD.log"));
  // Plain UTF-8 where the text is valid, as the log and the boxes show it.
  EXPECT_EQ(Narrow(L"Z\u00fcrich \u20ac \U0001F600"),
            "Z\xC3\xBCrich \xE2\x82\xAC \xF0\x9F\x98\x80");
  EXPECT_EQ(Widen("Z\xC3\xBCrich \xE2\x82\xAC \xF0\x9F\x98\x80"), L"Z\u00fcrich \u20ac \U0001F600");
}

// Beside a file named with U+FFFD, the services given the same name with a lone surrogate instead
// act on that name, not on the file beside it. (Wine keeps no file whose name holds a lone
// surrogate, so here that name is never there; on Windows it can be, and would be reached.)
TEST(WideText, AServiceGivenALoneSurrogateReachesThatNameNotTheOneWithTheReplacement) {
  testing::ScratchFolder scratch;
  const std::wstring replaced = scratch.Path(L"Quandrel-\uFFFD.dll");
  const std::wstring lone = scratch.Path(L"Quandrel-\xD800.dll");
  testing::WriteTextFile(replaced, "the other file");
  testing::ShownReport report(false);

  EXPECT_TRUE(modGlobal::FileExists(Narrow(replaced)));
  EXPECT_FALSE(modGlobal::FileExists(Narrow(lone)));
  EXPECT_FALSE(modFiles::FileSize(Narrow(lone)).has_value());
  // Written by that name (where the system keeps such a name), the file beside it is untouched.
  modFiles::CreateMarker(report, Narrow(lone));
  EXPECT_EQ(testing::ReadTextFile(replaced), std::optional<std::string>("the other file"));
  EXPECT_EQ(modGlobal::FileExists(Narrow(lone)), testing::PathPresent(lone));
  // Removed by that name, the file beside it stays.
  EXPECT_TRUE(modFiles::RemoveFile(report, Narrow(lone)));
  EXPECT_FALSE(testing::PathPresent(lone));
  EXPECT_EQ(scratch.Files(), std::vector<std::wstring>{L"Quandrel-\uFFFD.dll"});
}

}  // namespace
}  // namespace tarnwell

#include "platform/Arguments.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/Trace.h"
#include "platform/UniqueHandle.h"
#include "platform/WideText.h"

namespace tarnwell::platform {

std::vector<std::string> CommandLineArguments() {
  int count = 0;
  const LocalMemory<wchar_t**> split(::CommandLineToArgvW(::GetCommandLineW(), &count));
  if (!split) {
    TraceFailure(L"CommandLineToArgvW", ::GetLastError());
    return {};
  }
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Narrow(split.get()[i]));
  return arguments;
}

}  // namespace tarnwell::platform

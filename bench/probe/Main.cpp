// Measures TarnwellUpdate from outside, under Wine: starts it, watches its window, clicks, and
// times what it sees with the performance counter. One mode per measurement; each writes a
// Markdown section for bench/RESULTS.md (bench/run puts it in place).
//
//   probe startup  --program P --minimal M [--minimal-title T] --fixtures F --runs N --out FILE
//   probe wait     --program P --fixtures F --runs N [--hold-ms 5000] [--idle-ms 2000]
//                  [--wineserver-pid PID --clk-tck 100] [--out-cpu FILE] [--out-cancel FILE]
//   probe reaction --program P --fixtures F --runs N [--close-delay-ms 500] --out FILE
//   probe peer     --program P --fixtures F --runs N [--peer INSTALLER] --out FILE
//   probe signature --program P --signed-program S --signed-copy D --fixtures F --runs N
//                  --out FILE
//
// Paths are Windows paths (Z:\... for the build tree). The scenario lives in C:\TarnwellBench,
// the system folder and Program Files\CorvexIDE of the current prefix.

#include <cstdio>
#include <string>

#include "bench/probe/Probe.h"

using namespace tarnwell::bench;

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fputs("usage: probe startup|wait|reaction|peer|signature --key value ...\n", stderr);
    return 2;
  }
  const std::wstring mode = argv[1];
  const Options options(argc, argv, 2);

  // The program (and the baseline) run from the scenario's own folder on drive C:.
  const Places places = FindPlaces(options.Text(L"fixtures"));
  ::CreateDirectoryW(places.bench.c_str(), nullptr);
  const std::wstring program = options.Text(L"program");
  if (program.empty() || !::CopyFileW(program.c_str(), places.Program().c_str(), FALSE)) {
    std::fwprintf(stderr, L"probe: cannot copy the program '%ls'\n", program.c_str());
    return 1;
  }
  const std::wstring minimal = options.Text(L"minimal");
  if (!minimal.empty() &&
      !::CopyFileW(minimal.c_str(), (places.bench + L"\\MinimalWindow.exe").c_str(), FALSE)) {
    std::fwprintf(stderr, L"probe: cannot copy the baseline '%ls'\n", minimal.c_str());
    return 1;
  }
  // The fixture library logs every registration call here, inherited by regsvr32.
  ::SetEnvironmentVariableW(L"QUANDREL_LOG", places.RegistrationLog().c_str());

  if (mode == L"startup") return MeasureStartup(options);
  if (mode == L"wait") return MeasureWait(options);
  if (mode == L"reaction") return MeasureReaction(options);
  if (mode == L"peer") return MeasurePeer(options);
  if (mode == L"signature") return MeasureSignature(options);
  std::fwprintf(stderr, L"probe: unknown mode %ls\n", mode.c_str());
  return 2;
}

// The same job done by a silent installer built from a common installer system: upgrading the
// older installed copy to the newer one. The installer from start to its process exit; the
// program ("update now": older copy installed, newer beside it, no IDE) from start to its
// result text. Every run is checked: both must have unregistered the old copy, then registered the
// new one, which is installed afterwards.

#include <cstdio>

#include "bench/probe/Probe.h"

namespace tarnwell::bench {
namespace {

struct Run {
  double ms = 0;
  std::size_t registrations = 0;  // lines in the library's registration log
  double lastRegistration = -1;   // from the start to the library logging its last call
};

// The job both sides must have done: the old copy unregistered, then the new one registered, as
// the library logs the calls ("<verb> <path> <version>").
bool DidTheJob(const Places& places) {
  const std::vector<std::wstring> calls = ReadLines(places.RegistrationLog());
  return calls.size() == 2 && calls[0].starts_with(L"unregister ") &&
         calls[0].ends_with(L" 1.2.3.4") && calls[1].starts_with(L"register ") &&
         calls[1].ends_with(L" 1.2.3.5") && FileVersion(places.Installed()) == L"1.2.3.5";
}

std::optional<Run> ProgramOnce(const Places& places) {
  EndProcessesOf(kHostTitle);
  std::wstring why;
  if (!Prepare(places, Layout(L"1.2.3.4", L"1.2.3.5"), why)) {
    std::fwprintf(stderr, L"probe: %ls\n", why.c_str());
    return std::nullopt;
  }
  auto p = Launch(places.Program(), L"", places.bench);
  if (!p) return std::nullopt;
  std::optional<Run> result;
  LogWatch log(places.RegistrationLog());
  // The window shows only once the update is done; the text then tells how it went.
  if (const auto seen = WaitForWindow(kTitle, *p, kLimitMs, [&] { log.Poll(); })) {
    const auto done = WaitForLabel(seen->window, *p, [&](const std::wstring& t) {
      log.Poll();
      return t == Shown(texts::Updated("1.2.3.4", "1.2.3.5"));
    });
    if (done && DidTheJob(places)) {
      const std::size_t calls = ReadLines(places.RegistrationLog()).size();
      const double last = calls ? log.LineAt(calls - 1) : -1;
      result = Run{*done - p->startMs, calls, last >= 0 ? last - p->startMs : -1};
    } else {
      std::fwprintf(stderr, L"probe: program run failed; text: %ls\n",
                    LabelText(seen->window).c_str());
    }
    Click(seen->window, kOkId);
  }
  WaitForExit(*p, 10000);
  return result;
}

std::optional<Run> PeerOnce(const Places& places, const std::wstring& installer, DWORD& exitCode) {
  std::wstring why;
  if (!Prepare(places, Layout(L"1.2.3.4"), why)) {
    std::fwprintf(stderr, L"probe: %ls\n", why.c_str());
    return std::nullopt;
  }
  auto p = Launch(installer, L"/S", places.bench);
  if (!p) return std::nullopt;
  LogWatch log(places.RegistrationLog());
  while (::WaitForSingleObject(p->process.get(), 1) == WAIT_TIMEOUT &&
         NowMs() - p->startMs < kLimitMs)
    log.Poll();
  const double ms = NowMs() - p->startMs;
  const auto code = WaitForExit(*p, 0);
  exitCode = code ? *code : 999;
  if (!code || *code != 0 || !DidTheJob(places)) {
    std::fwprintf(stderr, L"probe: installer run failed: exit %lu, installed version '%ls'\n",
                  exitCode, FileVersion(places.Installed()).c_str());
    return std::nullopt;
  }
  const std::size_t calls = ReadLines(places.RegistrationLog()).size();
  const double last = calls ? log.LineAt(calls - 1) : -1;
  return Run{ms, calls, last >= 0 ? last - p->startMs : -1};
}

std::string Kb(long long bytes) { return Fixed(static_cast<double>(bytes) / 1024.0) + " KiB"; }

}  // namespace

int MeasurePeer(const Options& options) {
  const Places places = FindPlaces(options.Text(L"fixtures"));
  const int runs = options.Number(L"runs", 11);
  const std::wstring installerSource = options.Text(L"peer");
  const std::wstring installer = places.bench + L"\\PeerSetup.exe";
  ::CreateDirectoryW(places.bench.c_str(), nullptr);
  const bool havePeer =
      !installerSource.empty() && ::CopyFileW(installerSource.c_str(), installer.c_str(), FALSE);

  DWORD peerExit = 0;
  ProgramOnce(places);  // warm-up, not counted
  if (havePeer) PeerOnce(places, installer, peerExit);

  std::vector<double> program, peer, programRegistered, peerRegistered;
  std::size_t programRegistrations = 0, peerRegistrations = 0;
  int programFailures = 0, peerFailures = 0;
  for (int i = 0; i < runs; ++i) {
    const bool programFirst = i % 2 == 0;
    for (int k = 0; k < 2; ++k) {
      if ((k == 0) == programFirst) {
        if (const auto r = ProgramOnce(places)) {
          program.push_back(r->ms);
          if (r->lastRegistration >= 0) programRegistered.push_back(r->lastRegistration);
          programRegistrations = r->registrations;
        } else {
          ++programFailures;
        }
      } else if (havePeer) {
        if (const auto r = PeerOnce(places, installer, peerExit)) {
          peer.push_back(r->ms);
          if (r->lastRegistration >= 0) peerRegistered.push_back(r->lastRegistration);
          peerRegistrations = r->registrations;
        } else {
          ++peerFailures;
        }
      }
      ::Sleep(100);
    }
  }
  // Leave the older copy installed, as the other measurements expect to find it.
  std::wstring why;
  Prepare(places, Layout(L"1.2.3.4"), why);

  const Stats sp = Summarise(program), sq = Summarise(peer);
  Report r;
  r.Line(
      "Upgrading the installed Quandrel.dll 1.2.3.4 to 1.2.3.5, the same job on both sides: "
      "unregister the old copy, put the new one in place, register it. TarnwellUpdate.exe "
      "(\"update now\": no IDE, the newer copy beside it): from just before `CreateProcessW` to "
      "its green result text. The peer: a silent installer (64-bit "
      "stub, `regsvr32 /s /u` of the installed copy as the library macros run it, then `InstallLib "
      "REGDLL NOTSHARED REBOOT_NOTPROTECTED` of the same library into the same folder), run with "
      "`/S`, from just before `CreateProcessW` to its process exit. Every counted run was "
      "checked: the library logged the unregistration of 1.2.3.4 and then the registration of "
      "1.2.3.5, and the installed copy is 1.2.3.5 afterwards. Interleaved; one uncounted warm-up "
      "run each. \"registered\": from the start to the library logging its (last) registration "
      "call, from inside regsvr32. In ms.");
  r.Line();
  r.RunsTable({"TarnwellUpdate", "TarnwellUpdate registered", "installer", "installer registered"},
              {program, programRegistered, peer, peerRegistered});
  r.Line();
  r.Line("- TarnwellUpdate: median **" + Fixed(sp.median) + " ms** (min " + Fixed(sp.min) +
         ", max " + Fixed(sp.max) + ", n=" + std::to_string(sp.n) +
         "); registration calls per run: " + std::to_string(programRegistrations));
  if (havePeer) {
    r.Line("- Installer: median **" + Fixed(sq.median) + " ms** (min " + Fixed(sq.min) + ", max " +
           Fixed(sq.max) + ", n=" + std::to_string(sq.n) + "); registration calls per run: " +
           std::to_string(peerRegistrations) + "; last exit code " + std::to_string(peerExit));
    if (sq.n && sp.n)
      r.Line("- Ratio TarnwellUpdate / installer: **" + Fixed(sp.median / sq.median, 3) +
             "** — goal: faster than the installer: **" +
             (sp.median < sq.median ? "met" : "not met") + "**");
    else
      r.Line("- The installer did not complete a run: no comparison");
  } else {
    r.Line("- The installer was not available (see the notes): no comparison");
  }
  r.Line("- Sizes: TarnwellUpdate.exe " + Kb(FileSize(places.Program())) +
         " (+ the shipped Quandrel.dll " + Kb(FileSize(places.Fixture(L"1.2.3.5"))) +
         " beside it); installer" +
         (havePeer ? " " + Kb(FileSize(installer)) + " (library included)" : std::string(": –")));
  if (programFailures || peerFailures)
    r.Line("- Failed runs (not counted): TarnwellUpdate " + std::to_string(programFailures) +
           ", installer " + std::to_string(peerFailures));
  return r.WriteTo(options.Text(L"out")) && sp.n > 0 ? 0 : 1;
}

}  // namespace tarnwell::bench

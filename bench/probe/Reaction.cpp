// Reaction to the IDE going away: the fake host closes a known delay after the close request;
// from the moment its window is gone to the moment the program's result text shows. Set against
// the two registration runs the update waits for, each measured alone (regsvr32 /u /s, then
// regsvr32 /s, on a copy of the same library), interleaved with the scenario runs.

#include <cstdio>
#include <utility>

#include "bench/probe/Probe.h"

namespace tarnwell::bench {
namespace {

// All from the moment the host's window is gone; negative where the poll did not catch it.
struct Reaction {
  double raw = 0;          // → result text
  double noticed = -1;     // → the progress text
  double unregister = -1;  // → the library logs its unregistration (inside the first regsvr32)
  double reregister = -1;  // → the library logs its registration (inside the second regsvr32)
};

std::optional<Reaction> ReactOnce(const Places& places, unsigned closeDelayMs) {
  EndProcessesOf(kHostTitle);
  std::wstring why;
  if (!Prepare(places, Layout(L"1.2.3.4", L"1.2.3.5", L"close-after", closeDelayMs), why)) {
    std::fwprintf(stderr, L"probe: %ls\n", why.c_str());
    return std::nullopt;
  }
  auto host = StartHost(places);
  if (!host) return std::nullopt;
  const HWND hostWindow = host->second;

  std::optional<Reaction> result;
  auto p = Launch(places.Program(), L"", places.bench);
  if (p) {
    const auto seen = WaitForWindow(kTitle, *p);
    if (seen && WaitForLabel(seen->window, *p, [](const std::wstring& t) {
          return StartsWith(t, FirstLineOf(texts::ConfirmUpdate("", "")).c_str());
        })) {
      Click(seen->window, kOkId);
      const double start = NowMs();
      std::optional<double> goneAt;
      while (p->Running() && NowMs() - start < closeDelayMs + kLimitMs) {
        if (!::IsWindow(hostWindow)) {
          goneAt = NowMs();
          break;
        }
        ::Sleep(1);
      }
      std::optional<double> progressAt, doneAt;
      LogWatch log(places.RegistrationLog());
      if (goneAt) {
        doneAt = WaitForLabel(seen->window, *p, [&](const std::wstring& t) {
          log.Poll();
          if (!progressAt && t == Shown(texts::UpdateInProgress())) progressAt = NowMs();
          return t == Shown(texts::Updated("1.2.3.4", "1.2.3.5"));
        });
      }
      const auto since = [&](double at) { return at >= 0 ? at - *goneAt : -1; };
      const std::wstring text = LabelText(seen->window);
      if (doneAt && FileVersion(places.Installed()) == L"1.2.3.5") {
        result = Reaction{*doneAt - *goneAt, progressAt ? *progressAt - *goneAt : -1,
                          since(log.LineAt(0)), since(log.LineAt(1))};
      } else {
        std::fwprintf(stderr, L"probe: reaction run failed; text: %ls\n", text.c_str());
      }
      if (::IsWindow(seen->window)) Click(seen->window, kOkId);
    }
    WaitForExit(*p, 10000);
  }
  WaitForExit(host->first, 5000);
  // The program starts the IDE again after the update; that copy is not part of the next run.
  const double start = NowMs();
  while (!::FindWindowW(nullptr, kHostTitle) && NowMs() - start < 5000) ::Sleep(10);
  EndProcessesOf(kHostTitle);
  return result;
}

std::optional<double> RegSvr32Once(const Places& places, const std::wstring& switches,
                                   const std::wstring& library) {
  auto p = Launch(places.systemTools + L"\\regsvr32.exe", switches + L" \"" + library + L"\"",
                  places.bench);
  if (!p) return std::nullopt;
  const auto code = WaitForExit(*p);
  if (!code || *code != 0) {
    std::fwprintf(stderr, L"probe: regsvr32 ended with %lu\n", code ? *code : 999ul);
    return std::nullopt;
  }
  return NowMs() - p->startMs;
}

}  // namespace

int MeasureReaction(const Options& options) {
  const Places places = FindPlaces(options.Text(L"fixtures"));
  const int runs = options.Number(L"runs", 11);
  const unsigned closeDelayMs = static_cast<unsigned>(options.Number(L"close-delay-ms", 500));

  // regsvr32 works on its own copy, so that the scenario's files are not touched.
  const std::wstring regFolder = places.bench + L"\\regsvr32";
  const std::wstring library = regFolder + L"\\Quandrel.dll";
  ::CreateDirectoryW(places.bench.c_str(), nullptr);
  ::CreateDirectoryW(regFolder.c_str(), nullptr);
  if (!::CopyFileW(places.Fixture(L"1.2.3.5").c_str(), library.c_str(), FALSE)) {
    std::fwprintf(stderr, L"probe: cannot copy the fixture for regsvr32\n");
    return 1;
  }

  ReactOnce(places, closeDelayMs);  // warm-up, not counted
  RegSvr32Once(places, L"/s", library);

  std::vector<double> raw, noticed, unregister, reregister, unregisterAlone, registerAlone,
      bothAlone;
  int failures = 0;
  for (int i = 0; i < runs; ++i) {
    if (const auto r = ReactOnce(places, closeDelayMs)) {
      raw.push_back(r->raw);
      if (r->noticed >= 0) noticed.push_back(r->noticed);
      if (r->unregister >= 0) unregister.push_back(r->unregister);
      if (r->reregister >= 0) reregister.push_back(r->reregister);
    } else {
      ++failures;
    }
    // As the update runs them: the unregistration, then the registration, back to back.
    const auto off = RegSvr32Once(places, L"/u /s", library);
    const auto on = off ? RegSvr32Once(places, L"/s", library) : std::nullopt;
    if (off && on) {
      unregisterAlone.push_back(*off);
      registerAlone.push_back(*on);
      bothAlone.push_back(*off + *on);
    } else {
      ++failures;
    }
  }

  const Stats sr = Summarise(raw), sn = Summarise(noticed), sb = Summarise(bothAlone);
  const double difference = sr.median - sb.median;
  Report r;
  r.Line(
      "The fake host closes " + std::to_string(closeDelayMs) +
      " ms after the close request. \"raw\": from the poll that finds its window gone (`IsWindow`, "
      "~1 ms) to the green result text in the label; \"noticed\": to the progress text (when a "
      "poll caught it); \"unregister\" / \"register\": to the "
      "library logging that call from inside the program's first / second regsvr32 run. "
      "\"regsvr32 /u alone\", \"regsvr32 alone\": `regsvr32.exe /u /s` then `regsvr32.exe /s` "
      "on a copy of the same library, alone and back to back as the update runs them, each from "
      "`CreateProcessW` to its exit, after each scenario run; \"both alone\" their sum. In ms.");
  r.Line();
  r.RunsTable({"raw", "noticed", "unregister", "register", "regsvr32 /u alone", "regsvr32 alone",
               "both alone"},
              {raw, noticed, unregister, reregister, unregisterAlone, registerAlone, bothAlone});
  r.Line();
  r.Line("- Raw: median **" + Fixed(sr.median) + " ms** (min " + Fixed(sr.min) + ", max " +
         Fixed(sr.max) + ", n=" + std::to_string(sr.n) + ")");
  r.Line("- The two registration runs alone: median **" + Fixed(sb.median) + " ms** (min " +
         Fixed(sb.min) + ", max " + Fixed(sb.max) + ", n=" + std::to_string(sb.n) + ")");
  r.Line("- Difference (raw − both registration runs): **" + Fixed(difference) +
         " ms**, the program's own share of the reaction — goal ≤ 100 ms: **" +
         (sr.n && sb.n && difference <= 100 ? "met" : "not met") + "**");
  if (sn.n)
    r.Line("- Host gone → the progress text: median " + Fixed(sn.median) +
           " ms (n=" + std::to_string(sn.n) + ")");
  const Stats su = Summarise(unregister), sg2 = Summarise(reregister);
  if (su.n && sg2.n)
    r.Line("- Host gone → unregistration logged: median " + Fixed(su.median) +
           " ms; → registration logged: " + Fixed(sg2.median) +
           " ms; → result text: " + Fixed(sr.median) + " ms");
  if (failures) r.Line("- Failed runs (not counted): " + std::to_string(failures));
  return r.WriteTo(options.Text(L"out")) && sr.n > 0 && sb.n > 0 ? 0 : 1;
}

}  // namespace tarnwell::bench

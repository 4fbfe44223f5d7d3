// Start-up, seen from outside: from just before CreateProcessW to the first poll that finds the
// window visible. The program runs the "missing" scenario (no copy beside it: it shows its red
// text and nothing else); the baseline is a minimal static program that shows one window.
// Runs alternate A B / B A so that a drift in the machine's load hits both alike.

#include <cstdio>

#include "bench/probe/Probe.h"

namespace tarnwell::bench {
namespace {

struct Candidate {
  std::wstring exe;
  const wchar_t* title;
  bool product;
};

// One start; the time to the visible window, or nothing if the run went wrong.
std::optional<double> StartOnce(const Candidate& c, const Places& places) {
  auto p = Launch(c.exe, L"", places.bench);
  if (!p) return std::nullopt;
  const auto seen = WaitForWindow(c.title, *p);
  std::optional<double> result;
  if (seen) {
    result = seen->atMs - p->startMs;
    // The product must be showing the state measured, not some other one.
    if (c.product && LabelText(seen->window) !=
                         Shown(texts::ReplacementMissing(platform::Narrow(places.Shipped())))) {
      std::fwprintf(stderr, L"probe: unexpected text: %ls\n", LabelText(seen->window).c_str());
      result.reset();
    }
    if (c.product)
      Click(seen->window, kOkId);
    else
      ::PostMessageW(seen->window, WM_CLOSE, 0, 0);
  }
  if (!WaitForExit(*p, 10000)) result.reset();
  return result;
}

}  // namespace

int MeasureStartup(const Options& options) {
  const Places places = FindPlaces(options.Text(L"fixtures"));
  const int runs = options.Number(L"runs", 11);
  const std::wstring baselineTitle = options.Text(L"minimal-title", L"Minimal window");
  std::wstring why;
  if (!Prepare(places, Layout(L"1.2.3.4"), why)) {
    std::fwprintf(stderr, L"probe: %ls\n", why.c_str());
    return 1;
  }
  const Candidate product{places.Program(), kTitle, true};
  const std::wstring minimalExe = places.bench + L"\\MinimalWindow.exe";
  const std::wstring baselineTitleCopy = baselineTitle;
  const Candidate baseline{minimalExe, baselineTitleCopy.c_str(), false};

  // Not counted: the first start of each pays for the disk cache and Wine's first-use work.
  StartOnce(product, places);
  StartOnce(baseline, places);

  std::vector<double> a, b;
  int failures = 0;
  for (int i = 0; i < runs; ++i) {
    const bool productFirst = i % 2 == 0;
    for (int k = 0; k < 2; ++k) {
      const bool isProduct = (k == 0) == productFirst;
      const auto t = StartOnce(isProduct ? product : baseline, places);
      if (!t) {
        ++failures;
        continue;
      }
      (isProduct ? a : b).push_back(*t);
      ::Sleep(100);
    }
  }

  const Stats sa = Summarise(a), sb = Summarise(b);
  const double ratio = sb.median > 0 ? sa.median / sb.median : 0;
  Report r;
  r.Line(
      "From just before `CreateProcessW` to the window found visible (`FindWindowW` + "
      "`IsWindowVisible`, "
      "polled every ~1 ms), in ms. TarnwellUpdate.exe in the \"missing\" scenario (red text) "
      "against "
      "MinimalWindow.exe (one window, static, built with the same flags). Interleaved A B / B A; "
      "one "
      "uncounted warm-up start each.");
  r.Line();
  r.RunsTable({"TarnwellUpdate", "MinimalWindow"}, {a, b});
  r.Line();
  r.Line("- TarnwellUpdate: median **" + Fixed(sa.median) + " ms** (min " + Fixed(sa.min) +
         ", max " + Fixed(sa.max) + ", n=" + std::to_string(sa.n) + ")");
  r.Line("- MinimalWindow: median **" + Fixed(sb.median) + " ms** (min " + Fixed(sb.min) +
         ", max " + Fixed(sb.max) + ", n=" + std::to_string(sb.n) + ")");
  r.Line("- Ratio of medians: **" + Fixed(ratio, 3) + "** — goal ≤ 1.25: **" +
         (ratio > 0 && ratio <= 1.25 ? "met" : "not met") + "**");
  if (failures) r.Line("- Failed runs (not counted): " + std::to_string(failures));
  return r.WriteTo(options.Text(L"out")) && !a.empty() && !b.empty() ? 0 : 1;
}

}  // namespace tarnwell::bench

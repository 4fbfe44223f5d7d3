// The cost of the publisher checks, as ratios in one run: the same job done by the unsigned
// program with an unsigned copy (nothing is checked) and by the signed program with its
// publisher's copy (its own signature, the shipped copy's at start, the staged copy's before the
// journal). Two jobs: an update with the IDE closed, from start to the result text; and a start
// that finds the installed copy up to date, from start to the window visible (the check of the
// shipped copy lies before the window). Runs alternate A B / B A.

#include <cstdio>

#include "bench/probe/Probe.h"

namespace tarnwell::bench {
namespace {

struct Side {
  std::wstring program;  // the executable copied in as TarnwellUpdate.exe
  std::wstring copy;     // the library put beside it
};

enum class Job { Update, UpToDate };

std::optional<double> Once(const Places& places, const Side& side, Job job) {
  std::wstring why;
  const Layout layout = job == Job::Update ? Layout(L"1.2.3.4", L"1.2.3.5") : Layout(L"1.2.3.5");
  if (!Prepare(places, layout, why) ||
      !::CopyFileW(side.program.c_str(), places.Program().c_str(), FALSE) ||
      !::CopyFileW(side.copy.c_str(), places.Shipped().c_str(), FALSE)) {
    std::fwprintf(stderr, L"probe: cannot lay out the run: %ls\n", why.c_str());
    return std::nullopt;
  }
  auto p = Launch(places.Program(), L"", places.bench);
  if (!p) return std::nullopt;
  std::optional<double> result;
  if (const auto seen = WaitForWindow(kTitle, *p)) {
    const std::wstring wanted =
        job == Job::Update ? Shown(texts::Updated("1.2.3.4", "1.2.3.5"))
                           : Shown(texts::UpToDate("1.2.3.5", platform::Narrow(places.Shipped()),
                                                   "1.2.3.5", texts::ShippedCopy::Deleted));
    if (job == Job::UpToDate) {
      if (LabelText(seen->window) == wanted) result = seen->atMs - p->startMs;
    } else if (const auto done = WaitForLabel(seen->window, *p,
                                              [&](const std::wstring& t) { return t == wanted; })) {
      result = *done - p->startMs;
    }
    if (!result) {
      std::fwprintf(stderr, L"probe: unexpected text: %ls\n", LabelText(seen->window).c_str());
    }
    Click(seen->window, kOkId);
  }
  if (!WaitForExit(*p, 10000)) result.reset();
  return result;
}

}  // namespace

int MeasureSignature(const Options& options) {
  const Places places = FindPlaces(options.Text(L"fixtures"));
  const int runs = options.Number(L"runs", 11);
  // The unsigned program was copied in by main; it is kept aside, as each run copies one in.
  const std::wstring unsignedProgram = places.bench + L"\\Unsigned.exe.bin";
  ::CopyFileW(places.Program().c_str(), unsignedProgram.c_str(), FALSE);
  const std::wstring signedCopy = options.Text(L"signed-copy");
  const std::wstring unsignedCopy = places.bench + L"\\Unsigned.dll.bin";
  ::CopyFileW(places.Fixture(L"1.2.3.5").c_str(), unsignedCopy.c_str(), FALSE);
  const Side plain{unsignedProgram, unsignedCopy};
  const Side checked{options.Text(L"signed-program"), signedCopy};

  Report r;
  r.Line(
      "The same job done by the unsigned program with an unsigned copy (A: nothing is checked) "
      "and by the signed program with its publisher's copy (B: the program's own signature, the "
      "shipped copy's at start, the staged copy's before the journal), in ms. Interleaved A B / "
      "B A, one uncounted warm-up each.");
  bool complete = true;
  for (const Job job : {Job::Update, Job::UpToDate}) {
    Once(places, plain, job);
    Once(places, checked, job);
    std::vector<double> a, b;
    int failures = 0;
    for (int i = 0; i < runs; ++i) {
      for (int k = 0; k < 2; ++k) {
        const bool isA = (k == 0) == (i % 2 == 0);
        const auto t = Once(places, isA ? plain : checked, job);
        if (!t) {
          ++failures;
          continue;
        }
        (isA ? a : b).push_back(*t);
      }
    }
    const Stats sa = Summarise(a), sb = Summarise(b);
    const double ratio = sa.median > 0 ? sb.median / sa.median : 0;
    r.Line();
    r.Line(job == Job::Update ? "### Update, the IDE closed: start → result text"
                              : "### Start finding the installed copy up to date: start → window");
    r.Line();
    r.RunsTable({"A unsigned", "B signed"}, {a, b});
    r.Line();
    r.Line("- A: median **" + Fixed(sa.median) + " ms**, B: median **" + Fixed(sb.median) +
           " ms**; B − A = **" + Fixed(sb.median - sa.median) + " ms**, ratio B / A **" +
           Fixed(ratio, 3) + "**");
    if (failures) r.Line("- Failed runs (not counted): " + std::to_string(failures));
    complete = complete && !a.empty() && !b.empty();
  }
  return r.WriteTo(options.Text(L"out")) && complete ? 0 : 1;
}

}  // namespace tarnwell::bench

// The wait for the IDE, with the fake host refusing to close: the program's CPU time over a
// fixed interval (as % of one core), the wine server's over the same interval, and then how
// long a Cancel click takes to end the program.

#include "bench/probe/Probe.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarnwell::bench {
namespace {

double Ms100ns(const FILETIME& t) {
  return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                             t.dwLowDateTime) /
         1e4;
}

// CPU time of a process in ms: what GetProcessTimes reports, and the sum over its threads
// (Wine may only know the latter for another process).
struct Cpu {
  double process = 0;
  double threads = 0;
};

Cpu CpuOf(const Started& p) {
  Cpu cpu;
  FILETIME created, exited, kernel, user;
  if (::GetProcessTimes(p.process.get(), &created, &exited, &kernel, &user))
    cpu.process = Ms100ns(kernel) + Ms100ns(user);
  // INVALID_HANDLE_VALUE on failure, as for files.
  const platform::FileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  if (snapshot && ::Thread32First(snapshot.get(), &entry)) {
    do {
      if (entry.th32OwnerProcessID != p.id) continue;
      const KernelHandle thread(::OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID));
      if (thread && ::GetThreadTimes(thread.get(), &created, &exited, &kernel, &user))
        cpu.threads += Ms100ns(kernel) + Ms100ns(user);
    } while (::Thread32Next(snapshot.get(), &entry));
  }
  return cpu;
}

std::string ReadSmallFile(const std::wstring& path) {
  const platform::FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[4096];
  DWORD got = 0;
  while (bytes.size() < 65536 && ::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) &&
         got > 0)
    bytes.append(buffer, got);
  return bytes;
}

// utime + stime of a Linux process in clock ticks, from /proc (drive Z: is the Unix root).
std::optional<double> LinuxCpuTicks(int pid) {
  if (pid <= 0) return std::nullopt;
  const std::string text = ReadSmallFile(L"Z:\\proc\\" + std::to_wstring(pid) + L"\\stat");
  // Fields after the command name in parentheses: state is the 3rd, utime the 14th, stime the 15th.
  const auto close = text.rfind(')');
  if (close == std::string::npos) return std::nullopt;
  const char* p = text.c_str() + close + 1;
  double fields[16] = {};
  for (int field = 3; field <= 15 && *p; ++field) {
    while (*p == ' ') ++p;
    if (field >= 14) fields[field] = std::strtod(p, nullptr);
    while (*p && *p != ' ') ++p;
  }
  return fields[14] + fields[15];
}

// The Linux pid of the Wine process running `windowsPath` in this prefix: its command line is that
// path, and its environment names our WINEPREFIX. 0 if not found.
int LinuxPidOf(const std::wstring& windowsPath) {
  wchar_t prefix[4096];
  const DWORD n =
      ::GetEnvironmentVariableW(L"WINEPREFIX", prefix, static_cast<DWORD>(std::size(prefix)));
  if (n == 0 || n >= std::size(prefix)) return 0;
  const std::string wantedPrefix = "WINEPREFIX=" + Narrow(prefix);
  const std::string wantedCommand = Narrow(windowsPath);
  WIN32_FIND_DATAW entry{};
  const platform::FindHandle find(::FindFirstFileW(L"Z:\\proc\\*", &entry));
  if (!find) return 0;
  do {
    if (entry.cFileName[0] < L'1' || entry.cFileName[0] > L'9') continue;
    const std::wstring dir = std::wstring(L"Z:\\proc\\") + entry.cFileName;
    const std::string command = ReadSmallFile(dir + L"\\cmdline");
    if (command.compare(0, wantedCommand.size(), wantedCommand) != 0) continue;
    const std::string environment = ReadSmallFile(dir + L"\\environ");
    std::size_t at = 0;
    while (at < environment.size()) {
      const std::size_t end = environment.find('\0', at);
      const std::string variable =
          environment.substr(at, end == std::string::npos ? std::string::npos : end - at);
      if (variable == wantedPrefix) return _wtoi(entry.cFileName);
      if (end == std::string::npos) break;
      at = end + 1;
    }
  } while (::FindNextFileW(find.get(), &entry));
  return 0;
}

}  // namespace

int MeasureWait(const Options& options) {
  const Places places = FindPlaces(options.Text(L"fixtures"));
  const int runs = options.Number(L"runs", 11);
  const int holdMs = options.Number(L"hold-ms", 5000);
  const int idleMs = options.Number(L"idle-ms", 2000);
  const int serverPid = options.Number(L"wineserver-pid", 0);
  const double clockTick = options.Number(L"clk-tck", 100);
  const std::wstring cpuOut = options.Text(L"out-cpu"), cancelOut = options.Text(L"out-cancel");

  std::vector<double> programShare, serverShare, serverIdleShare, cancelMs, programByProcess,
      programByThreads, programByProc;
  int failures = 0;
  for (int i = 0; i < runs + 1; ++i) {
    const bool counted = i > 0;  // the first run warms up
    EndProcessesOf(kHostTitle);
    std::wstring why;
    if (!Prepare(places, Layout(L"1.2.3.4", L"1.2.3.5", L"refuse"), why)) {
      std::fwprintf(stderr, L"probe: %ls\n", why.c_str());
      return 1;
    }
    auto host = StartHost(places);
    if (!host) {
      ++failures;
      continue;
    }
    // The server's share with the host up and the program not yet started: its floor here.
    const auto idle0 = LinuxCpuTicks(serverPid);
    const double idleStart = NowMs();
    if (idleMs > 0) ::Sleep(static_cast<DWORD>(idleMs));
    const auto idle1 = LinuxCpuTicks(serverPid);
    const double idleWall = NowMs() - idleStart;

    auto p = Launch(places.Program(), L"", places.bench);
    bool ok = false;
    if (p) {
      const auto seen = WaitForWindow(kTitle, *p);
      if (seen && WaitForLabel(seen->window, *p, [](const std::wstring& t) {
            return StartsWith(t, FirstLineOf(texts::ConfirmUpdate("", "")).c_str());
          })) {
        Click(seen->window, kOkId);
        if (WaitForLabel(seen->window, *p, [](const std::wstring& t) {
              return t == Shown(texts::WaitingForIde());
            })) {
          ::Sleep(300);  // past the close request and its yield
          const int linuxPid = LinuxPidOf(places.Program());
          const auto l0 = LinuxCpuTicks(linuxPid);
          const Cpu c0 = CpuOf(*p);
          const auto s0 = LinuxCpuTicks(serverPid);
          const double t0 = NowMs();
          ::Sleep(static_cast<DWORD>(holdMs));
          const Cpu c1 = CpuOf(*p);
          const auto l1 = LinuxCpuTicks(linuxPid);
          const auto s1 = LinuxCpuTicks(serverPid);
          const double wall = NowMs() - t0;
          const bool stillWaiting =
              p->Running() && StartsWith(LabelText(seen->window), L"Waiting for");

          const double clickAt = NowMs();
          Click(seen->window, kCancelId);
          const bool ended = ::WaitForSingleObject(p->process.get(), 10000) == WAIT_OBJECT_0;
          const double endedAt = NowMs();
          if (stillWaiting && ended && counted) {
            const double byProcess = (c1.process - c0.process) / wall * 100;
            const double byThreads = (c1.threads - c0.threads) / wall * 100;
            programByProcess.push_back(byProcess);
            programByThreads.push_back(byThreads);
            // /proc sees the whole Linux process; Wine's own figures are the fallback.
            if (l0 && l1) {
              const double byProc = (*l1 - *l0) / clockTick * 1000 / wall * 100;
              programByProc.push_back(byProc);
              programShare.push_back(byProc);
            } else {
              programShare.push_back(byThreads);
            }
            if (s0 && s1) serverShare.push_back((*s1 - *s0) / clockTick * 1000 / wall * 100);
            if (idle0 && idle1 && idleWall > 0)
              serverIdleShare.push_back((*idle1 - *idle0) / clockTick * 1000 / idleWall * 100);
            cancelMs.push_back(endedAt - clickAt);
          }
          ok = stillWaiting && ended;
        }
      }
      WaitForExit(*p, 5000);
    }
    EndProcessesOf(kHostTitle);
    WaitForExit(host->first, 5000);
    if (!ok) ++failures;
  }

  const Stats prog = Summarise(programShare), server = Summarise(serverShare),
              idle = Summarise(serverIdleShare);
  Report cpu;
  cpu.Line(
      "The fake host refuses to close; after OK the program waits for it. Over " +
      std::to_string(holdMs) +
      " ms of that wait: the program's CPU time (utime + stime of its Linux process from "
      "`/proc/<pid>/stat`, "
      "clock ticks of 10 ms; for comparison Wine's `GetThreadTimes` summed over its threads and "
      "`GetProcessTimes`, which under Wine 8 under-reports another process) and the wine server's "
      "(`/proc/<pid>/stat`), as % of one core. \"server, idle\" is the server over " +
      std::to_string(idleMs) + " ms just before, with the host up and the program not started.");
  cpu.Line();
  cpu.RunsTable({"program % (/proc)", "GetThreadTimes %", "GetProcessTimes %", "wine server %",
                 "wine server, idle %"},
                {programByProc, programByThreads, programByProcess, serverShare, serverIdleShare},
                2);
  cpu.Line();
  cpu.Line("- Program: median **" + Fixed(prog.median, 2) + " %** of one core (min " +
           Fixed(prog.min, 2) + ", max " + Fixed(prog.max, 2) + ", n=" + std::to_string(prog.n) +
           ") — goal ≤ 2 %: **" + (prog.n && prog.median <= 2.0 ? "met" : "not met") + "**");
  cpu.Line("- Wine server over the same interval: median **" + Fixed(server.median, 2) +
           " %** (idle floor " + Fixed(idle.median, 2) + " %, so ≈ " +
           Fixed(server.median - idle.median, 2) + " % attributable to the waiting program)");
  if (programByProc.size() != programShare.size())
    cpu.Line("- The program's Linux process was not found in " +
             std::to_string(programShare.size() - programByProc.size()) +
             " run(s): the thread times stand in there");
  if (serverPid <= 0) cpu.Line("- Wine server pid not given: its share was not measured");
  if (failures) cpu.Line("- Failed runs (not counted): " + std::to_string(failures));

  const Stats cancel = Summarise(cancelMs);
  Report latency;
  latency.Line(
      "During the wait (host refusing), from posting `BM_CLICK` to Cancel to the end of the "
      "program's "
      "process (`WaitForSingleObject` on its handle), in ms.");
  latency.Line();
  latency.RunsTable({"Cancel → process end"}, {cancelMs});
  latency.Line();
  latency.Line("- Median **" + Fixed(cancel.median) + " ms** (min " + Fixed(cancel.min) + ", max " +
               Fixed(cancel.max) + ", n=" + std::to_string(cancel.n) + ") — goal ≤ 100 ms: **" +
               (cancel.n && cancel.median <= 100 ? "met" : "not met") + "**");
  if (failures) latency.Line("- Failed runs (not counted): " + std::to_string(failures));

  bool written = true;
  if (!cpuOut.empty()) written = cpu.WriteTo(cpuOut) && written;
  if (!cancelOut.empty()) written = latency.WriteTo(cancelOut) && written;
  return written && prog.n > 0 ? 0 : 1;
}

}  // namespace tarnwell::bench

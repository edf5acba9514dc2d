// Wall times of whole runs, measured side by side: every round runs each
// measurement once, in turn, so that a busy machine slows all of them alike;
// the figures are the medians over the rounds and their ratios.
//
//   run_timer --tool build/darnek --noop build/noop --work DIR
//             --largest largest.dat --n4000 largest_n4000.dat
//             --batch-list inputs.txt [--rounds 31] [--batch-rounds 5]
//
// (a) `darnek run` of the largest problem against a static no-op process;
// (b) the same wall at N = 4000 against N = 400;
// (c) the largest problem run in this process against (a)'s whole process;
// (d) `darnek batch` of the listed inputs with --jobs 1 against --jobs 2.
//
//   run_timer --inprocess INPUT --work DIR [--rounds 31] [--keep-results 1] [--memory 1]
//
// times only (c)'s in-process run of INPUT, with the per-stage results kept
// when asked and the outputs in memory (--memory 1) or in files in DIR, and
// prints its median in ms: bench/python_bench.py sets it
// beside the same run made from Python.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "darnek/darnek.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Runs a program with its output discarded; returns its exit status.
int Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    std::fprintf(stderr, "run_timer: cannot start %s\n", argv[0]);
    std::exit(2);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

double Millis(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The in-process run of (c): every output kept in memory, as by a caller that
// wants only the results; with in_memory false, files in `dir`.
darnek::RunOptions InProcessOptions(const std::string& input, const std::string& dir,
                                    std::ostringstream& console, bool in_memory) {
  darnek::RunOptions options;
  darnek::FileNames files;
  files.Input = input;
  const std::string stem = (fs::path(dir) / "inprocess").string();
  files.Report = stem + ".out";
  files.Plot = stem + ".plt";
  files.RunLog = stem + ".log";
  files.PyScratch = stem + ".pyscratch";
  files.PressureScratch = stem + ".epscratch";
  options.Files = files;
  options.VersionText = darnek::Version();
  options.Console = &console;
  if (in_memory)
    options.Outputs = {darnek::OutputMode::Memory, darnek::OutputMode::Memory, darnek::OutputMode::Memory,
                       darnek::OutputMode::Memory, darnek::OutputMode::Memory};
  return options;
}

// The one-minute load average, or "?" where the system does not tell.
std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one;
  return in >> one ? one : "?";
}

}  // namespace

int main(int argc, char** argv) {
  std::map<std::string, std::string> arg;
  for (int i = 1; i + 1 < argc; i += 2) arg[argv[i]] = argv[i + 1];
  const int rounds = arg.count("--rounds") ? std::atoi(arg["--rounds"].c_str()) : 31;
  if (arg.count("--inprocess") && arg.count("--work")) {
    fs::create_directories(arg["--work"]);
    std::vector<double> times;
    // One result, run after run, as a host that makes many runs keeps it:
    // each run's outputs take the room of the run before.
    darnek::RunResult result;
    for (int r = 0; r < rounds; ++r)
      times.push_back(Millis([&] {
        std::ostringstream console;
        darnek::RunOptions options =
            InProcessOptions(arg["--inprocess"], arg["--work"], console, arg["--memory"] == "1");
        options.KeepResults = arg["--keep-results"] == "1";
        darnek::Run(options, result);
        if (result.Status != DARNEK_OK) std::exit(2);
      }));
    std::printf("%.6f\n", Median(times));
    return 0;
  }
  for (const char* needed : {"--tool", "--noop", "--work", "--largest", "--n4000", "--batch-list"})
    if (!arg.count(needed)) {
      std::fprintf(stderr, "run_timer: %s is needed\n", needed);
      return 2;
    }
  const int batch_rounds = arg.count("--batch-rounds") ? std::atoi(arg["--batch-rounds"].c_str()) : 5;
  const std::string tool = arg["--tool"], work = arg["--work"];
  fs::create_directories(work);

  std::vector<std::string> batch_inputs;
  std::ifstream list(arg["--batch-list"]);
  for (std::string line; std::getline(list, line);)
    if (!line.empty()) batch_inputs.push_back(line);

  const std::vector<std::string> noop = {arg["--noop"]};
  const std::vector<std::string> run400 = {tool, "run", arg["--largest"], "--out", work + "/a"};
  const std::vector<std::string> run4000 = {tool, "run", arg["--n4000"], "--out", work + "/b"};
  const auto batch = [&](const char* jobs) {
    std::vector<std::string> command = {tool, "batch", "--jobs", jobs, "--out", work + "/d"};
    command.insert(command.end(), batch_inputs.begin(), batch_inputs.end());
    return command;
  };
  const std::vector<std::string> batch1 = batch("1"), batch2 = batch("2");
  fs::create_directories(work + "/c");

  // Every command must succeed once before it is timed.
  for (const auto* command : {&noop, &run400, &run4000, &batch1})
    if (const int status = Spawn(*command); status != 0) {
      std::fprintf(stderr, "run_timer: %s %s ended with status %d\n", (*command)[0].c_str(),
                   command->size() > 1 ? (*command)[1].c_str() : "", status);
      return 2;
    }

  // The ratios hold only on a quiet machine; the load says whether it was.
  const std::string load_before = LoadAverage();
  std::vector<double> t_noop, t_400, t_4000, t_inprocess, t_batch1, t_batch2;
  darnek::RunResult result;  // reused by every in-process run
  for (int r = 0; r < rounds; ++r) {
    t_noop.push_back(Millis([&] { Spawn(noop); }));
    t_400.push_back(Millis([&] { Spawn(run400); }));
    t_4000.push_back(Millis([&] { Spawn(run4000); }));
    t_inprocess.push_back(Millis([&] {
      std::ostringstream console;
      darnek::Run(InProcessOptions(arg["--largest"], work + "/c", console, true), result);
      if (result.Status != DARNEK_OK) std::exit(2);
    }));
  }
  for (int r = 0; r < batch_rounds; ++r) {
    t_batch1.push_back(Millis([&] { Spawn(batch1); }));
    t_batch2.push_back(Millis([&] { Spawn(batch2); }));
  }

  const double noop_ms = Median(t_noop), run_ms = Median(t_400), large_ms = Median(t_4000),
               inprocess_ms = Median(t_inprocess), b1 = Median(t_batch1), b2 = Median(t_batch2);
  std::printf("medians over %d rounds (batch: %d rounds), ms; load average before and after: %s, %s\n",
              rounds, batch_rounds, load_before.c_str(), LoadAverage().c_str());
  std::printf("  static no-op process          %9.3f\n", noop_ms);
  std::printf("  darnek run, N = 400           %9.3f\n", run_ms);
  std::printf("  darnek run, N = 4000          %9.3f\n", large_ms);
  std::printf("  in-process run, N = 400       %9.3f\n", inprocess_ms);
  std::printf("  batch of %zu, --jobs 1        %9.3f\n", batch_inputs.size(), b1);
  std::printf("  batch of %zu, --jobs 2        %9.3f\n", batch_inputs.size(), b2);
  std::printf("(a) run / no-op process         %6.2f   (target <= 2.5)\n", run_ms / noop_ms);
  std::printf("(b) N = 4000 / N = 400          %6.2f   (target <= 1.5)\n", large_ms / run_ms);
  std::printf("(c) in-process / whole process  %6.2f   (target <= 0.25)\n", inprocess_ms / run_ms);
  std::printf("(d) batch --jobs 1 / --jobs 2   %6.2f   (target >= 1.8)\n", b1 / b2);
  return 0;
}

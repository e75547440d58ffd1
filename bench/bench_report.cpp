// `make bench`: every benchmark of the program in one go, and one table of figures.
//
// First the runs that keep a core busy, one after another: the batch runs on virtual time
// (the references of the overhead figures, and the throughput of a long scan), then the
// Google Benchmark programs. Then the runs on the real clock, side by side, since each
// waits on the simulated instruments nearly all the time: the same scans in batch and in
// the window (under an Xvfb server of its own when there is one), the window's answers to
// posted STOP clicks and repaints, and the Qt loop's waits. Each program's output stays
// in the report folder; the table at the end carries the figures and the raw numbers
// they come from.
//
//   bench_report [--quick]      --quick: 20 STOP posts instead of 100

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

int64_t MonotonicNs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// ---------------------------------------------------------------------------------------
// Child processes

struct Child {
  std::string name;
  std::vector<std::string> argv;
  std::vector<std::pair<std::string, std::optional<std::string>>> env;  // nullopt: unset
  fs::path out, err;

  pid_t pid = 0;
  int64_t started_ns = 0;
  int64_t ended_ns = 0;
  int status = -1;
  double cpu_s = 0;  // user + system of the child, from wait4

  double WallS() const { return static_cast<double>(ended_ns - started_ns) / 1e9; }
  bool Succeeded() const { return WIFEXITED(status) && WEXITSTATUS(status) == 0; }
  std::string Stdout() const { return ReadFile(out); }
};

std::vector<char*> Environment(const Child& child, std::vector<std::string>& storage) {
  std::map<std::string, std::string> vars;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const auto equals = text.find('=');
    if (equals != std::string_view::npos) {
      vars[std::string(text.substr(0, equals))] = std::string(text.substr(equals + 1));
    }
  }
  for (const auto& [name, value] : child.env) {
    if (value) {
      vars[name] = *value;
    } else {
      vars.erase(name);
    }
  }
  storage.clear();
  storage.reserve(vars.size());
  for (const auto& [name, value] : vars) storage.push_back(name + '=' + value);
  std::vector<char*> pointers;
  pointers.reserve(storage.size() + 1);
  for (std::string& entry : storage) pointers.push_back(entry.data());
  pointers.push_back(nullptr);
  return pointers;
}

bool Spawn(Child& child) {
  std::vector<std::string> env_storage;
  std::vector<char*> envp = Environment(child, env_storage);
  std::vector<char*> argv;
  for (std::string& arg : child.argv) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const int out = ::open(child.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const int err = ::open(child.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out < 0 || err < 0) return false;
  child.started_ns = MonotonicNs();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    const int null = ::open("/dev/null", O_RDONLY);
    if (null >= 0) ::dup2(null, STDIN_FILENO);
    ::execve(argv[0], argv.data(), envp.data());
    std::fprintf(stderr, "cannot run %s: %s\n", argv[0], std::strerror(errno));
    ::_exit(127);
  }
  ::close(out);
  ::close(err);
  if (pid < 0) return false;
  child.pid = pid;
  return true;
}

double Seconds(const timeval& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Waits for every child still running; each one's end is taken as it comes.
void WaitAll(const std::vector<Child*>& children) {
  std::size_t running = 0;
  for (Child* child : children) running += child->pid > 0 ? 1 : 0;
  while (running > 0) {
    int status = 0;
    rusage usage{};
    const pid_t pid = ::wait4(-1, &status, 0, &usage);
    if (pid < 0) {
      if (errno == EINTR) continue;
      break;
    }
    const int64_t now = MonotonicNs();
    for (Child* child : children) {
      if (child->pid != pid) continue;
      child->ended_ns = now;
      child->status = status;
      child->cpu_s = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
      child->pid = 0;
      --running;
    }
  }
}

void Report(const Child& child) {
  std::printf("  %-26s %s  %7.1f s wall  %7.3f s CPU\n", child.name.c_str(),
              child.Succeeded() ? "done  " : "FAILED", child.WallS(), child.cpu_s);
  std::fflush(stdout);
}

// ---------------------------------------------------------------------------------------
// Reading the programs' outputs

// The text after " key=" on the program's last "result:" line, up to the next blank.
std::string ResultText(const std::string& output, std::string_view key) {
  const auto line_at = output.rfind("result: ");
  if (line_at == std::string::npos) return {};
  const std::string line = output.substr(line_at, output.find('\n', line_at) - line_at);
  const std::string wanted = " " + std::string(key) + "=";
  const auto at = line.find(wanted);
  if (at == std::string::npos) return {};
  const auto from = at + wanted.size();
  return line.substr(from, line.find(' ', from) - from);
}

// That text as a number.
std::optional<double> ResultValue(const std::string& output, std::string_view key) {
  const std::string text = ResultText(output, key);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc()) return std::nullopt;
  return value;
}

// "run time: N ms", the batch run's last line.
std::optional<double> RunTimeMs(const std::string& output) {
  const auto at = output.rfind("run time: ");
  if (at == std::string::npos) return std::nullopt;
  double value = 0;
  const char* first = output.data() + at + 10;
  const auto [end, error] = std::from_chars(first, output.data() + output.size(), value);
  const std::string_view rest(end, static_cast<std::size_t>(output.data() + output.size() - end));
  if (error != std::errc() || !rest.starts_with(" ms")) return std::nullopt;
  return value;
}

int StepLines(const std::string& output) {
  int steps = 0;
  std::size_t at = 0;
  while ((at = output.find("step ", at)) != std::string::npos) {
    if (at == 0 || output[at - 1] == '\n') ++steps;
    at += 5;
  }
  return steps;
}

// The frequencies of the "step N: F MHz, L V/m" lines, in order.
std::vector<std::string> StepFrequencies(const std::string& output) {
  std::vector<std::string> frequencies;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("step ")) continue;
    const auto colon = line.find(": ");
    const auto mhz = line.find(" MHz");
    if (colon != std::string::npos && mhz != std::string::npos && mhz > colon) {
      frequencies.push_back(line.substr(colon + 2, mhz - colon - 2));
    }
  }
  return frequencies;
}

// A number of one benchmark in a Google Benchmark JSON report.
std::optional<double> BenchmarkValue(const std::string& json, std::string_view name,
                                     std::string_view key) {
  // The name as given, or with the run's arguments after a "/" (".../min_time:1.000").
  const std::string wanted = "\"name\": \"" + std::string(name);
  std::size_t at = 0;
  for (;; at += wanted.size()) {
    at = json.find(wanted, at);
    if (at == std::string::npos) return std::nullopt;
    const char next = at + wanted.size() < json.size() ? json[at + wanted.size()] : '\0';
    if (next == '"' || next == '/') break;
  }
  const auto end = json.find('}', at);
  const std::string object = json.substr(at, end - at);
  const std::string field = "\"" + std::string(key) + "\": ";
  const auto field_at = object.find(field);
  if (field_at == std::string::npos) return std::nullopt;
  double value = 0;
  const char* first = object.data() + field_at + field.size();
  const auto [last, error] = std::from_chars(first, object.data() + object.size(), value);
  if (error != std::errc()) return std::nullopt;
  return value;
}

// ---------------------------------------------------------------------------------------
// The scans

// The IEC industrial setup with another start, finish and step (the block's lines 6 to 8).
bool WriteCutSetup(const fs::path& to, uint32_t start_hz, uint32_t finish_hz, double step) {
  std::string content = ReadFile(fs::path(TARVOS_DATA_DIR) / "IEC-Industrial.STP");
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < content.size()) {
    auto end = content.find("\r\n", from);
    if (end == std::string::npos) end = content.size();
    lines.push_back(content.substr(from, end - from));
    from = end + 2;
  }
  if (lines.size() < 21) return false;
  char step_text[32];
  std::snprintf(step_text, sizeof step_text, "%8.2f", step);
  lines[5] = std::to_string(start_hz);
  lines[6] = std::to_string(finish_hz);
  lines[7] = step_text;
  std::string written;
  for (const std::string& line : lines) written += line + "\r\n";
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out << written;
  return static_cast<bool>(out.flush());
}

struct Scan {
  std::string name;   // "short", "cut"
  std::string label;  // for the table
  fs::path setup;
};

// ---------------------------------------------------------------------------------------
// An X server of our own, for the window runs

class XServer {
 public:
  // Starts Xvfb on a display it chooses; empty display when there is none.
  explicit XServer(const fs::path& log) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out >= 0) {
        ::dup2(out, STDOUT_FILENO);
        ::dup2(out, STDERR_FILENO);
      }
      const std::string fd = std::to_string(fds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
               "tcp", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
      ::close(fds[0]);
      return;
    }
    pid_ = pid;
    std::string number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    ::close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~XServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = 0;
  std::string display_;
};

// ---------------------------------------------------------------------------------------
// The table

struct Row {
  std::string figure;
  std::optional<double> value;
  std::string unit;
  double goal = 0;
  bool at_most = true;  // the goal is an upper bound (else a lower one)
  int decimals = 2;
};

std::string Fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

void PrintTable(const std::vector<Row>& rows) {
  std::size_t width = 6;
  for (const Row& row : rows) width = std::max(width, row.figure.size());
  std::printf("\n%-*s | %14s | %14s | %s\n", static_cast<int>(width), "figure", "measured", "goal",
              "ok/MISSED");
  std::printf("%s\n", std::string(width + 48, '-').c_str());
  int missed = 0;
  for (const Row& row : rows) {
    const std::string goal = (row.at_most ? "<= " : ">= ") + Fixed(row.goal, row.decimals) +
                             (row.unit.empty() ? "" : " " + row.unit);
    std::string measured = "n/a";
    std::string verdict = "MISSED";
    if (row.value) {
      measured = Fixed(*row.value, row.decimals) + (row.unit.empty() ? "" : " " + row.unit);
      const bool ok = row.at_most ? *row.value <= row.goal : *row.value >= row.goal;
      verdict = ok ? "ok" : "MISSED";
    }
    if (verdict != "ok") ++missed;
    std::printf("%-*s | %14s | %14s | %s\n", static_cast<int>(width), row.figure.c_str(),
                measured.c_str(), goal.c_str(), verdict.c_str());
  }
  std::printf("%s\n%d of %zu figures missed their goal\n", std::string(width + 48, '-').c_str(),
              missed, rows.size());
}

std::optional<double> Ratio(std::optional<double> a, std::optional<double> b) {
  if (!a || !b || *b == 0) return std::nullopt;
  return *a / *b;
}

std::string Shown(std::optional<double> value, int decimals) {
  return value ? Fixed(*value, decimals) : "n/a";
}

}  // namespace

int main(int argc, char** argv) {
  bool quick = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      quick = true;
    } else {
      std::fprintf(stderr, "usage: bench_report [--quick]\n");
      return 2;
    }
  }
  const fs::path bench_dir = TARVOS_BENCH_DIR;
  const fs::path work = bench_dir / "report";
  std::error_code ignored;
  fs::remove_all(work, ignored);
  fs::create_directories(work);
  const auto folder = [&](const std::string& name) {
    const fs::path path = work / name;
    fs::create_directories(path);
    return path.string();
  };
  const auto child = [&](const std::string& name, std::vector<std::string> args) {
    Child c;
    c.name = name;
    c.argv = std::move(args);
    c.out = work / (name + ".out");
    c.err = work / (name + ".err");
    return c;
  };

  const std::vector<Scan> scans = {
      {"short", "short scan (100-120 MHz, 5 %)", work / "short.STP"},
      {"cut", "IEC industrial 80-120 MHz", work / "cut.STP"},
  };
  const fs::path fine_setup = work / "fine.STP";
  if (!WriteCutSetup(scans[0].setup, 100'000'000, 120'000'000, 5.0) ||
      !WriteCutSetup(scans[1].setup, 80'000'000, 120'000'000, 1.0) ||
      !WriteCutSetup(fine_setup, 80'000'000, 1'000'000'000, 0.26)) {
    std::fprintf(stderr, "bench_report: cannot write the setups into %s\n", work.c_str());
    return 1;
  }
  // A program folder in memory, where there is one: the long scan's throughput is then
  // the program's, not that of the disk's flushes of the recovery file at every step.
  const fs::path memory_root = "/dev/shm";
  const bool have_memory = fs::is_directory(memory_root, ignored);
  const fs::path memory_work =
      memory_root / ("tarvos-bench-" + std::to_string(static_cast<long>(::getpid())));
  const auto batch = [&](const std::string& name, const fs::path& setup, bool virtual_time,
                         bool in_memory = false) {
    std::string program_folder = folder("pf-" + name);
    if (in_memory && have_memory) {
      program_folder = (memory_work / name).string();
      fs::create_directories(program_folder, ignored);
    }
    std::vector<std::string> args = {TARVOS_EXE,
                                     "--batch",
                                     setup.string(),
                                     "--results",
                                     (work / (name + ".RF")).string(),
                                     "--program-folder",
                                     program_folder,
                                     "--sim-seed",
                                     "1"};
    if (virtual_time) args.push_back("--virtual-time");
    return child(name, args);
  };

  // The simulator's library named as a vendor's would be, loaded in the program or served
  // by the adapter helper. A named library's program folder is not seeded: the files the
  // start-up reads are put there by hand, as a lab's installation has them.
  const auto library_batch = [&](const std::string& name, const fs::path& setup, bool helper) {
    const std::string program_folder = folder("pf-" + name);
    for (const char* file : {"cell0010.csv", "Salvo.INI", "BrevantUSB.TXT"}) {
      fs::copy_file(fs::path(TARVOS_DATA_DIR) / file, fs::path(program_folder) / file,
                    fs::copy_options::overwrite_existing, ignored);
    }
    std::vector<std::string> args = {TARVOS_EXE,       "--batch",
                                     setup.string(),   "--results",
                                     (work / (name + ".RF")).string(),
                                     "--program-folder", program_folder,
                                     "--adapters",     TARVOS_SIM_LIBRARY};
    if (helper) args.push_back("--adapter-process");
    return child(name, args);
  };

  std::printf("bench_report: outputs in %s\n", work.c_str());
  std::printf("one after another (each keeps a core busy):\n");
  std::fflush(stdout);
  std::map<std::string, Child> done;
  const auto run_alone = [&](Child c) {
    if (Spawn(c)) WaitAll({&c});
    Report(c);
    done[c.name] = c;
  };
  for (const Scan& scan : scans) run_alone(batch("virtual-" + scan.name, scan.setup, true));
  run_alone(batch("virtual-fine", fine_setup, true, true));
  run_alone(batch("virtual-fine-disk", fine_setup, true));
  fs::remove_all(memory_work, ignored);
  run_alone(
      child("tarvos_bench", {(bench_dir / "tarvos_bench").string(), "--benchmark_format=json"}));
  run_alone(child("adapter_calls_bench",
                  {(bench_dir / "adapter_calls_bench").string(), "--benchmark_format=json"}));
  {
    Child graph =
        child("graph_bench", {(bench_dir / "graph_bench").string(), "--benchmark_format=json"});
    graph.env = {{"QT_QPA_PLATFORM", "offscreen"}};
    run_alone(graph);
  }

  std::printf("side by side on the real clock (the instruments set the pace; some minutes):\n");
  std::fflush(stdout);
  XServer x(work / "xvfb.log");
  std::vector<std::pair<std::string, std::optional<std::string>>> window_env;
  if (x.Display().empty()) {
    window_env = {{"QT_QPA_PLATFORM", "offscreen"}};
  } else {
    window_env = {{"DISPLAY", x.Display()},
                  {"QT_QPA_PLATFORM", std::nullopt},
                  {"WAYLAND_DISPLAY", std::nullopt}};
  }
  std::vector<Child> real;
  real.reserve(10);
  for (const Scan& scan : scans) real.push_back(batch("real-" + scan.name, scan.setup, false));
  real.push_back(library_batch("library-short", scans[0].setup, false));
  real.push_back(library_batch("helper-short", scans[0].setup, true));
  for (const Scan& scan : scans) {
    Child w = child("window-" + scan.name,
                    {(bench_dir / "window_scan_bench").string(), "--setup", scan.setup.string()});
    w.env = window_env;
    real.push_back(w);
  }
  {
    Child r = child("window-response", {(bench_dir / "window_response_bench").string(), "--stops",
                                        quick ? "20" : "100"});
    r.env = window_env;
    real.push_back(r);
    Child q = child("qt_loop_bench", {(bench_dir / "qt_loop_bench").string()});
    q.env = {{"QT_QPA_PLATFORM", "offscreen"}};
    real.push_back(q);
  }
  const std::string load_before = ReadFile("/proc/loadavg");
  std::vector<Child*> running;
  for (Child& c : real) {
    if (Spawn(c)) running.push_back(&c);
  }
  WaitAll(running);
  for (Child& c : real) {
    Report(c);
    done[c.name] = c;
  }

  // --- the figures
  std::vector<Row> rows;
  std::vector<std::string> raw;
  const std::string core = done["tarvos_bench"].Stdout();
  const std::string graph = done["graph_bench"].Stdout();

  for (const Scan& scan : scans) {
    const Child& r = done["real-" + scan.name];
    const Child& v = done["virtual-" + scan.name];
    const auto real_ms = RunTimeMs(r.Stdout());
    const auto virtual_ms = RunTimeMs(v.Stdout());
    rows.push_back({"1 overhead, batch " + scan.label + ": real/virtual run time",
                    Ratio(real_ms, virtual_ms), "", 1.02, true, 4});
    raw.push_back("batch " + scan.name + ": real run time " + Shown(real_ms, 0) + " ms (" +
                  std::to_string(StepLines(r.Stdout())) + " steps, exit " +
                  std::to_string(WEXITSTATUS(r.status)) + "), virtual run time " +
                  Shown(virtual_ms, 0) + " ms (" + std::to_string(StepLines(v.Stdout())) +
                  " steps, exit " + std::to_string(WEXITSTATUS(v.status)) + ")");
  }
  for (const Scan& scan : scans) {
    const Child& r = done["real-" + scan.name];
    rows.push_back(
        {"2 CPU, batch " + scan.label, Ratio(100 * r.cpu_s, r.WallS()), "% core", 2.0, true, 3});
    raw.push_back("batch " + scan.name + " real clock: wall " + Fixed(r.WallS(), 2) + " s, CPU " +
                  Fixed(r.cpu_s, 3) + " s (user+sys of the process)");
  }
  {
    // The same library in the program and behind the helper: the helper's pipes must not
    // slow the run nor cost CPU while it waits on the instruments.
    const Child& in_process = done["library-short"];
    const Child& helper = done["helper-short"];
    const auto library_ms = RunTimeMs(in_process.Stdout());
    const auto helper_ms = RunTimeMs(helper.Stdout());
    rows.push_back({"1 overhead, adapter helper " + scans[0].label + ": helper/in-process",
                    Ratio(helper_ms, library_ms), "", 1.01, true, 4});
    rows.push_back({"2 CPU, adapter helper " + scans[0].label + " (both processes)",
                    Ratio(100 * helper.cpu_s, helper.WallS()), "% core", 1.0, true, 3});
    raw.push_back("library short scan: in process run time " + Shown(library_ms, 0) + " ms (" +
                  std::to_string(StepLines(in_process.Stdout())) + " steps, " +
                  Fixed(in_process.cpu_s, 3) + " s CPU), through the helper " +
                  Shown(helper_ms, 0) + " ms (" + std::to_string(StepLines(helper.Stdout())) +
                  " steps, " + Fixed(helper.cpu_s, 3) + " s CPU of the program and its helper, " +
                  Fixed(helper.WallS(), 2) + " s wall); the same frequencies: " +
                  (!StepFrequencies(helper.Stdout()).empty() &&
                           StepFrequencies(helper.Stdout()) == StepFrequencies(in_process.Stdout())
                       ? "yes"
                       : "NO"));
    const std::string calls = done["adapter_calls_bench"].Stdout();
    for (const char* name : {"ReadPortCalls", "I2cRoundTrips"}) {
      const std::string base = name;
      raw.push_back("adapter calls, " + base + ": " +
                    Shown(BenchmarkValue(calls, base + "/helper:0", "calls/s"), 0) +
                    " calls/s in process, " +
                    Shown(BenchmarkValue(calls, base + "/helper:1", "calls/s"), 0) +
                    " calls/s through the helper");
    }
  }
  for (const Scan& scan : scans) {
    const Child& w = done["window-" + scan.name];
    const std::string out = w.Stdout();
    rows.push_back(
        {"2 CPU, window " + scan.label, ResultValue(out, "cpu_percent"), "% core", 2.0, true, 3});
    raw.push_back("window " + scan.name + " (" + ResultText(out, "platform") + "): run wall " +
                  Shown(ResultValue(out, "wall_s"), 2) + " s, run CPU " +
                  Shown(ResultValue(out, "cpu_s"), 3) + " s, " +
                  Shown(ResultValue(out, "steps"), 0) + " steps; whole process " +
                  Fixed(w.WallS(), 2) + " s wall, " + Fixed(w.cpu_s, 3) + " s CPU");
  }
  {
    const std::string out = done["window-response"].Stdout();
    rows.push_back(
        {"3 STOP post to handler, median", ResultValue(out, "stop_median_ms"), "ms", 5.0, true, 3});
    rows.push_back(
        {"3 STOP post to handler, p99", ResultValue(out, "stop_p99_ms"), "ms", 5.0, true, 3});
    rows.push_back({"3 repaint post to paintEvent, median", ResultValue(out, "paint_median_ms"),
                    "ms", 5.0, true, 3});
    rows.push_back({"3 repaint post to paintEvent, p99", ResultValue(out, "paint_p99_ms"), "ms",
                    5.0, true, 3});
    const auto split = [&](const std::string& key) {
      return Shown(ResultValue(out, key + "_n"), 0) + " posts, median " +
             Shown(ResultValue(out, key + "_median_ms"), 3) + " ms, p99 " +
             Shown(ResultValue(out, key + "_p99_ms"), 3) + " ms, max " +
             Shown(ResultValue(out, key + "_max_ms"), 3) + " ms, lost " +
             Shown(ResultValue(out, key + "_lost"), 0) + "; p99 less CPU queueing " +
             Shown(ResultValue(out, key + "_p99_unqueued_ms"), 3) +
             " ms; slowest 1 %: " + Shown(ResultValue(out, key + "_slow_ms"), 3) +
             " ms, of it working " + Shown(ResultValue(out, key + "_slow_busy_ms"), 3) +
             " ms, queued for a CPU " + Shown(ResultValue(out, key + "_slow_queued_ms"), 3) + " ms";
    };
    raw.push_back("response (" + ResultText(out, "platform") + ", " +
                  Shown(ResultValue(out, "runs"), 0) + " runs): STOP " + split("stop"));
    raw.push_back("response: repaint during runs " + split("paint"));
    raw.push_back("response, idle window: posted call " + split("idle_post"));
    raw.push_back("response, idle window: repaint " + split("idle_paint"));
  }
  {
    // The redraw and the open only compute: their CPU time is what they take on a machine
    // of their own (the wall time on a shared one adds the others' turns, shown below).
    // The save waits for the disk: its wall time is the figure.
    const auto redraw = BenchmarkValue(graph, "RedrawGraph2000", "cpu_time");
    const auto redraw_wall = BenchmarkValue(graph, "RedrawGraph2000", "real_time");
    const auto redraw_prescan = BenchmarkValue(graph, "RedrawGraph2000WithPreScan", "cpu_time");
    const auto save = BenchmarkValue(core, "SaveResultsFile2000", "real_time");
    const auto save_cpu = BenchmarkValue(core, "SaveResultsFile2000", "cpu_time");
    const auto open = BenchmarkValue(core, "OpenResultsFile2000", "cpu_time");
    const auto open_wall = BenchmarkValue(core, "OpenResultsFile2000", "real_time");
    rows.push_back({"4 graph redraw, 2000 results", redraw, "ms", 5.0, true, 3});
    rows.push_back({"4 results file save, 2000 entries", save, "ms", 100.0, true, 3});
    rows.push_back({"4 results file open, 2000 entries", open, "ms", 100.0, true, 3});
    // Start-up of the window that ran the short scan: from the spawn to the end of
    // start-up, less the start-up timer and start-up's own waits.
    const Child& w = done["window-short"];
    const std::string out = w.Stdout();
    const auto ready_ns = ResultValue(out, "ready_ns");
    const auto timer_ms = ResultValue(out, "start_timer_ms");
    const auto waits_ms = ResultValue(out, "startup_waits_ms");
    std::optional<double> startup;
    std::optional<double> ready_ms;
    if (ready_ns && *ready_ns > 0 && timer_ms && waits_ms) {
      ready_ms = (*ready_ns - static_cast<double>(w.started_ns)) / 1e6;
      startup = *ready_ms - *timer_ms - *waits_ms;
    }
    rows.push_back({"4 start-up to ready, less its fixed waits", startup, "ms", 500.0, true, 1});
    raw.push_back("graph redraw: CPU " + Shown(redraw, 3) + " ms, wall " + Shown(redraw_wall, 3) +
                  " ms; with the pre-scan curve CPU " + Shown(redraw_prescan, 3) + " ms");
    raw.push_back("results file: save wall " + Shown(save, 3) + " ms of which CPU " +
                  Shown(save_cpu, 3) + " ms (the rest is the disk's fsync); open CPU " +
                  Shown(open, 3) + " ms, wall " + Shown(open_wall, 3) + " ms, next index read " +
                  Shown(BenchmarkValue(core, "OpenResultsFile2000", "entries_read"), 0));
    raw.push_back("start-up (window, " + ResultText(out, "platform") + "): ready " +
                  Shown(ready_ms, 1) + " ms after spawn = start-up timer " + Shown(timer_ms, 0) +
                  " ms + start-up waits " + Shown(waits_ms, 0) + " ms + the program's own " +
                  Shown(startup, 1) + " ms");
    const auto main_ns = ResultValue(out, "main_ns");
    const auto station_ns = ResultValue(out, "station_ns");
    if (main_ns && station_ns && ready_ns && timer_ms && waits_ms) {
      raw.push_back("start-up, the program's own: spawn to main " +
                    Fixed((*main_ns - static_cast<double>(w.started_ns)) / 1e6, 1) +
                    " ms (loading), main to station made " +
                    Fixed((*station_ns - *main_ns) / 1e6, 1) +
                    " ms (Qt, display, folder), station made to ready less timer and waits " +
                    Fixed((*ready_ns - *station_ns) / 1e6 - *timer_ms - *waits_ms, 1) + " ms");
    }
  }
  {
    const Child& v = done["virtual-fine"];
    const int steps = StepLines(v.Stdout());
    const auto rate = v.WallS() > 0 ? std::optional<double>(steps / v.WallS()) : std::nullopt;
    rows.push_back({std::string("5 virtual-time throughput, 80-1000 MHz 0.26 %") +
                        (have_memory ? ", folder in memory" : ", folder on the disk"),
                    rate, "steps/s", 1000.0, false, 0});
    const Child& d = done["virtual-fine-disk"];
    const int disk_steps = StepLines(d.Stdout());
    raw.push_back("virtual fine scan, program folder on the disk (a flushed recovery file at "
                  "every step): " +
                  std::to_string(disk_steps) + " steps in " + Fixed(d.WallS(), 2) + " s wall, " +
                  (d.WallS() > 0 ? Fixed(disk_steps / d.WallS(), 0) : std::string("n/a")) +
                  " steps/s");
    raw.push_back("virtual fine scan: " + std::to_string(steps) + " steps in " +
                  Fixed(v.WallS(), 2) + " s wall, " + Fixed(v.cpu_s, 3) + " s CPU (" +
                  (v.cpu_s > 0 ? Fixed(steps / v.cpu_s, 0) : std::string("n/a")) +
                  " steps per CPU second), run time " + Shown(RunTimeMs(v.Stdout()), 0) +
                  " ms on its clock");
    raw.push_back("levelled steps on virtual time (link and simulator only): " +
                  Shown(BenchmarkValue(core, "LevelledStepsOnVirtualTime", "steps/s"), 0) +
                  " steps/s, failed " +
                  Shown(BenchmarkValue(core, "LevelledStepsOnVirtualTime", "failed"), 0));
  }
  {
    const std::string out = done["qt_loop_bench"].Stdout();
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with("DispatchUntil") || line.starts_with("SleepUntil")) {
        raw.push_back("qt loop: " + line);
      }
    }
  }

  PrintTable(rows);
  std::printf("\nraw numbers:\n");
  for (const std::string& line : raw) std::printf("  %s\n", line.c_str());
  int failed = 0;
  for (const auto& [name, c] : done) {
    // A batch run ended by the result limit or a stop has its own status; the scans
    // here all reach their last step.
    if (!c.Succeeded()) {
      ++failed;
      std::printf("  %s exited with %d: see %s\n", name.c_str(),
                  WIFEXITED(c.status) ? WEXITSTATUS(c.status) : 128 + WTERMSIG(c.status),
                  c.err.c_str());
    }
  }
  std::printf("  load average at the start of the real-clock runs: %s", load_before.c_str());
  std::printf("  load average at the end:                          %s",
              ReadFile("/proc/loadavg").c_str());
  return failed == 0 ? 0 : 1;
}

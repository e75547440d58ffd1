// How soon the window answers while a run waits on the real clock. The main window runs
// the IEC industrial scan on the simulated test set; a second thread, standing in for the
// window system, posts at random moments
//   - a repaint of the whole main window (update()), timed to its paint event, and
//   - a click of the STOP button (the RUN button during a run), timed to the moment the
//     click reaches the button, just before the STOP handler runs.
// Each STOP ends the run; the next run starts at once, and the next STOP follows a random
// time into it. Every post waits for its answer before the next one goes, so each answer
// belongs to one post. Before the runs, the same posts (repaints, and plain posted calls
// in place of STOP) go to the idle window: the floor that the machine and Qt set.
//
// Each answer's time is split three ways from the window thread's own accounts: its CPU
// time (the program working before it took the post), its time queued for a CPU
// (/proc schedstat: the machine busy with others), and the rest (asleep or blocked).
// On the offscreen platform unless a display is named.
//
//   window_response_bench [--stops N] [--seed N]
//
// The last line is for the bench driver: "result: key=value ...".

#include <pthread.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QMetaObject>
#include <QPaintEvent>
#include <QPushButton>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "window_rig.h"

namespace {

using tarvos::bench::MonotonicNs;
using namespace std::chrono_literals;

// How long an answer may take before its post counts as lost.
constexpr auto kLostAfter = 2000ms;
constexpr int kIdleRepaints = 200;
constexpr int kIdlePosts = 100;

// The window thread's clocks, readable from any thread.
struct Moment {
  int64_t ns = 0;         // monotonic
  int64_t cpu_ns = 0;     // the window thread's CPU time
  int64_t queued_ns = 0;  // the window thread's time runnable but waiting for a CPU
};

class WindowThread {
 public:
  WindowThread() : tid_(static_cast<pid_t>(::syscall(SYS_gettid))) {
    if (pthread_getcpuclockid(pthread_self(), &cpu_clock_) != 0)
      cpu_clock_ = CLOCK_THREAD_CPUTIME_ID;
    schedstat_ = "/proc/self/task/" + std::to_string(tid_) + "/schedstat";
  }
  // Called on the window thread at an answer, and on the poster just before a post.
  Moment Now(bool ns_first) const {
    Moment moment;
    if (ns_first) moment.ns = MonotonicNs();
    timespec cpu{};
    clock_gettime(cpu_clock_, &cpu);
    moment.cpu_ns = int64_t{cpu.tv_sec} * 1'000'000'000 + cpu.tv_nsec;
    moment.queued_ns = QueuedNs();
    if (!ns_first) moment.ns = MonotonicNs();
    return moment;
  }

 private:
  // The second field of schedstat: nanoseconds spent on a run queue.
  int64_t QueuedNs() const {
    FILE* file = std::fopen(schedstat_.c_str(), "r");
    if (file == nullptr) return 0;
    long long on_cpu = 0, queued = 0;
    const int got = std::fscanf(file, "%lld %lld", &on_cpu, &queued);
    std::fclose(file);
    return got == 2 ? queued : 0;
  }

  pid_t tid_;
  clockid_t cpu_clock_{};
  std::string schedstat_;
};

enum class Expect { Nothing, Paint, Stop, Plain };

// The one answer awaited, and whether a run is in its waits.
class Answers {
 public:
  explicit Answers(const WindowThread& thread) : thread_(thread) {}

  void Arm(Expect expect) {
    std::lock_guard lock(mutex_);
    expect_ = expect;
    answer_.reset();
    update_ran = false;
  }
  bool Expecting(Expect expect) const { return expect_ == expect; }
  // On the window thread.
  void Answer(Expect expect) {
    const Moment now = thread_.Now(true);
    {
      std::lock_guard lock(mutex_);
      if (expect_ != expect || answer_) return;
      answer_ = now;
      expect_ = Expect::Nothing;
    }
    changed_.notify_all();
  }
  std::optional<Moment> WaitAnswer() {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, kLostAfter, [&] { return answer_.has_value(); });
    expect_ = Expect::Nothing;
    return answer_;
  }

  void SetRunWaiting(bool waiting) {
    {
      std::lock_guard lock(mutex_);
      run_waiting_ = waiting;
    }
    changed_.notify_all();
  }
  bool RunWaiting() const { return run_waiting_; }
  bool WaitRun(bool waiting, std::chrono::seconds longest) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, longest, [&] { return run_waiting_ == waiting; });
  }

  std::atomic<bool> update_ran{false};  // the posted update() has been called

 private:
  const WindowThread& thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::atomic<Expect> expect_{Expect::Nothing};
  std::optional<Moment> answer_;
  std::atomic<bool> run_waiting_{false};
};

// Sees the paint events of the whole window that follow the posted update().
class PaintWatch final : public QObject {
 public:
  PaintWatch(QWidget& window, Answers& answers) : window_(window), answers_(answers) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &window_ && event->type() == QEvent::Paint &&
        answers_.Expecting(Expect::Paint) && answers_.update_ran &&
        static_cast<QPaintEvent*>(event)->rect().contains(window_.rect())) {
      answers_.Answer(Expect::Paint);
    }
    return false;
  }

 private:
  QWidget& window_;
  Answers& answers_;
};

struct Sample {
  double ms = 0;         // post to answer
  double busy_ms = 0;    // of which the window thread ran
  double queued_ms = 0;  // of which it waited for a CPU
};

struct Samples {
  std::vector<Sample> taken;
  int lost = 0;
};

struct Spread {
  std::size_t count = 0;
  double median_ms = 0;
  double p99_ms = 0;
  double max_ms = 0;
  double p99_unqueued_ms = 0;  // the p99 of each answer less its time queued for a CPU
  // The slowest 1 % (at least one), on average.
  double slow_ms = 0;
  double slow_busy_ms = 0;
  double slow_queued_ms = 0;
};

// Nearest rank.
double Percentile(std::vector<double> ms, double p) {
  if (ms.empty()) return 0;
  std::sort(ms.begin(), ms.end());
  const auto k = static_cast<std::size_t>(std::ceil(p * static_cast<double>(ms.size())));
  return ms[std::clamp<std::size_t>(k, 1, ms.size()) - 1];
}

Spread SpreadOf(std::vector<Sample> samples) {
  Spread spread;
  spread.count = samples.size();
  if (samples.empty()) return spread;
  std::vector<double> ms, unqueued;
  for (const Sample& s : samples) {
    ms.push_back(s.ms);
    unqueued.push_back(s.ms - s.queued_ms);
  }
  spread.median_ms = Percentile(ms, 0.5);
  spread.p99_ms = Percentile(ms, 0.99);
  spread.max_ms = *std::max_element(ms.begin(), ms.end());
  spread.p99_unqueued_ms = Percentile(unqueued, 0.99);
  std::sort(samples.begin(), samples.end(),
            [](const Sample& a, const Sample& b) { return a.ms > b.ms; });
  const std::size_t slow = std::max<std::size_t>(1, samples.size() / 100);
  for (std::size_t i = 0; i < slow; ++i) {
    spread.slow_ms += samples[i].ms / static_cast<double>(slow);
    spread.slow_busy_ms += samples[i].busy_ms / static_cast<double>(slow);
    spread.slow_queued_ms += samples[i].queued_ms / static_cast<double>(slow);
  }
  return spread;
}

struct Recorded {
  Samples stop, paint, idle_post, idle_paint;
};

// The window system's side.
class Poster {
 public:
  Poster(unsigned seed, const WindowThread& thread, QWidget& window, QPushButton& button,
         Answers& answers)
      : random_(seed), thread_(thread), window_(window), button_(button), answers_(answers) {}

  // One post and its answer.
  void Take(Expect expect, Samples& into) {
    answers_.Arm(expect);
    const Moment posted = thread_.Now(false);
    if (expect == Expect::Paint) {
      QMetaObject::invokeMethod(
          &window_,
          [this] {
            window_.update();
            answers_.update_ran = true;
          },
          Qt::QueuedConnection);
    } else if (expect == Expect::Stop) {
      QMetaObject::invokeMethod(
          &button_, [this] { button_.click(); }, Qt::QueuedConnection);
    } else {
      QMetaObject::invokeMethod(
          &button_, [this] { answers_.Answer(Expect::Plain); }, Qt::QueuedConnection);
    }
    const std::optional<Moment> answer = answers_.WaitAnswer();
    if (!answer) {
      ++into.lost;
      return;
    }
    const auto ms = [](int64_t ns) { return static_cast<double>(ns) / 1e6; };
    into.taken.push_back({ms(answer->ns - posted.ns), ms(answer->cpu_ns - posted.cpu_ns),
                          ms(answer->queued_ns - posted.queued_ns)});
  }

  // A random moment: spread over two ticks, so the posts fall at every phase of a wait.
  void SleepAWhile() { std::this_thread::sleep_for(std::chrono::microseconds(gap_us_(random_))); }
  std::chrono::milliseconds RunSpan() { return std::chrono::milliseconds(run_span_ms_(random_)); }

  // Repaints until the moment comes, then the moment itself.
  void RepaintsUntil(std::chrono::steady_clock::time_point until, Samples& into) {
    for (;;) {
      const auto next =
          std::chrono::steady_clock::now() + std::chrono::microseconds(gap_us_(random_));
      if (next >= until) break;
      std::this_thread::sleep_until(next);
      Take(Expect::Paint, into);
    }
    std::this_thread::sleep_until(until);
  }

 private:
  std::mt19937 random_;
  std::uniform_int_distribution<int> run_span_ms_{300, 1500};
  std::uniform_int_distribution<int> gap_us_{0, 110'000};
  const WindowThread& thread_;
  QWidget& window_;
  QPushButton& button_;
  Answers& answers_;
};

// The idle window first, then the runs. start_runs and give_up act on the window thread.
void PostAll(int stops, Poster& poster, Answers& answers, const std::function<void()>& start_runs,
             const std::function<void()>& give_up, Recorded& recorded) {
  for (int i = 0; i < kIdleRepaints; ++i) {
    poster.SleepAWhile();
    poster.Take(Expect::Paint, recorded.idle_paint);
  }
  for (int i = 0; i < kIdlePosts; ++i) {
    poster.SleepAWhile();
    poster.Take(Expect::Plain, recorded.idle_post);
  }
  start_runs();
  for (int stop = 0; stop < stops; ++stop) {
    if (!answers.WaitRun(true, 20s)) {
      give_up();
      return;
    }
    poster.RepaintsUntil(std::chrono::steady_clock::now() + poster.RunSpan(), recorded.paint);
    poster.Take(Expect::Stop, recorded.stop);
    // The run ends; the next one starts by itself.
    if (!answers.WaitRun(false, 20s)) {
      give_up();
      return;
    }
  }
}

void Print(const char* name, const Spread& s, int lost) {
  std::printf("  %-14s posts %4zu  median %7.3f ms  p99 %7.3f ms  max %7.3f ms  lost %d\n", name,
              s.count, s.median_ms, s.p99_ms, s.max_ms, lost);
  std::printf(
      "  %-14s p99 less CPU queueing %.3f ms; slowest 1 %%: %.3f ms = %.3f working + "
      "%.3f queued for a CPU + %.3f asleep or blocked\n",
      "", s.p99_unqueued_ms, s.slow_ms, s.slow_busy_ms, s.slow_queued_ms,
      s.slow_ms - s.slow_busy_ms - s.slow_queued_ms);
}

void Emit(const char* key, const Spread& s, int lost) {
  std::printf(
      " %s_n=%zu %s_median_ms=%.3f %s_p99_ms=%.3f %s_max_ms=%.3f %s_lost=%d "
      "%s_p99_unqueued_ms=%.3f %s_slow_ms=%.3f %s_slow_busy_ms=%.3f "
      "%s_slow_queued_ms=%.3f",
      key, s.count, key, s.median_ms, key, s.p99_ms, key, s.max_ms, key, lost, key,
      s.p99_unqueued_ms, key, s.slow_ms, key, s.slow_busy_ms, key, s.slow_queued_ms);
}

}  // namespace

int main(int argc, char** argv) {
  int stops = 100;
  unsigned seed = 20240312;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--stops") == 0 && i + 1 < argc) {
      stops = std::atoi(argv[++i]);
    } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
      seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    } else {
      std::fprintf(stderr, "usage: window_response_bench [--stops N] [--seed N]\n");
      return 2;
    }
  }
  tarvos::bench::ChoosePlatform();
  QApplication application(argc, argv);
  tarvos::bench::SeededFolder folder;
  if (folder.Path().empty()) return 1;

  const WindowThread window_thread;
  Answers answers(window_thread);
  Recorded recorded;
  std::thread posting;
  bool opened = false;
  int runs = 0;
  {
    tarvos::bench::WindowRig rig(folder.Path());
    tarvos::station::Station& station = rig.Station();
    QWidget& window = rig.Window();
    QPushButton* button = rig.Window().ButtonNamed("RUN");
    if (button == nullptr) return 1;
    Poster poster(seed, window_thread, window, *button, answers);
    PaintWatch watch(window, answers);
    window.installEventFilter(&watch);
    QObject::connect(button, &QPushButton::pressed, button,
                     [&answers] { answers.Answer(Expect::Stop); });
    rig.AfterDispatch([&] {
      if (!answers.RunWaiting() && station.Run().Running) answers.SetRunWaiting(true);
    });

    // One run after another, each from a posted action as the operator's click would come.
    std::function<void()> next_run = [&] {
      if (runs >= stops) {
        rig.Loop().Quit();
        return;
      }
      ++runs;
      button->click();  // returns when the run has ended
      answers.SetRunWaiting(false);
      rig.Loop().Post(next_run);
    };
    const std::function<void()> start_runs = [&window, &next_run] {
      QMetaObject::invokeMethod(
          &window, [&next_run] { next_run(); }, Qt::QueuedConnection);
    };
    // Quitting ends a run in progress: its waits return and the sequence ends.
    const std::function<void()> give_up = [&window, &rig] {
      QMetaObject::invokeMethod(
          &window, [&rig] { rig.Loop().Quit(); }, Qt::QueuedConnection);
    };
    rig.OnReady([&] {
      opened = station.Files().OpenSetupFrom(folder.Path() + "IEC-Industrial.STP");
      if (!opened) {
        rig.Loop().Quit();
        return;
      }
      posting = std::thread(PostAll, stops, std::ref(poster), std::ref(answers), start_runs,
                            give_up, std::ref(recorded));
    });
    window.show();
    rig.Loop().RunUntilQuit();
    // The poster has returned by now, or returns within its longest wait.
    if (posting.joinable()) posting.join();
    window.removeEventFilter(&watch);
  }

  const Spread stop = SpreadOf(recorded.stop.taken);
  const Spread paint = SpreadOf(recorded.paint.taken);
  const Spread idle_post = SpreadOf(recorded.idle_post.taken);
  const Spread idle_paint = SpreadOf(recorded.idle_paint.taken);
  std::printf("window response (%s platform)\n",
              QGuiApplication::platformName().toUtf8().constData());
  std::printf(" the idle window:\n");
  Print("posted call", idle_post, recorded.idle_post.lost);
  Print("repaint", idle_paint, recorded.idle_paint.lost);
  std::printf(" during %d runs:\n", runs);
  Print("STOP", stop, recorded.stop.lost);
  Print("repaint", paint, recorded.paint.lost);
  std::printf("result:");
  Emit("stop", stop, recorded.stop.lost);
  Emit("paint", paint, recorded.paint.lost);
  Emit("idle_post", idle_post, recorded.idle_post.lost);
  Emit("idle_paint", idle_paint, recorded.idle_paint.lost);
  std::printf(" runs=%d platform=%s\n", runs, QGuiApplication::platformName().toUtf8().constData());
  if (!opened) std::fprintf(stderr, "window_response_bench: the IEC setup did not open\n");
  return opened && static_cast<int>(stop.count) == stops ? 0 : 1;
}

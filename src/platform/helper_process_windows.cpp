#include <windows.h>
#include <io.h>

#include <cstdio>

#include "platform/helper_process.h"
#include "platform/operator_texts.h"
#include "platform/precise_sleep.h"
#include "platform/utf16_windows.h"

namespace tarvos::platform {
namespace {

HANDLE AsHandle(long long value) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)); }
long long AsValue(HANDLE handle) { return static_cast<long long>(reinterpret_cast<intptr_t>(handle)); }

void CloseIfOpen(long long& handle) {
  if (handle != -1) ::CloseHandle(AsHandle(handle));
  handle = -1;
}

DWORD WaitMs(uint64_t deadline_ms) {
  const uint64_t now = MonotonicMs();
  if (now >= deadline_ms) return 0;
  const uint64_t left = deadline_ms - now;
  return left > 60'000 ? 60'000 : static_cast<DWORD>(left);
}

// An exit code as a person looks it up: an exception's (0xC0000005, an access
// violation) in hexadecimal, any other in decimal.
std::string ExitCodeText(DWORD code) {
  if (code < 0x80000000u) return std::to_string(code);
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(code));
  return text;
}

// A command line argument as the C runtime of the child splits it again.
std::wstring Quoted(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

// One overlapped transfer on our end of a pipe, waited for until the deadline; the
// bytes moved, or nullopt (time up: the transfer is cancelled) and closed set when the
// other end has gone.
std::optional<DWORD> Overlapped(HANDLE pipe, bool write, void* data, DWORD size,
                                uint64_t deadline_ms, bool& closed) {
  OVERLAPPED overlapped{};
  overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (overlapped.hEvent == nullptr) return std::nullopt;
  DWORD moved = 0;
  const BOOL done = write ? ::WriteFile(pipe, data, size, &moved, &overlapped)
                          : ::ReadFile(pipe, data, size, &moved, &overlapped);
  std::optional<DWORD> result;
  if (done) {
    result = moved;
  } else if (::GetLastError() == ERROR_IO_PENDING) {
    // The system's waits count in its ticks and may end a little early, and a wait is at
    // most a minute: the deadline is what ends it.
    DWORD waited = WAIT_TIMEOUT;
    do {
      waited = ::WaitForSingleObject(overlapped.hEvent, WaitMs(deadline_ms));
    } while (waited == WAIT_TIMEOUT && MonotonicMs() < deadline_ms);
    if (waited == WAIT_OBJECT_0) {
      if (::GetOverlappedResult(pipe, &overlapped, &moved, FALSE)) {
        result = moved;
      } else {
        closed = true;
      }
    } else {
      ::CancelIoEx(pipe, &overlapped);
      // What came before the cancel took is kept.
      if (::GetOverlappedResult(pipe, &overlapped, &moved, TRUE) && moved > 0) result = moved;
    }
  } else {
    closed = true;
  }
  ::CloseHandle(overlapped.hEvent);
  return result;
}

}  // namespace

HelperProcess::~HelperProcess() {
  CloseIfOpen(input_);
  if (running_) {
    // It ends when its input closes; one that does not within a moment is ended.
    if (::WaitForSingleObject(AsHandle(id_), 1000) != WAIT_OBJECT_0) Kill();
    Ended();
  }
  CloseIfOpen(output_);
  CloseIfOpen(id_);
  CloseIfOpen(job_);
}

bool HelperProcess::Start(const std::string& program, const std::vector<std::string>& args) {
  static unsigned counter = 0;
  const std::wstring base = L"\\\\.\\pipe\\tarvos-adapters-" +
                            std::to_wstring(::GetCurrentProcessId()) + L"-" +
                            std::to_wstring(++counter);
  // Our ends overlapped, so that every wait has its deadline; the child's plain.
  HANDLE to_child = ::CreateNamedPipeW((base + L"-in").c_str(),
                                       PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED |
                                           FILE_FLAG_FIRST_PIPE_INSTANCE,
                                       PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
  HANDLE from_child = ::CreateNamedPipeW((base + L"-out").c_str(),
                                         PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED |
                                             FILE_FLAG_FIRST_PIPE_INSTANCE,
                                         PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE child_in = ::CreateFileW((base + L"-in").c_str(), GENERIC_READ, 0, &inherited,
                                  OPEN_EXISTING, 0, nullptr);
  HANDLE child_out = ::CreateFileW((base + L"-out").c_str(), GENERIC_WRITE, 0, &inherited,
                                   OPEN_EXISTING, 0, nullptr);
  const auto close_all = [&] {
    for (HANDLE handle : {to_child, from_child, child_in, child_out}) {
      if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
    }
  };
  if (to_child == INVALID_HANDLE_VALUE || from_child == INVALID_HANDLE_VALUE ||
      child_in == INVALID_HANDLE_VALUE || child_out == INVALID_HANDLE_VALUE) {
    close_all();
    return false;
  }
  std::wstring command = Quoted(Widen(program));
  for (const std::string& arg : args) command += L" " + Quoted(Widen(arg));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = child_in;
  startup.hStdOutput = child_out;
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  // Started suspended, put in a job that ends it when the program's handle to the job
  // closes (the program ended, however), then let go; in a process group of its own, so
  // that the console's Ctrl+C reaches only the program, whose closing steps need it.
  const BOOL started = ::CreateProcessW(
      Widen(program).c_str(), command.data(), nullptr, nullptr, TRUE,
      CREATE_NO_WINDOW | CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
      &startup, &process);
  ::CloseHandle(child_in);
  ::CloseHandle(child_out);
  if (!started) {
    ::CloseHandle(to_child);
    ::CloseHandle(from_child);
    return false;
  }
  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  if (job != nullptr) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits,
                                   sizeof limits) ||
        !::AssignProcessToJobObject(job, process.hProcess)) {
      // A program inside a job that allows no other: the helper then ends with its input.
      ::CloseHandle(job);
      job = nullptr;
    }
  }
  ::ResumeThread(process.hThread);
  ::CloseHandle(process.hThread);
  CloseIfOpen(job_);
  if (job != nullptr) job_ = AsValue(job);
  id_ = AsValue(process.hProcess);
  input_ = AsValue(to_child);
  output_ = AsValue(from_child);
  running_ = true;
  ended_.reset();
  return true;
}

bool HelperProcess::Write(std::string_view bytes, uint64_t deadline_ms) {
  if (input_ == -1) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    bool closed = false;
    const auto wrote = Overlapped(AsHandle(input_), true, const_cast<char*>(bytes.data() + done),
                                  static_cast<DWORD>(bytes.size() - done), deadline_ms, closed);
    if (!wrote || *wrote == 0) return false;
    done += *wrote;
  }
  return true;
}

std::optional<std::string> HelperProcess::Read(uint64_t deadline_ms) {
  if (output_ == -1) return std::nullopt;
  char buffer[4096];
  bool closed = false;
  const auto got = Overlapped(AsHandle(output_), false, buffer, sizeof buffer, deadline_ms, closed);
  if (closed || (got && *got == 0)) {
    CloseIfOpen(output_);
    return std::nullopt;
  }
  if (!got) return std::nullopt;
  return std::string(buffer, *got);
}

std::optional<std::string> HelperProcess::Ended() {
  if (!running_) return ended_;
  if (::WaitForSingleObject(AsHandle(id_), 0) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  ::GetExitCodeProcess(AsHandle(id_), &code);
  running_ = false;
  ended_ = FillText(kAdapterProcessExitedText, {ExitCodeText(code)});
  return ended_;
}

void HelperProcess::Kill() {
  if (!running_) return;
  ::TerminateProcess(AsHandle(id_), 1);
  // A process in the middle of a driver call ends only when the call returns: the wait
  // is bounded, and one that does not end is left (and said).
  if (::WaitForSingleObject(AsHandle(id_), static_cast<DWORD>(kKillWaitMs)) == WAIT_OBJECT_0) {
    Ended();
  } else {
    running_ = false;
    stuck_ = true;
    ended_ = FillText(kAdapterProcessExitedText, {"unknown"});
  }
  CloseIfOpen(input_);
}

HelperChannel::HelperChannel() {
  // Copies of the handles: pointing the runtime's standard output elsewhere closes its own.
  HANDLE input = nullptr;
  HANDLE output = nullptr;
  ::DuplicateHandle(::GetCurrentProcess(), ::GetStdHandle(STD_INPUT_HANDLE),
                    ::GetCurrentProcess(), &input, 0, FALSE, DUPLICATE_SAME_ACCESS);
  ::DuplicateHandle(::GetCurrentProcess(), ::GetStdHandle(STD_OUTPUT_HANDLE),
                    ::GetCurrentProcess(), &output, 0, FALSE, DUPLICATE_SAME_ACCESS);
  input_ = AsValue(input);
  output_ = AsValue(output);
  // From now on what the library prints goes to standard error.
  ::SetStdHandle(STD_OUTPUT_HANDLE, ::GetStdHandle(STD_ERROR_HANDLE));
  ::_dup2(::_fileno(stderr), ::_fileno(stdout));
}

HelperChannel::~HelperChannel() {
  CloseIfOpen(input_);
  CloseIfOpen(output_);
}

std::optional<std::string> HelperChannel::Read() {
  char buffer[4096];
  DWORD got = 0;
  if (!::ReadFile(AsHandle(input_), buffer, sizeof buffer, &got, nullptr) || got == 0) {
    return std::nullopt;
  }
  return std::string(buffer, got);
}

bool HelperChannel::Write(std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    if (!::WriteFile(AsHandle(output_), bytes.data() + done,
                     static_cast<DWORD>(bytes.size() - done), &wrote, nullptr) ||
        wrote == 0) {
      return false;
    }
    done += wrote;
  }
  return true;
}

}  // namespace tarvos::platform

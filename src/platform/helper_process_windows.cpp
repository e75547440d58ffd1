#include <windows.h>
#include <io.h>
#include <sddl.h>

#include <cstdio>
#include <cwchar>
#include <initializer_list>
#include <random>
#include <vector>

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

// 128 random bits in hexadecimal, from the system's generator.
std::wstring RandomName() {
  std::random_device random;
  std::wstring name;
  for (int part = 0; part < 4; ++part) {
    wchar_t text[9];
    std::swprintf(text, 9, L"%08x", static_cast<unsigned>(random()));
    name += text;
  }
  return name;
}

// A security descriptor that admits only the user the program runs as (nullptr when it
// cannot be made: the system's default then, which admits that user too).
class PrivateSecurity {
 public:
  PrivateSecurity() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> user(size);
    wchar_t* sid = nullptr;
    if (size > 0 && ::GetTokenInformation(token, TokenUser, user.data(), size, &size) &&
        ::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid, &sid)) {
      const std::wstring text = std::wstring(L"D:P(A;;GA;;;") + sid + L")";
      ::LocalFree(sid);
      if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(text.c_str(), SDDL_REVISION_1,
                                                                  &descriptor_, nullptr)) {
        descriptor_ = nullptr;
      }
    }
    ::CloseHandle(token);
  }
  ~PrivateSecurity() {
    if (descriptor_ != nullptr) ::LocalFree(descriptor_);
  }
  PrivateSecurity(const PrivateSecurity&) = delete;
  PrivateSecurity& operator=(const PrivateSecurity&) = delete;
  PSECURITY_DESCRIPTOR Descriptor() const { return descriptor_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

// The list of the handles a child may inherit (nullptr when the system keeps none: then
// it inherits every inheritable handle, as before such lists).
class InheritedHandles {
 public:
  explicit InheritedHandles(std::initializer_list<HANDLE> handles) {
    for (HANDLE handle : handles) {
      if (handle != nullptr && handle != INVALID_HANDLE_VALUE) handles_.push_back(handle);
    }
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    buffer_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    if (size == 0 || !::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                     handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
      ::DeleteProcThreadAttributeList(list);
      return;
    }
    list_ = list;
  }
  ~InheritedHandles() {
    if (list_ != nullptr) ::DeleteProcThreadAttributeList(list_);
  }
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;
  LPPROC_THREAD_ATTRIBUTE_LIST List() const { return list_; }

 private:
  std::vector<HANDLE> handles_;
  std::vector<char> buffer_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

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
  // A name no other program can guess, a pipe only this user may open, and none from
  // another computer.
  const std::wstring base = L"\\\\.\\pipe\\tarvos-adapters-" + RandomName();
  PrivateSecurity security;
  SECURITY_ATTRIBUTES private_pipe{sizeof(SECURITY_ATTRIBUTES), security.Descriptor(), FALSE};
  SECURITY_ATTRIBUTES* pipe_security = security.Descriptor() != nullptr ? &private_pipe : nullptr;
  constexpr DWORD kPipeMode = PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;
  // Our ends overlapped, so that every wait has its deadline; the child's plain.
  HANDLE to_child = ::CreateNamedPipeW(
      (base + L"-in").c_str(),
      PIPE_ACCESS_OUTBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE, kPipeMode, 1,
      4096, 4096, 0, pipe_security);
  HANDLE from_child = ::CreateNamedPipeW(
      (base + L"-out").c_str(),
      PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE, kPipeMode, 1,
      4096, 4096, 0, pipe_security);
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
  // Its error output is the program's, in a copy it may inherit.
  HANDLE child_error = nullptr;
  const HANDLE own_error = ::GetStdHandle(STD_ERROR_HANDLE);
  if (own_error != nullptr && own_error != INVALID_HANDLE_VALUE &&
      !::DuplicateHandle(::GetCurrentProcess(), own_error, ::GetCurrentProcess(), &child_error,
                         0, TRUE, DUPLICATE_SAME_ACCESS)) {
    child_error = nullptr;
  }
  std::wstring command = Quoted(Widen(program));
  for (const std::string& arg : args) command += L" " + Quoted(Widen(arg));
  // It inherits these handles and no other of the program's (a script reading the
  // program's output through a pipe sees its end when the program ends).
  InheritedHandles handles({child_in, child_out, child_error});
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = child_in;
  startup.StartupInfo.hStdOutput = child_out;
  startup.StartupInfo.hStdError = child_error;
  startup.lpAttributeList = handles.List();
  PROCESS_INFORMATION process{};
  // Started suspended, put in a job that ends it when the program's handle to the job
  // closes (the program ended, however), then let go; in a process group of its own, so
  // that the console's Ctrl+C reaches only the program, whose closing steps need it.
  constexpr DWORD kFlags = CREATE_NO_WINDOW | CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP;
  BOOL started = FALSE;
  if (handles.List() != nullptr) {
    started = ::CreateProcessW(Widen(program).c_str(), command.data(), nullptr, nullptr, TRUE,
                               kFlags | EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr,
                               &startup.StartupInfo, &process);
  }
  if (!started) {
    // A system that keeps no such list (or refuses one): the plain inheritance.
    startup.StartupInfo.cb = sizeof(STARTUPINFOW);
    started = ::CreateProcessW(Widen(program).c_str(), command.data(), nullptr, nullptr, TRUE,
                               kFlags, nullptr, nullptr, &startup.StartupInfo, &process);
  }
  if (child_error != nullptr) ::CloseHandle(child_error);
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

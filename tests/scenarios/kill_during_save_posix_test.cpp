// The program killed in the middle of a save, for every kind of file it writes: the file
// is always one whole version or the other, never a part of one.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "calib/settings_file.h"
#include "records/record_files_context.h"
#include "scenarios/scan_helpers.h"
#include "scenarios/station_rig.h"
#include "station/dialogs.h"
#include "station/recovery.h"

namespace tarvos::scenarios {
namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One kind of save: which file it writes, and a save of version 0 or 1 of its content.
struct SaveKind {
  std::string Name;
  std::string Path;
  std::function<void(int version)> Save;
};

// Saves both versions once to learn their bytes, then kills children in the middle of
// saving: at chosen bytes of the write, and at random moments of saves made without end;
// after each kill the file must be one version whole.
void KillDuringSaves(const SaveKind& kind) {
  SCOPED_TRACE(kind.Name);
  kind.Save(1);
  const std::string one = ReadAll(kind.Path);
  kind.Save(0);
  const std::string zero = ReadAll(kind.Path);
  ASSERT_FALSE(zero.empty());
  ASSERT_NE(zero, one) << "the two versions must differ";

  // Killed in the middle of writing its bytes: the file size limit stops the process
  // with SIGXFSZ at the first byte, half way and at the last byte of the new version.
  for (const std::size_t limit : {std::size_t{1}, one.size() / 2, one.size() - 1}) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::signal(SIGXFSZ, SIG_DFL);
      const rlimit size{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
      ::setrlimit(RLIMIT_FSIZE, &size);
      const rlimit no_core{0, 0};
      ::setrlimit(RLIMIT_CORE, &no_core);
      kind.Save(1);
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ)
        << "a save of " << one.size() << " bytes under a limit of " << limit << " was not stopped";
    ASSERT_EQ(ReadAll(kind.Path), zero) << "stopped at byte " << limit;
  }

  // Killed at any moment: in the write, the flush to the disk or the rename.
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> delay_us(200, 8000);
  constexpr int kKills = 25;
  for (int kill = 0; kill < kKills; ++kill) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int version = 1;; version ^= 1) kind.Save(version);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child ended on its own";
    const std::string now = ReadAll(kind.Path);
    ASSERT_TRUE(now == zero || now == one)
        << "kill " << kill << " left " << now.size() << " bytes, not " << zero.size() << " or "
        << one.size();
  }
}

// A started station with a run done, so that every file has something to hold.
struct SaveRig : StationRig {
  SaveRig() {
    PrepareSmallScan(*this);
    St().PressPreScan();
    St().PressRun();
    TakeTexts();
    op.SetDefaultAnswer(true);
  }

  records::RecordFilesContext Files() {
    return records::RecordFilesContext{St().Records(), St().Setup(), St().Results(),
                                       St().PreScan(), St().Screen(), St().Link().AmplifierConfig,
                                       St().Config().FileDelimiter, nullptr, nullptr,
                                       [] { return std::string("9 December 2026 08:00"); }};
  }
};

TEST(KillDuringSaveTest, EveryKindOfSaveLeavesAWholeFile) {
  SaveRig rig;
  station::Station& st = rig.St();
  const std::string& folder = rig.folder.Path();

  // Cell files to install, from two supply folders that differ in one value.
  for (int version = 0; version < 2; ++version) {
    const std::string supply = folder + "supply" + std::to_string(version) + "/";
    std::filesystem::create_directories(supply);
    std::string cell = ReadAll(rig.folder.File("cell0010.csv"));
    cell += version == 0 ? "4294,0.466,0.745,1.015,1.410\r\n" : "4294,0.467,0.745,1.015,1.410\r\n";
    std::ofstream(supply + "cell0010.csv", std::ios::binary) << cell;
  }
  station::RecoveryFile recovery(folder, rig.op);

  const std::vector<SaveKind> kinds = {
      {"results", folder + "kept.RF",
       [&](int version) {
         st.Records().DisplayTitle = version == 0 ? "first title" : "second title";
         st.Files().SaveResultsTo(folder + "kept.RF");
       }},
      {"setup", folder + "kept.STP",
       [&](int version) {
         st.Setup().DwellTime = version == 0 ? 1 : 2;
         st.Files().SaveSetupTo(folder + "kept.STP");
       }},
      {"pre-scan", folder + "kept.psc",
       [&](int version) {
         st.PreScan().Entries[1].DacValue = version == 0 ? 1000 : 2000;
         st.Files().SavePreScansTo(folder + "kept.psc");
       }},
      {"settings", folder + "Tarvos.INI",
       [&](int version) {
         st.Config().CellSerial = version == 0 ? "10" : "11";
         calib::SettingsContext settings{st.Config(), st.Setup(), st.Cell(), st.Link(),
                                         st.Screen(), rig.op,     nullptr};
         calib::SaveSettings(settings);
       }},
      {"diagnostics list", folder + "list.txt",
       [&](int version) {
         station::WriteDiagnosticsList(
             folder + "list.txt", {"TX String 03,20,00,04", version == 0 ? "first" : "second"});
       }},
      {"installed cell file", folder + "cell0010.csv",
       [&](int version) {
         st.Config().CellSerial = "10";
         rig.op.QueueFile(folder + "supply" + std::to_string(version) + "/");
         st.InstallCellFile();
         rig.op.ClearHistory();
       }},
      {"recovery", recovery.Path(),
       [&](int version) {
         st.Results().Entries[1].Level = version == 0 ? 3.0 : 4.0;
         recovery.Save(rig.Files());
       }},
  };
  for (const SaveKind& kind : kinds) KillDuringSaves(kind);
  EXPECT_TRUE(rig.op.TextsOf(platform::MessageKind::Error).empty())
      << ::testing::PrintToString(rig.op.Texts());
}

}  // namespace
}  // namespace tarvos::scenarios

#include "records/setup_file.h"

namespace tarvos::records {
namespace {

constexpr int kNormalTestType = 0;

}  // namespace

void SaveSetupFile(const RecordFilesContext& context, const std::string& path) {
  context.SendRequestVersion();
  platform::TextWriter writer(path);
  setup::WriteSetupBlock(writer, context.Setup, context.BlockContext());
  writer.Commit();
  context.SendRequestVersion();
}

void OpenSetupFile(const RecordFilesContext& context, const std::string& path,
                   const std::function<void()>& before_close) {
  platform::TextReader reader = platform::TextReader::Open(path);
  ReadSetupFile(context, reader, before_close);
}

void ReadSetupFile(const RecordFilesContext& context, platform::TextReader& reader,
                   const std::function<void()>& before_close) {
  context.SendRequestVersion();
  setup::ReadSetupBlock(reader, context.Setup, context.BlockContext());
  context.RefreshModulation();
  if (before_close) before_close();
  context.SendRequestVersion();
}

void ApplyLoadedTestType(const setup::TestSetup& setup, engine::PreScanTable& pre_scan,
                         screen::Screen& screen) {
  const uint8_t mode = setup.TestMode;
  if (mode != setup::kStandard && mode != setup::kSingle && mode != setup::kCustom) return;
  screen.setup.test_type.index = kNormalTestType;
  screen.setup.test_type.enabled = false;
  pre_scan.Available = false;
}

}  // namespace tarvos::records

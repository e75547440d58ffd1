#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/result_store.h"
#include "records/file_records.h"
#include "screen/screen.h"
#include "setup/setup_block.h"
#include "setup/test_setup.h"

namespace tarvos::records {

// What the file routines read and write, owned by the station.
struct RecordFilesContext {
  FileRecords& Records;
  setup::TestSetup& Setup;
  engine::ResultStore& Results;
  engine::PreScanTable& PreScan;
  screen::Screen& Screen;
  uint8_t& AmplifierConfig;  // line 16 of the setup block
  // The field delimiter of entry and pre-scan rows, as the settings hold it now.
  const char& FileDelimiter;
  // The synthesiser's version request; the caller sends it only when one is present.
  std::function<void()> RequestVersion;
  // The modulation lists and labels, refreshed after every setup block read.
  std::function<void()> ShowModulation;
  // The main window's clock text at the moment of saving ("d mmmm yyyy hh:nn").
  std::function<std::string()> ClockText;

  void SendRequestVersion() const {
    if (RequestVersion) RequestVersion();
  }
  void RefreshModulation() const {
    if (ShowModulation) ShowModulation();
  }
  setup::SetupBlockContext BlockContext() const {
    return setup::SetupBlockContext{AmplifierConfig, RequestVersion, {}};
  }
};

}  // namespace tarvos::records

#pragma once

#include <functional>
#include <string>

#include "engine/result_store.h"
#include "platform/text_file.h"
#include "records/record_files_context.h"
#include "screen/screen.h"
#include "setup/test_setup.h"

namespace tarvos::records {

// The setup block alone. Throws platform::FileError; a failed save leaves the previous
// file whole.
void SaveSetupFile(const RecordFilesContext& context, const std::string& path);

// Reads the setup block of the file into the setup. before_close runs after the block
// has been read and shown, before the file is closed and the version requested again:
// the File menu applies the loaded mode there. Throws platform::FileError; values read
// before a failure stay.
void OpenSetupFile(const RecordFilesContext& context, const std::string& path,
                   const std::function<void()>& before_close = {});
// The same on a file already read in.
void ReadSetupFile(const RecordFilesContext& context, platform::TextReader& reader,
                   const std::function<void()>& before_close = {});

// A loaded normal mode (1 to 3) drops the pre-scanned choice: Test Type shows
// "Normal" and is disabled, and the pre-scan is no longer available. A pre-scanned mode
// keeps them.
void ApplyLoadedTestType(const setup::TestSetup& setup, engine::PreScanTable& pre_scan,
                         screen::Screen& screen);

}  // namespace tarvos::records

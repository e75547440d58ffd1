// Any bytes as BrevantUSB.TXT: three header lines, then at most 21 records whose first
// field is a number 0 to 255. The file is either refused whole or gives one record a
// line, each holding the line's first two fields.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "calib/adapter_descriptions.h"
#include "calib/csv_field.h"
#include "fuzz_folder.h"
#include "link_fuzz_rig.h"
#include "platform/text_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarvos;
  using fuzz::Check;
  const std::string path = fuzz::FuzzFolder() + std::string(calib::kAdapterDescriptionFile);
  fuzz::WriteInput(path, data, size);
  const auto records = calib::ReadAdapterDescriptions(path);

  // The lines as the program's reader divides them.
  platform::TextReader reader(std::string(reinterpret_cast<const char*>(data), size));
  for (int i = 0; i < 3 && !reader.AtEnd(); ++i) reader.ReadLine();
  std::vector<std::string> lines;
  while (!reader.AtEnd()) lines.push_back(reader.ReadLine());

  bool acceptable = lines.size() <= calib::kMaxAdapterDescriptions;
  for (const auto& line : lines) {
    const double number = calib::ReadCsvField(line, 1);
    acceptable = acceptable && number >= 0.0 && number <= 255.0;
  }
  Check(records.has_value() == acceptable,
        "refused exactly for a 22nd record or a number outside 0 to 255");
  if (!records) return 0;

  Check(records->size() == lines.size(), "one record a line");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto& record = (*records)[i];
    Check(record.Number == static_cast<uint8_t>(std::nearbyint(calib::ReadCsvField(lines[i], 1))),
          "the record's number is its first field");
    std::string text;
    calib::ReadCsvText(lines[i], 2, text);
    Check(record.Text == text, "the record's text is its second field");
    Check(record.Text.find_first_of("\r\n,") == std::string::npos,
          "a record's text holds no line end or comma");
  }
  return 0;
}

#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tarvos::app {

struct SeedReport {
  std::vector<std::string> Copied;    // file names, in name order
  std::vector<std::string> Problems;  // a line for each file left uncopied ("warning: ...")
};

// Gives a program folder the sample files it lacks, so that a first start on the
// simulated test set can run a test at once: every regular file of the source folder
// (hidden ones aside) that the program folder has under no spelling of its name is
// copied in (only those wanted, when a choice is given). Files already there are never
// touched, whatever they hold. Both folders end with the system's separator. Each copy is
// written whole or not at all.
SeedReport SeedProgramFolder(const std::string& source_folder, const std::string& program_folder,
                             const std::function<bool(const std::string&)>& wanted = nullptr);

}  // namespace tarvos::app

// A scratch folder on the real disk for mksetup's tests, holding a stub, an
// archive and a verify class.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "container_images.h"
#include "mksetup/commands.h"
#include "mksetup/setup_builder.h"

namespace carafe {

class SetupInputs {
 public:
  SetupInputs() {
    std::filesystem::create_directories(folder_);
    Write("launcher.exe", stubBytes);
    Write("rerodova.class", archiveBytes);
    Write("Verify.class", verifyBytes);
  }
  ~SetupInputs() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  std::string Read(const std::string& name) const {
    std::ostringstream content;
    content << std::ifstream(Path(name), std::ios::binary).rdbuf();
    return content.str();
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }
  std::size_t FileCount() const {
    auto entries = std::filesystem::directory_iterator(folder_);
    return std::distance(begin(entries), end(entries));
  }
  mksetup::BuildRequest Request(
      const std::string& criteria = "vendor=sun:type=jre:version=1.2") const {
    mksetup::BuildRequest request;
    request.stub = Path("launcher.exe");
    request.archive = Path("rerodova.class");
    request.verify = Path("Verify.class");
    request.criteria = criteria;
    request.criteriaGiven = true;
    request.output = Path("setup.exe");
    return request;
  }
  // Runs one of the tool's commands, keeping what it printed in out and err.
  int RunCommand(int (*command)(const mksetup::Arguments&, std::ostream&, std::ostream&),
                 const mksetup::Arguments& args) {
    std::ostringstream output, errors;
    const int code = command(args, output, errors);
    out = output.str();
    err = errors.str();
    return code;
  }

  std::string out, err;
  const std::string stubBytes = testing_images::MakePeImage(0x400, {0x600, 0x200});
  const std::string archiveBytes = testing_images::ClassBytes(5000, 'a');
  const std::string verifyBytes = testing_images::ClassBytes(700, 'v');

 private:
  std::filesystem::path folder_ = std::filesystem::temp_directory_path() /
                                  ("mksetup-test-" + std::to_string(std::random_device()()));
};

}  // namespace carafe

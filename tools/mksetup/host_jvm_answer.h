// The host side of host_java.exe: in a Wine prefix, java.exe leaves each run
// it was asked for as a request file in its forward folder; this runs the
// host's JVM for it, with Windows paths turned into the prefix's Unix paths,
// and writes the answer (exit code, output) that java.exe prints. Linux only.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mksetup {

// A shell word for /bin/sh, in single quotes.
std::string Quoted(const std::string& text);
// The whole file, or empty when it cannot be read.
std::string Slurp(const std::filesystem::path& path);
// Runs command with /bin/sh; its exit status as std::system gives it.
int Shell(const std::string& command);

// The prefix's file behind a Windows path such as C:\a\b: the drive folder
// resolved (the link's name "c:" would split a Unix class path).
std::filesystem::path PrefixPath(const std::filesystem::path& prefix, const std::string& windows);

// One run of the host's JVM that a java.exe inside Wine asked for.
struct JvmRun {
  std::string className, output, errors;
  int exitCode = 0;
};

class HostJvmAnswer {
 public:
  // prefix: the Wine prefix; scratch: a folder for the runs' output files.
  HostJvmAnswer(std::filesystem::path prefix, std::filesystem::path scratch, std::string java)
      : prefix_(std::move(prefix)), scratch_(std::move(scratch)), java_(std::move(java)) {}

  // Runs and answers every request waiting in the forward folder.
  void AnswerWaiting(const std::filesystem::path& folder);

  const std::vector<JvmRun>& runs() const { return runs_; }

 private:
  std::string HostArgument(const std::string& before, const std::string& argument) const;
  void Answer(const std::filesystem::path& request);

  std::filesystem::path prefix_, scratch_;
  std::string java_;
  std::vector<JvmRun> runs_;
};

}  // namespace mksetup

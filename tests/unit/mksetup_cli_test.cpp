// The mksetup command line: help per command, the version, unknown words.
#include <gtest/gtest.h>

#include <sstream>

#include "mksetup/cli.h"

namespace {

TEST(MksetupCommandLine, AnswersHelpAndVersionAndNamesWhatItDoesNotKnow) {
  const struct {
    mksetup::Arguments args;
    int code;
    const char* out;  // what the standard output begins with
    const char* err;  // what the error output contains
  } cases[] = {
      {{"help", "archive"}, 0, "usage: mksetup archive --class", ""},
      {{"archive", "--help"}, 0, "usage: mksetup archive --class", ""},
      {{"retarget", "-o", "x", "-h"}, 0, "usage: mksetup retarget", ""},
      {{"--help"}, 0, "usage:\n  mksetup build", ""},
      {{"--version"}, 0, "mksetup 9.8.7\n", ""},
      {{}, 2, "", "usage:"},
      {{"bulid"}, 2, "", "mksetup: error: unknown command 'bulid'"},
      {{"help", "lsit"}, 2, "", "mksetup: error: unknown command 'lsit'"},
  };
  for (const auto& test : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(mksetup::RunMksetup(test.args, "9.8.7", out, err), test.code) << test.out;
    EXPECT_EQ(out.str().rfind(test.out, 0), 0u) << out.str();
    EXPECT_NE(err.str().find(test.err), std::string::npos) << err.str();
  }
}

}  // namespace

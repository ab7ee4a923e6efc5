// `mksetup retarget`: a class that needs only what the first JVMs had is
// written as version 45.3; anything newer is named and nothing is written.
#include <gtest/gtest.h>

#include "class_bytes.h"
#include "mksetup/class_retarget.h"
#include "mksetup_fixture.h"

namespace {

using testing_classes::ClassBytes;
using testing_classes::Ref;
using testing_classes::Utf8;

// #3 owner, #4 its Class, #5 name, #6 descriptor, #7 NameAndType, #8 the reference.
std::vector<std::string> Member(std::uint8_t tag, const std::string& owner,
                                const std::string& name, const std::string& descriptor) {
  return {Utf8(owner), Ref(7, 3), Utf8(name), Utf8(descriptor), Ref(12, 5, 6), Ref(tag, 4, 7)};
}

const char kApi[] =
    "# Java 1.1\n"
    "java/lang/System\n"
    "java/lang/System.out Ljava/io/PrintStream;   # a field\n"
    "java/lang/String\n";

TEST(MksetupRetarget, NamesTheFirstThingAnOldJvmLacks) {
  const auto api = mksetup::ParseApiList(kApi);
  const struct {
    std::vector<std::string> constants;
    const char* complaint;  // empty: the class passes
  } cases[] = {
      {Member(9, "java/lang/System", "out", "Ljava/io/PrintStream;"), ""},
      {Member(10, "java/lang/System", "out", "Ljava/io/PrintStream;"), ""},  // kind not compared
      {Member(10, "java/lang/System", "lineSeparator", "()Ljava/lang/String;"),
       "uses java/lang/System.lineSeparator ()Ljava/lang/String;"},
      {{Utf8("java/lang/StringBuilder"), Ref(7, 3)}, "uses class java/lang/StringBuilder"},
      {{Utf8("[[Ljava/lang/StringBuilder;"), Ref(7, 3)}, "uses class java/lang/StringBuilder"},
      {{Utf8("[[Ljava/lang/String;"), Ref(7, 3), Utf8("[I"), Ref(7, 5)}, ""},
      {{Utf8("()V"), Ref(16, 3)}, "constant 4 is of kind 16"},  // a MethodType
      {{Utf8("x"), Ref(5, 0, 0) + std::string(4, '\0'), Utf8("y")}, ""},  // a Long takes two slots
  };
  for (const auto& test : cases) {
    carafe::format::ClassFile parsed;
    std::string error;
    ASSERT_TRUE(carafe::format::ParseClassFile(ClassBytes("Setup", test.constants), &parsed, &error))
        << error;
    const bool passes = mksetup::NeedsNothingNewer(parsed, api, &error);
    EXPECT_EQ(passes, *test.complaint == '\0') << test.complaint << " / " << error;
    if (!passes) {
      EXPECT_NE(error.find(test.complaint), std::string::npos) << error;
    }
  }
}

class MksetupRetargetCommand : public ::testing::Test, protected carafe::SetupInputs {};

TEST_F(MksetupRetargetCommand, WritesVersion45Point3OrNothing) {
  Write("api.txt", kApi);
  const std::string good = ClassBytes("Setup", Member(9, "java/lang/System", "out",
                                                      "Ljava/io/PrintStream;"));
  Write("Good.class", good);
  ASSERT_EQ(RunCommand(mksetup::RetargetCommand, {Path("Good.class"), "--api", Path("api.txt"),
                                                  "-o", Path("Old.class")}),
            0)
      << err;
  std::string expected = good;
  expected.replace(4, 4, std::string("\x00\x03\x00\x2D", 4));
  EXPECT_EQ(Read("Old.class"), expected);

  Write("New.class", ClassBytes("Setup", {Utf8("java/util/ArrayList"), Ref(7, 3)}));
  EXPECT_EQ(RunCommand(mksetup::RetargetCommand, {Path("New.class"), "--api", Path("api.txt"),
                                                  "-o", Path("Out.class")}),
            1);
  EXPECT_NE(err.find("New.class: uses class java/util/ArrayList"), std::string::npos) << err;
  EXPECT_EQ(RunCommand(mksetup::RetargetCommand, {Path("Good.class"), "-o"}), 1);
  EXPECT_NE(err.find("-o needs a value"), std::string::npos) << err;
  EXPECT_FALSE(Exists("Out.class"));
}

}  // namespace

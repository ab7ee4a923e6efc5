// The small file, registry and text helpers the search and verification use.
#include "container/file_utilities.h"
#include "memory_platform.h"

namespace carafe {
namespace {

using FileUtilities = PlatformTest;

TEST_F(FileUtilities, FileExistsForFilesAndFolders) {
  os.AddFile("C:\\jdk\\bin\\java.exe");
  EXPECT_TRUE(FileExists("C:\\jdk\\bin\\java.exe"));
  EXPECT_TRUE(FileExists("c:\\JDK\\bin"));
  EXPECT_FALSE(FileExists("C:\\jdk\\bin\\jre.exe"));
  EXPECT_FALSE(FileExists(""));
}

TEST_F(FileUtilities, RegistryStringIsTheValueUpToItsFirstZeroWhateverItsType) {
  const std::string key = "Software\\JavaSoft\\Java Runtime Environment\\1.2";
  os.SetRegistryValue(key, "JavaHome", std::string("C:\\jre\0\x01\x02", 9));
  os.SetRegistryValue(key, "MicroVersion", std::string("\x02\x00\x00\x00", 4));
  os.SetRegistryValue(key, "Long", std::string(261, 'x'));
  os.SetRegistryValue(key, "Fits", std::string(260, 'x'));
  std::string text = "before";
  ASSERT_TRUE(QueryRegistryString(key, "JavaHome", &text));
  EXPECT_EQ(text, "C:\\jre");
  ASSERT_TRUE(QueryRegistryString(key, "MicroVersion", &text));
  EXPECT_EQ(text, "\x02");
  ASSERT_TRUE(QueryRegistryString(key, "Fits", &text));
  EXPECT_EQ(text.size(), 260u);
  text = "before";
  EXPECT_FALSE(QueryRegistryString(key, "Long", &text));
  EXPECT_FALSE(QueryRegistryString(key, "Missing", &text));
  EXPECT_FALSE(QueryRegistryString("Software\\Nobody", "JavaHome", &text));
  EXPECT_EQ(text, "before");
}

TEST(TextHelpers, CountCharCountsEveryOccurrence) {
  EXPECT_EQ(CountChar("C:\\a;;C:\\b;", ';'), 3u);
  EXPECT_EQ(CountChar("aaa", 'a'), 3u);
  EXPECT_EQ(CountChar("", ';'), 0u);
  EXPECT_EQ(CountChar("abc", ';'), 0u);
}

TEST(TextHelpers, TrimmingRemovesBlanksOnlyAtItsOwnEnd) {
  auto right = [](std::string text) {
    TrimRight(text);
    return text;
  };
  auto left = [](std::string text) {
    TrimLeft(text);
    return text;
  };
  EXPECT_EQ(right("  1.2 "), "  1.2");
  EXPECT_EQ(left("  1.2 "), "1.2 ");
  EXPECT_EQ(right("   "), "");
  EXPECT_EQ(left("   "), "");
  EXPECT_EQ(left(right(" sun micro ")), "sun micro");
  EXPECT_EQ(left(right("\t1.2 a b \t")), "\t1.2 a b \t");  // a tab is no blank
}

}  // namespace
}  // namespace carafe

// The structure of a Java class file, read far enough to find where it ends,
// what its constant pool holds and where its own attributes are counted.
// The builder needs this to hide an archive's sections inside the class (a
// JVM refuses bytes behind the class structure, but skips attributes it does
// not know) and to check that a class asks for nothing an old JVM lacks.
// Platform-free: it works on bytes in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace carafe::format {

constexpr unsigned char kClassFileMagic[4] = {0xCA, 0xFE, 0xBA, 0xBE};

// The class-file version of the first Java releases; every JVM loads it.
constexpr std::uint16_t kOldestMajorVersion = 45;
constexpr std::uint16_t kOldestMinorVersion = 3;

// Where the version sits: behind the magic, minor first.
constexpr std::size_t kVersionOffset = 4;

// Constant pool tags.
enum ConstantTag : std::uint8_t {
  kUtf8 = 1,
  kInteger = 3,
  kFloat = 4,
  kLong = 5,
  kDouble = 6,
  kClass = 7,
  kString = 8,
  kFieldref = 9,
  kMethodref = 10,
  kInterfaceMethodref = 11,
  kNameAndType = 12,
  kMethodHandle = 15,
  kMethodType = 16,
  kDynamic = 17,
  kInvokeDynamic = 18,
  kModule = 19,
  kPackage = 20,
};

// One constant pool slot. first and second are the entry's index fields
// (Class: name; member refs: class, name-and-type; NameAndType: name,
// descriptor); text is a Utf8 constant's bytes. The slot after a Long or a
// Double, and slot 0, have tag 0.
struct Constant {
  std::uint8_t tag = 0;
  std::uint16_t first = 0;
  std::uint16_t second = 0;
  std::string text;
};

// A method and the bytecode of its Code attribute (empty when it has none).
struct Method {
  std::string name;
  std::string descriptor;
  std::string code;
};

struct ClassFile {
  std::uint16_t minorVersion = 0;
  std::uint16_t majorVersion = 0;
  std::vector<Constant> constants;  // indexed as the class indexes them
  std::size_t constantPoolEnd = 0;  // offset of the access flags
  std::string thisClass;            // internal name, e.g. com/example/Setup
  std::vector<Method> methods;
  std::size_t attributeCountOffset = 0;
  std::uint16_t attributeCount = 0;
  std::vector<std::string> attributeNames;
  std::size_t end = 0;  // one past the last byte of the class structure
};

// True when bytes begin with kClassFileMagic, as every class file does.
bool BeginsLikeClassFile(std::string_view bytes);

// Reads the class structure at the start of bytes. Bytes behind it are
// allowed (end tells where they start). False with a reason when the bytes
// are no class file or are cut off.
bool ParseClassFile(std::string_view bytes, ClassFile* classFile, std::string* error);

// The Utf8 text of the constant at index, or empty when it is none.
std::string Utf8At(const ClassFile& classFile, std::uint16_t index);

// Rewrites the class bytes (the structure only, nothing behind it) so that
// it carries one more class attribute, named name, whose body is to follow
// directly: the name goes in as a new Utf8 constant at the end of the pool,
// the attribute count grows by one, and the attribute's header (name index,
// u4 body length 0) closes the result. The caller appends the body and then
// sets its length with SetTrailingAttributeLength.
bool AppendTrailingAttribute(std::string_view classBytes, const ClassFile& classFile,
                             std::string_view name, std::string* out, std::string* error);

// bodyStart is the size AppendTrailingAttribute's result had; the body runs
// from there to the end of bytes. False when it is 4 GiB or more.
bool SetTrailingAttributeLength(std::string* bytes, std::size_t bodyStart);

}  // namespace carafe::format

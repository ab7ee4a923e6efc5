#include "format/class_file.h"

#include <cstring>
#include <limits>

#include "format/byte_order.h"

namespace carafe::format {

namespace {

bool Refuse(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

bool ReadConstant(ByteCursor& cursor, Constant* constant) {
  if (!cursor.BigEndian(&constant->tag)) return false;
  switch (constant->tag) {
    case kUtf8: {
      std::uint16_t length = 0;
      std::string_view text;
      if (!cursor.BigEndian(&length) || !cursor.Bytes(length, &text)) return false;
      constant->text.assign(text);
      return true;
    }
    case kClass:
    case kString:
    case kMethodType:
    case kModule:
    case kPackage:
      return cursor.BigEndian(&constant->first);
    case kFieldref:
    case kMethodref:
    case kInterfaceMethodref:
    case kNameAndType:
    case kDynamic:
    case kInvokeDynamic:
      return cursor.BigEndian(&constant->first) && cursor.BigEndian(&constant->second);
    case kInteger:
    case kFloat:
      return cursor.Skip(4);
    case kLong:
    case kDouble:
      return cursor.Skip(8);
    case kMethodHandle:
      return cursor.Skip(3);
    default:
      return false;
  }
}

// Fields and methods share one shape: flags, name, descriptor, attributes.
bool SkipMembers(ByteCursor& cursor) {
  std::uint16_t count = 0;
  if (!cursor.BigEndian(&count)) return false;
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint16_t attributes = 0;
    if (!cursor.Skip(6) || !cursor.BigEndian(&attributes)) return false;
    for (std::uint16_t j = 0; j < attributes; ++j) {
      std::uint32_t length = 0;
      if (!cursor.Skip(2) || !cursor.BigEndian(&length) || !cursor.Skip(length)) return false;
    }
  }
  return true;
}

// Methods as fields are, keeping each one's name, descriptor and code.
bool ReadMethods(ByteCursor& cursor, ClassFile* classFile) {
  std::uint16_t count = 0;
  if (!cursor.BigEndian(&count)) return false;
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint16_t name = 0, descriptor = 0, attributes = 0;
    if (!cursor.Skip(2) || !cursor.BigEndian(&name) || !cursor.BigEndian(&descriptor) ||
        !cursor.BigEndian(&attributes))
      return false;
    Method method{Utf8At(*classFile, name), Utf8At(*classFile, descriptor), {}};
    for (std::uint16_t j = 0; j < attributes; ++j) {
      std::uint16_t attribute = 0;
      std::uint32_t length = 0, codeLength = 0;
      std::string_view body, code;
      if (!cursor.BigEndian(&attribute) || !cursor.BigEndian(&length) ||
          !cursor.Bytes(length, &body))
        return false;
      ByteCursor inner(body);
      if (Utf8At(*classFile, attribute) == "Code" &&
          (!inner.Skip(4) || !inner.BigEndian(&codeLength) || !inner.Bytes(codeLength, &code)))
        return false;
      if (!code.empty()) method.code.assign(code);
    }
    classFile->methods.push_back(std::move(method));
  }
  return true;
}

void PutU16At(std::string* bytes, std::size_t at, std::uint32_t value) {
  (*bytes)[at] = static_cast<char>((value >> 8) & 0xFF);
  (*bytes)[at + 1] = static_cast<char>(value & 0xFF);
}


std::string ClassNameAt(const ClassFile& classFile, std::uint16_t index) {
  if (index >= classFile.constants.size() || classFile.constants[index].tag != kClass) return {};
  return Utf8At(classFile, classFile.constants[index].first);
}

}  // namespace

bool ParseClassFile(std::string_view bytes, ClassFile* classFile, std::string* error) {
  *classFile = ClassFile();
  if (!BeginsLikeClassFile(bytes)) {
    return Refuse(error, "not a class file (it does not begin with CA FE BA BE)");
  }
  ByteCursor cursor(bytes);
  std::uint16_t poolCount = 0;
  if (!cursor.Skip(4) || !cursor.BigEndian(&classFile->minorVersion) ||
      !cursor.BigEndian(&classFile->majorVersion) || !cursor.BigEndian(&poolCount) || poolCount == 0) {
    return Refuse(error, "class file cut off in its header");
  }
  classFile->constants.resize(poolCount);
  for (std::uint16_t index = 1; index < poolCount; ++index) {
    Constant& constant = classFile->constants[index];
    if (!ReadConstant(cursor, &constant))
      return Refuse(error, "constant " + std::to_string(index) + " is cut off or of unknown kind");
    // Eight-byte constants take two slots.
    if (constant.tag == kLong || constant.tag == kDouble) ++index;
  }
  classFile->constantPoolEnd = static_cast<std::size_t>(cursor.Position());

  std::uint16_t thisIndex = 0, interfaces = 0;
  if (!cursor.Skip(2) || !cursor.BigEndian(&thisIndex) || !cursor.Skip(2) || !cursor.BigEndian(&interfaces) ||
      !cursor.Skip(2u * interfaces)) {
    return Refuse(error, "class file cut off behind its constant pool");
  }
  classFile->thisClass = ClassNameAt(*classFile, thisIndex);
  if (classFile->thisClass.empty()) return Refuse(error, "the class names no class of its own");
  if (!SkipMembers(cursor)) return Refuse(error, "class file cut off in its fields");
  if (!ReadMethods(cursor, classFile)) return Refuse(error, "class file cut off in its methods");

  classFile->attributeCountOffset = static_cast<std::size_t>(cursor.Position());
  if (!cursor.BigEndian(&classFile->attributeCount))
    return Refuse(error, "class file cut off before its attributes");
  for (std::uint16_t i = 0; i < classFile->attributeCount; ++i) {
    std::uint16_t name = 0;
    std::uint32_t length = 0;
    if (!cursor.BigEndian(&name) || !cursor.BigEndian(&length) || !cursor.Skip(length))
      return Refuse(error, "class attribute " + std::to_string(i) + " is cut off");
    classFile->attributeNames.push_back(Utf8At(*classFile, name));
  }
  classFile->end = static_cast<std::size_t>(cursor.Position());
  return true;
}

bool BeginsLikeClassFile(std::string_view bytes) {
  return bytes.size() >= sizeof kClassFileMagic &&
         std::memcmp(bytes.data(), kClassFileMagic, sizeof kClassFileMagic) == 0;
}

std::string Utf8At(const ClassFile& classFile, std::uint16_t index) {
  if (index >= classFile.constants.size() || classFile.constants[index].tag != kUtf8) return {};
  return classFile.constants[index].text;
}

bool AppendTrailingAttribute(std::string_view classBytes, const ClassFile& classFile,
                             std::string_view name, std::string* out, std::string* error) {
  const std::size_t poolCount = classFile.constants.size();
  if (poolCount >= 0xFFFF) return Refuse(error, "the constant pool is full");
  if (classFile.attributeCount == 0xFFFF) return Refuse(error, "the class has no room for one more attribute");
  if (name.size() > 0xFFFF) return Refuse(error, "attribute name too long");
  for (const std::string& existing : classFile.attributeNames) {
    if (existing == name)
      return Refuse(error, "the class already carries an attribute " + std::string(name));
  }
  out->assign(classBytes.substr(0, classFile.constantPoolEnd));
  PutU16At(out, 8, static_cast<std::uint32_t>(poolCount + 1));
  out->push_back(static_cast<char>(kUtf8));
  AppendBigEndian(out, name.size(), 2);
  out->append(name);
  out->append(classBytes.substr(classFile.constantPoolEnd,
                                classFile.end - classFile.constantPoolEnd));
  const std::size_t shift = out->size() - classFile.end;
  PutU16At(out, classFile.attributeCountOffset + shift, classFile.attributeCount + 1u);
  AppendBigEndian(out, poolCount, 2);  // the new constant's index
  out->append(4, '\0');
  return true;
}

bool SetTrailingAttributeLength(std::string* bytes, std::size_t bodyStart) {
  const std::size_t length = bytes->size() - bodyStart;
  if (length > std::numeric_limits<std::uint32_t>::max()) return false;
  for (int i = 0; i < 4; ++i)
    (*bytes)[bodyStart - 4 + i] = static_cast<char>((length >> (8 * (3 - i))) & 0xFF);
  return true;
}

}  // namespace carafe::format

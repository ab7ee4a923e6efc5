#include "format/class_file.h"

#include <cstring>
#include <limits>

namespace carafe::format {

namespace {

// Big-endian reads that fail instead of running past the end.
class ClassCursor {
 public:
  explicit ClassCursor(std::string_view bytes) : bytes_(bytes) {}

  std::size_t Position() const { return position_; }

  bool Skip(std::size_t count) {
    if (bytes_.size() - position_ < count) return false;
    position_ += count;
    return true;
  }
  bool U8(std::uint8_t* value) {
    std::uint32_t wide = 0;
    if (!Number(1, &wide)) return false;
    *value = static_cast<std::uint8_t>(wide);
    return true;
  }
  bool U16(std::uint16_t* value) {
    std::uint32_t wide = 0;
    if (!Number(2, &wide)) return false;
    *value = static_cast<std::uint16_t>(wide);
    return true;
  }
  bool U32(std::uint32_t* value) { return Number(4, value); }
  bool Text(std::size_t length, std::string* text) {
    if (bytes_.size() - position_ < length) return false;
    text->assign(bytes_.substr(position_, length));
    position_ += length;
    return true;
  }

 private:
  bool Number(int width, std::uint32_t* value) {
    if (bytes_.size() - position_ < static_cast<std::size_t>(width)) return false;
    *value = 0;
    for (int i = 0; i < width; ++i)
      *value = (*value << 8) | static_cast<unsigned char>(bytes_[position_ + i]);
    position_ += width;
    return true;
  }

  std::string_view bytes_;
  std::size_t position_ = 0;
};

bool Refuse(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

bool ReadConstant(ClassCursor& cursor, Constant* constant) {
  if (!cursor.U8(&constant->tag)) return false;
  switch (constant->tag) {
    case kUtf8: {
      std::uint16_t length = 0;
      return cursor.U16(&length) && cursor.Text(length, &constant->text);
    }
    case kClass:
    case kString:
    case kMethodType:
    case kModule:
    case kPackage:
      return cursor.U16(&constant->first);
    case kFieldref:
    case kMethodref:
    case kInterfaceMethodref:
    case kNameAndType:
    case kDynamic:
    case kInvokeDynamic:
      return cursor.U16(&constant->first) && cursor.U16(&constant->second);
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
bool SkipMembers(ClassCursor& cursor) {
  std::uint16_t count = 0;
  if (!cursor.U16(&count)) return false;
  for (std::uint16_t i = 0; i < count; ++i) {
    std::uint16_t attributes = 0;
    if (!cursor.Skip(6) || !cursor.U16(&attributes)) return false;
    for (std::uint16_t j = 0; j < attributes; ++j) {
      std::uint32_t length = 0;
      if (!cursor.Skip(2) || !cursor.U32(&length) || !cursor.Skip(length)) return false;
    }
  }
  return true;
}

void PutU16At(std::string* bytes, std::size_t at, std::uint32_t value) {
  (*bytes)[at] = static_cast<char>((value >> 8) & 0xFF);
  (*bytes)[at + 1] = static_cast<char>(value & 0xFF);
}

void AppendU16(std::string* bytes, std::uint32_t value) {
  bytes->push_back(static_cast<char>((value >> 8) & 0xFF));
  bytes->push_back(static_cast<char>(value & 0xFF));
}

std::string ClassNameAt(const ClassFile& classFile, std::uint16_t index) {
  if (index >= classFile.constants.size() || classFile.constants[index].tag != kClass) return {};
  return Utf8At(classFile, classFile.constants[index].first);
}

}  // namespace

bool ParseClassFile(std::string_view bytes, ClassFile* classFile, std::string* error) {
  *classFile = ClassFile();
  if (bytes.size() < sizeof kClassFileMagic ||
      std::memcmp(bytes.data(), kClassFileMagic, sizeof kClassFileMagic) != 0) {
    return Refuse(error, "not a class file (it does not begin with CA FE BA BE)");
  }
  ClassCursor cursor(bytes);
  std::uint16_t poolCount = 0;
  if (!cursor.Skip(4) || !cursor.U16(&classFile->minorVersion) ||
      !cursor.U16(&classFile->majorVersion) || !cursor.U16(&poolCount) || poolCount == 0) {
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
  classFile->constantPoolEnd = cursor.Position();

  std::uint16_t thisIndex = 0, interfaces = 0;
  if (!cursor.Skip(2) || !cursor.U16(&thisIndex) || !cursor.Skip(2) || !cursor.U16(&interfaces) ||
      !cursor.Skip(2u * interfaces)) {
    return Refuse(error, "class file cut off behind its constant pool");
  }
  classFile->thisClass = ClassNameAt(*classFile, thisIndex);
  if (classFile->thisClass.empty()) return Refuse(error, "the class names no class of its own");
  if (!SkipMembers(cursor)) return Refuse(error, "class file cut off in its fields");
  if (!SkipMembers(cursor)) return Refuse(error, "class file cut off in its methods");

  classFile->attributeCountOffset = cursor.Position();
  if (!cursor.U16(&classFile->attributeCount))
    return Refuse(error, "class file cut off before its attributes");
  for (std::uint16_t i = 0; i < classFile->attributeCount; ++i) {
    std::uint16_t name = 0;
    std::uint32_t length = 0;
    if (!cursor.U16(&name) || !cursor.U32(&length) || !cursor.Skip(length))
      return Refuse(error, "class attribute " + std::to_string(i) + " is cut off");
    classFile->attributeNames.push_back(Utf8At(*classFile, name));
  }
  classFile->end = cursor.Position();
  return true;
}

std::string Utf8At(const ClassFile& classFile, std::uint16_t index) {
  if (index >= classFile.constants.size() || classFile.constants[index].tag != kUtf8) return {};
  return classFile.constants[index].text;
}

std::vector<std::string> ReferencedClasses(const ClassFile& classFile) {
  std::vector<std::string> names;
  for (const Constant& constant : classFile.constants) {
    if (constant.tag != kClass) continue;
    std::string name = Utf8At(classFile, constant.first);
    if (name != classFile.thisClass) names.push_back(name);
  }
  return names;
}

std::vector<MemberReference> ReferencedMembers(const ClassFile& classFile) {
  std::vector<MemberReference> members;
  for (const Constant& constant : classFile.constants) {
    if (constant.tag != kFieldref && constant.tag != kMethodref &&
        constant.tag != kInterfaceMethodref) {
      continue;
    }
    MemberReference member;
    member.owner = ClassNameAt(classFile, constant.first);
    if (member.owner == classFile.thisClass) continue;
    if (constant.second < classFile.constants.size()) {
      const Constant& nameAndType = classFile.constants[constant.second];
      member.name = Utf8At(classFile, nameAndType.first);
      member.descriptor = Utf8At(classFile, nameAndType.second);
    }
    members.push_back(member);
  }
  return members;
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
  AppendU16(out, static_cast<std::uint32_t>(name.size()));
  out->append(name);
  out->append(classBytes.substr(classFile.constantPoolEnd,
                                classFile.end - classFile.constantPoolEnd));
  const std::size_t shift = out->size() - classFile.end;
  PutU16At(out, classFile.attributeCountOffset + shift, classFile.attributeCount + 1u);
  AppendU16(out, static_cast<std::uint32_t>(poolCount));  // the new constant's index
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

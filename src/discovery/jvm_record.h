// One JVM that was found or chosen: where it lives and what it reported.
#pragma once

#include <string>

namespace carafe {

class JvmRecord {
 public:
  JvmRecord() = default;
  JvmRecord(const JvmRecord&) = default;
  JvmRecord& operator=(const JvmRecord&) = default;
  virtual ~JvmRecord() = default;

  const std::string& home() const { return home_; }
  const std::string& libs() const { return libs_; }
  const std::string& bin() const { return bin_; }
  const std::string& vendor() const { return vendor_; }
  const std::string& type() const { return type_; }
  const std::string& version() const { return version_; }
  void set_home(const std::string& value) { home_ = value; }
  void set_libs(const std::string& value) { libs_ = value; }
  void set_bin(const std::string& value) { bin_ = value; }
  void set_vendor(const std::string& value) { vendor_ = value; }
  void set_type(const std::string& value) { type_ = value; }
  void set_version(const std::string& value) { version_ = value; }

 private:
  std::string home_;     // JavaHome, default folder, or the path cut before "\bin"
  std::string libs_;     // the JVM's own class-path libraries
  std::string bin_;      // full path of java.exe, jre.exe or jview.exe
  std::string vendor_;   // "sun", "microsoft", "ibm" or the vendor URL
  std::string type_;     // "jdk", "jre" or "jview"
  std::string version_;  // java.version as the JVM reported it
};

// The same installation: home, bin and libs equal byte for byte.
bool SameJvm(const JvmRecord& a, const JvmRecord& b);

}  // namespace carafe

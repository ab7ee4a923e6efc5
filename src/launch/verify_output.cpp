#include "launch/verify_output.h"

#include "support/file_utilities.h"

namespace carafe {

namespace {

constexpr const char* kVersionProperty = "java.version";
constexpr const char* kVendorUrlProperty = "java.vendor.url";
constexpr const char* kLineEnd = "\r\n";

// The text between the first "=" after the first occurrence of name and the
// next CR LF (or the end of the output); empty when name does not occur.
std::string PropertyValue(const std::string& output, const std::string& name) {
  std::size_t at = output.find(name);
  if (at == std::string::npos) return std::string();
  std::size_t mark = output.find('=', at + name.size());
  if (mark == std::string::npos) return std::string();
  std::size_t end = output.find(kLineEnd, mark + 1);
  return output.substr(mark + 1, end == std::string::npos ? end : end - mark - 1);
}

}  // namespace

std::string VendorFromUrl(const std::string& url) {
  for (const char* vendor : {"sun", "microsoft", "ibm"})
    if (url.find(vendor) != std::string::npos) return vendor;
  return url;
}

void ParseVerifyOutput(const std::string& output, std::string* version, std::string* vendor) {
  *version = PropertyValue(output, kVersionProperty);
  vendor->clear();
  if (output.find(kVendorUrlProperty) != std::string::npos)
    *vendor = VendorFromUrl(PropertyValue(output, kVendorUrlProperty));
  TrimRight(*version);
  TrimLeft(*version);
  TrimRight(*vendor);
  TrimLeft(*vendor);
}

}  // namespace carafe

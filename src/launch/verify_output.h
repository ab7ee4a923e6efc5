// Reading the verify class's output: "name = value" lines ended by CR LF.
#pragma once

#include <string>

namespace carafe {

// "sun", "microsoft" or "ibm" when the URL contains that word (tested in this
// order, letter case counts); otherwise the URL itself.
std::string VendorFromUrl(const std::string& url);

// The JVM's version (java.version) and vendor (from java.vendor.url), blanks
// around them removed; each is empty when its line is missing.
void ParseVerifyOutput(const std::string& output, std::string* version, std::string* vendor);

}  // namespace carafe

// The address of a web spot: the spot page of the cluster's web site with the spot's values in its query.
#pragma once

#include <string>
#include <string_view>

namespace muv {

// Every byte of a value other than letters, digits and "-", ".", "_", "~" is written as "%" and two
// capital hexadecimal digits, so that blanks, "+", "&" and "#" in a comment or a QTH arrive as they
// were typed. The values are the program's Windows-1252 text, encoded byte by byte.
std::string PercentEncode(std::string_view value);

// base (scheme and host, as the settings give it) & "/muv.php?freq=" ... "&spotterpfx=" with each value
// percent-encoded.
std::string BuildWebSpotUrl(const std::string& base, const std::string& freq, const std::string& spotcall,
                            const std::string& comment, const std::string& spotter,
                            const std::string& spotpfx, const std::string& spotterpfx);

}  // namespace muv

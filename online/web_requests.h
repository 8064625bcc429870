// The two web addresses that the program opens and never reads the answer of: the upload of a logged
// contact to the eQSL site, and a spot posted to the spot web page.
#pragma once

#include <string>
#include <string_view>

namespace muv {

// Every byte outside the letters, the digits, "-" and "~" as "%" and two upper-case hex digits, so that
// no value can end a query field, start a new one or cut the address ("&", "+", "#", "%", "/", "?", a
// blank, bytes above 127).
std::string PercentEncode(std::string_view text);

// The eQSL import request for one ADIF record (the record's bytes as written to the log file, ending in
// "<EOR>" and CR LF). eqslBase is the site's scheme and host, such as "https://www.eqsl.cc". The upload
// text carries the ADIF version, the account's user and password, the end of the header, the notes as
// the QSL comment and the record, each line ended by CR LF; a CR LF goes out as one "%20". User,
// password and notes are UTF-8 and go as a log file holds them: in Windows-1252 when it holds the
// value, else in UTF-8, with the field's length counting the bytes.
std::string BuildEqslUploadUrl(std::string_view eqslBase, std::string_view record, std::string_view user,
                               std::string_view password, std::string_view notes);

// The spot page's request: spotWebBase (scheme and host) & "/muv.php?freq=..." with the six fields, each
// UTF-8 value percent-encoded from its Windows-1252 bytes when they hold it (as the page always took
// them), else from its UTF-8 bytes.
std::string BuildWebSpotUrl(std::string_view spotWebBase, std::string_view freq, std::string_view spotcall,
                            std::string_view comment, std::string_view spotter, std::string_view spotpfx,
                            std::string_view spotterpfx);

}  // namespace muv

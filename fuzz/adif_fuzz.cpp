// The ADIF contact log as any file: loading stays within memory in proportion to the text, every value
// read is valid UTF-8, the searchable text keeps its one-field-per-line layout, what was read writes
// out and reads back the same, and a record added after what the file left open at its end (closed as
// appending closes it) reads back on its own, the records before it as they were.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "logbook/adif_log.h"

namespace {

using muv::AdifField;
using muv::AdifLog;
using muv::fuzz::ValidUtf8;
using FieldList = std::vector<std::tuple<std::string, std::string, std::string>>;

// A small country file: DL is Germany, EA Spain.
muv::AdifCountries Countries() {
    muv::AdifCountries countries;
    countries.CountryOfCallsign = [](const std::string& call) -> std::string {
        if (call.rfind("DL", 0) == 0) return "Germany";
        if (call.rfind("EA", 0) == 0) return "Spain";
        return "";
    };
    countries.CountryTextHolds = [](const std::string& name) { return name == "GERMANY" || name == "SPAIN"; };
    return countries;
}

FieldList List(const std::vector<AdifField>& fields) {
    FieldList list;
    for (const AdifField& f : fields) {
        MUV_FUZZ_REQUIRE(ValidUtf8(f.Value));
        list.emplace_back(std::string(f.Name), std::string(f.Type), f.Value);
    }
    return list;
}

std::vector<FieldList> Records(const AdifLog& log) {
    std::vector<FieldList> records;
    for (size_t i = 0; i < log.RecordCount(); ++i)
        records.push_back(List(log.Fields(i)));
    return records;
}

// Every line of LogText is one field in capitals whose value has the declared length and holds no "<",
// ">" or line break, or an end mark.
void CheckSearchable(const std::string& logText) {
    MUV_FUZZ_REQUIRE(ValidUtf8(logText));
    for (size_t pos = 0; pos < logText.size();) {
        const size_t end = logText.find("\r\n", pos);
        MUV_FUZZ_REQUIRE(end != std::string::npos);
        const std::string_view line(logText.data() + pos, end - pos);
        pos = end + 2;
        if (line == "<EOR>" || line == "<EOH>") continue;
        MUV_FUZZ_REQUIRE(!line.empty() && line[0] == '<');
        const size_t close = line.find('>');
        MUV_FUZZ_REQUIRE(close != std::string_view::npos);
        const std::string_view tag = line.substr(1, close - 1), value = line.substr(close + 1);
        // "<NAME:n>" or, for a type other than C, N, T, D and M, "<NAME:n:TYPE>".
        const size_t colon = tag.find(':');
        MUV_FUZZ_REQUIRE(colon != std::string_view::npos);
        const std::string_view length = tag.substr(colon + 1, tag.find(':', colon + 1) - colon - 1);
        MUV_FUZZ_REQUIRE(std::to_string(value.size()) == length);
        MUV_FUZZ_REQUIRE(value.find_first_of("<>\r\n") == std::string_view::npos);
        MUV_FUZZ_REQUIRE(line.find_first_of("abcdefghijklmnopqrstuvwxyz") == std::string_view::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(muv::fuzz::Text(data, size));
    AdifLog read(Countries());
    read.LoadText(input);
    MUV_FUZZ_REQUIRE(read.LogText().size() <= 4 * input.size() + 64);
    MUV_FUZZ_REQUIRE(read.RecordCount() <= input.size() / 5);
    CheckSearchable(read.LogText());
    MUV_FUZZ_REQUIRE(ValidUtf8(read.HeaderText()));
    const std::vector<FieldList> records = Records(read);
    const FieldList header = List(read.HeaderFields());

    const std::string out = read.AdifText();
    MUV_FUZZ_REQUIRE(out.size() <= 2 * input.size() + 64);
    AdifLog again(Countries());
    again.LoadText(out);
    MUV_FUZZ_REQUIRE(Records(again) == records);
    MUV_FUZZ_REQUIRE(List(again.HeaderFields()) == header);
    MUV_FUZZ_REQUIRE(again.AdifText() == out);

    // A contact appended to this log. The record that the file left open may change (a value cut short
    // gains blanks); those before it may not.
    static const std::string kRecord = "<CALL:5>EA8ZZ\r\n<NAME:8>DVO\xC5\x98\xC3\x81K\r\n<EOR>\r\n";
    static const FieldList kRecordFields = {{"CALL", "", "EA8ZZ"}, {"NAME", "", "DVO\xC5\x98\xC3\x81K"}};
    const std::optional<std::string> closing = read.ClosingText();
    if (closing && closing->size() <= 2 * input.size() + 64) {
        AdifLog closed(Countries()), added(Countries());
        closed.LoadText(input + *closing);
        added.LoadText(input + *closing + kRecord);
        const std::vector<FieldList> closedRecords = Records(closed), addedRecords = Records(added);
        MUV_FUZZ_REQUIRE(addedRecords.size() == closedRecords.size() + 1);
        MUV_FUZZ_REQUIRE(addedRecords.back() == kRecordFields && added.RecordEnded(addedRecords.size() - 1));
        MUV_FUZZ_REQUIRE(std::equal(closedRecords.begin(), closedRecords.end(), addedRecords.begin()));
        const size_t kept =
            records.size() - (records.empty() || read.RecordEnded(records.size() - 1) ? 0 : 1);
        MUV_FUZZ_REQUIRE(closedRecords.size() >= kept &&
                         std::equal(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(kept),
                                    closedRecords.begin()));
    }
    return 0;
}

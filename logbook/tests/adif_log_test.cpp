#include "logbook/adif_log.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <tuple>
#include <vector>

#include "common/cp1252.h"
#include "logbook/adif_record.h"
#include "logbook/log_lookups.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

namespace fs = std::filesystem;

using FieldList = std::vector<std::tuple<std::string, std::string, std::string>>;

FieldList List(const std::vector<AdifField>& fields) {
    FieldList list;
    for (const AdifField& f : fields)
        list.emplace_back(std::string(f.Name), std::string(f.Type), std::string(f.Value));
    return list;
}

std::vector<FieldList> Records(const AdifLog& log) {
    std::vector<FieldList> records;
    for (size_t i = 0; i < log.RecordCount(); ++i)
        records.push_back(List(log.Fields(i)));
    return records;
}

std::string Read(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Debian's pyqso, a logger of its own, as another program's ADIF reader and writer (/usr/bin/python3 with
// its module; scripts/setup-deps installs it). Run with the arguments; its output lines, or nothing when
// it is not there or fails.
std::optional<std::vector<std::string>> Pyqso(const test::ScratchFolder& scratch,
                                              const std::string& arguments) {
    static const char* const kScript = R"(import sys
from pyqso.adif import ADIF
if sys.argv[1] == "check":
    pass
elif sys.argv[1] == "read":
    # The file's bytes one character each: the lengths count bytes. Each value is then UTF-8 (U+FFFD
    # where it is not).
    text = open(sys.argv[2], "rb").read().decode("latin-1")
    for record in ADIF().parse_adi(text):
        values = {k: v.encode("latin-1").decode("utf-8", "replace") for k, v in record.items()}
        print("|".join(k + "=" + values.get(k, "-") for k in sys.argv[3].split(",") if k))
else:
    ADIF().write([dict(f.split("=", 1) for f in r.split("|")) for r in sys.argv[3:]], sys.argv[2])
)";
    const std::string script = scratch.Path("pyqso_adif.py");
    Write(script, kScript);
    const std::string command = "cd '" + scratch.Folder().string() +
                                "' && PYTHONUTF8=1 HOME=. /usr/bin/python3 pyqso_adif.py " + arguments;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return std::nullopt;
    std::vector<std::string> lines;
    std::string line;
    for (int c = std::fgetc(pipe); c != EOF; c = std::fgetc(pipe)) {
        if (c != '\n') {
            line += static_cast<char>(c);
        } else {
            lines.push_back(line);
            line.clear();
        }
    }
    if (::pclose(pipe) != 0) return std::nullopt;
    return lines;
}

// Quoted for the shell (the tests' values hold no "'").
std::string Quoted(const std::string& word) {
    return "'" + word + "'";
}

// The records of the log at path as pyqso reads them: for each, "KEY=value" of the keys (comma-separated)
// joined by "|", "-" for a key it has not.
std::optional<std::vector<std::string>> PyqsoRead(const test::ScratchFolder& scratch, const std::string& path,
                                                  const std::string& keys) {
    return Pyqso(scratch, "read " + Quoted(path) + " " + Quoted(keys));
}

// Has pyqso write a log of records given as "KEY=value|KEY=value".
bool PyqsoWrite(const test::ScratchFolder& scratch, const std::string& path,
                const std::vector<std::string>& records) {
    std::string arguments = "write " + Quoted(path);
    for (const std::string& record : records)
        arguments += " " + Quoted(record);
    return Pyqso(scratch, arguments).has_value();
}

// A small country file: DL is Germany, EA Spain, K and W the United States.
AdifCountries Countries() {
    AdifCountries countries;
    countries.CountryOfCallsign = [](const std::string& call) -> std::string {
        if (call.rfind("DL", 0) == 0) return "Germany";
        if (call.rfind("EA", 0) == 0) return "Spain";
        if (call.rfind("K", 0) == 0 || call.rfind("W", 0) == 0) return "United States";
        return "";
    };
    countries.CountryTextHolds = [](const std::string& name) {
        return name == "GERMANY" || name == "SPAIN" || name == "UNITED STATES";
    };
    return countries;
}

AdifContact TypicalContact() {
    AdifContact c;
    c.txtCallsign = "EA4XYZ";
    c.txtNombre = "Juan";
    c.txtQTH = "Madrid";
    c.txtFrecuencia = "14077.5";
    c.Band = "20M";
    c.QsoStartUtc = {2026, 12, 8, 9, 5, 30, 0};
    c.UtcNow = {2026, 12, 8, 9, 12, 10, 0};
    c.OperatorCallsign = "K1ABC";
    c.OperatorLocator = "FN42aa";
    c.CountryWithContinent = "Spain (EU)";
    c.txtRST = "599";
    c.MyCountry = "United States";
    c.txtLocator = "IN80dk";
    c.txtDistancia = "5678";
    c.chkEQSL = true;
    return c;
}

const std::string kTypicalRecord =
    "<CALL:6>EA4XYZ\r\n<NAME:4>JUAN\r\n<QTH:6>MADRID\r\n<FREQ:7>14.0775\r\n<BAND:3>20M\r\n"
    "<QSO_DATE:8>20261208\r\n<TIME_ON:6>090500\r\n<TIME_OFF:6>091200\r\n<MODE:3>MUV\r\n"
    "<OPERATOR:5>K1ABC\r\n<MY_GRIDSQUARE:6>FN42AA\r\n<NOTES:0>\r\n<COUNTRY:5>SPAIN\r\n"
    "<RST_SENT:3>599\r\n<RST_RCVD:3>599\r\n<CONT:2>EU\r\n<MY_COUNTRY:13>UNITED STATES\r\n"
    "<GRIDSQUARE:6>IN80DK\r\n<DISTANCE:4>5678\r\n<EQSL_QSL_SENT:1>Y\r\n<EQSL_QSL_RCVD:1>R\r\n<EOR>\r\n";

const std::string kHeaderLines =
    "Exportacion a Formato ADIF by MUV developers\r\n\r\n<ADIF_VERS:3>2.0\r\n<PROGRAMID:3>MUV\r\n"
    "<EOH>\r\n\r\n";

bool ValidUtf8(std::string_view s) {
    return IsValidUtf8(s);
}

// Every line of LogText is one tag: a field in capitals whose value has the declared length and holds
// no "<", ">" or line break, or an end mark.
void ExpectSearchable(const std::string& logText) {
    size_t pos = 0;
    while (pos < logText.size()) {
        const size_t end = logText.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos) << "unended line at " << pos;
        const std::string line = logText.substr(pos, end - pos);
        pos = end + 2;
        if (line == "<EOR>" || line == "<EOH>") continue;
        ASSERT_EQ(line[0], '<') << line;
        const size_t close = line.find('>');
        ASSERT_NE(close, std::string::npos) << line;
        const std::string tag = line.substr(1, close - 1);
        const std::string value = line.substr(close + 1);
        const size_t colon = tag.find(':');
        ASSERT_NE(colon, std::string::npos) << line;
        EXPECT_EQ(std::stoul(tag.substr(colon + 1)), value.size()) << line;
        EXPECT_EQ(value.find_first_of("<>\r\n"), std::string::npos) << line;
        EXPECT_EQ((tag + value).find_first_of("abcdefghijklmnopqrstuvwxyz"), std::string::npos) << line;
    }
    EXPECT_TRUE(ValidUtf8(logText));
}

// ------------------------------------------------------------------ writing

TEST(AdifRecord, TypicalContact) {
    EXPECT_EQ(BuildAdifRecord(TypicalContact()), kTypicalRecord);
    EXPECT_EQ(AdifHeader(), kHeaderLines);
}

TEST(AdifRecord, FieldsLeftOut) {
    AdifContact c = TypicalContact();
    c.txtNombre = c.txtQTH = c.txtLocator = c.OperatorLocator = "";
    c.Band = c.CountryWithContinent = c.MyCountry = "";
    c.txtDistancia = "5678";  // without a locator the distance goes too
    c.chkEQSL = false;
    EXPECT_EQ(BuildAdifRecord(c),
              "<CALL:6>EA4XYZ\r\n<FREQ:7>14.0775\r\n<QSO_DATE:8>20261208\r\n<TIME_ON:6>090500\r\n"
              "<TIME_OFF:6>091200\r\n<MODE:3>MUV\r\n<OPERATOR:5>K1ABC\r\n<MY_GRIDSQUARE:0>\r\n<NOTES:0>\r\n"
              "<RST_SENT:3>599\r\n<RST_RCVD:3>599\r\n<EOR>\r\n");
}

TEST(AdifRecord, LengthsAreTheValuesOwn) {
    AdifContact c = TypicalContact();
    c.txtRST = "5NN9";
    // Texts Windows-1252 holds go to the file in it, a byte a character, as they always did.
    c.txtNombre = "Müller";
    c.txtQTH = "šibenik";
    c.txtNotas = "Tnx ñandÿ";  // notes keep their case
    c.CountryWithContinent = "Fed. Rep. of Germany (EU)";
    std::string record = BuildAdifRecord(c);
    EXPECT_NE(record.find("<RST_SENT:4>5NN9\r\n<RST_RCVD:4>5NN9\r\n"), std::string::npos);
    EXPECT_NE(record.find("<NAME:6>M\xDCLLER\r\n"), std::string::npos);
    EXPECT_NE(record.find("<QTH:7>\x8AIBENIK\r\n"), std::string::npos);
    EXPECT_NE(record.find("<NOTES:9>Tnx \xF1"
                          "and\xFF\r\n"),
              std::string::npos);
    EXPECT_NE(record.find("<COUNTRY:20>FED. REP. OF GERMANY\r\n"), std::string::npos);
    c.txtRST = "59";
    EXPECT_NE(BuildAdifRecord(c).find("<RST_SENT:2>59\r\n<RST_RCVD:2>59\r\n"), std::string::npos);

    // The frequency box's leading number in MHz, with only the decimals it has.
    const std::pair<const char*, const char*> frequencies[] = {{"14077.5", "<FREQ:7>14.0775"},
                                                               {"7040", "<FREQ:4>7.04"},
                                                               {"3573 kHz", "<FREQ:5>3.573"},
                                                               {"145500", "<FREQ:5>145.5"}};
    for (const auto& [kHz, field] : frequencies) {
        c.txtFrecuencia = kHz;
        EXPECT_NE(BuildAdifRecord(c).find(std::string(field) + "\r\n"), std::string::npos) << kHz;
    }
    c.txtFrecuencia = "";  // no frequency, rather than 0 MHz
    EXPECT_EQ(BuildAdifRecord(c).find("<FREQ:"), std::string::npos);
}

TEST(AdifRecord, LineBreaksAndTagsInValuesKeepTheLayout) {
    AdifContact c = TypicalContact();
    c.txtNotas = "one\r\ntwo\rthree\nfour\x01<EOR>\t<CALL:4>K1AB";
    c.txtNombre = "a>b";
    const std::string record = BuildAdifRecord(c);
    const std::string notes = "one two three four <EOR>\t<CALL:4>K1AB";
    EXPECT_NE(record.find("<NOTES:" + std::to_string(notes.size()) + ">" + notes + "\r\n"),
              std::string::npos);

    // One field per line: every line starts with a tag and ends where the value ends.
    std::istringstream lines(record);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r');
        EXPECT_EQ(line[0], '<');
        ++count;
    }
    EXPECT_EQ(count, 22);

    // Read back by length: one record, the values whole; LogText has one CALL and one end of record.
    AdifLog log(Countries());
    log.LoadText(AdifHeader() + "\r\n" + record + "\r\n");
    ASSERT_EQ(log.RecordCount(), 1u);
    EXPECT_EQ(log.FieldValue(0, "NOTES"), notes);
    EXPECT_EQ(log.FieldValue(0, "name"), "A>B");
    const std::string& text = log.LogText();
    EXPECT_EQ(text.find("<EOR>"), text.rfind("<EOR>"));
    EXPECT_EQ(text.find("<CALL:"), text.rfind("<CALL:"));
    ExpectSearchable(text);
}

// ------------------------------------------------------------------ appending

class AdifFile : public testing::Test {
protected:
    test::ScratchFolder scratch{"muv_adif"};
    std::string path = scratch.Path("log.adi");
    AdifLog log{Countries()};
};

TEST_F(AdifFile, NewFileStartsWithTheHeader) {
    AdifAppendResult r = log.AppendAdifRecord(path, "");
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(Read(path), kHeaderLines + "\r\n");
    EXPECT_EQ(log.LogText(), "<ADIF_VERS:3>2.0\r\n<PROGRAMID:3>MUV\r\n<EOH>\r\n");
    EXPECT_EQ(log.AppendAdifRecord(path, "").result, 1);  // there already: nothing changes
    EXPECT_EQ(Read(path), kHeaderLines + "\r\n");

    const std::string record = BuildAdifRecord(TypicalContact());
    EXPECT_EQ(log.AppendAdifRecord(path, record).result, 1);
    EXPECT_EQ(log.AppendAdifRecord(path, record).result, 1);
    EXPECT_EQ(Read(path), kHeaderLines + "\r\n" + record + "\r\n" + record + "\r\n");
    ASSERT_EQ(log.RecordCount(), 2u);
    EXPECT_EQ(log.FieldValue(1, "CALL"), "EA4XYZ");
    EXPECT_EQ(log.LogText().substr(log.LogText().size() - record.size()), record);

    // What was appended reads back the same, and makes the same LogText.
    AdifLog again(Countries());
    EXPECT_TRUE(again.LoadLogBook(path).loaded);
    EXPECT_EQ(Records(again), Records(log));
    EXPECT_EQ(again.LogText(), log.LogText());
}

TEST_F(AdifFile, RecordWithoutFileIsRefused) {
    const std::string record = BuildAdifRecord(TypicalContact());
    AdifAppendResult r = log.AppendAdifRecord(path, record);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.message, "ADI file not found");
    EXPECT_EQ(r.title, "ADIF File Error");
    EXPECT_EQ(r.icon, BoxIcon::Critical);
    EXPECT_FALSE(fs::exists(path));

    const std::string text = scratch.Path("log.txt");
    Write(text, "notes");
    EXPECT_EQ(log.AppendAdifRecord(text, record).message, "ADI file not found");
    EXPECT_EQ(Read(text), "notes");
    EXPECT_EQ(log.LogText(), "");
}

// A contact added to a log that another logger left unfinished: its last record without "<EOR>", its
// last value or tag cut short. Every byte of the file stays, and the contact is a record of its own, in
// memory as in the file read again after a restart, for MUV and for another reader.
TEST_F(AdifFile, ContactAddedToAnUnfinishedLogStandsOnItsOwn) {
    const std::string w1aw = "<call:4>W1AW<band:3>80m<qso_date:8>20240102";
    const std::string files[] = {
        "Otherlog\n<adif_ver:5>3.1.4<eoh>\n<call:4>K1AB<band:3>40m<qso_date:8>20231224<eor>\n" + w1aw,
        w1aw + "<notes:20>abc",
        w1aw + "\r\n<eo",
        w1aw + "\r\n<notes:2",
    };
    AdifContact c = TypicalContact();
    c.txtCallsign = "EA8ZZ";
    c.txtFrecuencia = "7040";
    c.Band = "40M";
    const std::string record = BuildAdifRecord(c);
    AdifLog alone;
    alone.LoadText(record);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        Write(path, file);
        AdifLog book(Countries());
        ASSERT_TRUE(book.LoadLogBook(path).loaded);
        ASSERT_EQ(book.AppendAdifRecord(path, record).result, 1);
        const std::string written = Read(path);
        EXPECT_EQ(written.substr(0, file.size()), file);

        AdifLog again(Countries());
        ASSERT_TRUE(again.LoadLogBook(path).loaded);
        const size_t n = again.RecordCount();
        ASSERT_GE(n, 2u);
        EXPECT_EQ(again.FieldValue(n - 2, "CALL"), "W1AW");
        EXPECT_EQ(again.FieldValue(n - 2, "BAND"), "80m");
        EXPECT_TRUE(again.RecordEnded(n - 2));
        EXPECT_EQ(List(again.Fields(n - 1)), List(alone.Fields(0)));
        EXPECT_EQ(Records(again), Records(book));
        EXPECT_EQ(again.LogText(), book.LogText());
        LogLookups lookups(again, {});
        EXPECT_EQ(lookups.CallInLog("EA8ZZ"), 1);
        const PreviousContact previous = lookups.ShowPreviousContacts("EA8ZZ", 0);
        EXPECT_EQ(previous.Band, "40M");
        EXPECT_EQ(previous.Date, "2026/12/08");

        if (const std::optional<std::vector<std::string>> other = PyqsoRead(scratch, path, "CALL,QSO_DATE")) {
            ASSERT_GE(other->size(), 2u);
            EXPECT_EQ(
                std::vector<std::string>(other->end() - 2, other->end()),
                (std::vector<std::string>{"CALL=W1AW|QSO_DATE=20240102", "CALL=EA8ZZ|QSO_DATE=20261208"}));
        }
    }
    // The cut value is made as long as it says with blanks, so that a reader going by its length finds
    // its end; the record ends, and the contact follows on a line of its own.
    Write(path, files[1]);
    log.LoadLogBook(path);
    ASSERT_EQ(log.AppendAdifRecord(path, record).result, 1);
    EXPECT_EQ(Read(path), files[1] + std::string(17, ' ') + "\r\n<EOR>\r\n" + record + "\r\n");
    // A record that ended, with no line end after it, only gains one.
    Write(path, "<CALL:4>K1AB<EOR>");
    ASSERT_EQ(log.AppendAdifRecord(path, record).result, 1);
    EXPECT_EQ(Read(path), "<CALL:4>K1AB<EOR>\r\n" + record + "\r\n");
}

TEST_F(AdifFile, FailedAppendLeavesTheFileAsItWas) {
    const std::string record = BuildAdifRecord(TypicalContact());
    const std::string before = kHeaderLines + "\r\n";
    Write(path, before);

    // A read-only log, whoever runs the program. The message says that the contact was not logged, and
    // why: no fault of the program, and no other file to choose.
    ::chmod(path.c_str(), 0444);
    AdifAppendResult r = log.AppendAdifRecord(path, record);
    EXPECT_EQ(r.result, 0);
    EXPECT_FALSE(r.noLogFile);
    EXPECT_EQ(r.message, "The contact was not logged: '" + path +
                             "' cannot be written (the file is read-only). It is kept in the contact window "
                             "for another try.");
    EXPECT_EQ(r.title, "ADIF File Error");
    EXPECT_EQ(r.icon, BoxIcon::Exclamation);
    EXPECT_EQ(Read(path), before);
    ::chmod(path.c_str(), 0644);

    // A full disk, after part of the record went out: the cause is named, the part is taken back, and
    // the next contact logged reads back whole, as the only record.
    size_t budget = 25;
    const FileWriter fillsUp = [&budget](int fd, const void* data, size_t size) -> ssize_t {
        if (budget == 0) {
            errno = ENOSPC;
            return -1;
        }
        const ssize_t n = ::write(fd, data, std::min(size, budget));
        if (n > 0) budget -= static_cast<size_t>(n);
        return n;
    };
    r = log.AppendAdifRecord(path, record, fillsUp);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.cause, "No space left on device");
    EXPECT_NE(r.message.find("not logged"), std::string::npos) << r.message;
    EXPECT_NE(r.message.find("No space left on device"), std::string::npos) << r.message;
    EXPECT_EQ(Read(path), before);
    EXPECT_EQ(log.RecordCount(), 0u);
    ASSERT_EQ(log.AppendAdifRecord(path, BuildAdifRecord(TypicalContact())).result, 1);
    AdifLog reread;
    reread.LoadLogBook(path);
    ASSERT_EQ(reread.RecordCount(), 1u);
    EXPECT_EQ(reread.FieldValue(0, "CALL"), TypicalContact().txtCallsign);
    EXPECT_TRUE(reread.RecordEnded(0));
    Write(path, before);
    log.LoadLogBook(path);

    // A disk that fills up in the middle of the record.
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = before.size() + 40;
    auto* previous = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    r = log.AppendAdifRecord(path, record);
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::signal(SIGXFSZ, previous);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.cause, "File too large");
    EXPECT_EQ(Read(path), before);
    EXPECT_EQ(log.RecordCount(), 0u);

    // A folder where the file should be; a folder that is not there for a new file.
    fs::create_directory(scratch.Path("folder.adi"));
    r = log.AppendAdifRecord(scratch.Path("folder.adi"), record);
    EXPECT_EQ(r.result, 0);
    EXPECT_FALSE(r.cause.empty());
    r = log.AppendAdifRecord(scratch.Path("missing/log.adi"), "");
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.message, "The log '" + scratch.Path("missing/log.adi") +
                             "' could not be made: No such file or directory.");
}

// ------------------------------------------------------------------ reading

// Files as other loggers write them.
const std::vector<std::string>& OtherLoggersFiles() {
    static const std::vector<std::string> files = {
        // Small letters, type indicators, LF only, fields on one line, names we do not know, values
        // holding "<", ":D" and a line break, no line end at the end.
        "ADIF export from Otherlog\n<adif_ver:5>3.1.4\n<programid:8>Otherlog\n<created_timestamp:15>"
        "20240102 101010\n<eoh>\n"
        "<call:5>dl1ab <qso_date:8:d>20240102 <time_on:4>1234 <band:3>40m <mode:4>RTTY "
        "<app_otherlog_id:3:n>123 <notes:17>QRV:Daily <3 73!> <eor>\n"
        "<call:6>ea4xyz<qso_date:8:D>20240103<time_on:6>123456<comment:12>line1\r\nline2<eor>",
        // No header at all, CR LF.
        "<CALL:4>K1AB<BAND:3>20M<QSO_DATE:8>20230505<EOR>\r\n<CALL:4>W1AW<GRIDSQUARE:4>FN31<EOR>\r\n",
        // A header of fields only, a second header (two exports put together) and a record cut short.
        "<ADIF_VER:5>3.1.0<EOH>\r\n<CALL:5>DL2XY<MODE:3>FT8<EOR>\r\n"
        "Second export\r\n<ADIF_VER:5>3.0.4<EOH>\r\n<CALL:5>EA1AA<NOTES:40>the file ends here",
        // Blank-separated, a user-defined field with an enumeration and a long multi-line comment.
        "Log\r\n<USERDEF1:9:E>SWR,{A,B}<EOH>\r\n\r\n<CALL:6>EA7ABC <SWR:1>B <COMMENT:25>first line\r\n"
        "second <line> <EOR>\r\n",
    };
    return files;
}

TEST_F(AdifFile, OtherLoggersFilesKeepEveryField) {
    const std::string& first = OtherLoggersFiles()[0];
    Write(path, first);
    EXPECT_TRUE(log.LoadLogBook(path).loaded);
    ASSERT_EQ(log.RecordCount(), 2u);
    EXPECT_EQ(List(log.Fields(0)), (FieldList{{"call", "", "dl1ab"},
                                              {"qso_date", "d", "20240102"},
                                              {"time_on", "", "1234"},
                                              {"band", "", "40m"},
                                              {"mode", "", "RTTY"},
                                              {"app_otherlog_id", "n", "123"},
                                              {"notes", "", "QRV:Daily <3 73!>"}}));
    EXPECT_EQ(log.FieldValue(1, "COMMENT"), "line1\r\nline2");
    EXPECT_TRUE(log.HasHeader());
    EXPECT_EQ(log.HeaderText(), "ADIF export from Otherlog\n");
    EXPECT_EQ(log.HeaderFields().size(), 3u);
    EXPECT_EQ(Read(path), first);  // loading changes nothing

    for (const std::string& file : OtherLoggersFiles()) {
        SCOPED_TRACE(file);
        Write(path, file);
        AdifLog read;
        ASSERT_TRUE(read.LoadLogBook(path).loaded);
        EXPECT_GT(read.RecordCount(), 0u);
        ExpectSearchable(read.LogText());
    }

    // The cut record is kept as it is, without an end.
    AdifLog cut;
    cut.LoadText(OtherLoggersFiles()[2]);
    ASSERT_EQ(cut.RecordCount(), 2u);
    EXPECT_FALSE(cut.RecordEnded(1));
    EXPECT_EQ(cut.FieldValue(1, "NOTES"), "the file ends here");
    EXPECT_EQ(cut.HeaderFields().size(), 2u);
}

TEST_F(AdifFile, OwnFileWritesOutByteForByte) {
    log.AppendAdifRecord(path, "");
    log.AppendAdifRecord(path, BuildAdifRecord(TypicalContact()));
    AdifContact other = TypicalContact();
    other.txtCallsign = "DL1AB";
    other.chkEQSL = false;
    log.AppendAdifRecord(path, BuildAdifRecord(other));
    EXPECT_EQ(log.AdifText(), Read(path));
}

// A log keeps one encoding. One that MUV starts is UTF-8 throughout, names that Windows-1252 holds too;
// one from the Windows program (Windows-1252 values) goes on taking Windows-1252 for what that set holds,
// and UTF-8 for the rest. The two read alike, so the look-ups find the same in both.
TEST_F(AdifFile, ALogKeepsOneEncoding) {
    // The log in the operator's "~/Документы": the path is UTF-8 as the file system has it.
    fs::create_directory(scratch.Path("Документы"));
    const std::string utf8Log = scratch.Path("Документы/log.adi");
    const std::string windowsLog = scratch.Path("windows.adi");
    const std::string windowsRecord = "<CALL:5>EA1AA\r\n<NAME:4>Jos\xE9\r\n<EOR>\r\n";
    Write(windowsLog, AdifHeader() + "\r\n" + windowsRecord + "\r\n");
    ASSERT_EQ(log.AppendAdifRecord(utf8Log, "").result, 1);
    ASSERT_EQ(log.AppendAdifRecord(utf8Log, windowsRecord).result, 1);
    AdifLog windows(Countries());
    ASSERT_TRUE(windows.LoadLogBook(windowsLog).loaded);
    EXPECT_FALSE(log.Windows1252());
    EXPECT_TRUE(windows.Windows1252());

    AdifContact c = TypicalContact();
    const std::tuple<const char*, const char*, const char*> contacts[] = {{"Dvořák", "Győr", "Москва 73"},
                                                                          {"Jürgen", "Köln", "73"}};
    for (const auto& [name, qth, notes] : contacts) {
        c.txtNombre = name;
        c.txtQTH = qth;
        c.txtNotas = notes;
        ASSERT_EQ(log.AppendAdifRecord(utf8Log, BuildAdifRecord(c)).result, 1);
        ASSERT_EQ(windows.AppendAdifRecord(windowsLog, BuildAdifRecord(c)).result, 1);
    }
    const std::string utf8File = Read(utf8Log), windowsFile = Read(windowsLog);
    EXPECT_TRUE(IsValidUtf8(utf8File));
    for (const std::string field : {"<NAME:5>José\r\n", "<NAME:8>DVOŘÁK\r\n", "<QTH:5>GYŐR\r\n",
                                    "<NOTES:15>Москва 73\r\n", "<NAME:7>JÜRGEN\r\n", "<QTH:5>KÖLN\r\n"})
        EXPECT_NE(utf8File.find(field), std::string::npos) << field;
    for (const std::string field : {"<NAME:4>Jos\xE9\r\n", "<NAME:8>DVOŘÁK\r\n", "<QTH:5>GYŐR\r\n",
                                    "<NAME:6>J\xDCRGEN\r\n", "<QTH:4>K\xD6LN\r\n"})
        EXPECT_NE(windowsFile.find(field), std::string::npos) << field;

    // After a restart each log is what it was, and both read alike, values and LogText.
    AdifLog utf8Again(Countries()), windowsAgain(Countries());
    ASSERT_TRUE(utf8Again.LoadLogBook(utf8Log).loaded);
    ASSERT_TRUE(windowsAgain.LoadLogBook(windowsLog).loaded);
    EXPECT_FALSE(utf8Again.Windows1252());
    EXPECT_TRUE(windowsAgain.Windows1252());
    ASSERT_EQ(utf8Again.RecordCount(), 3u);
    EXPECT_EQ(utf8Again.FieldValue(1, "NAME"), "DVOŘÁK");
    EXPECT_EQ(utf8Again.FieldValue(2, "QTH"), "KÖLN");
    EXPECT_EQ(Records(windowsAgain), Records(utf8Again));
    EXPECT_EQ(windowsAgain.LogText(), utf8Again.LogText());
    EXPECT_EQ(utf8Again.LogText(), log.LogText());
    EXPECT_NE(utf8Again.LogText().find("<NAME:7>JÜRGEN\r\n<QTH:5>KÖLN\r\n"), std::string::npos);

    // A length that another logger counted in characters reads whole.
    AdifLog counted;
    counted.LoadText("<call:6>SP9ABC\n<name:6>Łukasz\n<eor>\n<call:6>UA9XYZ<name:4>Иван<eor>");
    EXPECT_EQ(counted.FieldValue(0, "NAME"), "Łukasz");
    EXPECT_EQ(counted.FieldValue(1, "NAME"), "Иван");
}

// Another program's ADIF reader and writer: Debian's pyqso. A log that MUV starts, with names in Czech,
// Hungarian, Russian, German and Spanish, reads field for field in pyqso's parser (given the bytes, as a
// reader that counts bytes reads them), every value UTF-8; a log that pyqso writes, counting its lengths
// in characters, reads field for field in MUV.
TEST_F(AdifFile, PyqsoReadsTheLogAndMuvReadsPyqsosLog) {
    if (!Pyqso(scratch, "check")) GTEST_SKIP() << "pyqso is not installed (scripts/setup-deps installs it)";
    ASSERT_EQ(log.AppendAdifRecord(path, "").result, 1);
    const std::tuple<const char*, const char*, const char*> contacts[] = {{"OK1ABC", "Dvořák", "Praha"},
                                                                          {"HA5XY", "Örs", "Győr"},
                                                                          {"UA3AAA", "Алексей", "Москва 73"},
                                                                          {"DL1AB", "Jürgen", "Köln"},
                                                                          {"EA4XYZ", "José", "Ávila"}};
    std::vector<std::string> expected;
    for (const auto& [call, name, notes] : contacts) {
        AdifContact c = TypicalContact();
        c.txtCallsign = call;
        c.txtNombre = name;
        c.txtNotas = notes;
        ASSERT_EQ(log.AppendAdifRecord(path, BuildAdifRecord(c)).result, 1);
        expected.push_back("CALL=" + std::string(call) + "|NAME=" + Utf8ToUpper(name) + "|NOTES=" + notes);
    }
    EXPECT_EQ(PyqsoRead(scratch, path, "CALL,NAME,NOTES"), expected);

    const std::string theirs = scratch.Path("pyqso.adi");
    const std::string records[] = {
        "CALL=SP9ABC|NAME=Łukasz|NOTES=Kraków", "CALL=UA9XYZ|NAME=Иван|NOTES=Новосибирск",
        "CALL=OK2XY|NAME=Dvořák|NOTES=Brno",    "CALL=HA7AB|NAME=Örs|NOTES=Győr",
        "CALL=DK5AA|NAME=Jürgen|NOTES=73",      "CALL=EA7ZZ|NAME=José|NOTES=Cádiz"};
    ASSERT_TRUE(
        PyqsoWrite(scratch, theirs, std::vector<std::string>(std::begin(records), std::end(records))));
    AdifLog read;
    ASSERT_TRUE(read.LoadLogBook(theirs).loaded);
    ASSERT_EQ(read.RecordCount(), std::size(records));
    for (size_t i = 0; i < std::size(records); ++i)
        EXPECT_EQ("CALL=" + read.FieldValue(i, "CALL") + "|NAME=" + read.FieldValue(i, "NAME") +
                      "|NOTES=" + read.FieldValue(i, "NOTES"),
                  records[i]);
    EXPECT_FALSE(read.Windows1252());
}

TEST_F(AdifFile, LogTextIsRepairedInMemoryOnly) {
    const std::string file =
        "Log of DL1AB\r\n<adif_ver:5>3.1.4<programid:5>Other<eoh>\r\n"
        "<call:5>dl1ab<qso_date:8:d>20240102<time_on:4>1234<notes:17>QRV:Daily <3 73!><app_x:2>ab<eor>\r\n"
        "<CALL:6:S>EA4XYZ<COUNTRY:8>Atlantis<TIME_OFF:4>0959<eor>\r\n"
        "<CALL:4>W1AW<COUNTRY:5>Spain<COUNTRY:7>Germany<NOTES:6>a\r\nb\nc<eor>\r\n"
        "<APP_Y:1>z<eor>\r\n"
        // a value written on Windows (Windows-1252) beside one in UTF-8 (a set that has no o double acute)
        "<NAME:4>Jos\xE9<QTH:5>Gy\xC5\x91r<eor>\r\n";
    Write(path, file);
    const auto written = fs::last_write_time(path);
    ASSERT_TRUE(log.LoadLogBook(path).loaded);
    EXPECT_EQ(log.LogText(),
              "<PROGRAMID:5>OTHER\r\n<EOH>\r\n"
              // types C N T D M go, a four-digit time gains seconds, "<" and ">" become blanks, fields
              // of other names go, the missing country comes from the callsign
              "<CALL:5>DL1AB\r\n<QSO_DATE:8>20240102\r\n<TIME_ON:6>123400\r\n<NOTES:17>QRV:DAILY  3 73! \r\n"
              "<COUNTRY:7>GERMANY\r\n<EOR>\r\n"
              // a country the country file does not know is replaced
              "<CALL:6:S>EA4XYZ\r\n<TIME_OFF:6>095900\r\n<COUNTRY:5>SPAIN\r\n<EOR>\r\n"
              // a second country goes; line breaks become blanks
              "<CALL:4>W1AW\r\n<COUNTRY:5>SPAIN\r\n<NOTES:6>A  B C\r\n<EOR>\r\n"
              // no known field: no record; no callsign: no country; each value read in its own encoding,
              // and counted in UTF-8 bytes
              "<NAME:5>JOSÉ\r\n<QTH:5>GYŐR\r\n<EOR>\r\n");
    ExpectSearchable(log.LogText());
    EXPECT_EQ(Read(path), file);
    EXPECT_EQ(fs::last_write_time(path), written);
    EXPECT_EQ(Names(scratch.Folder()), std::vector<std::string>{"log.adi"});
    // The records as read keep what LogText leaves out or changes.
    EXPECT_EQ(log.FieldValue(0, "APP_X"), "ab");
    EXPECT_EQ(log.FieldValue(1, "COUNTRY"), "Atlantis");
    EXPECT_EQ(log.FieldValue(4, "NAME"), "José");
    EXPECT_EQ(log.FieldValue(4, "QTH"), "Győr");
    // Written out again, each value keeps its bytes.
    EXPECT_NE(log.AdifText().find("<NAME:4>Jos\xE9\r\n<QTH:5>Gy\xC5\x91r\r\n"), std::string::npos);

    // Without a country file nothing is known to be wrong and nothing is found.
    AdifLog plain;
    plain.LoadText(file);
    EXPECT_NE(plain.LogText().find("<COUNTRY:8>ATLANTIS\r\n"), std::string::npos);
    EXPECT_NE(plain.LogText().find("<CALL:5>DL1AB\r\n<QSO_DATE:8>20240102\r\n<TIME_ON:6>123400\r\n"
                                   "<NOTES:17>QRV:DAILY  3 73! \r\n<COUNTRY:0>\r\n<EOR>"),
              std::string::npos);
}

// The oddities of other loggers' files at once, with what LogText, the fields and the look-ups made of
// them when every field was read on its own: reading them in one pass changes none of it.
TEST_F(AdifFile, AnOddLogReadsAsItAlwaysHas) {
    const auto F = [](std::string_view name, std::string_view value, std::string_view type = {}) {
        return "<" + std::string(name) + ":" + std::to_string(value.size()) +
               (type.empty() ? "" : ":" + std::string(type)) + ">" + std::string(value);
    };
    const std::string notes(240, 'n');  // longer than a line is put together in
    const std::string odd =
        "Exported by \xE9t\xE9 <angle>\r\n" + F("adif_vers", "3.1") + "\n" + F("ProgramId", "OtherLog") +
        F("PROGRAMVERSION", "1.0", "s") + "\r" + F("USERDEF1", "X", "N") + "<eoh>\r\n" +
        // Names and values in small letters; Windows-1252 and UTF-8 values.
        F("call", "ea4abc") + F("qso_date", "20240102", "d") + F("time_on", "1234") + F("band", "20m") +
        F("name", "Jos\xE9") + F("qth", "M\xC3\xBCller") + F("country", "spain") + "<eor>\n" +
        // The Windows-1252 small letters beyond Latin-1, bytes that read as UTF-8; a country unknown, one
        // known, and a second.
        F("CALL", "DL1AB/P") + F("NAME", "m\x80\x8A\x9A\x9C\x9E\xFF") + F("QTH", "\xC3\xA9") +
        F("COUNTRY", "ATLANTIS") + F("COUNTRY", "germany") + F("COUNTRY", "SPAIN") + "<EOR>\r" +
        // Four-digit times, kept and dropped types, line breaks and tags inside a value.
        F("CALL", "k1ab") + F("FREQ", "14.074") + F("TIME_OFF", "0959", "T") +
        F("TIME_ON", "12\xC3\xA9", "x") + F("RST_SENT", "59", "n") +
        F("NOTES", "line1\r\nline2\nline3\rline4 <b>x</b>\ttab") + "<EOR>\r\n" + F("CaLl", "F/EA4XYZ") +
        F("freq", "7.040") + F("MODE", "ft8", "Enum") + F("COUNTRY", "") + "<Eor>\r\n" +
        // Names one letter off the known ones; values longer than a line.
        F("CALM", "ABCD") + F("CALLS", "EFGH") + F("C_LL", "IJ") + F("TIME_0N", "1111") + F("CALL", "W1AW") +
        F("NOTES", notes + "\xC3\xA9") + F("QTH", notes, "Z") + "<EOR>\r\n" +
        // Bytes that are no UTF-8: an emoji cut short, an overlong "/", a surrogate.
        F("CALL", "N0CAL") + F("NAME", "\xF0\x9F\x98\xC5\x98\xC3\x81") + F("QTH", "\xC0\xAF\xED\xA0\x80") +
        "<EOR>\r\n" + F("NOTES", "no call!") + "<EOR>" + F("APP_X", "y") + "<EOR><EOR>\r\n" +
        // A value that runs over its record's end, which takes the next record's fields in.
        "<NOTES:12>short<EOR>\r\n" + F("CALL", "VK2AB") + "<EOR>\r\n" +
        // A second header, after records; a length that cuts a character in two.
        "second header\r\n" + F("ADIF_VERS", "3.0") + F("PROGRAMID", "MUV") + F("APP_Y", "z") + "<EOH>\r\n" +
        F("CALL", "ZS6ABC") + F("CALL", "EA5BB") +
        "<QTH:12>\xCE\x91\xCE\x9B\xCE\xA6\xCE\x91 \xCE\xB2\xCE\xAE<EOR>\r\n" + "<EOH>\r\n" +
        // A record cut off by the end of the file.
        F("CALL", "G4ABC") + "<NAME:20>trunc";
    Write(path, odd);
    ASSERT_TRUE(log.LoadLogBook(path).loaded);
    const std::string upperNotes(240, 'N');
    EXPECT_EQ(log.LogText(),
              // The header's fields, also those of the header after the first records, before one "<EOH>".
              "<ADIF_VERS:3>3.1\r\n<PROGRAMID:8>OTHERLOG\r\n<PROGRAMVERSION:3:S>1.0\r\n"
              "<ADIF_VERS:3>3.0\r\n<PROGRAMID:3>MUV\r\n<EOH>\r\n"
              "<CALL:6>EA4ABC\r\n<QSO_DATE:8>20240102\r\n<TIME_ON:6>123400\r\n<BAND:3>20M\r\n"
              "<NAME:5>JOS\xC3\x89\r\n<QTH:7>M\xC3\x9CLLER\r\n<COUNTRY:5>SPAIN\r\n<EOR>\r\n"
              "<CALL:7>DL1AB/P\r\n<NAME:14>M\xE2\x82\xAC\xC5\xA0\xC5\xA0\xC5\x92\xC5\xBD\xC5\xB8\r\n"
              "<QTH:2>\xC3\x89\r\n<COUNTRY:7>GERMANY\r\n<EOR>\r\n"
              "<CALL:4>K1AB\r\n<FREQ:6>14.074\r\n<TIME_OFF:6>095900\r\n<TIME_ON:6:X>12\xC3\x89"
              "00\r\n<RST_SENT:2>59\r\n<NOTES:37>LINE1  LINE2 LINE3 LINE4  B X /B \tTAB\r\n"
              "<COUNTRY:13>UNITED STATES\r\n<EOR>\r\n"
              "<CALL:8>F/EA4XYZ\r\n<FREQ:5>7.040\r\n<MODE:3:ENUM>FT8\r\n<COUNTRY:0>\r\n<EOR>\r\n"
              "<CALL:4>W1AW\r\n<NOTES:242>" +
                  upperNotes + "\xC3\x89\r\n<QTH:240:Z>" + upperNotes +
                  "\r\n<COUNTRY:13>UNITED STATES\r\n<EOR>\r\n"
                  "<CALL:5>N0CAL\r\n<NAME:14>\xC3\x90\xC5\xB8\xCB\x9C\xC3\x85\xCB\x9C\xC3\x83\xC2\x81\r\n"
                  "<QTH:11>\xC3\x80\xC2\xAF\xC3\x8D\xC2\xA0\xE2\x82\xAC\r\n<COUNTRY:0>\r\n<EOR>\r\n"
                  "<NOTES:8>NO CALL!\r\n<EOR>\r\n"
                  "<NOTES:12>SHORT EOR   \r\n<CALL:5>VK2AB\r\n<COUNTRY:0>\r\n<EOR>\r\n"
                  "<CALL:6>ZS6ABC\r\n<CALL:5>EA5BB\r\n"
                  "<QTH:26>\xC3\x8E\xE2\x80\x98\xC3\x8E\xE2\x80\xBA\xC3\x8E\xC2\xA6\xC3\x8E\xE2\x80\x98 "
                  "\xC3\x8E\xC2\xB2\xC3\x8E\r\n<COUNTRY:0>\r\n<EOR>\r\n"
                  "<CALL:5>G4ABC\r\n<NAME:5>TRUNC\r\n<COUNTRY:0>\r\n<EOR>\r\n");
    ASSERT_EQ(log.RecordCount(), 11u);
    EXPECT_EQ(List(log.Fields(1)), (FieldList{{"CALL", "", "DL1AB/P"},
                                              {"NAME", "", "m\u20AC\u0160\u0161\u0153\u017E\u00FF"},
                                              {"QTH", "", "\u00E9"},
                                              {"COUNTRY", "", "ATLANTIS"},
                                              {"COUNTRY", "", "germany"},
                                              {"COUNTRY", "", "SPAIN"}}));
    EXPECT_EQ(List(log.Fields(8)), (FieldList{{"NOTES", "", "short<EOR>\r\n"}, {"CALL", "", "VK2AB"}}));
    EXPECT_FALSE(log.RecordEnded(10));
    EXPECT_EQ(log.FieldValue(10, "name"), "trunc");
    EXPECT_EQ(log.HeaderText(), "Exported by \u00E9t\u00E9 <angle>\r\n");
    EXPECT_EQ(List(log.HeaderFields()), (FieldList{{"adif_vers", "", "3.1"},
                                                   {"ProgramId", "", "OtherLog"},
                                                   {"PROGRAMVERSION", "s", "1.0"},
                                                   {"USERDEF1", "N", "X"},
                                                   {"ADIF_VERS", "", "3.0"},
                                                   {"PROGRAMID", "", "MUV"},
                                                   {"APP_Y", "", "z"}}));

    LogLookups lookups(log, {});
    // A station is the same with or without its portable parts.
    for (const char* logged :
         {"ea4abc", "K1AB", "F/EA4XYZ", "W1AW", "ZS6ABC", "EA5BB", "G4ABC", "DL1AB/P", "EA4XYZ", "DL1AB"})
        EXPECT_EQ(lookups.CallInLog(logged), 1) << logged;
    for (const char* base : {"CALM", "VK2A"})
        EXPECT_EQ(lookups.CallInLog(base), 0) << base;
    const PreviousContact portable = lookups.ShowPreviousContacts("CQ DE ea4xyz K", 0);
    EXPECT_EQ(portable.Callsign, "F/EA4XYZ");
    EXPECT_EQ(portable.Band, "40M");  // from its frequency
    EXPECT_EQ(lookups.ShowPreviousContacts("DL1AB", 0).Callsign, "DL1AB/P");
    EXPECT_EQ(lookups.ShowPreviousContacts("EA5BB ZS6ABC", 0).Callsign, "EA5BB");
    EXPECT_EQ(lookups.CountryInLog("germany"), 1);
    EXPECT_EQ(lookups.CountryInLog("Atlantis"), 0);
}

TEST_F(AdifFile, LoadFailures) {
    log.LoadText(OtherLoggersFiles()[1]);
    ASSERT_EQ(log.RecordCount(), 2u);

    // No log where the path points: silently empty.
    AdifLoadResult r = log.LoadLogBook(path);
    EXPECT_FALSE(r.loaded);
    EXPECT_EQ(r.message, "");
    EXPECT_EQ(log.RecordCount(), 0u);
    EXPECT_EQ(log.LogText(), "");
    Write(scratch.Path("log.txt"), OtherLoggersFiles()[1]);
    EXPECT_EQ(log.LoadLogBook(scratch.Path("log.txt")).message, "");
    EXPECT_EQ(log.RecordCount(), 0u);

    // Something there that is no log.
    const auto failsWith = [&](const std::string& at) {
        SCOPED_TRACE(at);
        log.LoadText(OtherLoggersFiles()[1]);
        AdifLoadResult result = log.LoadLogBook(at);
        EXPECT_FALSE(result.loaded);
        EXPECT_EQ(result.message, "Error in ADIF file");
        EXPECT_EQ(result.title, "ADIF Error");
        EXPECT_FALSE(result.cause.empty());
        EXPECT_EQ(log.RecordCount(), 0u);
        EXPECT_EQ(log.LogText(), "");
    };
    Write(path, "");
    failsWith(path);
    Write(path, "<");
    failsWith(path);
    fs::create_directory(scratch.Path("folder.ADI"));
    failsWith(scratch.Path("folder.ADI"));
    ASSERT_EQ(::mkfifo(scratch.Path("pipe.adi").c_str(), 0600), 0);
    failsWith(scratch.Path("pipe.adi"));  // refused at once, not waited on
    // Larger than any log (a sparse file: no disk space is used).
    const std::string huge = scratch.Path("huge.adi");
    Write(huge, "<CALL:4>K1AB<EOR>\r\n");
    fs::resize_file(huge, AdifLog::kMaxFileBytes + 1);
    failsWith(huge);
}

TEST_F(AdifFile, ReadOnlyLogIsReadAsItIs) {
    const std::string file = OtherLoggersFiles()[0];
    Write(path, file);
    ::chmod(path.c_str(), 0444);
    const auto written = fs::last_write_time(path);
    ASSERT_TRUE(log.LoadLogBook(path).loaded);
    EXPECT_EQ(log.RecordCount(), 2u);
    EXPECT_EQ(Read(path), file);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(fs::last_write_time(path), written);
    EXPECT_EQ(Names(scratch.Folder()), std::vector<std::string>{"log.adi"});
}

// ------------------------------------------------------------------ fuzz

// Random and mutated logs: loading never crashes nor loops, memory stays proportional to the text,
// LogText keeps its layout, every value read is UTF-8 whatever the bytes, what is read writes out and
// reads back the same, a contact appended reads back on its own, and no file is written.
TEST(AdifFuzz, RandomAndMutatedLogs) {
    std::mt19937 random(20240102);
    const auto below = [&random](size_t n) { return n == 0 ? size_t{0} : size_t(random() % n); };
    const std::vector<std::string> pieces = {"<",
                                             ">",
                                             ":",
                                             std::string("\xFF\x00", 2),
                                             "<EOR>",
                                             "<eoh>",
                                             "<CALL:4>",
                                             "<CALL:",
                                             "<call:5:s>",
                                             "\r\n",
                                             "\n",
                                             "K1AB",
                                             "<NOTES:9999999999>",
                                             "<X:3:D>",
                                             "<COUNTRY:5>SPAIN",
                                             "<TIME_ON:4>1234",
                                             "<EOR:0>",
                                             "<:3>",
                                             "<A:0>",
                                             "0",
                                             "12",
                                             "<QSO_DATE:8:D>20240102",
                                             " ",
                                             "<EOH>",
                                             "<CALL:4:>K1AB",
                                             "<<",
                                             "<EOR",
                                             "\xC5\x98",
                                             "\xD0",
                                             "\xE9",
                                             "\xF0\x9F\x98",
                                             "<NAME:8>DVO\xC5\x98\xC3\x81K",
                                             "<QTH:3>\xD0\x9C\xD0"};
    std::vector<std::string> seeds = OtherLoggersFiles();
    seeds.push_back(kHeaderLines + "\r\n" + kTypicalRecord + "\r\n" + kTypicalRecord + "\r\n");
    // Values of both encodings, as a log written by several programs holds them.
    seeds.push_back(
        "<CALL:5>DL1AB<NAME:6>M\xFCller<QTH:12>Москва<EOR>\r\n<CALL:4>K1AB<NAME:8>DVOŘÁK<EOR>\r\n");
    // Lengths counted in characters, and a record left open.
    seeds.push_back("<call:6>SP9ABC\n<name:6>Łukasz\n<eor>\n<call:6>UA9XYZ<name:4>Иван<notes:20>abc");

    test::ScratchFolder scratch("muv_adif_fuzz");
    const std::string path = scratch.Path("fuzz.adi");
    AdifLog typical;
    typical.LoadText(kTypicalRecord);
    for (int round = 0; round < 6000; ++round) {
        std::string input;
        switch (round % 3) {
            case 0:  // random bytes
                input.resize(below(600));
                for (char& c : input)
                    c = static_cast<char>(random());
                break;
            case 1:  // random pieces
                for (size_t n = below(80); n > 0; --n)
                    input += pieces[below(pieces.size())];
                break;
            default: {  // a mutated log
                input = seeds[below(seeds.size())];
                for (size_t n = 1 + below(8); n > 0; --n) {
                    const size_t at = below(input.size() + 1);
                    switch (below(5)) {
                        case 0:
                            if (at < input.size()) input[at] = static_cast<char>(random());
                            break;
                        case 1:
                            input.insert(at, pieces[below(pieces.size())]);
                            break;
                        case 2:
                            input.erase(at, below(20));
                            break;
                        case 3:
                            input.insert(at, input.substr(below(input.size() + 1), below(60)));
                            break;
                        default:
                            input.resize(at);
                            break;
                    }
                }
            }
        }
        SCOPED_TRACE(testing::PrintToString(input));

        AdifLog read(Countries());
        read.LoadText(input);
        ASSERT_LE(read.LogText().size(), 4 * input.size() + 64);
        ASSERT_LE(read.RecordCount(), input.size() / 5);
        ASSERT_NO_FATAL_FAILURE(ExpectSearchable(read.LogText()));
        ASSERT_TRUE(ValidUtf8(read.HeaderText()));
        for (const FieldList& record : Records(read))
            for (const auto& [name, type, value] : record)
                ASSERT_TRUE(ValidUtf8(value)) << name;
        for (const AdifField& field : read.HeaderFields())
            ASSERT_TRUE(ValidUtf8(field.Value)) << field.Name;

        const std::string out = read.AdifText();
        AdifLog again(Countries());
        again.LoadText(out);
        ASSERT_EQ(Records(again), Records(read));
        ASSERT_EQ(List(again.HeaderFields()), List(read.HeaderFields()));
        ASSERT_EQ(again.AdifText(), out);

        // A contact appended after what the log left open reads back on its own; the records before the
        // one left open stay as they were.
        if (const std::optional<std::string> closing = read.ClosingText();
            closing && closing->size() < 4096) {
            AdifLog closed(Countries()), added(Countries());
            closed.LoadText(input + *closing);
            added.LoadText(input + *closing + kTypicalRecord);
            std::vector<FieldList> records = Records(added);
            ASSERT_TRUE(added.RecordEnded(records.size() - 1));
            ASSERT_EQ(records.back(), Records(typical)[0]);
            records.pop_back();
            ASSERT_EQ(records, Records(closed));
            const size_t open = read.RecordCount() > 0 && !read.RecordEnded(read.RecordCount() - 1) ? 1 : 0;
            records = Records(read);
            records.resize(records.size() - open);
            const std::vector<FieldList> closedRecords = Records(closed);
            ASSERT_GE(closedRecords.size(), records.size());
            ASSERT_TRUE(std::equal(records.begin(), records.end(), closedRecords.begin()));
        }

        if (round % 20 == 0) {
            Write(path, input);
            AdifLog fromFile(Countries());
            const AdifLoadResult r = fromFile.LoadLogBook(path);
            ASSERT_EQ(r.loaded, input.size() >= 2);
            if (r.loaded) {
                ASSERT_EQ(fromFile.LogText(), read.LogText());
            }
            ASSERT_EQ(Read(path), input);
            ASSERT_EQ(Names(scratch.Folder()), std::vector<std::string>{"fuzz.adi"});
        }
    }
}

// Large texts made to be slow or big: they load in one pass, into memory in proportion to their size
// (a header after every record too, as files put together one after the other have).
TEST(AdifFuzz, PathologicalLogsStayLinearAndBounded) {
    std::mt19937 random(7);
    std::string noise(2 << 20, ' ');
    for (char& c : noise)
        c = static_cast<char>(random());
    const auto repeated = [](const std::string& piece) {
        std::string text;
        while (text.size() < (1 << 20))
            text += piece;
        return text;
    };
    const std::string texts[] = {noise,
                                 repeated("<"),
                                 repeated("<A:0>"),
                                 repeated("<CALL:4>K1AB<EOR>"),
                                 repeated("<NOTES:9999999999>"),
                                 repeated("<CALL:1>K<EOR>"),
                                 repeated("<EOH>"),
                                 repeated("<CALL:1>K<EOR><PROGRAMID:1>X<EOH>"),
                                 repeated("<VERY_LONG_TAG_NAME_THAT_NEVER_ENDS_")};
    for (const std::string& text : texts) {
        AdifLog log(Countries());
        log.LoadText(text);
        EXPECT_LE(log.LogText().size(), 4 * text.size());
        EXPECT_LE(log.RecordCount(), text.size() / 5);
        EXPECT_LE(log.AdifText().size(), 2 * text.size() + 64);
    }
}

}  // namespace
}  // namespace muv

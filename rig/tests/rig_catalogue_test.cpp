// The rig list of the set-up dialog: Hamlib's model table as the installed rigctl prints it, the rig
// files as the program brings them and as a user edits them, and any text at all read without harm.
#include "rig/rig_catalogue.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "common/cp1252.h"
#include "platform/program_folders.h"
#include "test_support/mutation.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

constexpr const char* kRigctl = "/usr/bin/rigctl";

std::string RigctlList() {
    std::string text;
    if (FILE* pipe = popen("/usr/bin/rigctl -l 2>/dev/null", "r")) {
        char buffer[4096];
        for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, got);
        pclose(pipe);
    }
    return text;
}

std::map<int, HamlibModel> ByNumber(const std::vector<HamlibModel>& rows) {
    std::map<int, HamlibModel> byNumber;
    for (const HamlibModel& row : rows)
        byNumber[row.number] = row;
    return byNumber;
}

// Makers and models with blanks of their own, and a maker that fills its column up to one blank before
// the model ("DTTS Microwave Society DttSP IPC"); without the header line, a wider gap still splits them.
TEST(RigCatalogue, HamlibsModelTableAsTheInstalledRigctlPrintsIt) {
    if (!std::filesystem::exists(kRigctl)) GTEST_SKIP() << "rigctl is not installed";
    const std::string text = RigctlList();
    size_t modelLines = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string first;
        if (words >> first && first.find_first_not_of("0123456789") == std::string::npos) ++modelLines;
    }
    const std::vector<HamlibModel> rows = ParseRigctlList(text);
    ASSERT_GT(rows.size(), 100u);
    EXPECT_EQ(rows.size(), modelLines);
    const std::map<int, HamlibModel> models = ByNumber(rows);
    EXPECT_EQ(models.at(1).maker, "Hamlib");
    EXPECT_EQ(models.at(1).model, "Dummy");
    EXPECT_EQ(models.at(2).model, "NET rigctl");
    for (const HamlibModel& m : rows) {
        EXPECT_TRUE(isdigit(static_cast<unsigned char>(m.version[0]))) << m.number << " " << m.version;
        EXPECT_FALSE(m.status.empty() || isdigit(static_cast<unsigned char>(m.status[0]))) << m.number;
        EXPECT_FALSE(m.maker.empty()) << m.number;
        EXPECT_EQ(m.model.find("RIG_MODEL"), std::string::npos) << m.model;
        if (text.find("DTTS Microwave Society") != std::string::npos && m.model.find("DttSP") == 0) {
            EXPECT_EQ(m.maker, "DTTS Microwave Society") << m.model;
        }
    }

    const std::vector<HamlibModel> headless = ParseRigctlList(text.substr(text.find('\n') + 1));
    EXPECT_EQ(headless.size(), rows.size());
    EXPECT_EQ(ByNumber(headless).at(2).maker, "Hamlib");
    EXPECT_EQ(ByNumber(headless).at(2).model, "NET rigctl");
}

// The program's rig files as the installer copies them, and the user's folder before them: a copy
// there replaces the program's file of that name even when it cannot be read.
TEST(RigCatalogue, RigFilesGiveRigctldsArgumentsAndTheUsersCopyWins) {
    test::ScratchFolder user("muv_rigs");
    // Its comment in Windows-1252, as a Windows installation wrote it.
    std::ofstream(user.Path("Dummy"))
        << "# My dummy, Jos\xE9's\n\n-m 6 -r /dev/ttyACM0 --serial-speed=4800 -P cm108 "
           "-C a=b -t 4532 -T 0.0.0.0\n-m 1\n";
    std::ofstream(user.Path("FT-817")) << "# being edited\n-m\n";
    const std::vector<RigFile> files = ReadRigFiles({user.Folder().string(), ProgramDataFolder() + "/Rigs"});
    std::map<std::string, RigFile> byName;
    for (const RigFile& f : files)
        byName[f.name] = f;
    ASSERT_EQ(files.size(), 7u);
    EXPECT_EQ(files.front().name, "Dummy");
    EXPECT_EQ(byName.count("FT-817"), 0u);

    const RigArguments& mine = byName.at("Dummy").arguments;
    EXPECT_EQ(byName.at("Dummy").description, "My dummy, José's");
    EXPECT_EQ(mine.model, 6);
    EXPECT_EQ(mine.device, "/dev/ttyACM0");
    EXPECT_EQ(mine.speed, 4800);
    EXPECT_EQ(mine.ptt, "");
    EXPECT_EQ(mine.extra, (std::vector<std::string>{"-P", "cm108", "-C", "a=b"}));

    const RigFile& ic7300 = byName.at("IC-7300");
    EXPECT_EQ(ic7300.description, "Icom IC-7300 on its USB port.");
    EXPECT_EQ(ic7300.arguments, (RigArguments{3073, "/dev/ttyUSB0", 0, "", {}}));

    // The program's own dummy, keyed by CAT.
    const std::vector<RigFile> program = ReadRigFiles({ProgramDataFolder() + "/Rigs"});
    ASSERT_EQ(program.size(), 8u);
    EXPECT_EQ(program.front().arguments, (RigArguments{1, "", 0, "RIG", {}}));
}

void ExpectBounded(const std::vector<HamlibModel>& rows) {
    EXPECT_LE(rows.size(), 10000u);
    std::set<int> numbers;
    for (const HamlibModel& m : rows) {
        EXPECT_GE(m.number, 1);
        EXPECT_TRUE(numbers.insert(m.number).second);
        EXPECT_FALSE(m.model.empty());
        for (const std::string* field : {&m.maker, &m.model, &m.version, &m.status})
            EXPECT_LE(field->size(), 64u);
    }
}

void ExpectBounded(const std::optional<RigFile>& file) {
    if (!file) return;
    EXPECT_GE(file->arguments.model, 1);
    EXPECT_LE(file->arguments.device.size(), kRigArgumentsTextMax);
    EXPECT_LE(Utf8Length(file->description), 200u);
    EXPECT_TRUE(IsMultiByteUtf8(file->description + "é")) << "valid UTF-8";
    size_t length = 0;
    for (const std::string& w : file->arguments.extra)
        length += w.size() + 1;
    EXPECT_LE(length, kRigArgumentsTextMax + 1);
}

TEST(RigCatalogue, RandomAndMutatedTextsNeverFail) {
    std::string table = std::filesystem::exists(kRigctl) ? RigctlList() : "";
    if (table.empty())
        table =
            " Rig #  Mfg                    Model                   Version         Status      Macro\n"
            "     1  Hamlib                 Dummy                   20221128.0      Stable      "
            "RIG_MODEL_DUMMY\n"
            " 23003  DTTS Microwave Society DttSP IPC               20200319.0      Beta        "
            "RIG_MODEL_DTTSP\n";
    const std::string rigFile =
        "# Yaesu FT-817\n#   rigctld -t 4532\n-m 1020 -r /dev/ttyUSB0 -s 9600 -P RIG -C x=y\n";
    std::mt19937 random(11);
    for (int round = 0; round < 300; ++round) {
        std::string t = table;
        test::MutateText(t, random, 1 + static_cast<int>(random() % 40), 80, " \n\t#R0123456789.-");
        ExpectBounded(ParseRigctlList(t));
    }
    for (int round = 0; round < 3000; ++round) {
        std::string f = rigFile;
        test::MutateText(f, random, 1 + static_cast<int>(random() % 12), 20, " \n\t#-=mrsPtT0123456789");
        ExpectBounded(ParseRigFile("f", f));
        std::string noise(random() % 400, '\0');
        for (char& c : noise)
            c = static_cast<char>(random() % 256);
        ExpectBounded(ParseRigctlList(noise));
        ExpectBounded(ParseRigFile("n", noise));
        // Long words and lines.
        ExpectBounded(ParseRigFile(
            "long", "-m 1 -r " + std::string(random() % 600, 'x') + " " + std::string(random() % 600, 'y')));
    }
}

}  // namespace
}  // namespace muv

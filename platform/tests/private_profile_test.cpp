// The settings file's rules against files written as Windows writes them (and as people edit them), the
// whole-file replacement on disk, and a few thousand random and damaged files.
#include "platform/private_profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "common/cp1252.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

std::string Get(const std::string& text, std::string_view section, std::string_view key, size_t buffer = 50) {
    return GetProfileValue(text, section, key, buffer);
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(ProfileRules, ReadsAsWindowsDoes) {
    // CR LF, Windows-1252 names, blanks, quotes, duplicates, comments and lines without "=".
    const std::string text =
        "orphan=before any section\r\n"
        "[User Profiles]\r\n"
        "NumeroUsuario= 3 \r\n"
        "; a comment=not a key\r\n"
        "just some words\r\n"
        "  [ fuente ]  \r\n"
        "Tama\xF1o=2\r\n"
        "TAMA\xD1O=9\r\n"
        "[Email]\r\n"
        "Final Message=\"  73 de EA1ABC  \"\r\n"
        "QSL='x'\r\n"
        "Odd=\"unbalanced\r\n"
        "Empty=\r\n"
        "[FUENTE]\r\n"
        "Tama\xF1o=3\r\n"
        "Other=in the second copy\r\n";
    EXPECT_EQ(Get(text, "user profiles", "numerousuario"), "3");
    EXPECT_EQ(Get(text, "Fuente", "TAMA\xD1O"), "2") << "first match wins, names without regard to case";
    EXPECT_EQ(Get(text, "Fuente", "Other"), "") << "a duplicate section is not read";
    EXPECT_EQ(Get(text, "Email", "Final Message"), "  73 de EA1ABC  ") << "one pair of quotes goes";
    EXPECT_EQ(Get(text, "Email", "QSL"), "x");
    EXPECT_EQ(Get(text, "Email", "Odd"), "\"unbalanced");
    EXPECT_EQ(Get(text, "Email", "Empty"), "");
    EXPECT_EQ(Get(text, "Email", "; a comment"), "");
    EXPECT_EQ(Get(text, "", "orphan"), "");
    EXPECT_EQ(Get(text, "Email", "Final Message", 6), "  73 ") << "cut to the buffer less one";
    EXPECT_EQ(Get(text, "Missing", "Key"), "");

    // LF line ends and no final line end, as an editor may leave them.
    const std::string edited = "[Fuente]\nTama\xF1o=1\n[Operador]\nName=Jos\xE9";
    EXPECT_EQ(Get(edited, "Fuente", "Tama\xF1o"), "1");
    EXPECT_EQ(Get(edited, "Operador", "Name"), "José") << "read as Windows-1252, given as UTF-8";

    // The buffer counts characters, in either encoding, and never cuts one in two.
    const std::string names =
        "[Operador]\r\nName=Jos\xE9 Mar\xED"
        "a\r\nQTH=Москва\r\n";
    EXPECT_EQ(Get(names, "Operador", "Name", 5), "José");
    EXPECT_EQ(Get(names, "Operador", "QTH", 4), "Мос");
    EXPECT_EQ(Get(names, "Operador", "QTH", 7), "Москва");
}

TEST(ProfileRules, WritesChangeOnlyTheirLine) {
    const std::string original =
        "; kept\r\n[RIG]\r\nPTT=2\r\nModo=0\r\n\r\n[Operador]\r\nCallsign=EA1ABC\r\n";
    std::string text = SetProfileValue(original, "rig", "ptt", "1");
    EXPECT_EQ(text, "; kept\r\n[RIG]\r\nptt=1\r\nModo=0\r\n\r\n[Operador]\r\nCallsign=EA1ABC\r\n");
    // A new key goes after the section's last line, before the blank line that separates it.
    text = SetProfileValue(text, "RIG", "Pin", "3");
    EXPECT_EQ(text, "; kept\r\n[RIG]\r\nptt=1\r\nModo=0\r\nPin=3\r\n\r\n[Operador]\r\nCallsign=EA1ABC\r\n");
    // A new section goes at the end, in the file's own line ends.
    EXPECT_EQ(SetProfileValue("[A]\nx=1", "B", "y", "2"), "[A]\nx=1\n[B]\ny=2\n");
    EXPECT_EQ(SetProfileValue("[A]\nx=1", "A", "y", "2"), "[A]\nx=1\ny=2\n");
    EXPECT_EQ(SetProfileValue("", "Clear", "Save Log", "2"), "[Clear]\r\nSave Log=2\r\n");
    // The signed form keeps its blank on disk and reads back as the number.
    text = SetProfileValue("", "Pantalla", "Color", " 3");
    EXPECT_EQ(text, "[Pantalla]\r\nColor= 3\r\n");
    EXPECT_EQ(Get(text, "Pantalla", "Color"), "3");
}

// A lone CR ends a line as CR LF and LF do (an editor of another system, a file cut short after its
// CR): the line keeps its own value, and a new key goes on a line of its own after it.
TEST(ProfileRules, ALoneCrEndsALine) {
    std::string text = SetProfileValue("[Pantalla]\r\nResolucion=3\r", "Pantalla", "Color", "2");
    EXPECT_EQ(text, "[Pantalla]\r\nResolucion=3\rColor=2\r\n");
    EXPECT_EQ(Get(text, "Pantalla", "Resolucion"), "3");
    EXPECT_EQ(Get(text, "Pantalla", "Color"), "2");
    text = SetProfileValue(text, "Fuente", "Tama\xF1o", "1");
    EXPECT_EQ(text, "[Pantalla]\r\nResolucion=3\rColor=2\r\n[Fuente]\r\nTama\xF1o=1\r\n");
    EXPECT_EQ(SetProfileValue("[A]\rx=1\r", "B", "y", "2"), "[A]\rx=1\r[B]\ry=2\r");
    // In a file of lone CRs, a new line before an empty LF line does not join the two line ends.
    EXPECT_EQ(SetProfileValue("[A]\rx=1\r\n\n[B]\r", "A", "y", "2"), "[A]\rx=1\r\ny=2\r\n\n[B]\r");
}

TEST(ProfileRules, AReceivedTextCannotBreakItsLine) {
    // A record message holds whatever was received: line breaks and lines that look like sections.
    const std::string hostile = "73\r\n[Operador2]\rCallsign=HACKED\nLocator=AA00aa";
    std::string text =
        SetProfileValue("[Operador2]\r\nCallsign=EA1ABC\r\n", "Estadisticas", "Mensaje", hostile);
    EXPECT_EQ(Get(text, "Operador2", "Callsign"), "EA1ABC");
    EXPECT_EQ(Get(text, "Operador2", "Locator"), "");
    EXPECT_EQ(Get(text, "Estadisticas", "Mensaje", 200), "73  [Operador2] Callsign=HACKED Locator=AA00aa");
    text = SetProfileValue(text, "Estadisticas", "Mensaje", std::string("a\0b", 3));
    EXPECT_EQ(Get(text, "Estadisticas", "Mensaje"), "ab");
}

// Random and damaged texts: reading never fails, never runs away and always gives valid UTF-8 within the
// buffer's characters; a value written is read back as written (its line breaks as blanks), and every
// other key keeps its value.
TEST(ProfileRules, FuzzedTextsStayConsistent) {
    std::mt19937 rng(20261209);
    const std::string alphabet = "[]=;'\" \t\r\nabcAB12\xF1\xD1\xC3\xB1\x80\xFF\xE2\x82\xAC\xD0\x96\xF0\x9F";
    // What the program writes: UTF-8 characters, some Windows-1252 holds and some it does not ("Ã±"
    // is also what "ñ" looks like in Windows-1252).
    const std::vector<std::string> characters = {"a",  "B", "1",  "=",  ";",  "[",  "]", "'",
                                                 "\"", " ", "\t", "\r", "\n", "ñ",  "Ñ", "Ã",
                                                 "±",  "€", "ÿ",  "ő",  "Ж",  "漢", "😀"};
    const std::vector<std::string> seeds = {"[User Profiles]\r\nNumeroUsuario=3\r\n1=Home\r\n",
                                            "[RIG]\r\nPTT=1\r\n[RIG2]\r\nUltima Frecuencia=7040.0\r\n",
                                            "[Fuente]\nTama\xF1o= 2\n", ""};
    for (int round = 0; round < 3000; ++round) {
        std::string text = seeds[round % seeds.size()];
        // Mutate: insert, delete or flip bytes; sometimes a long run of one byte.
        const int edits = static_cast<int>(rng() % 12);
        for (int e = 0; e < edits; ++e) {
            const size_t at = text.empty() ? 0 : rng() % (text.size() + 1);
            switch (rng() % 4) {
                case 0:
                    text.insert(at, 1, alphabet[rng() % alphabet.size()]);
                    break;
                case 1:
                    if (at < text.size()) text.erase(at, 1);
                    break;
                case 2:
                    if (at < text.size()) text[at] = static_cast<char>(rng());
                    break;
                case 3:
                    text.insert(at, rng() % 5000, alphabet[rng() % alphabet.size()]);
                    break;
            }
        }
        const std::string section = "S" + std::to_string(rng() % 3);
        const size_t buffer = 2 + rng() % 40;
        for (const auto& [s, k] : {std::pair{"RIG", "PTT"}, {"Fuente", "Tama\xF1o"}, {"S0", "K"}}) {
            const std::string read = Get(text, s, k, buffer);
            EXPECT_TRUE(IsValidUtf8(read)) << "round " << round;
            EXPECT_LT(Utf8Length(read), buffer) << "round " << round;
        }
        const std::string before = Get(text, "RIG", "PTT", 300);
        std::string value, expected;
        for (size_t n = rng() % 60, i = 0; i < n; ++i) {
            std::string c = characters[rng() % characters.size()];
            // Blanks and quotes at the ends are the reader's to drop.
            if ((i == 0 || i + 1 == n) && std::string_view(" \t\r\n'\"").find(c) != std::string_view::npos)
                c = "v";
            value += c;
            expected += c == "\r" || c == "\n" ? " " : c;
        }
        const std::string written = SetProfileValue(text, section, "K", value);
        // What Windows returns: blanks trimmed, one pair of quotes removed.
        EXPECT_EQ(Get(written, section, "K", 300), expected) << "round " << round;
        if (section != "RIG") {
            EXPECT_EQ(Get(written, "RIG", "PTT", 300), before) << "round " << round;
        }
        EXPECT_LE(written.size(), text.size() + value.size() + section.size() + 16);
    }
}

class ProfileFileTest : public test::TempFolderTest {};

TEST_F(ProfileFileTest, EveryWriteReplacesThePrivateFileWholeAndBatchesWriteOnce) {
    const std::string path = Path("MUV.ini");
    WriteFile(path, "[RIG]\r\nPTT=2\r\n");
    ProfileFile file(path);
    EXPECT_EQ(file.Get("RIG", "PTT", 50), "2");
    ASSERT_TRUE(file.Write("RIG", "PTT", "1"));
    EXPECT_EQ(FileText(path), "[RIG]\r\nPTT=1\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // A batch: the file does not change until its end, then holds every value.
    const ino_t before = st.st_ino;
    file.BeginBatch();
    for (int i = 0; i < 200; ++i)
        ASSERT_TRUE(file.Write("Many", std::to_string(i), "x"));
    EXPECT_EQ(FileText(path), "[RIG]\r\nPTT=1\r\n");
    EXPECT_EQ(file.Get("Many", "199", 50), "x") << "read back before the batch ends";
    ASSERT_TRUE(file.EndBatch());
    EXPECT_EQ(GetProfileValue(FileText(path), "Many", "199", 50), "x");
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_NE(st.st_ino, before) << "replaced, not written in place";

    // Another program's change is read.
    WriteFile(path, "[RIG]\r\nPTT=3 and a longer line\r\n");
    EXPECT_EQ(file.Get("RIG", "PTT", 50), "3 and a longer line");
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec))
        EXPECT_EQ(entry.path().filename(), "MUV.ini") << "no temporary file is left behind";
}

TEST_F(ProfileFileTest, AFileThatCannotBeWrittenIsNeverLost) {
    const std::string path = Path("MUV.ini");
    const std::string original = "[Operador]\r\nCallsign=EA1ABC\r\n";
    WriteFile(path, original);
    ::chmod(path.c_str(), 0400);
    ProfileFile file(path);
    EXPECT_FALSE(file.Write("Operador", "Callsign", "EA2XYZ"));
    EXPECT_EQ(file.LastError(), "the file is read-only");
    EXPECT_EQ(FileText(path), original);
    EXPECT_EQ(file.Get("Operador", "Callsign", 50), "EA2XYZ") << "kept for the run";

    // Once it can be written again, everything held reaches the file.
    ::chmod(path.c_str(), 0600);
    ASSERT_TRUE(file.Write("Operador", "Name", "Juan"));
    EXPECT_EQ(GetProfileValue(FileText(path), "Operador", "Callsign", 50), "EA2XYZ");

    // A folder that cannot take the file (here: a file stands where the folder should be).
    WriteFile(Path("notafolder"), "x");
    ProfileFile lost(Path("notafolder") + "/MUV.ini");
    EXPECT_FALSE(lost.Write("Operador", "Callsign", "EA3QQQ"));
    EXPECT_FALSE(lost.LastError().empty());
    EXPECT_EQ(lost.Get("Operador", "Callsign", 50), "EA3QQQ");
    if (::geteuid() != 0) {
        ::chmod(folder_.c_str(), 0500);
        EXPECT_FALSE(file.Write("Operador", "Callsign", "EA4RRR"));
        ::chmod(folder_.c_str(), 0700);
        EXPECT_EQ(GetProfileValue(FileText(path), "Operador", "Callsign", 50), "EA2XYZ");
    }
}

// Settings kept with the user's other dotfiles: MUV.ini is a link into that folder, and stays one.
TEST_F(ProfileFileTest, ALinkStaysALinkAndWhatItPointsToIsReplaced) {
    std::filesystem::create_directories(Path("dotfiles"));
    std::filesystem::create_directories(Path("config"));
    WriteFile(Path("dotfiles/muv.ini"), "[RIG]\r\nPTT=2\r\n");
    const std::string link = Path("config/MUV.ini");
    std::filesystem::create_symlink("../dotfiles/muv.ini", link);
    const auto isLinkTo = [&link](const std::string& target) {
        std::error_code ec;
        return std::filesystem::is_symlink(link, ec) && std::filesystem::read_symlink(link, ec) == target;
    };
    const auto onlyFiles = [this](const std::string& folder, std::vector<std::string> names) {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(Path(folder)))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found == names;
    };

    ProfileFile file(link);
    EXPECT_EQ(file.Get("RIG", "PTT", 50), "2");
    ASSERT_TRUE(file.Write("RIG", "PTT", "1")) << file.LastError();
    EXPECT_TRUE(isLinkTo("../dotfiles/muv.ini"));
    EXPECT_EQ(FileText(Path("dotfiles/muv.ini")), "[RIG]\r\nPTT=1\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(Path("dotfiles/muv.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(onlyFiles("dotfiles", {"muv.ini"})) << "the temporary file went beside what it replaced";
    EXPECT_TRUE(onlyFiles("config", {"MUV.ini"}));

    // The link pointed elsewhere while the program runs: the file it points to now is the one written.
    WriteFile(Path("dotfiles/portable.ini"), "[RIG]\r\nPTT=3\r\n");
    std::filesystem::remove(link);
    std::filesystem::create_symlink(Path("dotfiles/portable.ini"), link);
    ASSERT_TRUE(file.Write("RIG", "Pin", "2"));
    EXPECT_EQ(FileText(Path("dotfiles/portable.ini")), "[RIG]\r\nPTT=3\r\nPin=2\r\n");
    EXPECT_EQ(FileText(Path("dotfiles/muv.ini")), "[RIG]\r\nPTT=1\r\n");

    // A link to a file not yet checked out: the file appears where it points.
    std::filesystem::remove(link);
    std::filesystem::create_symlink("../dotfiles/fresh.ini", link);
    ASSERT_TRUE(file.Write("RIG", "PTT", "4"));
    EXPECT_TRUE(isLinkTo("../dotfiles/fresh.ini"));
    EXPECT_EQ(Get(FileText(Path("dotfiles/fresh.ini")), "RIG", "PTT"), "4");

    // Links that go round: nothing is written, and the links stay as they were.
    std::filesystem::remove(link);
    std::filesystem::create_symlink("round.ini", link);
    std::filesystem::create_symlink("MUV.ini", Path("config/round.ini"));
    EXPECT_FALSE(file.Write("RIG", "PTT", "5"));
    EXPECT_FALSE(file.LastError().empty());
    EXPECT_TRUE(isLinkTo("round.ini"));
    EXPECT_TRUE(onlyFiles("config", {"MUV.ini", "round.ini"}));
}

TEST_F(ProfileFileTest, GarbageAndHugeFilesGiveDefaultsAndAreKept) {
    const std::string path = Path("MUV.ini");
    std::mt19937 rng(7);
    std::string garbage(100000, '\0');
    for (char& c : garbage)
        c = static_cast<char>(rng());
    WriteFile(path, garbage);
    ProfileFile file(path);
    (void)file.Get("RIG", "PTT", 50);  // whatever it finds, it finds without failing
    ASSERT_TRUE(file.Write("RIG", "PTT", "1"));
    EXPECT_EQ(file.Get("RIG", "PTT", 50), "1");

    // Larger than any settings file: not read, and never replaced.
    const std::string huge = "[RIG]\r\nPTT=2\r\n" + std::string(ProfileFile::kMaxFileBytes, 'x');
    WriteFile(path, huge);
    ProfileFile big(path);
    EXPECT_EQ(big.Get("RIG", "PTT", 50), "");
    EXPECT_FALSE(big.Write("RIG", "PTT", "1"));
    EXPECT_EQ(std::filesystem::file_size(path), huge.size());
}

}  // namespace
}  // namespace muv

// The language files: every language names every text English has (but the few it leaves out on
// purpose), in the same order, keeps the texts the program has always shown word for word, and reads
// back whatever a translator's editor did to the file without losing a line it could read.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "test_support/mutation.h"
#include "texts/text_table.h"

namespace muv {
namespace {

TEST(TextTable, EveryLanguageHasEveryTextInOrderButThoseLeftOutOnPurpose) {
    const LanguageTexts& english = BuiltInLanguage(1);
    ASSERT_EQ(english.rows.size(), 111u);
    const std::set<std::pair<int, std::string>> leftOut = {{3, "frmRig.chkDigital"},
                                                           {3, "frmScan"},
                                                           {9, "frmInternalSpot.lblCall"},
                                                           {9, "frmInternalSpot.lblComentario"}};
    for (int language = 1; language <= 11; ++language) {
        SCOPED_TRACE(kLanguageCodes[static_cast<size_t>(language - 1)]);
        std::vector<std::string> problems;
        const LanguageTexts texts = ParseLanguageFile(BuiltInLanguageFile(language), &problems);
        EXPECT_TRUE(problems.empty()) << problems.front();
        size_t at = 0;
        for (const auto& [key, text] : english.rows) {
            if (leftOut.count({language, key})) {
                EXPECT_EQ(texts.Find(key), nullptr) << key;
                continue;
            }
            ASSERT_LT(at, texts.rows.size()) << key;
            EXPECT_EQ(texts.rows[at].first, key);
            EXPECT_FALSE(texts.rows[at].second.empty()) << key;
            ++at;
        }
        EXPECT_EQ(at, texts.rows.size()) << "a text English does not have";
    }
    EXPECT_TRUE(BuiltInLanguage(0).rows.empty());
    EXPECT_TRUE(BuiltInLanguage(12).rows.empty());
}

TEST(TextTable, TheProgramsOwnWordingStaysAsItIs) {
    auto text = [](int language, const char* key) {
        const std::string* t = BuiltInLanguage(language).Find(key);
        return t ? *t : std::string("(missing)");
    };
    EXPECT_EQ(text(1, "TxtVolume"), "Volume: ");
    EXPECT_EQ(text(1, "TxtCpuUnavailable"), "CPU Usage: Not avaiable");
    EXPECT_EQ(text(1, "frmEmailReport.optNoInternet"), "Internet not avaiable");
    EXPECT_EQ(text(2, "TxtFrameAcquisition"), "Adquisicion de Trama: ");
    EXPECT_EQ(text(2, "frmRig.chkDigital"), "Modo Digital");
    EXPECT_EQ(text(3, "TxtEmailError"), "Erreur: L'e-mail n'a pas pu être envoyé");
    EXPECT_EQ(text(5, "frmMain.mnuMenuStyle"), "Menu Style");
    EXPECT_EQ(text(7, "TxtFinalAcquisition"), "Záchyt koncových rámcù: ");
    EXPECT_EQ(text(8, "frmMain.mnuAbout"), "Aobre");
    EXPECT_EQ(text(10, "frmAbout"), "MUVeren gainean");
    EXPECT_EQ(text(11, "TxtOpenSoundFile"), "Hang Állomány Megnyítása");
    // Russian is written in its own script, its final-acquisition prefix with its leading blank.
    const std::string volume = text(9, "TxtVolume");
    EXPECT_EQ(static_cast<unsigned char>(volume[0]) & 0xE0, 0xC0) << volume;
    EXPECT_EQ(text(9, "TxtFinalAcquisition").substr(0, 1), " ");
}

TEST(TextTable, AnEditedFileIsReadLineByLineAndTellsWhatItCouldNotRead) {
    std::vector<std::string> problems;
    const LanguageTexts t = ParseLanguageFile(
        "# comment\r\n\r\nfrmMain.mnuHelp = \"Help \"\r\nno equals\r\nfrmMain.mnuHelp = \"again\"\r\n"
        "frm Main = \"x\"\r\nTxtVolume = unquoted\r\n  frmAbout=\"About \"MUV\"\"  \r\nTxtVolume = \"\"",
        &problems);
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(*t.Find("frmMain.mnuHelp"), "Help ");
    EXPECT_EQ(*t.Find("frmAbout"), "About \"MUV\"");
    EXPECT_EQ(*t.Find("TxtVolume"), "");
    EXPECT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0].rfind("line 4:", 0), 0u) << problems[0];
}

TEST(TextTable, RandomAndMutatedFilesNeverFail) {
    std::mt19937 rng(7);
    const std::string base(BuiltInLanguageFile(2));
    for (int round = 0; round < 2000; ++round) {
        std::string file = base;
        test::MutateText(file, rng, 1 + static_cast<int>(rng() % 20), 39, "=\"\n#\r x");
        std::vector<std::string> problems;
        const LanguageTexts t = ParseLanguageFile(file, &problems);
        EXPECT_LE(t.rows.size(), 200u);
        std::set<std::string> keys;
        for (const auto& row : t.rows)
            EXPECT_TRUE(keys.insert(row.first).second) << "a key kept twice";
    }
}

}  // namespace
}  // namespace muv

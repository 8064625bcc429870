// The statistics window: the counts of a log as the look-ups hold it, the farthest-contact record, the
// average frequency shift, and its "Estadisticas" group under the profiles.
#include "logbook/frmStatistics.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <limits>
#include <random>
#include <tuple>

#include "logbook/adif_log.h"
#include "platform/private_profile.h"
#include "test_support/qt_app.h"

namespace muv {
namespace {

std::string Adif(const std::string& call, const std::string& country) {
    std::string r = "<CALL:" + std::to_string(call.size()) + ">" + call + "\r\n";
    if (!country.empty()) r += "<COUNTRY:" + std::to_string(country.size()) + ">" + country + "\r\n";
    return r + "<EOR>\r\n";
}

TEST(LogCounts, ContactsCallsignsAndCountriesOfALog) {
    AdifLog log;
    log.LoadText("header<EOH>\r\n" + Adif("EA4ABC", "Spain") + Adif("EA4ABC/P", "Spain") +
                 Adif("EA8/ea4abc", "Spain") + "<NOTES:4>only<EOR>\r\n");
    LogCounts c = CountLog(log.LogText());
    EXPECT_EQ(c.contacts, 3u) << "the record without a callsign or a country is not a contact";
    EXPECT_EQ(c.callsigns, 1u) << "portable forms of one station, in any case";
    EXPECT_EQ(c.countries, 1u);

    // A callsign the country file does not place gains an empty country: a contact, but no country; a
    // callsign with no base ("A/B/C/D") is no callsign.
    log.LoadText(Adif("DL1ABC", "Fed. Rep. of Germany") + Adif("ZZ9ZZZ", "") + Adif("A/B/C/D", "") +
                 Adif("dl1abc", "Fed. Rep. of Germany"));
    c = CountLog(log.LogText());
    EXPECT_EQ(c.contacts, 4u);
    EXPECT_EQ(c.callsigns, 2u);
    EXPECT_EQ(c.countries, 1u);

    // Countries compare exactly; a value ends at the next tag or line end.
    c = CountLog("<COUNTRY:5>SPAIN\r\n<COUNTRY:5>Spain<EOR><COUNTRY:5>SPAIN");
    EXPECT_EQ(c.contacts, 3u);
    EXPECT_EQ(c.countries, 2u);
    EXPECT_EQ(CountLog("").contacts, 0u);
}

TEST(LogCounts, AnyTextIsCountedWithoutHarm) {
    const std::vector<std::string> pieces{"<COUNTRY:", "<CALL:", ">", "<", "\r\n",  "\r",   "/",
                                          "EA4ABC",    "Spain",  "",  "5", "<EOR>", "\x00", "\xFF"};
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int n = static_cast<int>(rng() % 30);
        for (int i = 0; i < n; ++i)
            text += pieces[rng() % pieces.size()];
        size_t tags = 0;
        for (size_t at = text.find("<COUNTRY:"); at != std::string::npos; at = text.find("<COUNTRY:", at + 1))
            ++tags;
        const LogCounts c = CountLog(text);
        EXPECT_EQ(c.contacts, tags) << text;
        EXPECT_LE(c.countries, c.contacts) << text;
    }
}

// A window on a memory settings file, with the values the rest of the program would give.
class StatisticsWindow : public test::QtAppTest {
protected:
    std::unique_ptr<frmStatistics> Make() {
        return std::make_unique<frmStatistics>(
            StatisticsWindowLinks{store, [this]() -> const std::string& { return logText; },
                                  [this] { return rxText; }, [this] { return snDb; }, [this] { return mode; },
                                  [this] { return catHz; }, [this] { return now; }});
    }
    std::unique_ptr<frmStatistics> Loaded() {
        auto w = Make();
        w->Form_Load();
        return w;
    }
    std::string Text(const QLineEdit* box) { return box->text().toStdString(); }
    bool Has(const std::string& line) { return store.Text().find(line + "\r\n") != std::string::npos; }

    MemoryProfileStore store;
    std::string logText, rxText = "CQ de EA1ABC IM98jm k", mode = "MUV16 2000";
    float snDb = 12.4f;
    int32_t catHz = 14070300;
    UtcTime now{2024, 3, 9, 7, 5, 59, 0};
};

TEST_F(StatisticsWindow, OnlyAFartherReceptionBecomesTheRecord) {
    auto w = Loaded();
    w->ComprobarRecord("315", 136.4);
    EXPECT_EQ(w->txtMensaje->toPlainText().toStdString(), rxText);
    EXPECT_TRUE(Has("Distancia=315") && Has("Direccion=136") && Has("Fecha=2024/03/09 07:05") &&
                Has("SN=+12") && Has("Modo=MUV16 2000") && Has("Frecuencia=14.070300") &&
                Has("Mensaje=CQ de EA1ABC IM98jm k"))
        << store.Text();

    // The same distance, or a nearer one, changes nothing and saves nothing.
    const int writes = store.writes;
    w->ComprobarRecord("315", 10);
    w->ComprobarRecord("", 10);
    EXPECT_EQ(store.writes, writes);
    EXPECT_EQ(Text(w->txtDireccion), "136");

    // Farther: every field anew, but without CAT the frequency stays as it was.
    catHz = 0;
    snDb = -0.4f;
    rxText = "far";
    w->ComprobarRecord("9050", 5.5);
    EXPECT_EQ(Text(w->txtDireccion), "006");
    EXPECT_EQ(Text(w->txtSN), "0") << "no sign on what shows as 0";
    EXPECT_EQ(Text(w->txtFrecuencia), "14.070300");
    EXPECT_TRUE(Has("Distancia=9050") && Has("Mensaje=far"));

    // After the reset, which is not saved, an empty record counts as 0 km.
    w->cmdResetMensaje_Click();
    EXPECT_TRUE(w->txtMensaje->toPlainText().isEmpty());
    EXPECT_TRUE(Has("Distancia=9050"));
    w->ComprobarRecord("1", 0);
    EXPECT_EQ(Text(w->txtDistancia), "1");

    // The received text is the modem's Windows-1252: the window shows its characters.
    rxText = "73 Jos\xE9 \xB0";
    w->ComprobarRecord("2", 0);
    EXPECT_EQ(w->txtMensaje->toPlainText(), QString::fromUtf8("73 José °"));
}

TEST_F(StatisticsWindow, TheShiftIsTheAverageOfEveryMeasurementSinceLoaded) {
    auto w = Loaded();
    w->ComputarShift(10);
    w->ComputarShift(-4);
    EXPECT_EQ(Text(w->txtShift), "+3");
    // The reset clears what is shown, not the figures.
    w->cmdResetShift_Click();
    EXPECT_EQ(Text(w->txtShift), "0");
    w->ComputarShift(-20.5f);
    EXPECT_EQ(Text(w->txtShift), "-5") << "(10 - 4 - 20.5) / 3";
    EXPECT_TRUE(Has("Contador Shift=3") && Has("Suma Shift=-14.5")) << "a dot whatever the locale";
    w->ComputarShift(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(w->ShiftCount, 3) << "a shift that is no number is left out";

    // Loaded again from the file, the average goes on over every shift.
    auto again = Loaded();
    EXPECT_DOUBLE_EQ(again->ShiftSum, -14.5);
    again->ComputarShift(15.7f);
    EXPECT_EQ(Text(again->txtShift), "0") << "an average of 0.3 shows as 0, without a sign";
}

TEST_F(StatisticsWindow, AMessageOfManyLinesIsStoredOnOneLine) {
    auto w = Loaded();
    rxText = "CQ CQ\r\n[Operador2]\rCallsign=X\nde EA1ABC\r\n";
    w->ComprobarRecord("100", 0);
    EXPECT_TRUE(Has("Mensaje=CQ CQ<Return>[Operador2]<Return>Callsign=X<Return>de EA1ABC<Return>"))
        << store.Text();

    auto again = Loaded();
    EXPECT_EQ(again->txtMensaje->toPlainText().toStdString(), "CQ CQ\n[Operador2]\nCallsign=X\nde EA1ABC\n");
    const std::string before = store.Text();
    again->cmdOK_Click();
    EXPECT_EQ(store.Text(), before) << "saved again unchanged";
}

// The record and the shift figures come back whole from the file when the window opens again and is
// confirmed: a long received message, and a sum the size of a rounding residue, which Str writes with an
// exponent.
TEST_F(StatisticsWindow, TheRecordAndTheShiftComeBackWholeWhenTheWindowIsConfirmedAgain) {
    rxText = "CQ CQ DX de EA1ABC EA1ABC IN52pk. " + std::string(200, 'm') + " Rig 100 W, antenna dipole. k";
    ASSERT_GT(rxText.size(), 250u);
    {
        auto w = Loaded();
        w->ComprobarRecord("9050", 42);
        w->ComputarShift(1.2e-5f);
    }
    {
        auto again = Loaded();
        EXPECT_EQ(again->txtMensaje->toPlainText().toStdString(), rxText);
        EXPECT_NEAR(again->ShiftSum, 1.2e-5, 1e-9);
        QTest::mouseClick(again->cmdOK, Qt::LeftButton);
    }
    EXPECT_TRUE(Has("Mensaje=" + rxText)) << store.Text();
    EXPECT_TRUE(Has("Suma Shift=1.20000004244503E-05")) << store.Text();
    EXPECT_NEAR(Loaded()->ShiftSum, 1.2e-5, 1e-9);
}

TEST_F(StatisticsWindow, EachProfileHasItsOwnGroup) {
    auto w = Loaded();
    w->ComprobarRecord("500", 90);
    w->ComputarShift(8);
    // A profile without a group of its own takes nothing over from the one before.
    store.SetProfileSuffix("3");
    LoadStatistics(store, *w);
    EXPECT_EQ(Text(w->txtDistancia), "");
    EXPECT_EQ(Text(w->txtShift), "");
    EXPECT_EQ(w->ShiftCount, 0);
    EXPECT_EQ(w->ShiftSum, 0);
    w->ComprobarRecord("20", 180);

    store.SetProfileSuffix("");
    LoadStatistics(store, *w);
    EXPECT_EQ(Text(w->txtDistancia), "500");
    EXPECT_EQ(w->ShiftCount, 1);
    store.SetProfileSuffix("3");
    LoadStatistics(store, *w);
    EXPECT_EQ(Text(w->txtDistancia), "20");

    // Stored figures out of range are not taken; without its count the sum goes too.
    for (const auto& [count, sum, wantCount, wantSum] :
         {std::tuple{"1e40", "12.5", 0, 0.0}, std::tuple{"-3", "12.5", 0, 0.0},
          std::tuple{"2.6", "-7.25", 3, -7.25}, std::tuple{"4", "1,75", 4, 1.0}}) {
        store.Write("Estadisticas3", "Contador Shift", count);
        store.Write("Estadisticas3", "Suma Shift", sum);
        LoadStatistics(store, *w);
        EXPECT_EQ(w->ShiftCount, wantCount) << count << " " << sum;
        EXPECT_DOUBLE_EQ(w->ShiftSum, wantSum) << count << " " << sum;
    }
}

TEST_F(StatisticsWindow, LoadingShowsTheFrequencyOnlyWithCatAndCountsTheLog) {
    AdifLog log;
    log.LoadText(Adif("EA4ABC", "Spain") + Adif("F5XYZ", "France"));
    logText = log.LogText();
    for (const int32_t hz : {0, -1}) {
        catHz = hz;
        auto w = Loaded();
        EXPECT_TRUE(w->lblFrecuencia->isHidden() && w->txtFrecuencia->isHidden()) << hz;
        EXPECT_EQ(Text(w->txtMUVQSOs) + Text(w->txtIndicativos) + Text(w->txtPaises), "222");
    }
    catHz = 7040000;
    auto w = Loaded();
    EXPECT_FALSE(w->lblFrecuencia->isHidden() || w->txtFrecuencia->isHidden());
    EXPECT_NE(w->cmdOK->styleSheet().indexOf("rgb(56, 176, 222)"), -1);
    logText.clear();  // another profile's log, with nothing in it
    w->Form_Load();
    EXPECT_EQ(Text(w->txtMUVQSOs) + Text(w->txtIndicativos) + Text(w->txtPaises), "000");

    // OK saves and closes; the close box only closes.
    w->show();
    w->txtDistancia->setText("77");
    w->reject();
    EXPECT_FALSE(Has("Distancia=77"));
    w->show();
    w->cmdOK->click();
    EXPECT_TRUE(Has("Distancia=77"));
    EXPECT_FALSE(w->isVisible());
}

}  // namespace
}  // namespace muv

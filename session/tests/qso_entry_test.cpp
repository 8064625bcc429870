// The contact-entry window in the program: the partner's callsign box sets up the contact (country,
// flag, the details the received text gives), the log button appends one record to the ADIF log, the
// clock and the callsign server's state reach the window, and its group goes with the profile.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "logbook/frmQsoEntry.h"
#include "platform/memory_sound.h"
#include "platform/program_folders.h"
#include "platform/qt/qt_text.h"
#include "session/controls.h"
#include "session/frmMain.h"
#include "session/program_start.h"
#include "session/station.h"
#include "session/tests/own_folders.h"
#include "settings/frmLogDirectories.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"

namespace muv {
namespace {

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The program with an operator and an ADIF log of its own, or none chosen.
struct Program {
    explicit Program(bool logChosen = true) {
        std::filesystem::create_directories(SettingsFolder());
        adif = UserDataFolder() + (logChosen ? "/contacts.adi" : "/MUV.adi");
        std::ofstream(SettingsFolder() + "/MUV.ini", std::ios::binary)
            << "[Operador]\r\nCallsign=EA4XYZ\r\nLocator=IN80dk\r\n"
            << (logChosen ? "[Log]\r\nDirectorio ADIF=" + adif + "\r\n" : std::string());
        station = std::make_unique<Station>(
            SoundDevices{std::make_unique<MemorySoundInput>(std::vector<int16_t>(48000 * 20, 0)),
                         std::make_unique<MemorySoundOutput>(),
                         [] { return std::vector<std::string>{"Line in"}; },
                         [] { return std::vector<std::string>{"Speakers"}; }},
            &boxes);
        form = &station->form;
        started = Main(*form);
        station->OpenAdifLog();  // the log file, with its header
    }
    ~Program() {
        if (!form->ProgramEnded()) form->Form_Unload();
    }
    Station& St() { return *station; }
    frmQsoEntry& Contact() { return station->QsoEntry(); }
    void Partner(const std::string& callsign) { form->txtDestination->setText(ToQString(callsign)); }
    std::string Country() { return FromQString(form->lblPais->text()); }
    bool WorkedBefore() { return form->txtDestination->font().underline(); }

    test::RecordingBoxes boxes;
    std::unique_ptr<Station> station;
    frmMain* form = nullptr;
    bool started = false;
    std::string adif;
};

std::string Text(const QLineEdit* box) {
    return FromQString(box->text());
}

class QsoEntryProgram : public test::QtAppTest {
protected:
    test::OwnFolders folders_;  // the settings file and the log of this test alone
};

TEST_F(QsoEntryProgram, APartnerFromTheReceivedTextIsLoggedOnce) {
    Program p;
    ASSERT_TRUE(p.started);
    EXPECT_TRUE(p.boxes.shown.empty()) << p.boxes.shown[0].text;  // the flags folder is in place
    frmMain& f = *p.form;
    f.RxWindow().SetText(
        "RX16: 09:05 @ 1.0 Hz: EA4XYZ de EA1ABC name is John, qth Leon. loc IN72aa pse k <STOP> +3 dB\r\n");

    p.Partner("ea1abc");
    EXPECT_EQ(Text(f.txtDestination), "EA1ABC");
    EXPECT_EQ(p.Country(), "Spain (EU)");
    EXPECT_EQ(f.lblPais->ForeColor(), RGB(255, 0, 0)) << "a country not yet in the log";
    EXPECT_FALSE(f.imgBandera->Picture().isNull()) << "Spain's flag";
    EXPECT_FALSE(f.imgQRZ->isHidden());
    EXPECT_FALSE(p.WorkedBefore());
    frmQsoEntry& contact = p.Contact();
    EXPECT_EQ(Text(contact.txtCallsign), "EA1ABC");
    EXPECT_EQ(Text(contact.txtNombre), "JOHN");
    EXPECT_EQ(Text(contact.txtQTH), "LEON");
    EXPECT_EQ(Text(contact.txtLocator), "IN72aa");
    EXPECT_FALSE(contact.txtDistancia->text().isEmpty());
    EXPECT_TRUE(f.tmrADIFCallsignChange.Enabled());
    EXPECT_EQ(f.tmrADIFCallsignChange.Interval(), 250);
    f.tmrADIFCallsignChange_Timer();
    EXPECT_FALSE(f.tmrADIFCallsignChange.Enabled()) << "one lookup per change";

    f.pctADIF_Click();
    EXPECT_TRUE(contact.isVisible());
    EXPECT_EQ(contact.txtFrecuencia->text(), f.txtFrecuencia->text());
    const std::string frequency = Text(contact.txtFrecuencia);
    contact.cmdGenerarADIF_Click();
    EXPECT_FALSE(p.St().QsoEntryLoaded()) << "closed after logging";

    const std::string log = FileText(p.adif);
    EXPECT_EQ(Count(log, "<EOR>"), 1u) << log;
    for (const std::string& field :
         {std::string("<CALL:6>EA1ABC\r\n"), std::string("<NAME:4>JOHN\r\n"), std::string("<QTH:4>LEON\r\n"),
          std::string("<OPERATOR:6>EA4XYZ\r\n"), std::string("<MY_GRIDSQUARE:6>IN80DK\r\n"),
          std::string("<COUNTRY:5>SPAIN\r\n"), std::string("<CONT:2>EU\r\n"),
          std::string("<GRIDSQUARE:6>IN72AA\r\n"), std::string("<MODE:3>MUV\r\n"),
          std::string("<RST_SENT:3>599\r\n")})
        EXPECT_NE(log.find(field), std::string::npos) << field << log;
    EXPECT_NE(log.find("<FREQ:"), std::string::npos);
    p.St().LoadLogBook();
    const AdifLog& read = p.St().logbook.Log();
    ASSERT_EQ(read.RecordCount(), 1u);
    EXPECT_EQ(read.FieldValue(0, "CALL"), "EA1ABC");
    EXPECT_EQ(read.FieldValue(0, "NAME"), "JOHN");

    // The same contact again is refused; the log keeps one record.
    f.pctADIF_Click();
    EXPECT_EQ(Text(p.Contact().txtCallsign), "EA1ABC");
    EXPECT_EQ(Text(p.Contact().txtFrecuencia), frequency);
    p.Contact().cmdGenerarADIF_Click();
    ASSERT_FALSE(p.boxes.shown.empty());
    EXPECT_EQ(p.boxes.shown.back().text, "This QSO is duplicated");
    EXPECT_EQ(Count(FileText(p.adif), "<EOR>"), 1u);

    // Now in the log: the partner is marked as worked and the country shown in black.
    p.Partner("EA2QQ");
    EXPECT_EQ(f.lblPais->ForeColor(), kBlack);
    EXPECT_FALSE(p.WorkedBefore());
    p.Partner("EA1ABC/P");
    EXPECT_TRUE(p.WorkedBefore());
}

TEST_F(QsoEntryProgram, AStationIsWorkedBeforeWhateverPortablePartsItsCallHas) {
    Program p;
    ASSERT_TRUE(p.started);
    std::ofstream(p.adif, std::ios::binary | std::ios::app)
        << "<CALL:8>EA4ABC/P <EOR>\r\n<CALL:8>HA7ABC/P <EOR>\r\n<CALL:10>EA8/DL1ABC <EOR>\r\n"
           "<CALL:10>ZS6/PA3ABC <EOR>\r\n<CALL:6>G4XYZ <EOR>\r\n";
    p.St().LoadLogBook();
    frmMain& f = *p.form;
    // The operator clicks into the box and types the callsign, in small letters.
    const auto typed = [&](const char* callsign) {
        QTest::mouseClick(f.txtDestination, Qt::LeftButton);
        EXPECT_EQ(Text(f.txtDestination), "");
        QTest::keyClicks(f.txtDestination, QString(callsign).toLower());
        EXPECT_EQ(Text(f.txtDestination), callsign);
        return p.WorkedBefore();
    };
    for (const char* call : {"EA4ABC/P", "HA7ABC/P", "EA8/DL1ABC", "ZS6/PA3ABC", "EA4ABC", "DL1ABC", "PA3ABC",
                             "G4XYZ/P", "F/G4XYZ", "EA8/EA4ABC/M"})
        EXPECT_TRUE(typed(call)) << call;
    for (const char* call : {"EA4AB", "EA4ABCD", "EA8ABC", "HA7XYZ", "EA8/PA3XYZ"})
        EXPECT_FALSE(typed(call)) << call;
}

TEST_F(QsoEntryProgram, WithoutALogChosenTheFirstContactMakesTheProfilesOwn) {
    Program p(false);
    ASSERT_TRUE(p.started);
    EXPECT_TRUE(p.boxes.shown.empty()) << p.boxes.shown[0].text;
    EXPECT_FALSE(std::filesystem::exists(p.adif)) << "made by the first contact, not by the start";
    EXPECT_EQ(p.St().settings.LogDirectories().AdifPath(), p.adif) << "the log-locations window shows it";

    p.Partner("EA1ABC");
    p.form->pctADIF_Click();
    p.Contact().cmdGenerarADIF_Click();
    EXPECT_TRUE(p.boxes.shown.empty()) << p.boxes.shown[0].text;
    EXPECT_EQ(Count(FileText(p.adif), "<EOR>"), 1u);
    p.Partner("EA2QQ");
    p.Partner("EA1ABC");
    EXPECT_TRUE(p.WorkedBefore());
}

TEST_F(QsoEntryProgram, AnUnknownCountryOrAMissingFlagStillSetsUpTheNewPartner) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    f.RxWindow().SetText(
        "RX16: 09:05 @ 1.0 Hz: EA4XYZ DE EA1ABC NAME IS JOHN, QTH LEON. LOC IN72AA <STOP> +3 dB\r\n"
        "RX16: 09:07 @ 1.0 Hz: EA4XYZ DE QQ1ABC NAME IS PAUL, QTH ROMA. <STOP> +1 dB\r\n"
        "RX16: 09:09 @ 1.0 Hz: CQ TEST CQ TEST CQ TEST CQ TEST CQ TEST CQ TEST CQ TEST CQ TEST CQ TEST "
        "DE 4U1ITU NAME IS ANNE. <STOP> +1 dB\r\n");
    p.Partner("EA1ABC");
    ASSERT_EQ(Text(p.Contact().txtNombre), "JOHN");

    // No country: none shown, no flag, no lookup button; the contact window holds the new partner only.
    p.Partner("QQ1ABC");
    frmQsoEntry& contact = p.Contact();
    EXPECT_EQ(p.Country(), "");
    EXPECT_TRUE(f.imgBandera->Picture().isNull());
    EXPECT_TRUE(f.imgQRZ->isHidden());
    EXPECT_EQ(Text(contact.txtCallsign), "QQ1ABC");
    EXPECT_EQ(Text(contact.txtNombre), "PAUL");
    EXPECT_EQ(Text(contact.txtQTH), "ROMA");
    EXPECT_EQ(Text(contact.txtLocator), "") << "nothing of the last partner stays";
    EXPECT_EQ(Text(contact.txtDistancia), "");

    // A country that has no flag: the country without a picture, and the rest as ever.
    p.Partner("4U1ITU");
    EXPECT_EQ(p.Country(), "ITU HQ (EU)");
    EXPECT_TRUE(f.imgBandera->Picture().isNull());
    EXPECT_FALSE(f.imgQRZ->isHidden());
    EXPECT_EQ(Text(contact.txtNombre), "ANNE");
    EXPECT_EQ(Text(contact.txtQTH), "");

    // A click into the box starts a new partner.
    f.txtDestination_Click();
    EXPECT_EQ(Text(f.txtDestination), "");
    EXPECT_EQ(p.Country(), "");
    EXPECT_TRUE(f.imgQRZ->isHidden());
    EXPECT_EQ(Text(contact.txtNombre), "");
}

TEST_F(QsoEntryProgram, TheClockAndTheServerStateReachTheWindow) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    f.UpdateUtcClock();
    const UtcTime& now = p.St().shared.UtcNow;
    char date[16], time[8];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", now.month, now.day, now.year);
    std::snprintf(time, sizeof time, "%02d:%02d", now.hour, now.minute);
    EXPECT_EQ(Text(p.Contact().txtFecha), date);
    EXPECT_EQ(Text(p.Contact().txtTimeOFF), time);

    for (const uint8_t state : {0, 1, 2}) {
        p.St().online.ServerLinkState = state;
        f.tmrOnline.SetEnabled(true);
        f.tmrOnline_Timer();
        EXPECT_FALSE(f.tmrOnline.Enabled());
        frmQsoEntry& contact = p.Contact();
        EXPECT_EQ(!contact.imgLedRojo->isHidden(), state == 0);
        EXPECT_EQ(!contact.imgLedVerde->isHidden(), state == 1);
        EXPECT_EQ(!contact.imgLedAmarillo->isHidden(), state == 2);
    }
}

TEST_F(QsoEntryProgram, TheWindowsGroupGoesWithTheProfile) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    frmQsoEntry& contact = p.Contact();
    contact.txtNombre->setText("Pepe");
    contact.txtLocator->setText("IN80ab");
    contact.move(150, 200);
    f.mnuListaUsuarios_Click(2);
    EXPECT_EQ(Text(contact.txtNombre), "");
    EXPECT_EQ(contact.pos(), QPoint(90, 273));
    contact.txtNombre->setText("Ana");
    contact.move(100, 120);
    f.mnuListaUsuarios_Click(1);
    EXPECT_EQ(Text(contact.txtNombre), "Pepe");
    EXPECT_EQ(Text(contact.txtLocator), "IN80ab");
    EXPECT_EQ(contact.pos(), QPoint(150, 200));
    f.mnuListaUsuarios_Click(2);
    EXPECT_EQ(Text(contact.txtNombre), "Ana");
    EXPECT_EQ(contact.pos(), QPoint(100, 120));

    // Closed by the operator, the window keeps its group for its next load.
    contact.txtQTH->setText("Lugo");
    contact.reject();
    EXPECT_FALSE(p.St().QsoEntryLoaded());
    EXPECT_EQ(Text(p.Contact().txtQTH), "Lugo");
    EXPECT_EQ(p.Contact().pos(), QPoint(100, 120));
}

// The records of an ADIF text, each as its fields' names (in capitals) and values, read by the declared
// lengths.
std::vector<std::map<std::string, std::string>> AdifRecords(const std::string& text) {
    std::vector<std::map<std::string, std::string>> records(1);
    for (size_t at = text.find('<'); at != std::string::npos; at = text.find('<', at + 1)) {
        const size_t close = text.find('>', at);
        std::string tag = text.substr(at + 1, close - at - 1);
        for (char& c : tag)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (tag == "EOH") records.assign(1, {});
        if (tag == "EOR") records.emplace_back();
        const size_t colon = tag.find(':');
        if (colon == std::string::npos) continue;
        const size_t length = std::stoul(tag.substr(colon + 1));
        records.back()[tag.substr(0, colon)] = text.substr(close + 1, length);
        at = close + length;
    }
    records.pop_back();
    return records;
}

TEST_F(QsoEntryProgram, ALogThatCannotBeWrittenSaysWhyAndKeepsTheContact) {
    Program p;
    ASSERT_TRUE(p.started);
    const std::string before = FileText(p.adif);
    // A read-only log (refused whoever runs the program). Any file chooser that opens is closed at once,
    // and counted.
    ::chmod(p.adif.c_str(), 0444);
    int choosers = 0;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&choosers] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++choosers;
            modal->close();
        }
    });
    closer.start(20);

    p.Partner("EA1ABC");
    p.form->pctADIF_Click();
    frmQsoEntry& contact = p.Contact();
    contact.txtNombre->setText("John");
    contact.cmdGenerarADIF_Click();
    ::chmod(p.adif.c_str(), 0644);
    ASSERT_EQ(p.boxes.shown.size(), 1u);
    const std::string& message = p.boxes.shown[0].text;
    EXPECT_NE(message.find("not logged"), std::string::npos) << message;
    EXPECT_NE(message.find("read-only"), std::string::npos) << message;
    EXPECT_NE(message.find(p.adif), std::string::npos) << message;
    EXPECT_NE(message.find("kept in the contact window"), std::string::npos) << message;
    EXPECT_EQ(p.boxes.shown[0].icon, BoxIcon::Exclamation);
    EXPECT_EQ(choosers, 0) << "the log is there: no other file to choose";
    EXPECT_FALSE(p.St().settings.LogDirectories().isVisible());
    EXPECT_EQ(FileText(p.adif), before);

    // The contact stays in its window; once the log can be written, the same press logs it.
    ASSERT_TRUE(p.St().QsoEntryLoaded());
    EXPECT_TRUE(contact.isVisible());
    EXPECT_EQ(Text(contact.txtCallsign), "EA1ABC");
    EXPECT_EQ(Text(contact.txtNombre), "John");
    contact.cmdGenerarADIF_Click();
    EXPECT_EQ(p.boxes.shown.size(), 1u) << p.boxes.shown.back().text;
    EXPECT_FALSE(p.St().QsoEntryLoaded());
    const auto records = AdifRecords(FileText(p.adif));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].at("CALL"), "EA1ABC");
    EXPECT_EQ(records[0].at("NAME"), "JOHN");
}

TEST_F(QsoEntryProgram, AContactOverMidnightIsLoggedOnTheDayItBegan) {
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    p.St().shared.UtcNow = {2026, 12, 8, 23, 58, 20, 0};
    p.Partner("EA1ABC");
    p.St().shared.UtcNow = {2026, 12, 9, 0, 3, 10, 0};
    f.pctADIF_Click();
    EXPECT_EQ(Text(p.Contact().txtTimeON), "23:58");
    QTest::mouseClick(p.Contact().cmdGenerarADIF, Qt::LeftButton);
    const auto records = AdifRecords(FileText(p.adif));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].at("QSO_DATE"), "20261208");
    EXPECT_EQ(records[0].at("TIME_ON"), "235800");
    EXPECT_EQ(records[0].at("TIME_OFF"), "000300");
}

TEST_F(QsoEntryProgram, TheLogNamesTheAdifBandOfTheFrequency) {
    // kHz as the frequency box holds them, and the ADIF band each contact must carry ("" for none): the
    // ends of the bands where ADIF reaches further than the display's plan, bands the plan does not
    // have, and frequencies outside every band.
    const std::vector<std::pair<std::string, std::string>> contacts = {
        {"475.7", "630M"},    {"136.0", "2190M"},    {"1000.0", ""},        {"3850.0", "80M"},
        {"4000.0", "80M"},    {"4000.1", ""},        {"5060.0", "60M"},     {"5450.0", "60M"},
        {"7300.0", "40M"},    {"7300.1", ""},        {"10100.0", "30M"},    {"10099.9", ""},
        {"54000.0", "6M"},    {"60000.0", "5M"},     {"148000.0", "2M"},    {"420000.0", "70CM"},
        {"450000.0", "70CM"}, {"1296200.0", "23CM"}, {"2320000.0", "13CM"}, {"3400000.0", "9CM"},
        {"5760000.0", "6CM"}, {"10368000.0", "3CM"}, {"13000000.0", ""},    {"24048000.0", "1.25CM"}};
    Program p;
    ASSERT_TRUE(p.started);
    frmMain& f = *p.form;
    p.Partner("EA1ABC");
    for (const auto& [frequency, band] : contacts) {
        f.txtFrecuencia->setText(ToQString(frequency));
        f.pctADIF_Click();
        ASSERT_EQ(Text(p.Contact().txtFrecuencia), frequency);
        QTest::mouseClick(p.Contact().cmdGenerarADIF, Qt::LeftButton);
    }
    EXPECT_TRUE(p.boxes.shown.empty()) << p.boxes.shown[0].text;
    const auto records = AdifRecords(FileText(p.adif));
    ASSERT_EQ(records.size(), contacts.size());
    for (size_t i = 0; i < contacts.size(); ++i) {
        const auto band = records[i].find("BAND");
        EXPECT_EQ(band == records[i].end() ? "" : band->second, contacts[i].second)
            << contacts[i].first << " kHz, FREQ " << records[i].at("FREQ");
    }
}

}  // namespace
}  // namespace muv

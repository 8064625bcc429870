// The contact-entry window on a host of the test's own: taking the callsign, filling the partner's
// details, logging (one record, the duplicate check, a log file that cannot take it, eQSL) and its
// settings group under two profiles.
#include "logbook/frmQsoEntry.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <memory>
#include <vector>

#include "platform/private_profile.h"
#include "platform/qt/qt_text.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"

namespace muv {
namespace {

class FakeHost : public QsoEntryHost {
public:
    std::string PartnerCallsign() override { return partner; }
    ColorRef FrequencyBoxColour() override { return frequencyColour; }
    UtcTime UtcNow() override { return now; }
    UtcTime& QsoStartUtc() override { return start; }
    std::string RxText() override { return rx; }
    void RestartCallsignLookup() override { ++lookups; }
    void MarkLoggedCall(const std::string& callsign) override { marked.push_back(callsign); }
    std::string OperatorCallsign() override { return "EA4XYZ"; }
    std::string OperatorLocator() override { return "IN80dk"; }
    std::string EqslPassword() override { return password; }
    void ShowEqslAccount() override { ++accountShown; }
    std::string CountryOfCallsign(const std::string& callsign, uint8_t withContinent) override {
        if (callsign.rfind("EA", 0) != 0) return "";
        return withContinent ? "Spain (EU)" : "Spain";
    }
    PreviousContact PreviousContactWith(const std::string& callsign) override {
        asked = callsign;
        return previous;
    }
    LogAppend AppendAdifRecord(const std::string& record) override {
        if (appendFails) return LogAppend::NoLogFile;
        if (writeFails) return LogAppend::NotWritten;
        records.push_back(record);
        return LogAppend::Logged;
    }
    void ChooseAdifFile() override { ++fileChoices; }
    void SendEqslUpload(const std::string& record, const std::string& notes) override {
        uploads.push_back(record + "|" + notes);
    }
    void ContactLogged(const std::string& callsign, const std::string& name, const std::string& qth,
                       const std::string& locator) override {
        logged.push_back(callsign + "|" + name + "|" + qth + "|" + locator);
    }
    void ReportTrappedError(int number, const std::string&) override { traps.push_back(number); }

    std::string partner;
    ColorRef frequencyColour = RGB(255, 255, 0);
    UtcTime now{2026, 12, 8, 9, 5, 30, 0};
    UtcTime start{2026, 12, 8, 8, 59, 0, 0};
    std::string rx;
    int lookups = 0;
    std::vector<std::string> marked;
    std::string password;
    int accountShown = 0;
    PreviousContact previous;
    std::string asked;
    bool appendFails = false;  // no log file
    bool writeFails = false;   // a log that cannot take the record
    std::vector<std::string> records;
    int fileChoices = 0;
    std::vector<std::string> uploads;
    std::vector<std::string> logged;
    std::vector<int> traps;
};

class QsoEntryWindow : public test::QtAppTest {
protected:
    // A new window, loaded as on its first use; the count of its closings is kept.
    frmQsoEntry& Open() {
        windows_.push_back(std::make_unique<frmQsoEntry>(QsoEntryLinks{store, boxes, host, memory}));
        frmQsoEntry& w = *windows_.back();
        QObject::connect(&w, &QDialog::finished, [this] { ++closed; });
        w.Form_Load();
        return w;
    }
    frmQsoEntry& Last() { return *windows_.back(); }
    static std::string Text(const QLineEdit* box) { return FromQString(box->text()); }
    static void Type(QLineEdit* box, const std::string& text) { box->setText(ToQString(text)); }
    // The contact as the operator completes it.
    void Fill(frmQsoEntry& w, const std::string& callsign, const std::string& kHz) {
        Type(w.txtCallsign, callsign);
        Type(w.txtFrecuencia, kHz);
        Type(w.txtNombre, "John");
        Type(w.txtQTH, "London");
        Type(w.txtLocator, "io91wm");
    }

    MemoryProfileStore store;
    test::RecordingBoxes boxes;
    FakeHost host;
    LoggedContactMemory memory;
    int closed = 0;

private:
    std::vector<std::unique_ptr<frmQsoEntry>> windows_;
};

TEST_F(QsoEntryWindow, ANewCallsignStartsTheContact) {
    host.previous = {"EA1ABC", "40M", "2026/01/02"};
    frmQsoEntry& w = Open();
    Type(w.txtNombre, "Pepe");
    Type(w.txtQTH, "Madrid");
    const int lookupsBefore = host.lookups;
    w.txtCallsign->setFocus();
    Type(w.txtCallsign, "ea1abc");
    EXPECT_EQ(Text(w.txtCallsign), "EA1ABC");
    EXPECT_EQ(w.txtCallsign->cursorPosition(), 6);
    EXPECT_EQ(host.start.hour, 9);
    EXPECT_EQ(host.start.minute, 5);
    EXPECT_EQ(Text(w.txtTimeON), "09:05");
    EXPECT_EQ(host.asked, "EA1ABC");
    EXPECT_EQ(Text(w.txtUltimaFecha), "2026/01/02");
    EXPECT_EQ(Text(w.txtUltimaBanda), "40M");
    EXPECT_TRUE(w.txtNombre->text().isEmpty() && w.txtQTH->text().isEmpty());
    EXPECT_EQ(host.lookups, lookupsBefore + 1) << "one lookup per callsign, not per spelling";

    // No earlier contact empties the history; clicking the box starts afresh.
    host.previous = {};
    Type(w.txtCallsign, "EA1ABCD");
    EXPECT_EQ(Text(w.txtUltimaFecha), "");
    EXPECT_EQ(Text(w.txtUltimaBanda), "");
    Type(w.txtLocator, "IN80ab");
    host.now.minute = 7;
    w.txtCallsign_Click();
    EXPECT_TRUE(w.txtCallsign->text().isEmpty() && w.txtLocator->text().isEmpty());
    EXPECT_EQ(Text(w.txtTimeON), "09:07");
    EXPECT_TRUE(host.traps.empty());
}

TEST_F(QsoEntryWindow, ThePartnerBoxAndTheReceivedTextFillIt) {
    host.partner = "EA1ABC";
    // The receive window's text is the modem's Windows-1252.
    host.rx = "RX16: 09:05 @ 1.0 Hz: EA4XYZ DE EA1ABC NAME IS JOHN, QTH LE\xD3N. LOC IO91wm <STOP> +3 dB";
    frmQsoEntry& w = Open();
    EXPECT_EQ(Text(w.txtCallsign), "EA1ABC");
    EXPECT_EQ(host.start.minute, 5) << "taking the callsign starts the contact";
    EXPECT_EQ(Text(w.txtTimeON), "09:05");
    Type(w.txtNombre, "Juan");
    w.CargarNombreYQTHAutomaticamente("EA1ABC");
    EXPECT_EQ(Text(w.txtNombre), "Juan") << "a box that holds a value keeps it";
    EXPECT_EQ(Text(w.txtQTH), "LEÓN");
    EXPECT_EQ(Text(w.txtLocator), "IO91wm");
    EXPECT_FALSE(w.txtDistancia->text().isEmpty()) << "the locator gives the distance";
    EXPECT_EQ(w.ValidarNombre("Juan"), 1);
    EXPECT_EQ(w.ValidarNombre("EA1ABC"), 0);

    // The frequency box takes the main window's band colour.
    Type(w.txtFrecuencia, "14077.5");
    EXPECT_EQ(FromQColor(w.txtFrecuencia->palette().color(QPalette::Base)), RGB(255, 255, 0));
    // The hint of an empty partner box leaves an empty callsign.
    host.partner = "";
    w.ActualizarCamposADIF();
    EXPECT_EQ(Text(w.txtCallsign), "");
}

TEST_F(QsoEntryWindow, LoggingAppendsOneRecordReportsItAndCloses) {
    frmQsoEntry& w = Open();
    w.ShowWindow();
    Fill(w, "EA1ABC", "14077.5");
    Type(w.txtNotas, "tnx & 73");
    host.now.minute = 20;  // the end of the contact
    const std::string distance = Text(w.txtDistancia);
    ASSERT_FALSE(distance.empty());
    w.cmdGenerarADIF_Click();

    ASSERT_EQ(host.records.size(), 1u);
    const std::string& record = host.records[0];
    for (const std::string& field : std::vector<std::string>{
             "<CALL:6>EA1ABC\r\n", "<NAME:4>JOHN\r\n", "<QTH:6>LONDON\r\n", "<FREQ:7>14.0775\r\n",
             "<BAND:3>20M\r\n", "<QSO_DATE:8>20261208\r\n", "<TIME_ON:6>090500\r\n", "<TIME_OFF:6>092000\r\n",
             "<OPERATOR:6>EA4XYZ\r\n", "<MY_GRIDSQUARE:6>IN80DK\r\n", "<NOTES:8>tnx & 73\r\n",
             "<COUNTRY:5>SPAIN\r\n", "<RST_SENT:3>599\r\n", "<CONT:2>EU\r\n", "<MY_COUNTRY:5>SPAIN\r\n",
             "<GRIDSQUARE:6>IO91WM\r\n",
             "<DISTANCE:" + std::to_string(distance.size()) + ">" + distance + "\r\n"})
        EXPECT_NE(record.find(field), std::string::npos) << field << record;
    EXPECT_EQ(record.find("EQSL"), std::string::npos);
    EXPECT_TRUE(host.uploads.empty());
    EXPECT_EQ(host.marked, std::vector<std::string>{"EA1ABC"});
    EXPECT_EQ(host.logged, std::vector<std::string>{"EA1ABC|John|London|IO91wm"});
    EXPECT_EQ(memory.LastLoggedCall, "EA1ABC");
    EXPECT_EQ(memory.LastLoggedFrequency, "14077.5");
    // Cleared and closed: the group is saved without the partner's details.
    EXPECT_TRUE(w.txtNombre->text().isEmpty() && w.txtNotas->text().isEmpty() &&
                w.txtDistancia->text().isEmpty());
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_NE(store.Text().find("Nombre=\r\n"), std::string::npos) << store.Text();
}

TEST_F(QsoEntryWindow, ASquareOfFourCharactersIsLoggedWithoutADistance) {
    frmQsoEntry& w = Open();
    Fill(w, "OK1ABC", "14077.5");
    Type(w.txtLocator, "JO60ab");
    ASSERT_FALSE(w.txtDistancia->text().isEmpty());
    Type(w.txtLocator, "jo60");  // the distance box still shows JO60ab's
    w.cmdGenerarADIF_Click();
    ASSERT_EQ(host.records.size(), 1u);
    const std::string& record = host.records[0];
    EXPECT_NE(record.find("<GRIDSQUARE:4>JO60\r\n"), std::string::npos) << record;
    EXPECT_EQ(record.find("<DISTANCE:"), std::string::npos) << record;
    EXPECT_EQ(host.logged, std::vector<std::string>{"OK1ABC|John|London|JO60"});

    // An empty frequency box gives no FREQ (0 MHz would be a frequency) and no band.
    frmQsoEntry& again = Open();
    Fill(again, "EA1ABC", "");
    again.cmdGenerarADIF_Click();
    ASSERT_EQ(host.records.size(), 2u);
    EXPECT_EQ(host.records[1].find("<FREQ:"), std::string::npos) << host.records[1];
    EXPECT_EQ(host.records[1].find("<BAND:"), std::string::npos) << host.records[1];
}

TEST_F(QsoEntryWindow, TheSameContactIsLoggedOnce) {
    Fill(Open(), "EA1ABC", "14077.5");
    Last().cmdGenerarADIF_Click();
    ASSERT_EQ(host.records.size(), 1u);

    // The window's next load: the same callsign on the same frequency text is refused, and the window
    // stays as it is.
    frmQsoEntry& again = Open();
    Fill(again, "EA1ABC", "14077.5");
    again.cmdGenerarADIF_Click();
    EXPECT_EQ(host.records.size(), 1u);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "This QSO is duplicated");
    EXPECT_EQ(boxes.shown[0].title, "ADIF Notification");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Exclamation);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(Text(again.txtNombre), "John");

    // Another frequency is another contact; after it the first one may be logged again.
    Type(again.txtFrecuencia, "14101.0");
    again.cmdGenerarADIF_Click();
    Fill(Open(), "EA1ABC", "14077.5");
    Last().cmdGenerarADIF_Click();
    EXPECT_EQ(host.records.size(), 3u);
}

TEST_F(QsoEntryWindow, ALogFileThatCannotTakeItKeepsTheContact) {
    host.appendFails = true;
    frmQsoEntry& w = Open();
    w.ShowWindow();
    Fill(w, "EA1ABC", "14077.5");
    Type(w.txtLocator, "not a locator");
    w.cmdGenerarADIF_Click();
    EXPECT_EQ(host.fileChoices, 1);
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(Text(w.txtNombre), "John");
    EXPECT_EQ(Text(w.txtLocator), "") << "an invalid locator is dropped before logging";
    EXPECT_TRUE(memory.LastLoggedCall.empty()) << "a contact not logged is no duplicate";
    EXPECT_TRUE(host.logged.empty() && host.marked.empty());

    // A log that cannot take it (a full disk): no other file is asked for, and the contact stays.
    host.appendFails = false;
    host.writeFails = true;
    w.cmdGenerarADIF_Click();
    EXPECT_EQ(host.fileChoices, 1);
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(Text(w.txtCallsign), "EA1ABC");
    EXPECT_EQ(Text(w.txtNombre), "John");
    EXPECT_TRUE(memory.LastLoggedCall.empty());

    // Once a file takes it, the same press logs it.
    host.writeFails = false;
    w.cmdGenerarADIF_Click();
    EXPECT_EQ(host.records.size(), 1u);
    EXPECT_EQ(host.records[0].find("GRIDSQUARE:"), host.records[0].find("MY_GRIDSQUARE:") + 3);

    // An empty callsign only closes the window.
    frmQsoEntry& empty = Open();
    empty.cmdGenerarADIF_Click();
    EXPECT_EQ(host.records.size(), 1u);
    EXPECT_EQ(closed, 2);
}

TEST_F(QsoEntryWindow, EqslNeedsTheAccountAndGoesWithTheRecord) {
    frmQsoEntry& w = Open();
    w.chkEQSL->setChecked(true);
    EXPECT_FALSE(w.chkEQSL->isChecked());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Enter your eQSL Personal Info");
    EXPECT_EQ(host.accountShown, 1);

    host.password = "secret";
    w.chkEQSL->setChecked(true);
    EXPECT_TRUE(w.chkEQSL->isChecked());
    Fill(w, "EA1ABC", "14077.5");
    Type(w.txtNotas, "hi");
    w.cmdGenerarADIF_Click();
    ASSERT_EQ(host.records.size(), 1u);
    EXPECT_NE(host.records[0].find("<EQSL_QSL_SENT:1>Y\r\n<EQSL_QSL_RCVD:1>R\r\n<EOR>"), std::string::npos);
    EXPECT_EQ(host.uploads, std::vector<std::string>{host.records[0] + "|hi"});
}

TEST_F(QsoEntryWindow, TheGroupGoesWithTheProfileAndThePlaceStaysOnScreen) {
    frmQsoEntry& fresh = Open();
    EXPECT_EQ(fresh.pos(), QPoint(90, 273));
    EXPECT_FALSE(fresh.chkEQSL->isChecked());
    EXPECT_TRUE(fresh.windowFlags() & Qt::WindowStaysOnTopHint);

    host.password = "secret";
    const std::pair<std::string, QPoint> profiles[] = {{"", QPoint(120, 140)}, {"2", QPoint(200, 60)}};
    for (const auto& [suffix, place] : profiles) {
        store.SetProfileSuffix(suffix);
        frmQsoEntry& w = Open();
        w.chkEQSL->setChecked(suffix.empty());
        Type(w.txtNombre, "José" + suffix);
        Type(w.txtQTH, "Győr");
        Type(w.txtLocator, "IN80ab");
        w.move(place);
        w.reject();  // closed without having been shown
    }
    for (const auto& [suffix, place] : profiles) {
        store.SetProfileSuffix(suffix);
        frmQsoEntry& w = Open();
        EXPECT_EQ(w.chkEQSL->isChecked(), suffix.empty());
        EXPECT_EQ(Text(w.txtNombre), "José" + suffix);
        EXPECT_EQ(Text(w.txtQTH), "Győr");
        EXPECT_EQ(Text(w.txtLocator), "IN80ab");
        EXPECT_EQ(w.pos(), place);
    }

    // A ticked eQSL box is taken as the operator ticks it: without a password it does not stay ticked.
    host.password.clear();
    store.SetProfileSuffix("");
    EXPECT_FALSE(Open().chkEQSL->isChecked());
    EXPECT_EQ(boxes.shown.back().text, "Enter your eQSL Personal Info");

    // A place off every screen comes back onto one; a number beyond any screen is no place.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    store.Write("ADIF3", "PosicionVentanaX", "-5000");
    store.Write("ADIF3", "PosicionVentanaY", std::to_string(screen.bottom() + 4000));
    store.SetProfileSuffix("3");
    const frmQsoEntry& off = Open();
    EXPECT_TRUE(screen.contains(off.pos())) << off.pos().x() << "," << off.pos().y();
    store.Write("ADIF4", "PosicionVentanaX", "1e12");
    store.Write("ADIF4", "PosicionVentanaY", " 300.6");
    store.SetProfileSuffix("4");
    EXPECT_EQ(Open().pos(), QPoint(90, 301));
}

}  // namespace
}  // namespace muv

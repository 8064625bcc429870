#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/private_profile.h"
#include "settings/frmEmailReport.h"
#include "settings/frmLogDirectories.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

// ---------------------------------------------------------------- e-mail report window

class EmailReportWindow : public test::QtAppTest {
protected:
    std::unique_ptr<frmEmailReport> Load() {
        auto w = std::make_unique<frmEmailReport>(
            EmailReportWindowLinks{store, [] { return std::string("op@example.org"); }});
        w->Form_Load();
        return w;
    }

    // The account fields of each way of sending.
    static std::vector<QWidget*> Gmail(frmEmailReport& w) {
        return {w.lblUser, w.lblGmail, w.lblPasswordGmail, w.txtUsuarioGmail, w.txtPasswordGmail};
    }
    static std::vector<QWidget*> Smtp(frmEmailReport& w) {
        return {w.lblServer, w.txtServidorSMTP, w.txtEmailAddress, w.lblEmailAddress, w.chkAuthentication};
    }
    static std::vector<QWidget*> SmtpAccount(frmEmailReport& w) {
        return {w.lblUsuarioSMTP, w.txtUsuarioSMTP, w.lblPasswordSMTP, w.txtPasswordSMTP};
    }
    static void ExpectEnabled(const std::vector<QWidget*>& controls, bool enabled, const char* what) {
        for (QWidget* c : controls)
            EXPECT_EQ(c->isEnabled(), enabled) << what << ": " << c->objectName().toStdString();
    }
    static void ExpectReportFieldsEnabled(frmEmailReport& w) {
        ExpectEnabled({w.txtQSL, w.txtFinalMessage, w.optReportUltimo, w.optReportTodo}, true, "report");
    }

    MemoryProfileStore store;
};

TEST_F(EmailReportWindow, WithoutAStoredGroupNoMailIsSentAndTheAddressIsTheOperators) {
    auto w = Load();
    EXPECT_TRUE(w->NoInternet());
    EXPECT_TRUE(w->ReportLastMessage());
    EXPECT_EQ(w->EmailAddress(), "op@example.org");
    EXPECT_FALSE(w->AuthenticationChecked());
    ExpectEnabled(Gmail(*w), false, "webmail");
    ExpectEnabled(Smtp(*w), false, "smtp");
    ExpectEnabled(SmtpAccount(*w), false, "smtp account");
    ExpectReportFieldsEnabled(*w);
    EXPECT_EQ(w->txtPasswordSMTP->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w->txtPasswordGmail->echoMode(), QLineEdit::Password);
}

TEST_F(EmailReportWindow, EachWayOfSendingEnablesItsOwnFields) {
    auto w = Load();

    w->optSMTP->click();
    ExpectEnabled(Smtp(*w), true, "smtp");
    ExpectEnabled(Gmail(*w), false, "webmail");
    ExpectEnabled(SmtpAccount(*w), false, "smtp account, box clear");
    w->chkAuthentication->click();
    ExpectEnabled(SmtpAccount(*w), true, "smtp account, box ticked");
    w->chkAuthentication->click();
    ExpectEnabled(SmtpAccount(*w), false, "smtp account, box cleared again");
    w->chkAuthentication->click();

    w->optGmail->click();
    ExpectEnabled(Gmail(*w), true, "webmail");
    ExpectEnabled(Smtp(*w), false, "smtp");
    ExpectEnabled(SmtpAccount(*w), false, "smtp account under webmail, box ticked");

    w->optSMTP->click();
    ExpectEnabled(SmtpAccount(*w), true, "back to SMTP with the box ticked");

    w->optNoInternet->click();
    ExpectEnabled(Gmail(*w), false, "webmail");
    ExpectEnabled(Smtp(*w), false, "smtp");
    ExpectEnabled(SmtpAccount(*w), false, "smtp account");
    ExpectReportFieldsEnabled(*w);
}

TEST_F(EmailReportWindow, TheGroupComesBackAsStoredInEachProfile) {
    for (const std::string suffix : {"", "4"}) {
        SCOPED_TRACE("suffix '" + suffix + "'");
        store = MemoryProfileStore();
        store.SetProfileSuffix(suffix);
        auto w = Load();
        w->optSMTP->click();
        w->chkAuthentication->click();
        w->txtQSL->setText("/home/op/qsl card.jpg");
        w->txtEmailAddress->setText("ea3@example.org");
        w->txtServidorSMTP->setText("smtp.example.org");
        w->txtUsuarioSMTP->setText("ea3");
        w->txtPasswordSMTP->setText("s3cret");
        w->txtUsuarioGmail->setText("webuser");
        w->txtPasswordGmail->setText("w3b");
        w->txtFinalMessage->setText(QString::fromUtf8("73 de EA3, señal"));
        w->optReportTodo->click();
        w->cmdOK_Click();
        EXPECT_EQ(w->result(), QDialog::Accepted);

        // Every key, QSL first, in the group's order, in this profile's section.
        EXPECT_EQ(store.Text(), "[Email" + suffix +
                                    "]\r\nQSL=/home/op/qsl card.jpg\r\nEmail Address=ea3@example.org\r\n"
                                    "Usuario SMTP=ea3\r\nPassword SMTP=s3cret\r\nAuthentication=1\r\n"
                                    "Final Message=73 de EA3, se\xF1"
                                    "al\r\nReport Option=2\r\nOption=1\r\nServidor SMTP=smtp.example.org\r\n"
                                    "Usuario Gmail=webuser\r\nPassword=w3b\r\n");

        auto again = Load();
        EXPECT_TRUE(again->SmtpSelected());
        EXPECT_TRUE(again->AuthenticationChecked());
        ExpectEnabled(SmtpAccount(*again), true, "smtp account");
        ExpectEnabled(Gmail(*again), false, "webmail");
        EXPECT_FALSE(again->ReportLastMessage());
        EXPECT_EQ(again->QSL(), "/home/op/qsl card.jpg");
        EXPECT_EQ(again->EmailAddress(), "ea3@example.org");
        EXPECT_EQ(again->ServidorSMTP(), "smtp.example.org");
        EXPECT_EQ(again->UsuarioSMTP(), "ea3");
        EXPECT_EQ(again->PasswordSMTP(), "s3cret");
        EXPECT_EQ(again->UsuarioGmail(), "webuser");
        EXPECT_EQ(again->PasswordGmail(), "w3b");
        EXPECT_EQ(again->FinalMessage(), "73 de EA3, señal");
    }
}

// What the operator types or pastes into the account and report fields is stored whole, and stays whole
// when the window is opened and confirmed again, however long it is.
TEST_F(EmailReportWindow, LongTextsComeBackWholeWhenTheWindowIsConfirmedAgain) {
    const std::string password = "Xk9#mP2$vL8@qR5!wN3^tY7&bH4*jF6(zC1)aS0-eD2+gK8=uI5~oT3_rE9]nM7";
    const std::map<std::string, std::string> typed = {
        {"Servidor SMTP", "mail-relay-" + std::string(60, 'a') + ".outbound.smtp.example-provider.org"},
        {"Email Address", std::string(70, 'e') + "@example.org"},
        {"Usuario SMTP", "station." + std::string(60, 'u') + "@example.org"},
        {"Usuario Gmail", "operator." + std::string(55, 'g')},
        {"Password", std::string(80, 'w') + "!"},
        {"QSL", "/home/op/QSL cards/" + std::string(220, 'q') + ".jpg"},
        {"Final Message", "73 and good DX. " + std::string(330, 'f') + " QSL via eQSL."},
    };
    {
        auto w = Load();
        const std::map<std::string, QLineEdit*> boxes = {
            {"Servidor SMTP", w->txtServidorSMTP}, {"Email Address", w->txtEmailAddress},
            {"Usuario SMTP", w->txtUsuarioSMTP},   {"Usuario Gmail", w->txtUsuarioGmail},
            {"Password", w->txtPasswordGmail},     {"QSL", w->txtQSL},
            {"Final Message", w->txtFinalMessage}};
        const auto type = [&](const std::string& key) {
            QLineEdit* box = boxes.at(key);
            ASSERT_TRUE(box->isEnabled()) << key;
            QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(box, QString::fromStdString(typed.at(key)));
        };
        // The webmail account, then the SMTP server's, which is the way chosen.
        w->optGmail->click();
        for (const char* key : {"Usuario Gmail", "Password", "QSL", "Final Message"})
            type(key);
        w->optSMTP->click();
        w->chkAuthentication->click();
        for (const char* key : {"Servidor SMTP", "Email Address", "Usuario SMTP"})
            type(key);
        // The password as a password manager gives it: pasted.
        QApplication::clipboard()->setText(QString::fromStdString(password));
        QTest::keyClick(w->txtPasswordSMTP, Qt::Key_V, Qt::ControlModifier);
        QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    }
    {
        auto again = Load();
        EXPECT_EQ(again->PasswordSMTP(), password);
        QTest::mouseClick(again->cmdOK, Qt::LeftButton);
    }
    const std::string text = store.Text();
    EXPECT_NE(text.find("\r\nPassword SMTP=" + password + "\r\n"), std::string::npos) << text;
    for (const auto& [key, value] : typed)
        EXPECT_NE(text.find("\r\n" + key + "=" + value + "\r\n"), std::string::npos) << key;
}

TEST_F(EmailReportWindow, AnEmptyAttachmentIsStoredAndShownAsHttp) {
    auto w = Load();
    SaveEmailSettings(store, *w);
    EXPECT_EQ(w->txtQSL->text(), "http://");
    EXPECT_EQ(store.Read("Email", "QSL", 200), "http://");
    EXPECT_EQ(store.Read("Email", "Option", 50), "3");
    EXPECT_EQ(store.Read("Email", "Report Option", 50), "1");
    EXPECT_EQ(store.Read("Email", "Authentication", 50), "0");
    EXPECT_EQ(Load()->QSL(), "http://");
}

TEST_F(EmailReportWindow, OnlyAStoredOneTicksTheAuthenticationBox) {
    for (const char* value : {"2", "-1", "1.5", "yes"}) {
        store = MemoryProfileStore(std::string("[Email]\r\nOption=1\r\nAuthentication=") + value + "\r\n");
        auto w = Load();
        EXPECT_FALSE(w->AuthenticationChecked()) << value;
        ExpectEnabled(SmtpAccount(*w), false, value);
    }
    store = MemoryProfileStore("[Email]\r\nOption=1\r\nAuthentication= 1\r\n");
    auto w = Load();
    EXPECT_TRUE(w->AuthenticationChecked());
    ExpectEnabled(SmtpAccount(*w), true, "stored 1");
}

TEST_F(EmailReportWindow, AProfileSwitchReappliesTheRulesOfAnUnchangedWay) {
    // Both profiles send by webmail; the second ticks the authentication box, which must not open the
    // SMTP account fields while webmail stays chosen.
    store = MemoryProfileStore(
        "[Email]\r\nOption=2\r\nAuthentication=0\r\n[Email5]\r\nOption=2\r\nAuthentication=1\r\n"
        "Email Address=five@example.org\r\n");
    auto w = Load();
    ASSERT_TRUE(w->GmailSelected());
    store.SetProfileSuffix("5");
    LoadEmailSettings(store, *w);
    EXPECT_TRUE(w->GmailSelected());
    EXPECT_TRUE(w->AuthenticationChecked());
    ExpectEnabled(SmtpAccount(*w), false, "smtp account under webmail");
    ExpectEnabled(Gmail(*w), true, "webmail");
    EXPECT_EQ(w->EmailAddress(), "five@example.org");

    // Unknown ways of sending mean none.
    store = MemoryProfileStore("[Email]\r\nOption=7\r\nReport Option=9\r\n");
    auto none = Load();
    EXPECT_TRUE(none->NoInternet());
    EXPECT_FALSE(none->ReportLastMessage());
}

// ---------------------------------------------------------------- log locations window

class LogDirectoriesWindow : public test::QtAppTest {
protected:
    std::unique_ptr<frmLogDirectories> Make() {
        return std::make_unique<frmLogDirectories>(
            LogDirectoriesWindowLinks{store, boxes, dialogs, programFolder, [this] { ++adifChosen; }});
    }
    std::unique_ptr<frmLogDirectories> Load() {
        auto w = Make();
        w->Form_Load();
        return w;
    }

    test::ScratchFolder scratch{"muv_settings"};
    std::string programFolder = scratch.Folder().string();
    MemoryProfileStore store;
    test::RecordingBoxes boxes;
    test::RecordingFileDialogs dialogs;
    int adifChosen = 0;
};

TEST_F(LogDirectoriesWindow, WithoutAStoredGroupTheLogsGoToTheProgramFolderAndEveryKeyIsWritten) {
    auto w = Load();
    EXPECT_EQ(w->SessionLogFolder(), programFolder);
    // No log chosen: the profile's default one, in the same folder (made by the first contact logged).
    EXPECT_EQ(w->AdifPath(), programFolder + "/MUV.adi");
    EXPECT_TRUE(w->AdifPathIsDefault());
    EXPECT_TRUE(w->AutoSaveLogClose());
    EXPECT_TRUE(boxes.shown.empty()) << "the folder exists";

    // A folder chosen earlier, then the default chosen again: the default must replace it.
    store.Write("Log", "Directorio Log", "/somewhere/else");
    w->cmdOK_Click();
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(store.Text(), "[Log]\r\nDirectorio Log=" + programFolder +
                                "\r\nDirectorio ADIF=" + programFolder + "/MUV.adi\r\nAuto Save Log Close=1\r\n");
}

TEST_F(LogDirectoriesWindow, TheGroupComesBackAsStoredInEachProfile) {
    for (const std::string suffix : {"", "2"}) {
        SCOPED_TRACE("suffix '" + suffix + "'");
        store = MemoryProfileStore();
        store.SetProfileSuffix(suffix);
        const std::string logs = scratch.Path("logs" + suffix);
        QDir().mkpath(QString::fromStdString(logs));
        dialogs.answers = {logs, "/data/log book"};
        auto w = Load();
        w->cmdPathLog->click();
        w->cmdPathADIF->click();
        w->chkAutoSaveLogClose->setChecked(false);
        w->cmdOK_Click();
        EXPECT_EQ(store.Read("Log" + suffix, "Directorio Log", 200), logs);

        auto again = Load();
        EXPECT_EQ(again->SessionLogFolder(), logs);
        EXPECT_EQ(again->AdifPath(), "/data/log book.adi");
        EXPECT_FALSE(again->AutoSaveLogClose());
    }
    EXPECT_TRUE(boxes.shown.empty());

    // Only a stored 1 ticks the auto-save box.
    store = MemoryProfileStore("[Log]\r\nAuto Save Log Close=2\r\n");
    EXPECT_FALSE(Load()->AutoSaveLogClose());
}

// Paths as long as the system takes them come back whole when the window is opened and confirmed again:
// the log goes on being the one chosen.
TEST_F(LogDirectoriesWindow, LongPathsComeBackWholeWhenTheWindowIsConfirmedAgain) {
    std::string logs = programFolder;
    while (logs.size() < 230)
        logs += "/Session logs of the station " + std::to_string(logs.size());
    QDir().mkpath(QString::fromStdString(logs));
    const std::string adif = logs + "/Contacts of the station on every band, mode and expedition";
    ASSERT_GT(adif.size(), 260u);
    dialogs.answers = {logs, adif};
    {
        auto w = Load();
        QTest::mouseClick(w->cmdPathLog, Qt::LeftButton);
        QTest::mouseClick(w->cmdPathADIF, Qt::LeftButton);
        QTest::mouseClick(w->cmdOK, Qt::LeftButton);
    }
    {
        auto again = Load();
        EXPECT_EQ(again->SessionLogFolder(), logs);
        EXPECT_EQ(again->AdifPath(), adif + ".adi");
        QTest::mouseClick(again->cmdOK, Qt::LeftButton);
    }
    EXPECT_NE(store.Text().find("\r\nDirectorio Log=" + logs + "\r\n"), std::string::npos) << store.Text();
    EXPECT_NE(store.Text().find("\r\nDirectorio ADIF=" + adif + ".adi\r\n"), std::string::npos);
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown[0].text;
}

TEST_F(LogDirectoriesWindow, AMissingSessionLogFolderIsReportedAtLoad) {
    const std::string gone = scratch.Path("gone");
    store = MemoryProfileStore("[Log]\r\nDirectorio Log=" + gone + "\r\n");
    auto w = Load();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Path '" + gone + "' not found");
    EXPECT_EQ(boxes.shown[0].title, "Log Error");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Exclamation);
    EXPECT_EQ(w->SessionLogFolder(), gone) << "the label keeps the path";
}

TEST_F(LogDirectoriesWindow, TheAdifFileNameEndsInAdi) {
    auto w = Load();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/x/mylog", "/x/mylog.adi"},
        {"  /x/mylog  ", "/x/mylog.adi"},
        {"/x/MYLOG.ADI", "/x/MYLOG.ADI"},
        {"/x/log.Adi", "/x/log.Adi"},
        {"/x/log.adif", "/x/log.adif.adi"},
        {"adi", "adi.adi"},
        {std::string("/x/a\0b", 6), "/x/ab.adi"},
        {"   ", ""},
    };
    for (const auto& [answer, expected] : cases) {
        dialogs.answers = {answer};
        EXPECT_EQ(w->ChooseAdifFile(), expected) << answer;
    }
    ASSERT_FALSE(dialogs.asked.empty());
    EXPECT_EQ(dialogs.asked[0].kind, "save");
    EXPECT_EQ(dialogs.asked[0].title, "ADI File");
    EXPECT_EQ(dialogs.asked[0].filter, "ADIF Files (*.adi *.ADI);;Todos los archivos (*)");
    EXPECT_EQ(dialogs.asked[0].startFolder, programFolder) << "where the default log goes";
}

TEST_F(LogDirectoriesWindow, CancellingAPickerKeepsThePathAndLeavesTheLogbookAlone) {
    store = MemoryProfileStore("[Log]\r\nDirectorio ADIF=/data/logs/old.adi\r\n");
    auto w = Load();

    w->cmdPathADIF_Click();  // no answer queued: the operator cancels
    EXPECT_EQ(w->AdifPath(), "/data/logs/old.adi");
    EXPECT_EQ(adifChosen, 0);
    EXPECT_EQ(dialogs.asked.back().startFolder, "/data/logs") << "opens where the log file is";

    w->cmdPathLog_Click();
    EXPECT_EQ(w->SessionLogFolder(), programFolder);
    EXPECT_EQ(dialogs.asked.back().kind, "folder");
    EXPECT_EQ(dialogs.asked.back().startFolder, programFolder) << "opens at the current folder";

    dialogs.answers = {"/data/logs/new"};
    w->cmdPathADIF_Click();
    EXPECT_EQ(w->AdifPath(), "/data/logs/new.adi");
    EXPECT_EQ(adifChosen, 1);
}

}  // namespace
}  // namespace muv

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/private_profile.h"
#include "platform/qt/qt_text.h"
#include "settings/frmEqslAccount.h"
#include "settings/frmOperator.h"
#include "settings/frmProfiles.h"
#include "settings/profile_menu.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"

namespace muv {
namespace {

// The main window's profile menu: captions of items 1 to 8, the ticked item and the parent's caption.
struct FakeProfileMenu : ProfileMenu {
    std::array<std::string, kProfiles + 1> captions;
    int ticked = 1;
    std::string parentCaption;
    void SetProfileItemCaption(int item, const std::string& name) override { captions.at(item) = name; }
    bool ProfileItemTicked(int item) const override { return item == ticked; }
    void TickProfileItem(int item) override { ticked = item; }
    void SetProfileMenuCaption(const std::string& name) override { parentCaption = name; }
};

void Click(QWidget* w) {
    const QPointF at(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

std::string Text(const QLineEdit* box) {
    return FromQString(box->text());
}

class OperatorWindows : public test::QtAppTest {
protected:
    std::unique_ptr<frmOperator> MakeOperator() {
        return std::make_unique<frmOperator>(OperatorWindowLinks{
            store, boxes, [this] { calls.push_back("cluster " + Text(op->txtCallsign)); },
            [this] { calls.push_back("login, " + std::to_string(store.writes) + " writes so far"); }});
    }
    std::unique_ptr<frmEqslAccount> MakeEqsl(std::string callsign = "EA4XYZ") {
        return std::make_unique<frmEqslAccount>(
            EqslAccountWindowLinks{store, pages, [callsign] { return callsign; }});
    }
    std::unique_ptr<frmProfiles> MakeProfiles() {
        return std::make_unique<frmProfiles>(ProfilesWindowLinks{store, menu});
    }
    void LoadOperatorWindow() {
        op = MakeOperator();
        op->Form_Load();
    }

    MemoryProfileStore store;
    test::RecordingBoxes boxes;
    test::RecordingPages pages;
    FakeProfileMenu menu;
    std::vector<std::string> calls;
    std::unique_ptr<frmOperator> op;
};

TEST_F(OperatorWindows, OperatorDataRoundTripsPerProfile) {
    op = MakeOperator();
    op->txtCallsign->setText("EA4ABC");
    op->txtName->setText(QString::fromUtf8("José Maño"));
    op->txtEmail->setText("ea4abc@example.org");
    op->txtQTH->setText("Madrid");
    op->txtLocator->setText("IN80dk");
    SaveOperator(store, *op);

    store.SetProfileSuffix("3");
    op->txtCallsign->setText("G4XYZ");
    op->txtLocator->setText("IO91wm");
    SaveOperator(store, *op);
    EXPECT_NE(store.Text().find("[Operador]"), std::string::npos);
    EXPECT_NE(store.Text().find("[Operador3]"), std::string::npos);
    EXPECT_NE(store.Text().find("Name=Jos\xE9 Ma\xF1o\r\n"), std::string::npos) << "Windows-1252 on file";

    store.SetProfileSuffix("");
    auto fresh = MakeOperator();
    LoadOperator(store, *fresh);
    EXPECT_EQ(fresh->Callsign(), "EA4ABC");
    EXPECT_EQ(fresh->Name(), "José Maño");
    EXPECT_EQ(fresh->txtName->text(), QString::fromUtf8("José Maño"));
    EXPECT_EQ(fresh->Email(), "ea4abc@example.org");
    EXPECT_EQ(fresh->QTH(), "Madrid");
    EXPECT_EQ(fresh->Locator(), "IN80dk");

    store.SetProfileSuffix("3");
    LoadOperator(store, *fresh);
    EXPECT_EQ(fresh->Callsign(), "G4XYZ");
    EXPECT_EQ(fresh->Locator(), "IO91wm");
    EXPECT_EQ(fresh->Name(), "José Maño");

    // A profile that never stored the group empties every box.
    store.SetProfileSuffix("7");
    LoadOperator(store, *fresh);
    for (const QLineEdit* box :
         {fresh->txtCallsign, fresh->txtName, fresh->txtEmail, fresh->txtQTH, fresh->txtLocator})
        EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
}

TEST_F(OperatorWindows, LoadShowsTheCallsignInCapitalsAndAValidLocatorRecased) {
    store.Write("Operador", "Callsign", "ea4abc");
    store.Write("Operador", "Locator", "im98JM");
    LoadOperatorWindow();
    EXPECT_EQ(op->Callsign(), "EA4ABC");
    EXPECT_EQ(op->Locator(), "IM98jm");

    store.Write("Operador", "Locator", "im98");  // not valid: shown as stored
    LoadOperatorWindow();
    EXPECT_EQ(op->Locator(), "im98");
    EXPECT_EQ(store.writes, 3) << "loading writes nothing";
}

TEST_F(OperatorWindows, TypingInTheCallsignBoxGivesCapitalsWithTheCaretAtTheEnd) {
    LoadOperatorWindow();
    op->txtCallsign->insert("ea4");
    EXPECT_EQ(op->Callsign(), "EA4");
    op->txtCallsign->setCursorPosition(1);
    op->txtCallsign->insert(QString::fromUtf8("ñ"));
    EXPECT_EQ(op->txtCallsign->text(), QString::fromUtf8("EÑA4"));
    EXPECT_EQ(op->txtCallsign->cursorPosition(), 4);
    // Capitals in every script; a letter whose capital is two letters stays, so the caret keeps its place.
    op->txtCallsign->setText(QString::fromUtf8("aµжß"));
    EXPECT_EQ(op->Callsign(), "AΜЖß");
}

TEST_F(OperatorWindows, AClickEmptiesTheBox) {
    LoadOperatorWindow();
    op->txtCallsign->setText("EA4ABC");
    op->txtLocator->setText("IN80dk");
    Click(op->txtCallsign);
    EXPECT_TRUE(op->txtCallsign->text().isEmpty());
    EXPECT_EQ(op->Locator(), "IN80dk");
}

TEST_F(OperatorWindows, OkWithAValidLocatorReconnectsLogsInThenSaves) {
    LoadOperatorWindow();
    op->txtCallsign->blockSignals(true);  // as if typed without the handler: OK still capitalises
    op->txtCallsign->setText("ea4abc");
    op->txtCallsign->blockSignals(false);
    op->txtLocator->setText("io91WM");
    op->cmdOK->click();
    const std::vector<std::string> expected{"cluster EA4ABC", "login, 0 writes so far"};
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(op->result(), QDialog::Accepted);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(store.Read("Operador", "Locator", 50), "IO91wm");
    EXPECT_EQ(store.Read("Operador", "Callsign", 50), "EA4ABC");
}

TEST_F(OperatorWindows, OkWithAnEmptyLocatorIsAccepted) {
    store.Write("Operador", "Locator", "IN80dk");
    LoadOperatorWindow();
    op->txtLocator->clear();
    op->cmdOK_Click();
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(op->result(), QDialog::Accepted);
    EXPECT_EQ(store.Read("Operador", "Locator", 50), std::nullopt);
    EXPECT_NE(store.Text().find("Locator=\r\n"), std::string::npos);
}

TEST_F(OperatorWindows, OkWithAnInvalidLocatorRefusesAndTouchesNothing) {
    LoadOperatorWindow();
    op->txtCallsign->blockSignals(true);
    op->txtCallsign->setText("ea4abc");
    op->txtCallsign->blockSignals(false);
    op->txtLocator->setText("IO91");
    op->cmdOK_Click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Locator not valid");
    EXPECT_EQ(boxes.shown[0].title, "Locator Error");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Critical);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(store.writes, 0);
    EXPECT_EQ(op->result(), QDialog::Rejected);
    EXPECT_EQ(op->Callsign(), "EA4ABC") << "the callsign is capitalised before the check";
    EXPECT_EQ(op->Locator(), "IO91");

    // The close box closes without saving.
    op->reject();
    EXPECT_EQ(store.writes, 0);
}

TEST_F(OperatorWindows, EqslAccountDefaultsToTheOperatorsCallsign) {
    auto w = MakeEqsl("EA4XYZ");
    w->Form_Load();
    EXPECT_EQ(w->User(), "EA4XYZ");
    EXPECT_EQ(w->Password(), "");
    EXPECT_EQ(w->txtPasswordEQSL->echoMode(), QLineEdit::Password);

    store.Write("EQSL", "Usuario", "");  // an empty value counts as none
    store.Write("EQSL", "Password", "s3cret");
    w = MakeEqsl("EA4XYZ");
    w->Form_Load();
    EXPECT_EQ(w->User(), "EA4XYZ");
    EXPECT_EQ(w->Password(), "s3cret");

    Click(w->txtUsuarioEQSL);
    Click(w->txtPasswordEQSL);
    EXPECT_EQ(w->User(), "");
    EXPECT_EQ(w->Password(), "");
}

TEST_F(OperatorWindows, EqslAccountRoundTripsPerProfileAndOpensTheSite) {
    auto w = MakeEqsl();
    w->Form_Load();
    w->txtUsuarioEQSL->setText(QString::fromUtf8("José"));
    w->txtPasswordEQSL->setText(QString::fromUtf8("paß"));
    w->cmdOK->click();
    EXPECT_EQ(w->result(), QDialog::Accepted);

    store.SetProfileSuffix("2");
    w = MakeEqsl("G4XYZ");
    w->Form_Load();
    EXPECT_EQ(w->User(), "G4XYZ") << "profile 2 has no account stored";
    w->txtPasswordEQSL->setText("other");
    w->cmdOK_Click();

    store.SetProfileSuffix("");
    w = MakeEqsl();
    w->Form_Load();
    EXPECT_EQ(w->User(), "José");
    EXPECT_EQ(w->Password(), "paß");
    store.SetProfileSuffix("2");
    LoadEqslAccount(store, *w);
    EXPECT_EQ(w->User(), "G4XYZ");
    EXPECT_EQ(w->Password(), "other");
    EXPECT_NE(store.Text().find("[EQSL2]"), std::string::npos);

    w->imgEQSL->click();
    EXPECT_EQ(pages.opened, std::vector<std::string>{"https://www.eqsl.cc/"});
}

TEST_F(OperatorWindows, ProfileNamesLoadOverTheDefaults) {
    store.Write("User Profiles", "2", "Tamaño");
    store.Write("User Profiles", "3", "");  // an empty value keeps the default
    store.SetProfileSuffix("5");            // the names are shared by every profile
    auto w = MakeProfiles();
    w->Form_Load();
    EXPECT_EQ(w->ProfileName(1), "User1");
    EXPECT_EQ(w->ProfileName(2), "Tamaño");
    EXPECT_EQ(w->ProfileName(3), "User3");
    EXPECT_EQ(w->ProfileName(8), "User8");
    Click(w->txtProfiles[4]);
    EXPECT_EQ(w->ProfileName(4), "");
}

TEST_F(OperatorWindows, ProfilesOkRestoresEmptiedNamesAndRenamesTheMenu) {
    store.SetProfileSuffix("3");
    menu.ticked = 3;
    auto w = MakeProfiles();
    w->Form_Load();
    w->txtProfiles[2]->clear();
    w->txtProfiles[3]->setText(QString::fromUtf8("José"));
    w->cmdOK->click();
    EXPECT_EQ(w->result(), QDialog::Accepted);

    EXPECT_EQ(w->ProfileName(2), "User2");
    EXPECT_EQ(menu.captions[2], "User2");
    EXPECT_EQ(menu.captions[3], "José");
    EXPECT_EQ(menu.captions[8], "User8");
    EXPECT_EQ(menu.parentCaption, "José") << "the current profile's name shows on the parent menu";
    EXPECT_EQ(store.Read("User Profiles", "2", 40), "User2");
    EXPECT_EQ(store.Read("User Profiles", "3", 40), "José");
    EXPECT_EQ(store.Text().find("[User Profiles3]"), std::string::npos);

    // Renaming a profile that is not the current one leaves the parent menu alone.
    menu.parentCaption.clear();
    w = MakeProfiles();
    w->Form_Load();
    EXPECT_EQ(w->ProfileName(3), "José");
    w->txtProfiles[6]->setText("Contest");
    w->cmdOK_Click();
    EXPECT_EQ(menu.captions[6], "Contest");
    EXPECT_EQ(menu.parentCaption, "José");
}

}  // namespace
}  // namespace muv

// The two spot windows on a host and a sender of the test's own: the send guard on the frequency, the
// callsign box, what each button sends, the warnings and errors that keep a window open, and the shared
// place on the screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <memory>
#include <stdexcept>
#include <vector>

#include "online/frmClusterSpot.h"
#include "online/frmInternalSpot.h"
#include "online/spot_sender.h"
#include "platform/qt/qt_text.h"
#include "settings/settings_window.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"

namespace muv {
namespace {

class FakeSender : public SpotSender {
public:
    bool SendInternalSpot(const std::string& frequency, const std::string& comment,
                          const std::string& callsign) override {
        return Record("internal|" + frequency + "|" + comment + "|" + callsign);
    }
    bool SendInternalSpotWithWeb(const std::string& frequency, const std::string& comment,
                                 const std::string& addressee) override {
        return Record("web|" + frequency + "|" + comment + "|" + addressee);
    }
    bool SendClusterSpot(const std::string& callsign, const std::string& frequency,
                         const std::string& comment) override {
        return Record("cluster|" + callsign + "|" + frequency + "|" + comment);
    }

    enum class Outcome { Sent, NotConnected, Throws };
    Outcome outcome = Outcome::Sent;
    std::vector<std::string> sent;  // the lines that went out
    int tries = 0;

private:
    bool Record(const std::string& call) {
        ++tries;
        if (outcome == Outcome::Throws) throw std::runtime_error("socket gone");
        if (outcome == Outcome::NotConnected) return false;
        sent.push_back(call);
        return true;
    }
};

class FakeHost : public SpotWindowHost {
public:
    ColorRef FrequencyBoxColour() override { return bandColour; }
    WindowPlace LoadSpotPlace() override {
        ++loads;
        return place;
    }
    void SaveSpotPlace(const WindowPlace& p) override { saved.push_back(p); }

    ColorRef bandColour = RGB(0, 255, 255);
    WindowPlace place = kSpotWindowPlace;
    int loads = 0;
    std::vector<WindowPlace> saved;
};

class SpotWindows : public test::QtAppTest {
protected:
    // A new window, loaded as on its first use; its closings are counted.
    template <class W>
    W& Open() {
        auto w = std::make_unique<W>(SpotWindowLinks{boxes, sender, host});
        W& window = *w;
        QObject::connect(&window, &QDialog::finished, [this] { ++closed; });
        window.Form_Load();
        windows_.push_back(std::move(w));
        return window;
    }
    std::vector<SpotWindow*> OpenBoth() { return {&Open<frmInternalSpot>(), &Open<frmClusterSpot>()}; }

    static std::string Text(const QLineEdit* box) { return FromQString(box->text()); }
    static void Type(QLineEdit* box, const std::string& text) { box->setText(ToQString(text)); }
    static void Fill(SpotWindow& w, const std::string& kHz, const std::string& callsign,
                     const std::string& comment) {
        Type(w.txtFrecuencia, kHz);
        Type(w.txtCallsign, callsign);
        Type(w.txtComentario, comment);
    }
    static bool Painted(const QPushButton* button, const char* rgb) {
        return button->styleSheet().contains(rgb);
    }

    test::RecordingBoxes boxes;
    FakeSender sender;
    FakeHost host;
    int closed = 0;

private:
    std::vector<std::unique_ptr<SpotWindow>> windows_;
};

constexpr const char* kOrange = "rgb(56, 176, 222)";  // DEB038, red in the lowest byte
constexpr const char* kGrey = "rgb(224, 224, 224)";

TEST_F(SpotWindows, TheSendButtonIsBlockedOnlyStrictlyBetween501And504) {
    for (SpotWindow* w : OpenBoth()) {
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_TRUE(w->cmdEnviar->isEnabled());
        EXPECT_TRUE(Painted(w->cmdEnviar, kOrange));
        EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
        const std::pair<const char*, bool> cases[] = {
            {"502.0", true},    {"501.0", false},   {"504.0", false}, {"501.1", true}, {"503.9", true},
            {"14101.0", false}, {" 502 kHz", true}, {"", false},      {"abc", false}};
        for (const auto& [kHz, blocked] : cases) {
            Type(w->txtFrecuencia, kHz);
            EXPECT_EQ(w->cmdEnviar->isEnabled(), !blocked) << kHz;
            EXPECT_TRUE(Painted(w->cmdEnviar, blocked ? kGrey : kOrange)) << kHz;
        }
        // The box takes the main window's band colour at each change.
        host.bandColour = RGB(255, 128, 0);
        Type(w->txtFrecuencia, "7040.0");
        EXPECT_EQ(FromQColor(w->txtFrecuencia->palette().color(QPalette::Base)), RGB(255, 128, 0));
    }

    // Sending to all is never blocked, and goes out on a blocked frequency.
    auto& internal = Open<frmInternalSpot>();
    Type(internal.txtFrecuencia, "502.0");
    EXPECT_FALSE(internal.cmdEnviar->isEnabled());
    EXPECT_TRUE(internal.cmdEnviarATodos->isEnabled());
    EXPECT_TRUE(Painted(internal.cmdEnviarATodos, kOrange));
    internal.cmdEnviarATodos->click();
    EXPECT_EQ(sender.sent, std::vector<std::string>{"web|502.0||ALL"});
}

TEST_F(SpotWindows, TheCallsignBoxTakesCapitalsAndAClickEmptiesIt) {
    for (SpotWindow* w : OpenBoth()) {
        SCOPED_TRACE(w->objectName().toStdString());
        w->txtCallsign->setFocus();
        Type(w->txtCallsign, "ea4xyz/p");
        EXPECT_EQ(Text(w->txtCallsign), "EA4XYZ/P");
        EXPECT_EQ(w->txtCallsign->cursorPosition(), 8);

        // A letter typed in the middle, small or capital: the text in capitals, the caret at its end.
        w->txtCallsign->setCursorPosition(2);
        w->txtCallsign->insert("q");
        EXPECT_EQ(Text(w->txtCallsign), "EAQ4XYZ/P");
        EXPECT_EQ(w->txtCallsign->cursorPosition(), 9);
        w->txtCallsign->setCursorPosition(1);
        w->txtCallsign->insert("R");
        EXPECT_EQ(Text(w->txtCallsign), "ERAQ4XYZ/P");
        EXPECT_EQ(w->txtCallsign->cursorPosition(), 10);
        // Small letters of every script have their capitals too.
        Type(w->txtCallsign, "\xC3\xA9");
        EXPECT_EQ(Text(w->txtCallsign), "\xC3\x89");
        Type(w->txtCallsign, "ha5\xC5\x91\xD0\xB6");  // ő, ж
        EXPECT_EQ(Text(w->txtCallsign), "HA5\xC5\x90\xD0\x96");
        EXPECT_EQ(w->txtCallsign->cursorPosition(), 5);

        // A click with the mouse empties the box.
        Type(w->txtCallsign, "EA1ABC");
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w->txtCallsign, &press);
        EXPECT_TRUE(w->txtCallsign->text().isEmpty());
    }
}

TEST_F(SpotWindows, ThePrivateSendNeedsACallsignAndSendsWhatWasTyped) {
    auto& w = Open<frmInternalSpot>();
    w.ShowWindow();
    EXPECT_EQ(w.cmdEnviar->text(), "SEND PRIVATE");
    EXPECT_EQ(w.cmdEnviarATodos->text(), "SEND  TO ALL");
    EXPECT_EQ(w.lblFrecuencia->text(), "Frequency");
    EXPECT_EQ(w.lblCall->text(), "Seen Call");
    EXPECT_EQ(w.lblComentario->text(), "Comment");
    EXPECT_EQ(w.txtComentario->maxLength(), 70);

    Fill(w, "14101.0", "", "hello");
    w.cmdEnviar->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Write the Seen Callsign");
    EXPECT_EQ(boxes.shown[0].title, "Internal Spot Warning");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Exclamation);
    EXPECT_EQ(sender.tries, 0);
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(w.isVisible());

    // Enter in a box sends nothing, to the station or to all.
    w.txtCallsign->setFocus();
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w.txtCallsign, &enter);
    EXPECT_EQ(sender.tries, 0);

    // The comment goes as typed: blanks, a "#" and a leading "MUV" are the link's business.
    Fill(w, "14101.0", "ea1abc", " MUV16 #73 de Jos\xC3\xA9 ");
    w.cmdEnviar->click();
    EXPECT_EQ(sender.sent, std::vector<std::string>{"internal|14101.0| MUV16 #73 de Jos\xC3\xA9 |EA1ABC"});
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(SpotWindows, AClusterSpotNeedsACallsignAndAModeNameGetsABlank) {
    auto& w = Open<frmClusterSpot>();
    EXPECT_EQ(w.cmdEnviar->text(), "SEND");
    EXPECT_EQ(w.txtComentario->maxLength(), 30);

    Fill(w, "14101.0", "", "MUV16 559");
    w.cmdEnviar->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Write the Seen Callsign");
    EXPECT_EQ(boxes.shown[0].title, "Cluster Warning");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Exclamation);
    EXPECT_EQ(sender.tries, 0);
    EXPECT_EQ(closed, 0);

    Type(w.txtCallsign, "EA1ABC");
    w.cmdEnviar->click();
    EXPECT_EQ(closed, 1);
    // Only a comment that begins with the name, in capitals, is changed.
    const std::pair<const char*, const char*> comments[] = {
        {"mUV16", "mUV16"}, {"A MUV16", "A MUV16"}, {"", ""}, {"MUV", " MUV"}};
    for (const auto& [typed, sent] : comments) {
        auto& again = Open<frmClusterSpot>();
        Fill(again, "7040.5", "DL1XYZ", typed);
        again.cmdEnviar_Click();
        EXPECT_EQ(sender.sent.back(), std::string("cluster|DL1XYZ|7040.5|") + sent);
        EXPECT_EQ(Text(again.txtComentario), typed) << "the box keeps what was typed";
    }
    EXPECT_EQ(sender.sent.front(), "cluster|EA1ABC|14101.0| MUV16 559");
    EXPECT_EQ(closed, 5);
}

TEST_F(SpotWindows, ASpotThatCannotGoOutKeepsTheWindowOpen) {
    auto& internal = Open<frmInternalSpot>();
    internal.ShowWindow();
    Fill(internal, "14101.0", "EA1ABC", "hi");
    auto& cluster = Open<frmClusterSpot>();
    cluster.ShowWindow();
    Fill(cluster, "14101.0", "EA1ABC", "hi");
    const std::pair<QPushButton*, const char*> buttons[] = {{internal.cmdEnviar, "Internal Spot Error"},
                                                            {internal.cmdEnviarATodos, "Internal Spot Error"},
                                                            {cluster.cmdEnviar, "Cluster Error"}};
    for (FakeSender::Outcome outcome : {FakeSender::Outcome::NotConnected, FakeSender::Outcome::Throws}) {
        sender.outcome = outcome;
        for (const auto& [button, title] : buttons) {
            boxes.shown.clear();
            button->click();
            ASSERT_EQ(boxes.shown.size(), 1u) << title;
            EXPECT_EQ(boxes.shown[0].text, "Spot could not be sent");
            EXPECT_EQ(boxes.shown[0].title, title);
            EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Critical);
        }
    }
    EXPECT_EQ(sender.tries, 6);
    EXPECT_TRUE(sender.sent.empty());
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(internal.isVisible() && cluster.isVisible());
    EXPECT_EQ(Text(internal.txtComentario), "hi");
    EXPECT_TRUE(host.saved.empty());

    // Once the link is back, the same press sends and closes.
    sender.outcome = FakeSender::Outcome::Sent;
    internal.cmdEnviarATodos->click();
    cluster.cmdEnviar->click();
    EXPECT_EQ(sender.sent, (std::vector<std::string>{"web|14101.0|hi|ALL", "cluster|EA1ABC|14101.0|hi"}));
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(host.saved.size(), 2u);
}

TEST_F(SpotWindows, BothOpenAtTheSharedPlaceAndStoreItWhenClosed) {
    host.place = {310, 64};
    auto& internal = Open<frmInternalSpot>();
    EXPECT_EQ(host.loads, 1);
    EXPECT_EQ(internal.pos(), QPoint(310, 64));
    internal.move(400, 120);
    internal.reject();  // the close box, never shown
    ASSERT_EQ(host.saved.size(), 1u);
    EXPECT_EQ(host.saved[0].x, 400);
    EXPECT_EQ(host.saved[0].y, 120);
    internal.reject();
    EXPECT_EQ(host.saved.size(), 1u) << "a window unloads once";

    host.place = host.saved[0];
    auto& cluster = Open<frmClusterSpot>();
    EXPECT_EQ(cluster.pos(), QPoint(400, 120));
    cluster.ShowWindow();
    cluster.move(150, 90);
    Fill(cluster, "14101.0", "EA1ABC", "");
    cluster.cmdEnviar_Click();
    ASSERT_EQ(host.saved.size(), 2u);
    EXPECT_EQ(host.saved[1].x, 150);
    EXPECT_EQ(host.saved[1].y, 90);

    // A place off every screen comes back onto one.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    host.place = {-5000, screen.bottom() + 4000};
    const auto& off = Open<frmInternalSpot>();
    EXPECT_TRUE(screen.contains(off.pos())) << off.pos().x() << "," << off.pos().y();
}

TEST_F(SpotWindows, InAWindowSlotASentSpotUnloadsTheWindowAndTheNextUseLoadsItAfresh) {
    WindowSlot<frmInternalSpot> slot([this] {
        return std::make_unique<frmInternalSpot>(SpotWindowLinks{boxes, sender, host});
    });
    frmInternalSpot& w = slot.Show();
    Fill(w, "502.0", "EA1ABC", "73");
    w.cmdEnviarATodos_Click();
    EXPECT_FALSE(slot.Loaded());
    ASSERT_EQ(host.saved.size(), 1u);
    test::RunEvents(20);  // the window is deleted once its handler has returned

    host.place = host.saved[0];
    frmInternalSpot& again = slot.Show();
    EXPECT_EQ(host.loads, 2);
    EXPECT_TRUE(again.txtCallsign->text().isEmpty());
    EXPECT_TRUE(again.cmdEnviar->isEnabled()) << "a new window is not blocked by the last one's frequency";
    EXPECT_EQ(again.pos(), QPoint(host.place.x, host.place.y));
}

}  // namespace
}  // namespace muv

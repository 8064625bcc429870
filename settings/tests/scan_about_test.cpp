#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/private_profile.h"
#include "platform/qt/qt_dialogs.h"
#include "settings/frmAbout.h"
#include "settings/frmScan.h"
#include "settings/frmShortcuts.h"
#include "test_support/qt_app.h"
#include "test_support/recording_fakes.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

constexpr int kEntries = 25;

class ScanWindow : public test::QtAppTest {
protected:
    std::unique_ptr<frmScan> Open() {
        auto w = std::make_unique<frmScan>(ScanWindowLinks{store, kEntries});
        w->Form_Load();
        return w;
    }
    static std::string Shown(const frmScan& w) { return w.lblScan->text().toStdString(); }
    static std::vector<int> Ticked(const frmScan& w) {
        std::vector<int> ticked;
        for (int i = 1; i <= w.FrequencyCount(); ++i)
            if (w.FrequencyTicked(i)) ticked.push_back(i);
        return ticked;
    }

    MemoryProfileStore store;
};

TEST_F(ScanWindow, ANewProfileScansNothingForThirtySecondsAndWritesEveryKey) {
    auto w = Open();
    EXPECT_TRUE(Ticked(*w).empty());
    EXPECT_EQ(w->DwellValue(), 270);
    EXPECT_EQ(Shown(*w), "00:30");

    w->show();
    w->cmdOK->click();
    EXPECT_FALSE(w->isVisible());
    std::string expected = "[SCAN]\r\n";
    for (int i = 1; i <= kEntries; ++i)
        expected += std::to_string(i) + "=0\r\n";
    expected += "Segundos= 270\r\n";
    EXPECT_EQ(store.Text(), expected);
}

TEST_F(ScanWindow, EachProfileKeepsItsOwnChoiceAndAStoredFiveMinutesStays) {
    auto w = Open();
    for (int i : {1, 7, 25})
        w->chkFrecuencias(i)->setChecked(true);
    w->vsbScan->setValue(0);
    EXPECT_EQ(Shown(*w), "05:00");
    w->cmdOK_Click();

    // The profile switch saves under the old suffix and reloads into the open window.
    store.SetProfileSuffix("3");
    LoadScanSettings(store, *w);
    EXPECT_TRUE(Ticked(*w).empty());
    EXPECT_EQ(w->DwellValue(), 270) << "a profile without a dwell gets 30 seconds, not five minutes";
    EXPECT_EQ(Shown(*w), "00:30");
    w->chkFrecuencias(2)->setChecked(true);
    w->vsbScan->setValue(295);
    SaveScanSettings(store, *w);
    EXPECT_NE(store.Text().find("[SCAN3]\r\n1=0\r\n2=1\r\n"), std::string::npos);

    store.SetProfileSuffix("");
    LoadScanSettings(store, *w);
    EXPECT_EQ(Ticked(*w), (std::vector<int>{1, 7, 25}));
    EXPECT_EQ(w->DwellValue(), 0);
    EXPECT_EQ(Shown(*w), "05:00");

    // A fresh window keeps the stored five minutes too.
    auto again = Open();
    EXPECT_EQ(again->DwellValue(), 0);
    EXPECT_EQ(Shown(*again), "05:00");

    store.SetProfileSuffix("3");
    LoadScanSettings(store, *w);
    EXPECT_EQ(Ticked(*w), (std::vector<int>{2}));
    EXPECT_EQ(Shown(*w), "00:05");

    // The close box leaves the stored choice alone.
    const int writes = store.writes;
    w->chkFrecuencias(5)->setChecked(true);
    w->reject();
    EXPECT_EQ(store.writes, writes);
}

TEST_F(ScanWindow, StoredValuesAreReadAsNumbersAndAnUnusableDwellGivesThirtySeconds) {
    store.Write("SCAN", "1", " 1");
    store.Write("SCAN", "2", "2");
    store.Write("SCAN", "3", "1.0");
    store.Write("SCAN", "4", "1.4");
    const std::vector<std::pair<std::string, int>> dwells = {
        {" 200", 200}, {"12 s", 12}, {"294.5", 294}, {"295", 295}, {"296", 270}, {"-1", 270}, {"", 270}};
    for (const auto& [stored, expected] : dwells) {
        store.Write("SCAN", "Segundos", stored);
        auto w = Open();
        EXPECT_EQ(w->DwellValue(), expected) << '"' << stored << '"';
        EXPECT_EQ(Ticked(*w), (std::vector<int>{1, 3}));
    }
}

TEST_F(ScanWindow, TheDwellShowsAsMinutesAndSeconds) {
    auto w = Open();
    const std::vector<std::pair<int, std::string>> shown = {{0, "05:00"},   {1, "04:59"},   {239, "01:01"},
                                                            {250, "00:50"}, {291, "00:09"}, {295, "00:05"}};
    for (const auto& [value, text] : shown) {
        w->vsbScan->setValue(value);
        EXPECT_EQ(Shown(*w), text) << value;
    }
}

TEST(ShortcutsText, ListsTheKeysWithCrLfAfterEachLineAndTwoEmptyLines) {
    const std::string text = frmShortcuts::ShortcutsText();
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 22);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 22) << "no lone line feed";
    size_t empty = 0;
    for (size_t at = text.find("\r\n\r\n"); at != std::string::npos; at = text.find("\r\n\r\n", at + 2))
        ++empty;
    EXPECT_EQ(empty, 2u);
    EXPECT_EQ(text.rfind("ESC in TX: Emergency PTT STOP\r\n", 0), 0u);
    EXPECT_NE(text.find("\r\nF8:   @\r\nF9:   S/N\r\n"), std::string::npos);
    EXPECT_NE(
        text.find("F12: PTT ON/OFF\r\n\r\nPage Up:      Frequency Up\r\nPage Down: Frequency Down\r\n\r\n"),
        std::string::npos);
    EXPECT_NE(text.find("\r\nCTRL + Click over QTH:  QTH to ADIF\r\n"), std::string::npos);
}

class InformationWindows : public test::QtAppTest {};

TEST_F(InformationWindows, ShortcutsWindowShowsTheListReadOnly) {
    frmShortcuts w;
    w.Form_Load();
    EXPECT_TRUE(w.txtShortcuts->isReadOnly());
    std::string held = frmShortcuts::ShortcutsText();
    std::erase(held, '\r');
    EXPECT_EQ(w.txtShortcuts->toPlainText().toStdString(), held);
}

TEST_F(InformationWindows, AboutShowsTheVersionAndReportsAMissingSystemInformationTool) {
    test::RecordingBoxes boxes;
    int starts = 0;
    bool startWorks = false;
    const auto open = [&] {
        auto w = std::make_unique<frmAbout>(AboutWindowLinks{boxes, [&] {
                                                                 ++starts;
                                                                 return startWorks;
                                                             }});
        w->Form_Load();
        w->show();
        return w;
    };

    auto w = open();
    EXPECT_EQ(w->lblVersion->text().toStdString(), "MUV v5.8.4 Beta  -  11 October, 2010");
    w->cmdSysInfo->click();
    EXPECT_EQ(starts, 1);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "System Information Is Unavailable At This Time");
    EXPECT_EQ(boxes.shown[0].icon, BoxIcon::None);
    EXPECT_EQ(boxes.shown[0].buttons, BoxButtons::Ok);
    EXPECT_TRUE(w->isVisible()) << "the window stays after the message";

    startWorks = true;
    w = open();
    w->cmdSysInfo->click();
    EXPECT_EQ(starts, 2);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(w->isVisible());

    w = open();
    w->cmdOK->click();
    EXPECT_EQ(starts, 2);
    EXPECT_FALSE(w->isVisible());
}

// The operator's mouse on the program's own message box: OK on the box that tells of a missing tool
// closes that box alone, and the next click where the About window stands reaches the About window, not
// the main window beneath it.
TEST_F(InformationWindows, OkOnTheSystemInformationBoxLeavesTheAboutWindowUnderTheMouse) {
    QWidget main;
    main.setGeometry(50, 50, 640, 480);
    auto* beneath = new QPushButton("receive option", &main);
    beneath->setGeometry(main.rect());
    int fellThrough = 0;
    QObject::connect(beneath, &QPushButton::clicked, [&] { ++fellThrough; });
    main.show();
    QtMessageBoxes boxes(&main);
    frmAbout about(AboutWindowLinks{boxes, [] { return false; }}, &main);
    about.Form_Load();
    about.show();
    about.move(main.geometry().center() - about.rect().center());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));

    // The box comes up inside the click on "System Info..."; the operator clicks its OK.
    QString boxText;
    QTimer okOnTheBox;
    QObject::connect(&okOnTheBox, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        okOnTheBox.stop();
        boxText = box->text();
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
    okOnTheBox.start(10);
    QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
    okOnTheBox.stop();
    EXPECT_EQ(boxText.toStdString(), frmAbout::kUnavailableText);
    EXPECT_TRUE(about.isVisible());

    // The operator's next click, aimed at the About window's OK.
    const QPoint aim = about.cmdOK->mapToGlobal(about.cmdOK->rect().center());
    QWidget* under = QApplication::widgetAt(aim);
    ASSERT_NE(under, nullptr);
    QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFromGlobal(aim));
    EXPECT_EQ(fellThrough, 0) << "the click reached the main window";
    EXPECT_FALSE(about.isVisible()) << "its own OK closes it";
}

// The real launcher, on a PATH of scripts that leave their name in a file.
TEST_F(InformationWindows, TheFirstSystemInformationProgramOnThePathIsStarted) {
    test::ScratchFolder folder("muv_sysinfo");
    const std::string marker = folder.Path("started");
    const auto script = [&](const std::string& name) {
        const std::string path = folder.Path(name);
        std::ofstream(path) << "#!/bin/sh\necho " << name << " > '" << marker << "'\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    };
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", QByteArray::fromStdString(folder.Folder().string()));

    EXPECT_FALSE(StartSystemInformationTool()) << "none on the PATH";
    script("kinfocenter");
    script("hardinfo");
    EXPECT_TRUE(StartSystemInformationTool());
    qputenv("PATH", savedPath);

    ASSERT_TRUE(test::WaitFor([&] { return std::filesystem::exists(marker); }));
    std::string started;
    ASSERT_TRUE(test::WaitFor([&] {
        std::ifstream(marker) >> started;
        return !started.empty();
    }));
    EXPECT_EQ(started, "hardinfo");
}

}  // namespace
}  // namespace muv

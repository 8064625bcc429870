// The Qt adapters against their in-memory twins: the text window must behave exactly as the memory
// window that the modem's tests use, and the timer as the manual timer.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QTextEdit>
#include <QTimer>
#include <filesystem>
#include <random>
#include <thread>

#include "common/memory_text_window.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_timer.h"
#include "platform/qt/qtextedit_window.h"
#include "platform/qt/thread_wake.h"
#include "test_support/qt_app.h"
#include "test_support/scratch_folder.h"

namespace muv {
namespace {

using QtFixture = test::QtAppTest;

// Characters that matter: letters, a line end in each form, vertical tab and form feed (characters, not
// line ends), and Windows-1252 characters beyond ASCII.
std::string RandomText(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {"a",  "b",  "CQ ",  "\r\n", "\r", "\n",
                                                    "\v", "\f", "\xE9", "\x80", " 73"};
    std::string s;
    const int n = static_cast<int>(rng() % 4);
    for (int i = 0; i < n; ++i)
        s += pieces[rng() % pieces.size()];
    return s;
}

// Text the operator pastes, as Qt gets it and as the program would write the same: every kind of
// line break, U+2028 and U+2029 among them, is one line end.
std::pair<QString, std::string> RandomPaste(std::mt19937& rng) {
    static const std::vector<std::pair<QString, std::string>> pieces = {
        {QStringLiteral("a"), "a"},
        {QStringLiteral("CQ "), "CQ "},
        {QString(QChar::LineSeparator), "\r\n"},
        {QString(QChar::ParagraphSeparator), "\r\n"},
        {QStringLiteral("\r"), "\r"},
        {QStringLiteral("\n"), "\n"},
        {QStringLiteral("\r\n"), "\r\n"},
        {QStringLiteral("\v"), "\v"}};
    std::pair<QString, std::string> paste;
    const int n = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < n; ++i) {
        const auto& piece = pieces[rng() % pieces.size()];
        paste.first += piece.first;
        paste.second += piece.second;
    }
    return paste;
}

void Type(QTextEdit& edit, int key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(&edit, &press);
}

void ShiftEnter(QTextEdit& edit) {
    Type(edit, Qt::Key_Return, QStringLiteral("\r"), Qt::ShiftModifier);
}

TEST_F(QtFixture, TextWindowBehavesAsTheMemoryWindow) {
    std::mt19937 rng(42);
    for (int round = 0; round < 50; ++round) {
        QTextEdit edit;
        QTextEditWindow qt(&edit);
        MemoryTextWindow memory;
        for (int step = 0; step < 60; ++step) {
            const int op = static_cast<int>(rng() % 10);
            const int32_t length = memory.TextLength();
            const int32_t where = length ? static_cast<int32_t>(rng() % (length + 1)) : 0;
            // Never put the caret between the CR and the LF of a line end.
            const bool insideLineEnd = where > 0 && where < length && memory.Text()[where] == '\n';
            switch (op) {
                case 0:
                    if (!insideLineEnd) {
                        qt.SetSelStart(where);
                        memory.SetSelStart(where);
                    }
                    break;
                case 1: {
                    const int32_t n = static_cast<int32_t>(rng() % 5);
                    qt.SetSelLength(n);
                    memory.SetSelLength(n);
                    const int32_t end = memory.SelStart() + memory.SelLength();
                    if (end > 0 && end < memory.TextLength() && memory.Text()[end] == '\n') {
                        qt.SetSelLength(memory.SelLength() + 1);
                        memory.SetSelLength(memory.SelLength() + 1);
                    }
                    break;
                }
                case 2:
                case 3: {
                    const std::string text = RandomText(rng);
                    qt.SetSelText(text);
                    memory.SetSelText(text);
                    break;
                }
                case 4: {
                    const ColorRef colour = (rng() % 2) ? kRed : 0xFF007F;
                    qt.SetSelColor(colour);
                    memory.SetSelColor(colour);
                    break;
                }
                case 5: {
                    const int size = 10 + 2 * static_cast<int>(rng() % 3);
                    qt.SetSelFontSize(size);
                    memory.SetSelFontSize(size);
                    break;
                }
                case 6:
                    qt.SetSelStart(qt.TextLength());
                    memory.SetSelStart(memory.TextLength());
                    break;
                case 7:
                case 8: {
                    // The operator's Shift+Enter or paste over the selection.
                    const int32_t from = memory.SelStart();
                    if (op == 7) {
                        ShiftEnter(edit);
                        memory.SetSelText("\r\n");
                    } else {
                        const auto [pasted, written] = RandomPaste(rng);
                        QApplication::clipboard()->setText(pasted);
                        edit.paste();
                        memory.SetSelText(written);
                    }
                    ASSERT_EQ(qt.TextLength(), memory.TextLength()) << "round " << round << " step " << step;
                    ASSERT_EQ(qt.SelStart(), memory.SelStart()) << "round " << round << " step " << step;
                    // What the operator types takes the edit's own format, not the one the program set for
                    // its next insertion: give the new text one format in both windows.
                    const int32_t to = memory.SelStart();
                    for (TextWindow* w : {static_cast<TextWindow*>(&qt), static_cast<TextWindow*>(&memory)}) {
                        w->SetSelStart(from);
                        w->SetSelLength(to - from);
                        w->SetSelColor(kBlack);
                        w->SetSelFontSize(10);
                        w->SetSelBold(false);
                        w->SetSelStart(to);
                    }
                    break;
                }
                case 9: {
                    const bool bold = rng() % 2;
                    qt.SetSelBold(bold);
                    memory.SetSelBold(bold);
                    break;
                }
            }
            ASSERT_EQ(qt.Text(), memory.Text()) << "round " << round << " step " << step;
            ASSERT_EQ(qt.TextLength(), memory.TextLength());
            ASSERT_EQ(qt.SelStart(), memory.SelStart()) << "round " << round << " step " << step;
            ASSERT_EQ(qt.SelLength(), memory.SelLength());
            ASSERT_EQ(qt.SelText(), memory.SelText());
            // A line end has no character format of its own in the document.
            const bool onLineEnd = memory.SelLength() > 0 && (memory.Text()[memory.SelStart()] == '\r' ||
                                                              memory.Text()[memory.SelStart()] == '\n');
            if (!onLineEnd) {
                ASSERT_EQ(qt.SelBold(), memory.SelBold()) << "round " << round << " step " << step;
            }
            // Beside a line end or at the very start the two controls may take the format from either
            // side; everywhere else they must agree.
            const int32_t caret = memory.SelStart();
            const std::string all = memory.Text();
            const bool besideLineEnd =
                caret == 0 || all[caret - 1] == '\n' || (caret < memory.TextLength() && all[caret] == '\r');
            if (!besideLineEnd) {
                ASSERT_EQ(qt.SelColor(), memory.SelColor()) << "round " << round << " step " << step;
                ASSERT_EQ(qt.SelFontSize(), memory.SelFontSize()) << "round " << round << " step " << step;
            }
        }
    }
}

// Left alone, Shift+Enter puts a line separator into the paragraph. Every line end must read and count
// as CR LF, or the transmitter, which sends up to TextLength(), never reaches the last character.
TEST_F(QtFixture, ShiftEnterIsALineEndLikeAnyOther) {
    QTextEdit edit;
    QTextEditWindow w(&edit);
    for (const char* typed : {"CQ", "de", "EA1ABC"}) {
        for (const char* c = typed; *c; ++c)
            Type(edit, Qt::Key_A, QString(QChar(*c)));
        ShiftEnter(edit);
    }
    Type(edit, Qt::Key_K, QStringLiteral("k"));
    ASSERT_EQ(w.Text(), "CQ\r\nde\r\nEA1ABC\r\nk");
    ASSERT_EQ(w.TextLength(), static_cast<int32_t>(w.Text().size()));
    EXPECT_EQ(w.SelStart(), w.TextLength());
    w.SetSelStart(w.TextLength() - 1);
    w.SetSelLength(1);
    EXPECT_EQ(w.SelText(), "k");
    w.SetSelStart(4);
    w.SetSelLength(100);
    EXPECT_EQ(w.SelText(), "de\r\nEA1ABC\r\nk");

    // Ending in Shift+Enter (of the keypad), the line end is there to be sent.
    w.SetSelStart(w.TextLength());
    Type(edit, Qt::Key_Enter, QStringLiteral("\r"), Qt::ShiftModifier | Qt::KeypadModifier);
    EXPECT_EQ(w.Text(), "CQ\r\nde\r\nEA1ABC\r\nk\r\n");
    EXPECT_EQ(w.TextLength(), 19);
    EXPECT_EQ(w.SelStart(), 19);
    // and undo takes it back.
    edit.undo();
    EXPECT_EQ(w.Text(), "CQ\r\nde\r\nEA1ABC\r\nk");
    EXPECT_EQ(w.TextLength(), 17);

    // A <br> of a restored snapshot is a line end as well.
    w.SetTextRTF("<html><body><p>CQ<br />de EA1ABC<br />k</p></body></html>");
    EXPECT_EQ(w.Text(), "CQ\r\nde EA1ABC\r\nk");
    EXPECT_EQ(w.TextLength(), 16);
}

TEST_F(QtFixture, APastedLineSeparatorBecomesALineEndInPlace) {
    const QString text = QStringLiteral("ab") + QChar(QChar::LineSeparator) + QStringLiteral("c");
    // The operator's caret or selection, in document positions of "ab", separator, "c", on either side
    // of the separator when the window is next read.
    struct Case {
        int anchor, position;
        int32_t start, length;
    };
    for (const Case& k : {Case{2, 2, 2, 0}, Case{3, 3, 4, 0}, Case{1, 4, 1, 4}, Case{4, 2, 2, 3}}) {
        QTextEdit edit;
        QTextEditWindow w(&edit);
        edit.insertPlainText(text);
        QTextCursor c = edit.textCursor();
        c.setPosition(k.anchor);
        c.setPosition(k.position, QTextCursor::KeepAnchor);
        edit.setTextCursor(c);
        EXPECT_EQ(w.SelStart(), k.start) << k.anchor << " " << k.position;
        EXPECT_EQ(w.SelLength(), k.length) << k.anchor << " " << k.position;
        EXPECT_EQ(edit.textCursor().anchor(), k.anchor);
        EXPECT_EQ(edit.textCursor().position(), k.position);
        EXPECT_EQ(w.Text(), "ab\r\nc");
    }

    // Undo takes the paste away whole, leaving no separator behind to be settled again.
    QTextEdit edit;
    QTextEditWindow w(&edit);
    w.SetSelText("73 ");
    QApplication::clipboard()->setText(text + QChar(QChar::LineSeparator) + text);
    edit.paste();
    ASSERT_EQ(w.Text(), "73 ab\r\nc\r\nab\r\nc");
    ASSERT_EQ(w.TextLength(), 15);
    edit.undo();
    EXPECT_EQ(w.Text(), "73 ");
    edit.redo();
    EXPECT_EQ(w.Text(), "73 ab\r\nc\r\nab\r\nc");
    EXPECT_EQ(w.TextLength(), 15);
}

TEST_F(QtFixture, SnapshotRestoresTextAndColours) {
    QTextEdit edit;
    QTextEditWindow w(&edit);
    w.SetSelColor(kRed);
    w.SetSelText("TX16: ");
    w.SetSelColor(kBlack);
    w.SetSelText("09:05 \r\nCQ \xE9");
    w.SetSelStart(8);
    w.SetSelLength(2);
    w.SetSelBold(true);
    const std::string snapshot = w.TextRTF();
    const std::string text = w.Text();
    w.SetText("other");
    w.SetTextRTF(snapshot);
    EXPECT_EQ(w.Text(), text);
    w.SetSelStart(8);
    w.SetSelLength(2);
    EXPECT_TRUE(w.SelBold());
    w.SetSelStart(7);
    w.SetSelLength(1);
    EXPECT_FALSE(w.SelBold());
    w.SetSelStart(1);
    EXPECT_EQ(w.SelColor(), kRed);
    w.SetSelStart(w.TextLength());
    EXPECT_EQ(w.SelColor(), kBlack);
    w.SetLocked(true);
    EXPECT_TRUE(edit.isReadOnly());
    w.SetSelText("!");  // the program can still write into a locked window
    EXPECT_EQ(w.Text(), text + "!");
}

// Asks from another thread run the handler on this one, from the event loop: the asks made before it
// runs make one run, and an ask made while it runs makes one more.
TEST_F(QtFixture, AThreadWakeRunsOnceForTheAsksBeforeIt) {
    int runs = 0;
    ThreadWake* wake = nullptr;
    ThreadWake owned([&] {
        if (++runs == 2) wake->Ask();
    });
    wake = &owned;
    std::thread asker([&] {
        for (int i = 0; i < 1000; ++i)
            owned.Ask();
    });
    asker.join();
    EXPECT_EQ(runs, 0) << "only from the event loop";
    ASSERT_TRUE(test::WaitFor([&] { return runs == 1; }, 5000));
    test::RunEvents(20);
    EXPECT_EQ(runs, 1);
    std::thread([&] { owned.Ask(); }).join();
    ASSERT_TRUE(test::WaitFor([&] { return runs == 3; }, 5000));
    test::RunEvents(20);
    EXPECT_EQ(runs, 3);
}

TEST_F(QtFixture, TimerFiresOnlyWhileEnabledWithAnInterval) {
    int ticks = 0;
    QtTimer timer([&] { ++ticks; });
    timer.SetEnabled(true);  // interval 0: never fires
    test::RunEvents(30);
    EXPECT_EQ(ticks, 0);

    // A one-shot: the handler disables its own timer.
    timer.SetHandler([&] {
        ++ticks;
        timer.SetEnabled(false);
    });
    timer.SetInterval(5);
    test::RunEvents(60);
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(timer.Enabled());
}

// The message box and the folder picker as the operator meets them: texts and paths in any script
// arrive whole, and the folder picked comes back as the file system names it.
TEST_F(QtFixture, BoxesAndPickersTakeAndGiveTextInAnyScript) {
    test::ScratchFolder scratch("muv_pickers");
    const std::string documents = scratch.Path("Документы");
    std::filesystem::create_directories(documents);

    QString shownText, shownTitle;
    int pickerTicks = 0;
    QTimer operatorHand;
    QObject::connect(&operatorHand, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal); box && box->isVisible()) {
            if (shownText.isEmpty()) {
                const auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
                shownText = label && label->textFormat() == Qt::PlainText ? label->text() : "(markup)";
                shownTitle = box->windowTitle();
            }
            if (QAbstractButton* ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->reject();
        } else if (auto* picker = qobject_cast<QFileDialog*>(modal); picker && picker->isVisible()) {
            // OK on the folder it opened in (after this tick: the picker may answer with a box of its
            // own); a picker that will not take it is cancelled.
            if (++pickerTicks < 50)
                QMetaObject::invokeMethod(
                    picker, [picker] { static_cast<QDialog*>(picker)->accept(); }, Qt::QueuedConnection);
            else
                picker->reject();
        }
    });
    operatorHand.start(10);

    QtMessageBoxes qtBoxes;
    MessageBoxes& boxes = qtBoxes;
    EXPECT_EQ(boxes.Show("Нет файла " + documents + "/Győr.adi", "Plzeň", BoxIcon::Critical), BoxAnswer::Ok);
    EXPECT_EQ(shownText, QString::fromUtf8("Нет файла " + documents + "/Győr.adi"));
    EXPECT_EQ(shownTitle, QString::fromUtf8("Plzeň"));
    // A rig's name with markup in it is shown as it came, the warning after it whole.
    shownText.clear();
    const std::string told = "<i>Evil</i><b>BOLD</b><img src=\" lost its PTT. Check the radio.";
    boxes.Show(told, "CAT Error", BoxIcon::Critical);
    EXPECT_EQ(shownText, QString::fromStdString(told));

    QtFileDialogs pickers;
    EXPECT_EQ(pickers.ChooseFolder("Папка", documents), documents);
    operatorHand.stop();
}

}  // namespace
}  // namespace muv

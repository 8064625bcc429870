// The Qt adapters against their in-memory twins: the text window must behave exactly as the memory
// window that the modem's tests use, and the timer as the manual timer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTextEdit>
#include <random>

#include "memory_text_window.h"
#include "qt_timer.h"
#include "qtextedit_window.h"

namespace muv {
namespace {

class QtFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char arg0[] = "qt_adapters_test";
        static char* argv[] = {arg0, nullptr};
        if (!QApplication::instance()) new QApplication(argc, argv);
    }
};

// Characters that matter: letters, a line end in each form, and Windows-1252 characters beyond ASCII.
std::string RandomText(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {"a",  "b",    "CQ ",  "\r\n", "\r",
                                                    "\n", "\xE9", "\x80", " 73"};
    std::string s;
    const int n = static_cast<int>(rng() % 4);
    for (int i = 0; i < n; ++i)
        s += pieces[rng() % pieces.size()];
    return s;
}

TEST_F(QtFixture, TextWindowBehavesAsTheMemoryWindow) {
    std::mt19937 rng(42);
    for (int round = 0; round < 50; ++round) {
        QTextEdit edit;
        QTextEditWindow qt(&edit);
        MemoryTextWindow memory;
        for (int step = 0; step < 60; ++step) {
            const int op = static_cast<int>(rng() % 7);
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
            }
            ASSERT_EQ(qt.Text(), memory.Text()) << "round " << round << " step " << step;
            ASSERT_EQ(qt.TextLength(), memory.TextLength());
            ASSERT_EQ(qt.SelStart(), memory.SelStart()) << "round " << round << " step " << step;
            ASSERT_EQ(qt.SelLength(), memory.SelLength());
            ASSERT_EQ(qt.SelText(), memory.SelText());
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

TEST_F(QtFixture, SnapshotRestoresTextAndColours) {
    QTextEdit edit;
    QTextEditWindow w(&edit);
    w.SetSelColor(kRed);
    w.SetSelText("TX16: ");
    w.SetSelColor(kBlack);
    w.SetSelText("09:05 \r\nCQ \xE9");
    const std::string snapshot = w.TextRTF();
    const std::string text = w.Text();
    w.SetText("other");
    w.SetTextRTF(snapshot);
    EXPECT_EQ(w.Text(), text);
    w.SetSelStart(1);
    EXPECT_EQ(w.SelColor(), kRed);
    w.SetSelStart(w.TextLength());
    EXPECT_EQ(w.SelColor(), kBlack);
    w.SetLocked(true);
    EXPECT_TRUE(edit.isReadOnly());
    w.SetSelText("!");  // the program can still write into a locked window
    EXPECT_EQ(w.Text(), text + "!");
}

TEST_F(QtFixture, TimerFiresOnlyWhileEnabledWithAnInterval) {
    int ticks = 0;
    QtTimer timer([&] { ++ticks; });
    timer.SetEnabled(true);  // interval 0: never fires
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30)
        QApplication::processEvents();
    EXPECT_EQ(ticks, 0);

    // A one-shot: the handler disables its own timer.
    timer.SetHandler([&] {
        ++ticks;
        timer.SetEnabled(false);
    });
    timer.SetInterval(5);
    clock.restart();
    while (clock.elapsed() < 60)
        QApplication::processEvents();
    EXPECT_EQ(ticks, 1);
    EXPECT_FALSE(timer.Enabled());
}

}  // namespace
}  // namespace muv

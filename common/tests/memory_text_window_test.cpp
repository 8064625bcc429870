#include "common/memory_text_window.h"

#include <gtest/gtest.h>

namespace muv {
namespace {

TEST(MemoryTextWindow, LineEndsReadAndCountAsCrLf) {
    MemoryTextWindow w;
    w.SetSelText("a\rb\nc\r\nd");
    EXPECT_EQ(w.Text(), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(w.TextLength(), 10);
    EXPECT_EQ(w.SelStart(), 10);
    w.SetText("x\ny");
    EXPECT_EQ(w.Text(), "x\r\ny");
    EXPECT_EQ(w.SelStart(), 0);
}

TEST(MemoryTextWindow, SelectionIsClampedAndReplaced) {
    MemoryTextWindow w;
    w.SetText("hello world");
    w.SetSelStart(100);
    EXPECT_EQ(w.SelStart(), 11);
    w.SetSelStart(-3);
    EXPECT_EQ(w.SelStart(), 0);
    w.SetSelStart(6);
    w.SetSelLength(50);
    EXPECT_EQ(w.SelLength(), 5);
    EXPECT_EQ(w.SelText(), "world");
    w.SetSelText("there");
    EXPECT_EQ(w.Text(), "hello there");
    EXPECT_EQ(w.SelStart(), 11);
    EXPECT_EQ(w.SelLength(), 0);
    w.SetSelStart(5);
    w.SetSelLength(3);
    w.SetSelStart(2);  // moving the caret empties the selection
    EXPECT_EQ(w.SelLength(), 0);
}

TEST(MemoryTextWindow, InsertionTakesTheFormatBeforeTheCaret) {
    MemoryTextWindow w;
    w.SetSelColor(kRed);
    w.SetSelFontSize(14);
    w.SetSelText("ab");
    w.SetSelColor(0x00FF00);
    w.SetSelText("cd");
    EXPECT_EQ(w.ColourAt(1), kRed);
    EXPECT_EQ(w.ColourAt(2), 0x00FF00);
    EXPECT_EQ(w.FontSizeAt(3), 14);

    w.SetSelStart(1);  // after the red a: insertion is red again
    EXPECT_EQ(w.SelColor(), kRed);
    w.SetSelText("X");
    EXPECT_EQ(w.Text(), "aXbcd");
    EXPECT_EQ(w.ColourAt(1), kRed);

    // Colouring a selection changes only the selected characters.
    w.SetSelStart(0);
    w.SetSelLength(2);
    w.SetSelColor(kBlack);
    EXPECT_EQ(w.ColourAt(0), kBlack);
    EXPECT_EQ(w.ColourAt(1), kBlack);
    EXPECT_EQ(w.ColourAt(2), kRed);
    EXPECT_EQ(w.SelColor(), kBlack);
}

// Bold marks selected characters only: text inserted after a bold character is not bold.
TEST(MemoryTextWindow, BoldStaysWithTheSelectedCharacters) {
    MemoryTextWindow w;
    w.SetText("DE EA4ABC K");
    EXPECT_FALSE(w.SelBold());
    w.SetSelStart(3);
    w.SetSelLength(6);
    w.SetSelBold(true);
    EXPECT_TRUE(w.SelBold());
    EXPECT_FALSE(w.BoldAt(2));
    EXPECT_TRUE(w.BoldAt(8));
    EXPECT_FALSE(w.BoldAt(9));
    w.SetSelStart(9);
    EXPECT_FALSE(w.SelBold());
    w.SetSelText("/P");
    EXPECT_FALSE(w.BoldAt(9));
    w.SetSelStart(3);
    w.SetSelLength(1);
    w.SetSelBold(false);
    EXPECT_FALSE(w.BoldAt(3));
    EXPECT_TRUE(w.BoldAt(4));
}

TEST(MemoryTextWindow, SnapshotRestoresTextAndFormatExactly) {
    MemoryTextWindow w;
    w.SetSelColor(kRed);
    w.SetSelText("TX16: ");
    w.SetSelColor(kBlack);
    w.SetSelFontSize(12);
    w.SetSelText("12:00 \r\nline");
    std::string text = std::string("a\0b\nc", 5);
    w.SetSelText(text);
    w.SetSelStart(2);
    w.SetSelLength(2);
    w.SetSelBold(true);
    const std::string snapshot = w.TextRTF();
    const std::string before = w.Text();

    w.SetText("something else");
    w.SetTextRTF(snapshot);
    EXPECT_EQ(w.Text(), before);
    EXPECT_EQ(w.ColourAt(0), kRed);
    EXPECT_EQ(w.ColourAt(6), kBlack);
    EXPECT_EQ(w.FontSizeAt(6), 12);
    EXPECT_FALSE(w.BoldAt(1));
    EXPECT_TRUE(w.BoldAt(2));
    EXPECT_TRUE(w.BoldAt(3));
    EXPECT_FALSE(w.BoldAt(4));
    EXPECT_EQ(w.SelStart(), 0);

    // A string that is not a snapshot is taken as plain text, as the on-screen window does.
    w.SetTextRTF("plain");
    EXPECT_EQ(w.Text(), "plain");
    w.SetTextRTF(snapshot.substr(0, snapshot.size() - 3));  // a truncated snapshot is no snapshot
    EXPECT_NE(w.Text(), before);
    EXPECT_EQ(w.Text().substr(0, 4), "MTW1");
}

}  // namespace
}  // namespace muv

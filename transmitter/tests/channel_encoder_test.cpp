#include <gtest/gtest.h>

#include <algorithm>

#include "transmitter/tests/encoder_fixture.h"

namespace muv {
namespace {

using test::EncoderFixture;
using test::InputBitsOf;
using test::VaricodeCharactersOf;

// The characters coded in a run of full-set symbols, up to the first undecodable run.
std::vector<int> CharactersSent(const std::vector<uint8_t>& tones) {
    return VaricodeCharactersOf(InputBitsOf(tones));
}

TEST(ChannelCode, GrayAndBitStrings) {
    const uint8_t gray[16] = {0, 1, 3, 2, 6, 7, 5, 4, 12, 13, 15, 14, 10, 11, 9, 8};
    for (unsigned n = 0; n < 16; ++n) {
        EXPECT_EQ(GrayEncode(n), gray[n]);
        EXPECT_EQ(GrayDecode(GrayEncode(n)), n);
    }
    EXPECT_EQ(GrayEncode(16), 0);
    EXPECT_EQ(ToBitString(0), "00");
    EXPECT_EQ(ToBitString(1), "01");
    EXPECT_EQ(ToBitString(2), "10");
    EXPECT_EQ(ToBitString(3), "011");
    EXPECT_EQ(ToBitString(6), "0110");
    EXPECT_EQ(ToBitString(8), "1000");
    EXPECT_EQ(ToBitString(12), "01100");
    EXPECT_EQ(ToBitString(63), "0111111");
    EXPECT_EQ(ToBitString(33), "100001");
}

TEST(ChannelEncoder, ResetWritesTheHeader) {
    EncoderFixture f;
    f.rxWindow.SetText("earlier text");
    f.shared.RxFontSize = 12;
    f.log.SessionLogLine = "before";
    f.Start("");
    EXPECT_EQ(f.rxWindow.Text(), "earlier text\r\nTX16: 09:05 ");
    EXPECT_EQ(f.rxWindow.ColourAt(14), kRed);    // "TX16: "
    EXPECT_EQ(f.rxWindow.ColourAt(20), kBlack);  // the time
    EXPECT_EQ(f.rxWindow.FontSizeAt(20), 12);
    EXPECT_EQ(f.rxWindow.SelColor(), kRed);  // what follows is echoed in red
    EXPECT_EQ(f.log.SessionLogLine, "before\r\nTX16: 09:05 ");
    EXPECT_EQ(f.log.SessionLogDirty, 1);
    EXPECT_EQ(f.tx.TxEncoderState.CodedBitCount, 0);
}

TEST(ChannelEncoder, SendsTypedTextThenIdles) {
    EncoderFixture f;
    f.Start("e");
    std::vector<uint8_t> tones = f.Symbols(30);
    // The first symbol carries the first four coded bits of e (1 0 ...) from an all-zero register.
    EXPECT_EQ(tones[0], GrayEncode(0b1101));
    std::vector<int> sent = CharactersSent(tones);
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], 'e');
    for (size_t i = 1; i < sent.size(); ++i)
        EXPECT_EQ(sent[i], 0) << i;  // idle characters
    EXPECT_EQ(f.tx.TxStopRequest, 0);
    EXPECT_EQ(f.txWindow.ColourAt(0), kRed);
    EXPECT_EQ(f.rxWindow.Text(), "\r\nTX16: 09:05 e");
    EXPECT_EQ(f.rxWindow.ColourAt(f.rxWindow.TextLength() - 1), kRed);

    // Typing into the running transmission: the new text goes out after the idle character in progress.
    f.txWindow.SetSelStart(1);
    f.txWindow.SetSelText("t");
    std::vector<uint8_t> more = f.Symbols(30);
    tones.insert(tones.end(), more.begin(), more.end());
    sent = CharactersSent(tones);
    EXPECT_NE(std::find(sent.begin(), sent.end(), 't'), sent.end());
    EXPECT_EQ(f.rxWindow.Text(), "\r\nTX16: 09:05 et");
}

TEST(ChannelEncoder, OperatorsCaretAndSelectionSurvive) {
    EncoderFixture f;
    f.rxWindow.SetText("0123456789");
    f.Start("abc");
    f.rxWindow.SetSelStart(3);
    f.rxWindow.SetSelLength(4);
    f.txWindow.SetSelStart(1);  // the operator's caret in the transmit window
    f.Symbols(20);
    EXPECT_EQ(f.rxWindow.SelStart(), 3);
    EXPECT_EQ(f.rxWindow.SelLength(), 4);
    EXPECT_EQ(f.txWindow.SelStart(), 1);
    EXPECT_EQ(f.txWindow.SelColor(), kBlack);  // new typing is black
}

TEST(ChannelEncoder, ReducedSetSendsSixBitsAndEchoesUpperCase) {
    EncoderFixture f(7);
    f.Start("a");
    std::vector<uint8_t> bits = InputBitsOf(f.Symbols(3));
    ASSERT_GE(bits.size(), 6u);
    EXPECT_EQ(std::vector<uint8_t>(bits.begin(), bits.begin() + 6), (std::vector<uint8_t>{1, 0, 0, 0, 0, 1}));
    EXPECT_EQ(f.rxWindow.Text(), "\r\nTX1: 09:05 A");
    EXPECT_EQ(f.log.SessionLogLine, "\r\nTX1: 09:05 A");
}

TEST(ChannelEncoder, OnlyTheFirstLineBreakSendsItsLineFeed) {
    EncoderFixture f;
    f.Start("a\r\nb\r\nc");
    std::vector<int> sent = CharactersSent(f.Symbols(40));
    ASSERT_GE(sent.size(), 6u);
    EXPECT_EQ(std::vector<int>(sent.begin(), sent.begin() + 6),
              (std::vector<int>{'a', 13, 10, 'b', 13, 'c'}));
    EXPECT_EQ(f.tx.TxSentPosition, 7);
}

TEST(ChannelEncoder, SecondPressSendsFourEndMarksAndTheClosingBits) {
    EncoderFixture f;
    f.Start("hi");
    std::vector<uint8_t> tones = f.Symbols(2);
    f.shared.TxRxState = 2;
    std::vector<uint8_t> rest = f.RunToStop();
    tones.insert(tones.end(), rest.begin(), rest.end());
    EXPECT_EQ(f.tx.TxStopRequest, 1);
    EXPECT_TRUE(f.txWindow.Locked());
    std::vector<int> sent = VaricodeCharactersOf(InputBitsOf(tones));
    // Before the closing sequence: whatever of "hi" remained, then exactly four end marks.
    auto firstMark = std::find(sent.begin(), sent.end(), 3);
    ASSERT_NE(firstMark, sent.end());
    EXPECT_EQ(std::count(sent.begin(), sent.end(), 3), 4);
    EXPECT_TRUE(std::all_of(firstMark, firstMark + 4, [](int c) { return c == 3; }));
    // The closing bits of M1 are 160 bits, 80 symbols, after the last end mark.
    EXPECT_EQ(f.tx.NextTxSymbol(false), 0);  // stays stopped
    EXPECT_EQ(f.tx.TxStopRequest, 1);
}

TEST(ChannelEncoder, OneCharacterTextSendsAnIdleCharacterBeforeTheEndMarks) {
    EncoderFixture f;
    f.Start("x");
    f.shared.TxRxState = 2;
    std::vector<int> sent = CharactersSent(f.RunToStop());
    ASSERT_GE(sent.size(), 6u);
    EXPECT_EQ(std::vector<int>(sent.begin(), sent.begin() + 6), (std::vector<int>{'x', 0, 3, 3, 3, 3}));
}

TEST(ChannelEncoder, EndPatternArrivesAsTheReceiversReferenceTones) {
    const ModeTables& modes = StandardModeTables();
    for (int mode : {1, 2, 3, 7, 9, 10}) {
        EncoderFixture f(mode);
        f.Start("cq");
        f.shared.TxRxState = 2;
        std::vector<uint8_t> tones = f.RunToStop();
        const int length = modes[mode].EndPatternLength;
        std::vector<uint8_t> reference(modes.EndPatternTable.begin() + 1,
                                       modes.EndPatternTable.begin() + 1 + length);
        auto at = std::search(tones.begin(), tones.end(), reference.begin(), reference.end());
        ASSERT_NE(at, tones.end()) << "mode " << mode;
        // It is followed by the coded bits of the pattern's last bit and of the flush bits; an odd pair
        // left at the end is not sent.
        const int flushSymbols = (2 + 2 * modes[mode].EncoderTableLength) / 4;
        EXPECT_EQ(tones.end() - (at + length), flushSymbols) << "mode " << mode;
    }
}

TEST(ChannelEncoder, BackspaceAtTheSendPositionTakesBackTheLastCharacter) {
    EncoderFixture f;
    f.Start("abc");
    std::vector<uint8_t> tones;
    while (f.tx.TxSentPosition < 3 || f.tx.TxEncoderState.CodedBitCount >= 4) {
        tones.push_back(f.tx.NextTxSymbol(false));
    }
    ASSERT_EQ(f.log.SessionLogLine, "\r\nTX16: 09:05 abc");

    // The operator's Backspace right at the send position deletes the c.
    f.tx.TxCaretAtSentPosition = 1;
    f.tx.TxBackspaceRequest = 1;
    f.txWindow.SetSelStart(2);
    f.txWindow.SetSelLength(1);
    f.txWindow.SetSelText("");
    std::vector<uint8_t> more = f.Symbols(12);
    tones.insert(tones.end(), more.begin(), more.end());
    EXPECT_EQ(f.tx.TxSentPosition, 2);
    EXPECT_EQ(f.tx.TxCaretAtSentPosition, 0);
    std::vector<int> sent = CharactersSent(tones);
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(std::vector<int>(sent.begin(), sent.begin() + 4), (std::vector<int>{'a', 'b', 'c', 8}));
    EXPECT_EQ(f.rxWindow.Text(), "\r\nTX16: 09:05 ab");
    EXPECT_EQ(f.rxWindow.ColourAt(f.rxWindow.TextLength() - 1), kRed);
    EXPECT_EQ(f.log.SessionLogLine, "\r\nTX16: 09:05 ab");

    // With nothing sent, a back-space sends the idle character and changes nothing.
    EncoderFixture g;
    g.Start("");
    g.tx.TxCaretAtSentPosition = 1;
    EXPECT_EQ(CharactersSent(g.Symbols(8)).at(0), 0);
    EXPECT_EQ(g.tx.TxSentPosition, 0);
    EXPECT_EQ(g.rxWindow.Text(), "\r\nTX16: 09:05 ");
}

TEST(ChannelEncoder, BackspaceEchoesOnlyWhatWasSent) {
    // Unsent text after the send position must not appear in the echo.
    EncoderFixture f;
    f.Start("ab");
    while (f.tx.TxSentPosition < 2)
        f.tx.NextTxSymbol(false);
    while (f.tx.TxEncoderState.CodedBitCount >= 4)
        f.tx.NextTxSymbol(false);
    f.txWindow.SetSelStart(1);
    f.txWindow.SetSelLength(1);
    f.txWindow.SetSelText("");  // deletes b
    f.txWindow.SetSelStart(f.txWindow.TextLength());
    f.txWindow.SetSelText("xyz");  // typed, not yet sent
    f.tx.TxCaretAtSentPosition = 1;
    f.tx.TxBackspaceRequest = 1;
    f.tx.NextTxSymbol(false);
    EXPECT_EQ(f.rxWindow.Text(), "\r\nTX16: 09:05 a");
}

TEST(ChannelEncoder, ShortenedTransmitWindowStillEnds) {
    EncoderFixture f;
    f.Start("hello");
    while (f.tx.TxSentPosition < 5)
        f.tx.NextTxSymbol(false);
    f.txWindow.SetText("");  // the operator cut the text that was already sent
    f.shared.TxRxState = 2;
    std::vector<uint8_t> tones = f.RunToStop(2000);
    EXPECT_EQ(f.tx.TxStopRequest, 1);
    EXPECT_EQ(f.tx.TxSentPosition, 0);
    EXPECT_LT(tones.size(), 200u);
}

}  // namespace
}  // namespace muv

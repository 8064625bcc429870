#include <gtest/gtest.h>

#include "receiver/tests/receiver_rig.h"

namespace muv::test {
namespace {

// Audio whose buffer b (1-based, of size samples) holds the value b throughout.
std::vector<int16_t> NumberedBuffers(int count, int size) {
    std::vector<int16_t> audio;
    for (int b = 1; b <= count; ++b)
        audio.insert(audio.end(), static_cast<size_t>(size), static_cast<int16_t>(b));
    return audio;
}

struct InputRig : ReceiverRig {
    explicit InputRig(std::vector<int16_t> audio) : ReceiverRig(std::move(audio)) { input.autoFill = false; }
    SoundInput& in() { return rx.Input(); }
};

TEST(SoundInput, HandsOverTheBufferBeforeTheOneFoundFilled) {
    InputRig rig(NumberedBuffers(4, 3072));
    ASSERT_TRUE(rig.in().OpenSoundInput(3072));
    std::vector<int16_t> samples;

    // Buffer 1 filled, buffer 2 not: the reader tests buffer 2 and finds nothing.
    rig.input.FillBuffers(1);
    EXPECT_EQ(rig.in().ReadInputBuffer3072(samples), 0);
    EXPECT_EQ(rig.in().NextInputBuffer, 1);

    // The first read after the open hands over staging row 1: zeros on the program's first open.
    rig.input.FillBuffers(1);
    ASSERT_EQ(rig.in().ReadInputBuffer3072(samples), 1);
    ASSERT_EQ(samples.size(), 3073u);
    EXPECT_EQ(samples[1], 0);
    EXPECT_EQ(samples[3072], 0);
    EXPECT_EQ(rig.in().NextInputBuffer, 2);

    // Then buffer 2's samples, one read late.
    rig.input.FillBuffers(1);
    ASSERT_EQ(rig.in().ReadInputBuffer3072(samples), 1);
    EXPECT_EQ(samples[1], 2);
    EXPECT_EQ(samples[3072], 2);
}

TEST(SoundInput, RingWrapsFrom50To1AndHandsBuffersBackInOrder) {
    InputRig rig(NumberedBuffers(53, 3072));
    ASSERT_TRUE(rig.in().OpenSoundInput(3072));
    std::vector<int16_t> samples;
    rig.input.FillBuffers(50);
    for (int read = 1; read <= 50; ++read)
        ASSERT_EQ(rig.in().ReadInputBuffer3072(samples), 1) << read;
    EXPECT_EQ(rig.in().NextInputBuffer, 1);
    EXPECT_EQ(samples[1], 50);  // row 50 holds buffer 50

    // Buffers went back to the device as 2, 3, ... 50, 1: buffer 2 now carries the 51st block.
    rig.input.FillBuffers(2);
    ASSERT_EQ(rig.in().ReadInputBuffer3072(samples), 1);
    EXPECT_EQ(samples[1], 1);  // row 1, copied when the ring wrapped
    ASSERT_EQ(rig.in().ReadInputBuffer3072(samples), 1);
    EXPECT_EQ(samples[1], 51);
    EXPECT_EQ(rig.in().NextInputBuffer, 3);
}

TEST(SoundInput, BufferOfTheOtherSizeIsDroppedAndRequeued) {
    InputRig rig(NumberedBuffers(4, 3584));
    ASSERT_TRUE(rig.in().OpenSoundInput(3584));
    std::vector<int16_t> samples;
    rig.input.FillBuffers(3);
    EXPECT_EQ(rig.in().ReadInputBuffer3072(samples), 0);
    EXPECT_EQ(rig.in().NextInputBuffer, 2);
    EXPECT_TRUE(samples.empty());
    EXPECT_EQ(rig.input.QueuedBuffers(), 48);  // 47 never filled and buffer 2 handed back

    ASSERT_EQ(rig.in().ReadInputBuffer3584(samples), 1);
    EXPECT_EQ(samples.size(), 3585u);
    EXPECT_EQ(rig.in().NextInputBuffer, 3);
}

TEST(SoundInput, EachBufferSizeKeepsRowsOfItsOwn) {
    // A full turn of the MF ring: row 1 then holds buffer 1.
    InputRig rig(NumberedBuffers(kInputBuffers, 3584));
    ASSERT_TRUE(rig.in().OpenSoundInput(3584));
    std::vector<int16_t> samples;
    rig.input.FillBuffers(kInputBuffers);
    for (int read = 1; read <= kInputBuffers; ++read)
        ASSERT_EQ(rig.in().ReadInputBuffer3584(samples), 1) << read;

    // The first read after an open hands over row 1 of the rows of the open's size.
    auto firstReadAfterOpen = [&rig](int size) {
        EXPECT_TRUE(rig.in().OpenSoundInput(size));
        rig.input.FillBuffers(2);
        std::vector<int16_t> row;
        EXPECT_EQ(size == 3072 ? rig.in().ReadInputBuffer3072(row) : rig.in().ReadInputBuffer3584(row), 1);
        return row;
    };
    // The band class changes: the HF row 1 is handed over, never MF audio.
    EXPECT_EQ(firstReadAfterOpen(3072), std::vector<int16_t>(3073, 0));
    // Back on MF, the MF row 1 is as it was left.
    std::vector<int16_t> mfRow(3585, 1);
    mfRow[0] = 0;  // the unused element
    EXPECT_EQ(firstReadAfterOpen(3584), mfRow);
}

TEST(SoundInput, OpensTheChosenDeviceOrFallsBackToDevice0) {
    {
        InputRig rig({});
        rig.host.inputDevice = -1;  // no choice: the system's default
        ASSERT_TRUE(rig.in().OpenSoundInput(3072));
        EXPECT_EQ(rig.input.openedDevice, -1);
        EXPECT_EQ(rig.in().SoundInputOpen, 1);
        EXPECT_EQ(rig.input.QueuedBuffers(), 50);
        EXPECT_TRUE(rig.input.IsStarted());
    }
    {
        InputRig rig({});
        rig.host.inputDevice = 3;
        rig.input.failingDevices = {3};
        ASSERT_TRUE(rig.in().OpenSoundInput(3072));
        EXPECT_EQ(rig.input.openedDevice, 0);
        EXPECT_EQ(rig.host.inputDevice, 0);  // the sound-card window shows device 0
        EXPECT_TRUE(rig.host.events.empty());
    }
    {
        InputRig rig({});
        rig.host.inputDevice = 3;
        rig.input.failingDevices = {3, 0};
        EXPECT_FALSE(rig.in().OpenSoundInput(3072));
        EXPECT_EQ(rig.in().SoundInputOpen, 0);
        EXPECT_EQ(rig.host.events,
                  std::vector<std::string>{"SoundCardFailure Audio Device Input not available"});
    }
}

TEST(SoundInput, OpeningTwiceClosesTheFirstOpenFirst) {
    InputRig rig(NumberedBuffers(3, 3072));
    ASSERT_TRUE(rig.in().OpenSoundInput(3072));
    ASSERT_TRUE(rig.in().OpenSoundInput(3072));
    EXPECT_EQ(rig.input.openCount, 2);
    EXPECT_EQ(rig.input.resetCount, 1);  // the first open was stopped and closed before the second
    EXPECT_EQ(rig.input.QueuedBuffers(), kInputBuffers);
    EXPECT_EQ(rig.in().SoundInputOpen, 1);
}

TEST(SoundInput, ClosingTwiceIsHarmless) {
    InputRig rig({});
    ASSERT_TRUE(rig.in().OpenSoundInput(3072));
    rig.in().CloseSoundInput();
    EXPECT_EQ(rig.in().SoundInputOpen, 0);
    EXPECT_TRUE(rig.input.closed);
    rig.in().CloseSoundInput();
    EXPECT_EQ(rig.input.resetCount, 1);
    EXPECT_EQ(rig.in().SoundInputOpen, 0);
}

}  // namespace
}  // namespace muv::test

// Sound devices with a ring of polled buffers: the modem hands a buffer to the device and later polls
// whether the device has finished with it. Nothing runs on the device's behalf in the program's thread.
// 48000 samples per second, 16-bit signed, mono, in both directions.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace muv {

constexpr int kSampleRate = 48000;

// A message for the operator with the device's own reason (which device or file, what went wrong) on
// the line below, when the device gave one.
inline std::string WithDeviceReason(std::string message, const std::string& reason) {
    if (!reason.empty()) message += "\n" + reason;
    return message;
}

namespace detail {
inline const std::string& NoError() {
    static const std::string kNone;
    return kNone;
}
}  // namespace detail

// A device as the sound-card window offers it: the name shown, and the name the choice of it is stored
// by, which names the same device at the next start whatever has been plugged in or out meanwhile (a
// sound server's own name for its device; the name shown where the system has no other).
struct SoundDeviceName {
    std::string shown;
    std::string stored;
};

// The devices to offer, in device-index order, and what an index that the settings held before
// devices were stored by name meant then: the stored name of the device it chose (none: such an index
// is an index of these devices).
struct SoundDeviceList {
    std::vector<SoundDeviceName> devices;
    std::vector<std::string> formerIndexes;
};

class SoundOutputDevice {
public:
    virtual ~SoundOutputDevice() = default;
    // Opens the playback device with the given index in DeviceNames() order (-1: the system's default).
    virtual bool Open(int deviceIndex) = 0;
    // Queues buffer k (its samples are copied); the device plays queued buffers in queue order.
    virtual void Write(int buffer, const int16_t* samples, int count) = 0;
    // True once buffer k has finished playing (or was never queued since the open).
    virtual bool IsDone(int buffer) const = 0;
    // Stops playback and drops whatever is still queued.
    virtual void Reset() = 0;
    virtual void Close() = 0;
    // Samples queued but not yet played.
    virtual int PendingSamples() const = 0;
    // Samples written that have not yet been heard at the device's output: those still queued and, on a
    // device with a delay of its own (a sound card's or a sound server's buffers), those it has taken
    // and not yet played. 0 once the last sample written has been heard. A device that holds nothing
    // beyond its queue (memory, a file) has played a sample as soon as it leaves the queue.
    virtual int UnheardSamples() const { return PendingSamples(); }
    // Why the device failed, for the operator: an Open that did not succeed, or a failure while
    // playing that loses what it is given (a file that cannot be written). Empty after a successful
    // Open until something fails.
    virtual const std::string& LastError() const { return detail::NoError(); }
};

class SoundInputDevice {
public:
    virtual ~SoundInputDevice() = default;
    // Opens the capture device with the given index in DeviceNames() order (-1: the system's default).
    virtual bool Open(int deviceIndex) = 0;
    // Hands buffer k to the device to be filled with count samples.
    virtual void AddBuffer(int buffer, int count) = 0;
    virtual void Start() = 0;
    // True once buffer k has been filled; its samples are then read with Read.
    virtual bool IsDone(int buffer) const = 0;
    virtual const std::vector<int16_t>& Read(int buffer) const = 0;
    // Stops capture and returns every buffer unfilled.
    virtual void Reset() = 0;
    virtual void Close() = 0;
    // A device that fills its buffers on a clock of its own (a sound card's thread, a file played at the
    // pace of the air) takes a function to call, from whatever thread it runs on, when a buffer it was
    // given has become full since the program last polled it, and returns true: the program then polls
    // when told instead of all the time. A device that returns false never calls it and is polled.
    // Set before the first Open; the function must outlive the device's use of it.
    virtual bool SetFilledNotifier(std::function<void()>) { return false; }
    // Why the last Open did not succeed, for the operator (which device or file, what is wrong with
    // it); empty after a successful Open.
    virtual const std::string& LastError() const { return detail::NoError(); }
};

}  // namespace muv

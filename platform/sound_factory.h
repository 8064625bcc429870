// The sound devices the program runs on, as it lists and opens them.
//
// On a desktop with a sound server (PulseAudio, or PipeWire in its place) they are the server's devices,
// by the names it gives them: first "default", the device that the server sends a program's sound to
// (its default sink or source as it is when the device opens), then its sinks or sources, then ALSA's
// devices through PortAudio (the cards that the server leaves alone) but for "default", "pulse" and
// "pipewire", which are the server's default device again. The capture list leaves out the monitors of sound cards'
// own sinks (what the speakers play is no receiver's audio) but keeps those of virtual sinks, which
// carry what a program (an SDR receiver, say) plays into them. Without a sound server they are
// PortAudio's devices as PortAudio lists them. A device is stored by the server's own name for it,
// "default" as "default", an ALSA device by its name.
//
// WAV files stand in for the devices when the environment says so: MUV_SOUND_INPUT names a 48 kHz WAV
// file that the input plays at the real pace, over and over; MUV_SOUND_OUTPUT names the WAV file that the
// output writes, taking the buffers at the real pace too.
//
// The devices made here open the device at an index of the list last read (the sound-card window's),
// so that an index is the device the operator saw there whatever has been plugged in since; the mixer
// and the alarm's choice of device go by the same list.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/alarm_player.h"
#include "platform/mixer.h"
#include "platform/sound_device.h"

namespace muv {

class SoundServer;

class SoundSystem : public std::enable_shared_from_this<SoundSystem> {
public:
    static std::shared_ptr<SoundSystem> Make();
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    // The devices there are now, in device-index order (the sound server looked for again).
    SoundDeviceList CaptureDevices();
    SoundDeviceList PlaybackDevices();

    // Devices, not yet open, that open at an index of the lists above (-1: the system's default).
    std::unique_ptr<SoundInputDevice> CreateInput();
    std::unique_ptr<SoundOutputDevice> CreateOutput();
    // The mixer of the playback device at an index of the list: a server's sink's volume and mute,
    // with the sources of the sound card under it on the card's ALSA mixer; an ALSA device's card's
    // ALSA mixer. None while the output goes to a file.
    std::unique_ptr<Mixer> CreateMixer();
    // The alarm's playback devices, kept off what the transmitter plays on: transmitterDevice gives
    // the index of the device chosen for the transmitter (-1: none), transmitting whether a
    // transmission runs. No device while the output goes to a file.
    std::unique_ptr<AlarmOutput> CreateAlarmOutput(std::function<int()> transmitterDevice,
                                                   std::function<bool()> transmitting);

    bool InputOnFile() const { return !inputFile_.empty(); }
    bool OutputOnFile() const { return !outputFile_.empty(); }

    // For the devices, the mixer and the alarm, on the list last read (read now if none was).
    enum class Kind { ServerDefault, Server, Alsa, File };
    struct Entry {
        Kind kind;
        std::string shown;
        std::string stored;
    };
    std::optional<Entry> CaptureEntry(int index);
    std::optional<Entry> PlaybackEntry(int index);
    int PlaybackCount();
    // The playback device that the system sends sound to when none is named, as an index; -1 if none.
    int DefaultPlaybackIndex();
    // What the playback device at an index plays on: the same for two devices that are one (the
    // server's "default" and the sink it stands for); empty for no such device.
    std::string PlaysOn(int index);
    // What the transmitter's output plays on while it is open.
    std::optional<std::string> TransmitterPlaysOn() const;
    // The name of a playback device for the operator: for the server's "default", the sink it stands
    // for now.
    std::string PlaybackDescription(int index);
    // A playback device for the alarm (a stream of its own, never counted as the transmitter's).
    std::unique_ptr<SoundOutputDevice> CreateAlarmDevice();
    // The sound server, when one answers; looked for again when asked to and the last look found
    // none or the connection has gone.
    std::shared_ptr<SoundServer> Server(bool lookAgain);
    // Told by the outputs made for the transmitter: what one plays on from its opening (nothing: it
    // has closed).
    void SetPlaying(const void* output, std::optional<std::string> target);

private:
    SoundSystem(std::string inputFile, std::string outputFile);
    SoundDeviceList List(bool capture);
    std::optional<Entry> EntryAt(bool capture, int index);

    std::string inputFile_;
    std::string outputFile_;
    std::shared_ptr<SoundServer> server_;
    bool looked_ = false;
    std::optional<std::vector<Entry>> capture_;
    std::optional<std::vector<Entry>> playback_;
    std::map<const void*, std::string> playing_;
};

// True when PortAudio lists at least one capture device.
bool SoundCardPresent();
// The same, with what the sound libraries print while they probe the devices kept off the terminal.
bool QuietSoundCardPresent();

}  // namespace muv

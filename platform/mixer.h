// The sound card's mixer as the program uses it: the wave-out volume and the mutes of the card's
// outputs and of the sources that would otherwise be mixed into what it plays. A mixer is opened for
// one operation and closed when that operation is done; no handle lives between calls.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace muv {

enum class MixerLine { WaveOut, Speakers, Microphone, Line, CompactDisc, Synthesizer };
enum class MixerControlType { Mute, Volume };

// An open mixer; releasing it closes it.
class OpenMixer {
public:
    virtual ~OpenMixer() = default;
    // True when the line exists and has a control of that type.
    virtual bool FindMixerControl(MixerLine line, MixerControlType type) = 0;
    // A mute reads 1 (muted) or 0, a volume 0 to 65535; nothing when the control is missing or the
    // read fails.
    virtual std::optional<int32_t> GetMixerControlValue(MixerLine line, MixerControlType type) = 0;
    // True when the value was set.
    virtual bool SetMixerControlValue(MixerLine line, MixerControlType type, int32_t value) = 0;
};

class Mixer {
public:
    virtual ~Mixer() = default;
    // Mixer `number`: 0 the first, otherwise that of the playback device with this index in the
    // sound-card window's list. Null when there is no such mixer.
    virtual std::unique_ptr<OpenMixer> Open(int number) = 0;
    // The playback devices as the sound-card window lists them now, for a mixer that finds a device's card
    // by its name.
    virtual void SetPlaybackDeviceNames(std::vector<std::string> /*names*/) {}
};

// Mixers held in memory, for tests and for running without a sound card.
class MemoryMixer : public Mixer {
public:
    using Key = std::pair<MixerLine, MixerControlType>;
    struct Card {
        std::map<Key, int32_t> values;  // the controls the card has
        std::set<Key> unreadable;       // controls whose reads fail
        int writes = 0;
    };

    std::unique_ptr<OpenMixer> Open(int number) override {
        auto it = cards.find(number);
        if (it == cards.end()) return nullptr;
        return std::make_unique<Handle>(*this, it->second);
    }

    int32_t Value(int number, MixerLine line, MixerControlType type) {
        return cards.at(number).values.at({line, type});
    }

    std::map<int, Card> cards;
    int opened = 0;  // how many opens succeeded
    int openNow = 0;

private:
    class Handle : public OpenMixer {
    public:
        Handle(MemoryMixer& owner, Card& card) : owner_(owner), card_(card) {
            ++owner_.opened;
            ++owner_.openNow;
        }
        ~Handle() override { --owner_.openNow; }
        bool FindMixerControl(MixerLine line, MixerControlType type) override {
            return card_.values.count({line, type}) != 0;
        }
        std::optional<int32_t> GetMixerControlValue(MixerLine line, MixerControlType type) override {
            auto it = card_.values.find({line, type});
            if (it == card_.values.end() || card_.unreadable.count({line, type})) return std::nullopt;
            return it->second;
        }
        bool SetMixerControlValue(MixerLine line, MixerControlType type, int32_t value) override {
            auto it = card_.values.find({line, type});
            if (it == card_.values.end()) return false;
            it->second = value;
            ++card_.writes;
            return true;
        }

    private:
        MemoryMixer& owner_;
        Card& card_;
    };
};

}  // namespace muv

#include "platform/memory_sound.h"

#include <algorithm>
#include <utility>

namespace muv {

// ---------------------------------------------------------------- output

bool MemorySoundOutput::Open(int deviceIndex) {
    if (!RecordOpen(deviceIndex)) return false;
    queue_.clear();
    open_ = true;
    return true;
}

void MemorySoundOutput::Write(int buffer, const int16_t* samples, int count) {
    if (!open_ || buffer < 0) return;
    std::vector<int16_t> copy;
    if (samples && count > 0) copy.assign(samples, samples + count);
    auto it =
        std::find_if(queue_.begin(), queue_.end(), [buffer](const Queued& q) { return q.buffer == buffer; });
    if (it != queue_.end()) {
        it->samples = std::move(copy);
    } else {
        queue_.push_back({buffer, std::move(copy)});
    }
}

bool MemorySoundOutput::IsDone(int buffer) const {
    return std::none_of(queue_.begin(), queue_.end(),
                        [buffer](const Queued& q) { return q.buffer == buffer; });
}

void MemorySoundOutput::Reset() {
    queue_.clear();
    ++resetCount;
}

void MemorySoundOutput::Close() {
    queue_.clear();
    open_ = false;
    closed = true;
}

int MemorySoundOutput::PendingSamples() const {
    int total = 0;
    for (const Queued& q : queue_)
        total += static_cast<int>(q.samples.size());
    return total;
}

void MemorySoundOutput::FinishBuffers(int n) {
    for (; n > 0 && !queue_.empty(); --n) {
        const std::vector<int16_t>& s = queue_.front().samples;
        played.insert(played.end(), s.begin(), s.end());
        queue_.pop_front();
    }
}

void MemorySoundOutput::FinishAll() {
    FinishBuffers(static_cast<int>(queue_.size()));
}

// ---------------------------------------------------------------- input

MemorySoundInput::MemorySoundInput(std::vector<int16_t> source) : source_(std::move(source)) {}

void MemorySoundInput::SetSource(std::vector<int16_t> source, int loopGap) {
    source_ = std::move(source);
    loopGap_ = loopGap;
    delivered_ = 0;
    deliveredAtStart_ = 0;
}

bool MemorySoundInput::Open(int deviceIndex) {
    if (!RecordOpen(deviceIndex)) return false;
    queue_.clear();
    slots_.clear();
    open_ = true;
    started_ = false;
    return true;
}

void MemorySoundInput::AddBuffer(int buffer, int count) {
    if (!open_ || buffer < 0) return;
    count = std::max(count, 0);
    Slot& slot = slots_[buffer];
    slot.filled = false;
    slot.samples.clear();
    auto it =
        std::find_if(queue_.begin(), queue_.end(), [buffer](const Queued& q) { return q.buffer == buffer; });
    if (it != queue_.end()) {
        it->count = count;
    } else {
        queue_.push_back({buffer, count});
    }
}

void MemorySoundInput::Start() {
    if (!open_ || started_) return;
    started_ = true;
    deliveredAtStart_ = delivered_;
}

bool MemorySoundInput::IsDone(int buffer) const {
    // Polling a queued buffer fills the queue in order up to it, as far as the pacing allows: a device
    // fills its buffers one after the other whatever the reader looks at first.
    if (autoFill && started_) {
        const bool queued = std::any_of(queue_.begin(), queue_.end(),
                                        [buffer](const Queued& q) { return q.buffer == buffer; });
        while (queued && !queue_.empty() &&
               ReadyToFill(delivered_ - deliveredAtStart_ + queue_.front().count)) {
            const int head = queue_.front().buffer;
            FillHead();
            if (head == buffer) break;
        }
    }
    auto it = slots_.find(buffer);
    return it != slots_.end() && it->second.filled;
}

const std::vector<int16_t>& MemorySoundInput::Read(int buffer) const {
    static const std::vector<int16_t> kEmpty;
    auto it = slots_.find(buffer);
    return it == slots_.end() ? kEmpty : it->second.samples;
}

void MemorySoundInput::Reset() {
    queue_.clear();
    for (auto& [buffer, slot] : slots_) {
        slot.filled = false;
        slot.samples.clear();
    }
    started_ = false;
    ++resetCount;
}

void MemorySoundInput::Close() {
    queue_.clear();
    slots_.clear();
    open_ = false;
    started_ = false;
    closed = true;
}

int MemorySoundInput::FillBuffers(int n) {
    int filled = 0;
    for (; started_ && filled < n && !queue_.empty(); ++filled)
        FillHead();
    return filled;
}

bool MemorySoundInput::Exhausted() const {
    return loopGap_ < 0 && delivered_ >= static_cast<int64_t>(source_.size());
}

bool MemorySoundInput::ReadyToFill(int64_t) const {
    return true;
}

int16_t MemorySoundInput::NextSample() const {
    const auto size = static_cast<int64_t>(source_.size());
    int64_t position = delivered_++;
    if (loopGap_ >= 0) {
        const int64_t period = size + loopGap_;
        if (period == 0) return 0;
        position %= period;
    }
    return position < size ? source_[static_cast<std::size_t>(position)] : int16_t{0};
}

void MemorySoundInput::FillHead() const {
    const Queued head = queue_.front();
    queue_.pop_front();
    Slot& slot = slots_[head.buffer];
    slot.samples.resize(static_cast<std::size_t>(head.count));
    for (int16_t& s : slot.samples)
        s = NextSample();
    slot.filled = true;
}

}  // namespace muv

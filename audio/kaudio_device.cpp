// The software sound device: a pool of secondary buffers mixed into one SDL
// output stream (44100 Hz, stereo, signed 16-bit). The mixer callback takes
// the device lock only for the mix itself: every control call, lock and
// unlock included, is a few field writes under the same lock, so neither
// side waits long and sample memory changes hands through that lock.
#include "audio/audio.h"

#include <SDL.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>

namespace {

enum { MIX_CHUNK_FRAMES = 2048, OUTPUT_CALLBACK_FRAMES = 1024 };
// The limiter leaves sums up to LIMIT_THRESHOLD (-3 dBFS) alone and bends
// louder ones toward LIMIT_CEILING (-0.1 dBFS), which they never reach.
const float LIMIT_THRESHOLD = 23197.0f;
const float LIMIT_CEILING = 32400.0f;
// The envelope falls back by half in about 20 ms: short enough that one
// loud hit does not duck what follows for long, long enough not to
// modulate a bass note's waveform.
const double LIMIT_RELEASE_SECONDS = 0.03;
// Largest buffer a caller may ask for (the device refuses bigger ones).
const uint32_t MAX_AUDIO_BUFFER_BYTES = 0x0FFFFFFF;

std::mutex& deviceMutex(void* m) {
    return *static_cast<std::mutex*>(m);
}

// Hundredths of a decibel to a Q16 amplitude factor.
int32_t gainFromHundredthsDb(int32_t mB) {
    if (mB <= KSND_VOLUME_MIN) return 0;
    double g = std::pow(10.0, mB / 2000.0);
    return static_cast<int32_t>(g * 65536.0 + 0.5);
}

} // namespace

struct KAudioDevice::Lock {
    explicit Lock(KAudioDevice* d) : guard(deviceMutex(d->mutex_)) {}
    std::lock_guard<std::mutex> guard;
};

// ---------------------------------------------------------------------------
// KEvent
// ---------------------------------------------------------------------------

struct KEvent::Impl {
    std::mutex mutex;
    std::condition_variable signal;
    bool signalled = false;
};

KEvent::KEvent(const char* eventName) : impl_(new (std::nothrow) Impl), name_() {
    if (eventName) {
        std::strncpy(name_, eventName, sizeof(name_) - 1);
    }
}

KEvent::~KEvent() {
    delete impl_;
}

void KEvent::set() {
    if (!impl_) return;
    {
        std::lock_guard<std::mutex> guard(impl_->mutex);
        impl_->signalled = true;
    }
    impl_->signal.notify_one();
}

bool KEvent::wait(int timeoutMs) {
    if (!impl_) return false;
    std::unique_lock<std::mutex> guard(impl_->mutex);
    bool came = impl_->signal.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                       [this] { return impl_->signalled; });
    impl_->signalled = false;
    return came;
}

// ---------------------------------------------------------------------------
// KAudioBuffer
// ---------------------------------------------------------------------------

int KAudioBuffer::lock(uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2,
                       uint32_t* bytes2, uint32_t flags) {
    if (!inUse_ || !ptr1 || !bytes1) return KSND_ERR_INVALIDPARAM;
    KAudioDevice::Lock guard(device_);
    if (locked_) return KSND_ERR_GENERIC;
    if (flags & KSND_LOCK_ENTIREBUFFER) {
        offset = 0;
        bytes = bytes_;
    }
    if (offset >= bytes_ || bytes == 0 || bytes > bytes_) return KSND_ERR_INVALIDPARAM;
    uint32_t first = bytes_ - offset < bytes ? bytes_ - offset : bytes;
    if (first < bytes && (!ptr2 || !bytes2)) return KSND_ERR_INVALIDPARAM;
    *ptr1 = data_ + offset;
    *bytes1 = first;
    if (first < bytes) {
        *ptr2 = data_;
        *bytes2 = bytes - first;
    } else if (ptr2 && bytes2) {
        *ptr2 = nullptr;
        *bytes2 = 0;
    }
    locked_ = true;
    lockedOffset_ = offset;
    lockedBytes_ = bytes;
    return KSND_OK;
}

// The memory is the buffer itself, so there is nothing to copy back; taking
// the device lock orders the caller's writes before the mixer's next read.
int KAudioBuffer::unlock(void*, uint32_t, void*, uint32_t) {
    if (!inUse_) return KSND_ERR_INVALIDPARAM;
    KAudioDevice::Lock guard(device_);
    if (!locked_) return KSND_ERR_INVALIDPARAM;
    locked_ = false;
    return KSND_OK;
}

int KAudioBuffer::play(uint32_t flags) {
    if (!inUse_) return KSND_ERR_INVALIDPARAM;
    KAudioDevice::Lock guard(device_);
    playing_ = true;
    looping_ = (flags & KSND_PLAY_LOOPING) != 0;
    return KSND_OK;
}

int KAudioBuffer::stop() {
    if (!inUse_) return KSND_ERR_INVALIDPARAM;
    KAudioDevice::Lock guard(device_);
    playing_ = false;
    return KSND_OK;
}

int KAudioBuffer::setCurrentPosition(uint32_t bytePosition) {
    if (!inUse_ || bytePosition >= bytes_) return KSND_ERR_INVALIDPARAM;
    uint32_t align = format_.blockAlign;
    uint64_t frame = bytePosition / align;
    uint64_t fraction = (static_cast<uint64_t>(bytePosition % align) << 32) / align;
    if (frame >= frames_) frame = 0, fraction = 0;
    KAudioDevice::Lock guard(device_);
    position_ = (frame << 32) | fraction;
    return KSND_OK;
}

static uint32_t bytePositionOf(uint64_t position, uint32_t align) {
    uint64_t frame = position >> 32;
    uint64_t fraction = position & 0xFFFFFFFFu;
    return static_cast<uint32_t>(frame * align + ((fraction * align) >> 32));
}

int KAudioBuffer::getCurrentPosition(uint32_t* playPosition, uint32_t* writePosition) {
    if (!inUse_) return KSND_ERR_INVALIDPARAM;
    KAudioDevice::Lock guard(device_);
    uint32_t play = bytePositionOf(position_, format_.blockAlign);
    if (playPosition) *playPosition = play;
    // The mixer reads at most one callback ahead of the play position.
    if (writePosition) {
        uint32_t ahead =
            static_cast<uint32_t>(((step_ * OUTPUT_CALLBACK_FRAMES) >> 32) * format_.blockAlign);
        *writePosition = (play + ahead) % bytes_;
    }
    return KSND_OK;
}

int KAudioBuffer::getStatus(uint32_t* status) {
    if (!inUse_ || !status) return KSND_ERR_INVALIDPARAM;
    KAudioDevice::Lock guard(device_);
    *status = 0;
    if (playing_) *status |= KSND_STATUS_PLAYING | (looping_ ? KSND_STATUS_LOOPING : 0u);
    return KSND_OK;
}

int KAudioBuffer::setVolume(int32_t hundredthsDb) {
    if (!inUse_ || !(flags_ & KSND_CAPS_CTRLVOLUME)) return KSND_ERR_INVALIDPARAM;
    if (hundredthsDb < KSND_VOLUME_MIN || hundredthsDb > KSND_VOLUME_MAX)
        return KSND_ERR_INVALIDPARAM;
    KAudioDevice::Lock guard(device_);
    volume_ = hundredthsDb;
    updateGains();
    return KSND_OK;
}

int KAudioBuffer::setPan(int32_t hundredthsDb) {
    if (!inUse_ || !(flags_ & KSND_CAPS_CTRLPAN)) return KSND_ERR_INVALIDPARAM;
    if (hundredthsDb < KSND_PAN_LEFT || hundredthsDb > KSND_PAN_RIGHT) return KSND_ERR_INVALIDPARAM;
    KAudioDevice::Lock guard(device_);
    pan_ = hundredthsDb;
    updateGains();
    return KSND_OK;
}

int KAudioBuffer::getVolume(int32_t* hundredthsDb) {
    if (!inUse_ || !hundredthsDb) return KSND_ERR_INVALIDPARAM;
    KAudioDevice::Lock guard(device_);
    *hundredthsDb = volume_;
    return KSND_OK;
}

int KAudioBuffer::getPan(int32_t* hundredthsDb) {
    if (!inUse_ || !hundredthsDb) return KSND_ERR_INVALIDPARAM;
    KAudioDevice::Lock guard(device_);
    *hundredthsDb = pan_;
    return KSND_OK;
}

// Software buffers live in ordinary memory and are never lost.
int KAudioBuffer::restore() {
    return inUse_ ? KSND_OK : KSND_ERR_INVALIDPARAM;
}

int KAudioBuffer::setNotificationPositions(int count, const uint32_t* offsets,
                                           KEvent* const* events) {
    if (!inUse_ || !hasNotify()) return KSND_ERR_INVALIDPARAM;
    if (count < 0 || count > MAX_BUFFER_NOTIFY) return KSND_ERR_INVALIDPARAM;
    for (int i = 0; i < count; ++i) {
        if (!offsets || !events || offsets[i] >= bytes_ || !events[i]) return KSND_ERR_INVALIDPARAM;
    }
    KAudioDevice::Lock guard(device_);
    notifyCount_ = count;
    for (int i = 0; i < count; ++i) {
        notifyOffsets_[i] = offsets[i];
        notifyEvents_[i] = events[i];
    }
    return KSND_OK;
}

void KAudioBuffer::release() {
    if (!inUse_) return;
    uint8_t* data = nullptr;
    {
        KAudioDevice::Lock guard(device_);
        playing_ = false;
        notifyCount_ = 0;
        locked_ = false;
        inUse_ = false;
        data = data_;
        data_ = nullptr;
        bytes_ = 0;
        frames_ = 0;
    }
    delete[] data;
}

// Pan attenuates the channel on the other side only.
void KAudioBuffer::updateGains() {
    int32_t left = volume_, right = volume_;
    if (pan_ > 0) left += -pan_;
    if (pan_ < 0) right += pan_;
    gainLeft_ = gainFromHundredthsDb(left);
    gainRight_ = gainFromHundredthsDb(right);
}

namespace {

template <int Channels, int Bits> struct FrameReader {
    static int32_t left(const uint8_t* data, uint32_t frame) {
        const uint8_t* p = data + frame * Channels * (Bits / 8);
        return Bits == 16 ? static_cast<int16_t>(p[0] | (p[1] << 8)) : (p[0] - 128) * 256;
    }
    static int32_t right(const uint8_t* data, uint32_t frame) {
        if (Channels == 1) return left(data, frame);
        const uint8_t* p = data + frame * Channels * (Bits / 8) + Bits / 8;
        return Bits == 16 ? static_cast<int16_t>(p[0] | (p[1] << 8)) : (p[0] - 128) * 256;
    }
};

// Mixes count frames that end at or before the buffer's end, with linear
// interpolation between neighbouring source frames.
template <int Channels, int Bits>
void mixRun(const uint8_t* data, uint32_t frames, bool looping, uint64_t& position, uint64_t step,
            int32_t gainLeft, int32_t gainRight, int32_t* acc, int count) {
    using Reader = FrameReader<Channels, Bits>;
    for (int i = 0; i < count; ++i) {
        uint32_t frame = static_cast<uint32_t>(position >> 32);
        int64_t t = static_cast<int64_t>((position & 0xFFFFFFFFu) >> 16); // Q16
        uint32_t next = frame + 1 < frames ? frame + 1 : (looping ? 0 : frame);
        int32_t l0 = Reader::left(data, frame), l1 = Reader::left(data, next);
        int32_t r0 = Reader::right(data, frame), r1 = Reader::right(data, next);
        int64_t l = l0 + (((l1 - l0) * t) >> 16);
        int64_t r = r0 + (((r1 - r0) * t) >> 16);
        acc[2 * i] += static_cast<int32_t>((l * gainLeft) >> 16);
        acc[2 * i + 1] += static_cast<int32_t>((r * gainRight) >> 16);
        position += step;
    }
}

} // namespace

// True when the next frames the mixer would read (with the neighbour the
// interpolation takes) meet the range a caller has locked. Both ranges are
// taken round the buffer's end, which errs toward silence for a one-shot.
bool KAudioBuffer::readsLockedRange(int frames) const {
    if (!locked_) return false;
    const uint32_t align = format_.blockAlign;
    const uint64_t readFrom = position_ >> 32;
    const uint64_t readCount = ((step_ * static_cast<uint64_t>(frames)) >> 32) + 2;
    if (readCount >= frames_) return true;
    const uint64_t lockFrom = lockedOffset_ / align;
    const uint64_t lockCount = (lockedOffset_ + lockedBytes_ - 1) / align - lockFrom + 1;
    if (lockCount >= frames_) return true;
    const uint64_t n = frames_;
    return (lockFrom + n - readFrom) % n < readCount || (readFrom + n - lockFrom) % n < lockCount;
}

// Runs under the device lock, from the mixer.
void KAudioBuffer::mixInto(int32_t* acc, int frames) {
    if (!playing_ || frames_ == 0 || step_ == 0) return;
    const uint64_t end = static_cast<uint64_t>(frames_) << 32;
    const uint32_t align = format_.blockAlign;
    uint32_t lastByte = bytePositionOf(position_, align);
    // A writer that fell behind holds these samples: play silence rather
    // than half-written sound, and keep time.
    const bool silent = (gainLeft_ == 0 && gainRight_ == 0) || readsLockedRange(frames);
    const int kind = format_.channels * 100 + format_.bitsPerSample;

    int done = 0;
    while (done < frames) {
        uint64_t untilEnd = (end - position_ + step_ - 1) / step_;
        int run = static_cast<uint64_t>(frames - done) < untilEnd ? frames - done
                                                                  : static_cast<int>(untilEnd);
        int32_t* out = acc + 2 * done;
        if (silent) {
            position_ += step_ * run;
        } else if (kind == 116) {
            mixRun<1, 16>(data_, frames_, looping_, position_, step_, gainLeft_, gainRight_, out,
                          run);
        } else if (kind == 216) {
            mixRun<2, 16>(data_, frames_, looping_, position_, step_, gainLeft_, gainRight_, out,
                          run);
        } else if (kind == 108) {
            mixRun<1, 8>(data_, frames_, looping_, position_, step_, gainLeft_, gainRight_, out,
                         run);
        } else {
            mixRun<2, 8>(data_, frames_, looping_, position_, step_, gainLeft_, gainRight_, out,
                         run);
        }
        done += run;
        if (position_ >= end) {
            // Offsets after the last position up to the end, then from 0 on.
            for (int n = 0; n < notifyCount_; ++n) {
                if (notifyOffsets_[n] > lastByte) notifyEvents_[n]->set();
            }
            lastByte = 0;
            for (int n = 0; n < notifyCount_; ++n) {
                if (notifyOffsets_[n] == 0) notifyEvents_[n]->set();
            }
            if (!looping_) {
                playing_ = false;
                position_ = 0;
                return;
            }
            position_ %= end;
        }
    }
    uint32_t nowByte = bytePositionOf(position_, align);
    for (int n = 0; n < notifyCount_; ++n) {
        if (notifyOffsets_[n] > lastByte && notifyOffsets_[n] <= nowByte) notifyEvents_[n]->set();
    }
}

// ---------------------------------------------------------------------------
// KAudioDevice
// ---------------------------------------------------------------------------

KAudioDevice* KAudioDevice::createOffline(int outputRate) {
    if (outputRate < 8000 || outputRate > 192000) return nullptr;
    KAudioDevice* device = new (std::nothrow) KAudioDevice();
    if (!device) return nullptr;
    device->mutex_ = new (std::nothrow) std::mutex();
    device->accumulator_ = new (std::nothrow) int32_t[2 * MIX_CHUNK_FRAMES];
    if (!device->mutex_ || !device->accumulator_) {
        delete device;
        return nullptr;
    }
    device->accumulatorFrames_ = MIX_CHUNK_FRAMES;
    device->outputRate_ = outputRate;
    device->limiterRelease_ =
        static_cast<float>(std::exp(-1.0 / (LIMIT_RELEASE_SECONDS * outputRate)));
    return device;
}

KAudioDevice* KAudioDevice::create() {
    KAudioDevice* device = createOffline(44100);
    if (!device) return nullptr;
    if (!device->openOutput()) {
        delete device;
        return nullptr;
    }
    return device;
}

KAudioDevice::~KAudioDevice() {
    closeOutput();
    for (KAudioBuffer& buffer : buffers_) {
        buffer.release();
    }
    delete[] accumulator_;
    delete static_cast<std::mutex*>(mutex_);
}

bool KAudioDevice::openOutput() {
    if (outputId_ != 0) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = outputRate_;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = OUTPUT_CALLBACK_FRAMES;
    want.callback = outputCallback;
    want.userdata = this;
    SDL_AudioSpec have;
    // No changes allowed: SDL converts to whatever the hardware wants.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (id == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    outputId_ = id;
    SDL_PauseAudioDevice(id, 0);
    return true;
}

void KAudioDevice::closeOutput() {
    if (outputId_ == 0) return;
    SDL_CloseAudioDevice(outputId_);
    outputId_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

KAudioBuffer* KAudioDevice::createBuffer(const KWaveFormat& format, uint32_t bytes,
                                         uint32_t flags) {
    if (bytes > MAX_AUDIO_BUFFER_BYTES) return nullptr;
    uint8_t* data = new (std::nothrow) uint8_t[bytes]();
    if (!data) return nullptr;
    return adoptBuffer(format, data, bytes, flags);
}

KAudioBuffer* KAudioDevice::adoptBuffer(const KWaveFormat& format, uint8_t* data, uint32_t bytes,
                                        uint32_t flags) {
    bool usable = data && format.formatTag == 1 && (format.channels == 1 || format.channels == 2) &&
                  (format.bitsPerSample == 8 || format.bitsPerSample == 16) &&
                  format.samplesPerSec >= 100 && format.samplesPerSec <= 200000 &&
                  format.blockAlign == format.channels * format.bitsPerSample / 8 &&
                  bytes >= format.blockAlign && bytes <= MAX_AUDIO_BUFFER_BYTES;
    if (!usable) {
        delete[] data;
        return nullptr;
    }
    Lock guard(this);
    for (KAudioBuffer& buffer : buffers_) {
        if (buffer.inUse_) continue;
        buffer.device_ = this;
        buffer.inUse_ = true;
        buffer.format_ = format;
        buffer.flags_ = flags;
        buffer.data_ = data;
        buffer.bytes_ = bytes;
        buffer.frames_ = bytes / format.blockAlign;
        buffer.playing_ = false;
        buffer.looping_ = false;
        buffer.position_ = 0;
        buffer.step_ = (static_cast<uint64_t>(format.samplesPerSec) << 32) / outputRate_;
        buffer.volume_ = 0;
        buffer.pan_ = 0;
        buffer.locked_ = false;
        buffer.notifyCount_ = 0;
        buffer.updateGains();
        return &buffer;
    }
    delete[] data;
    return nullptr;
}

void KAudioDevice::mix(int16_t* out, int frames) {
    Lock guard(this);
    while (frames > 0) {
        int chunk = frames < accumulatorFrames_ ? frames : accumulatorFrames_;
        std::memset(accumulator_, 0, sizeof(int32_t) * 2 * chunk);
        for (KAudioBuffer& buffer : buffers_) {
            if (buffer.inUse_ && buffer.playing_) buffer.mixInto(accumulator_, chunk);
        }
        limit(accumulator_, out, chunk);
        out += 2 * chunk;
        frames -= chunk;
    }
}

// The soft limiter. A peak envelope of the stereo sum (instant attack, so
// it is never below the sample in hand; a short release) sets one gain for
// both channels. Up to the threshold the gain is exactly 1 and samples pass
// untouched; above it the envelope is mapped onto a knee that leaves the
// threshold with slope 1 and only approaches the ceiling, so no sum of any
// size reaches full scale. A handful of float operations a frame, no state
// but the envelope.
void KAudioDevice::limit(const int32_t* acc, int16_t* out, int frames) {
    const float threshold = LIMIT_THRESHOLD, room = LIMIT_CEILING - LIMIT_THRESHOLD;
    float envelope = limiterEnvelope_;
    for (int i = 0; i < frames; ++i) {
        const int32_t l = acc[2 * i], r = acc[2 * i + 1];
        const int32_t al = l < 0 ? -l : l, ar = r < 0 ? -r : r;
        const float peak = static_cast<float>(al > ar ? al : ar);
        envelope = peak > envelope ? peak : envelope * limiterRelease_;
        if (envelope <= threshold) {
            // |l|, |r| <= envelope <= threshold: they fit as they are.
            out[2 * i] = static_cast<int16_t>(l);
            out[2 * i + 1] = static_cast<int16_t>(r);
            continue;
        }
        const float over = (envelope - threshold) / room;
        const float gain = (threshold + room * over / (1.0f + over)) / envelope;
        out[2 * i] = static_cast<int16_t>(static_cast<float>(l) * gain);
        out[2 * i + 1] = static_cast<int16_t>(static_cast<float>(r) * gain);
    }
    // Long silence would otherwise decay into denormal floats.
    limiterEnvelope_ = envelope < 1.0f ? 0.0f : envelope;
}

int KAudioDevice::playingCount() {
    Lock guard(this);
    int count = 0;
    for (const KAudioBuffer& buffer : buffers_) {
        if (buffer.inUse_ && buffer.playing_) ++count;
    }
    return count;
}

void KAudioDevice::outputCallback(void* userdata, uint8_t* stream, int len) {
    KAudioDevice* device = static_cast<KAudioDevice*>(userdata);
    device->mix(reinterpret_cast<int16_t*>(stream), len / 4);
}

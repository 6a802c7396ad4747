// KSound: sound effects decoded whole into device buffers, and tracker
// modules streamed by a worker thread into the two halves of one looping
// buffer. The module player's header defines MIN/MAX/MID/ABS as macros, so
// this is the only file that includes it.
#include "audio/audio.h"

#include <dumb.h>
#include <vorbis/vorbisfile.h>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

KAudioDevice* KSoundDevice::device = nullptr;
int32_t KSoundDevice::liveCount = 0;
float KSoundDevice::outputRate = 44100.0f;
int32_t KSoundDevice::sampleMaster = 100;
int32_t KSoundDevice::musicMaster = 100;
int32_t KSoundDevice::SoundVolumeTable[SOUND_VOLUME_TABLE_SIZE];
int32_t KSoundDevice::SoundPanTable[SOUND_PAN_TABLE_SIZE];
int32_t KSoundDevice::streamNumber = 0;
int KSound::streamWaitMs = 50;

namespace {

const uint32_t VOICE_FLAGS = KSND_CAPS_LOCSOFTWARE | KSND_CAPS_CTRLFREQUENCY | KSND_CAPS_CTRLPAN |
                             KSND_CAPS_CTRLVOLUME | KSND_CAPS_GLOBALFOCUS;
// Where the decoder's stream length cannot be had (an unseekable stream),
// decoding starts with this much room and doubles it as needed.
const uint32_t OGG_FIRST_GUESS_BYTES = 65536;
const uint32_t MAX_PCM_BYTES = 0x0FFFFFFF;

// The stream worker's own thread knows itself by this.
thread_local const KSound* streamingSound = nullptr;

DUH_SIGRENDERER* asRenderer(void* p) {
    return static_cast<DUH_SIGRENDERER*>(p);
}

uint16_t readLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t readLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void sleepZero() {
    std::this_thread::yield();
}

} // namespace

void buildSoundTables() {
    KSoundDevice::SoundVolumeTable[0] = -10000;
    for (int i = 1; i < SOUND_VOLUME_TABLE_SIZE; ++i) {
        int32_t v = static_cast<int32_t>(-100.0 * std::log(i / 100.0) / std::log(0.92));
        KSoundDevice::SoundVolumeTable[i] = v < -10000 ? -10000 : v;
    }
    KSoundDevice::SoundPanTable[0] = -10000;
    KSoundDevice::SoundPanTable[100] = 0;
    KSoundDevice::SoundPanTable[200] = 10000;
    for (int i = 1; i < 100; ++i) {
        int32_t v = static_cast<int32_t>(-100.0 * std::log(i / 100.0) / std::log(0.954999));
        KSoundDevice::SoundPanTable[i] = v;
        KSoundDevice::SoundPanTable[200 - i] = -v;
    }
}

void initSoundDevice() {
    useSoundDevice(KAudioDevice::create());
}

void useSoundDevice(KAudioDevice* device) {
    buildSoundTables();
    KSoundDevice::device = device;
    if (!KSoundDevice::device) return;
    // A software device has no emulated-driver mode: always the full rate.
    KSoundDevice::outputRate = 44100.0f;
    dumb_register_stdfiles();
    dumb_it_max_to_mix = 64;
    KSoundDevice::liveCount = 1;
}

KSound::KSound()
    : voiceCount(1), volume(80), loopSample(0), isMusic(false), currentVoice(0), module(nullptr),
      renderer(nullptr), loopModule(false), format(nullptr), pcm(nullptr), pcmBytes(0), ownFormat(),
      voices(), notify(nullptr), events(), workerId(0), stopRequested(false), ready(false),
      ended(false), refillCount(0), lastRefillHalf(-1), fileImage(nullptr), fileImageBytes(0) {
    if (KSoundDevice::liveCount == 0) {
        initSoundDevice();
    } else {
        ++KSoundDevice::liveCount;
    }
}

KSound::~KSound() {
    stopStreamWorker();
    releaseModule();
    releaseVoices();
}

KAudioBuffer* KSound::getVoice(int index) const {
    return index >= 0 && index < MAX_SOUND_VOICES ? voices[index] : nullptr;
}

// ---------------------------------------------------------------------------
// Voices
// ---------------------------------------------------------------------------

bool KSound::createVoiceBuffer(int voice, uint32_t byteCount, bool withNotify) {
    if (!KSoundDevice::device || !format) return false;
    uint32_t flags = VOICE_FLAGS | (withNotify ? KSND_CAPS_CTRLPOSITIONNOTIFY : 0u);
    if (voices[voice]) {
        voices[voice]->stop();
        voices[voice]->release();
        voices[voice] = nullptr;
    }
    voices[voice] = KSoundDevice::device->createBuffer(*format, byteCount, flags);
    if (!voices[voice]) return false;
    // Byte 1, not 0: a fresh stream must not signal its first notification at once.
    voices[voice]->setCurrentPosition(1);
    clearVoiceBuffer(voice, byteCount);
    return true;
}

void KSound::clearVoiceBuffer(int voice, uint32_t byteCount) {
    KAudioBuffer* buffer = voices[voice];
    if (!buffer) return;
    void* p1 = nullptr;
    void* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    if (buffer->lock(0, byteCount, &p1, &n1, &p2, &n2, KSND_LOCK_ENTIREBUFFER) != KSND_OK) return;
    std::memset(p1, 0, n1);
    if (p2) std::memset(p2, 0, n2);
    buffer->unlock(p1, n1, p2, n2);
    buffer->setCurrentPosition(1);
}

// Copies pcm into a whole voice; false when the lock fails.
static bool fillVoice(KAudioBuffer* buffer, const uint8_t* pcm, uint32_t pcmBytes) {
    void* p1 = nullptr;
    uint32_t n1 = 0;
    if (buffer->lock(0, 0, &p1, &n1, nullptr, nullptr, KSND_LOCK_ENTIREBUFFER) != KSND_OK)
        return false;
    std::memcpy(p1, pcm, pcmBytes < n1 ? pcmBytes : n1);
    buffer->unlock(p1, n1, nullptr, 0);
    return true;
}

void KSound::restoreVoices() {
    for (int i = 0; i < voiceCount; ++i) {
        if (!voices[i] || voices[i]->restore() != KSND_OK) return;
    }
    if (!pcm) return;
    for (int i = 0; i < voiceCount; ++i) {
        if (!voices[i]) return;
        if (!fillVoice(voices[i], pcm, pcmBytes)) {
            voices[i]->release();
            voices[i] = nullptr;
            releaseVoices();
            return;
        }
    }
}

void KSound::releaseVoices() {
    notify = nullptr;
    for (KAudioBuffer*& voice : voices) {
        if (voice) {
            voice->stop();
            voice->release();
            voice = nullptr;
        }
    }
    delete[] fileImage;
    fileImage = nullptr;
    pcm = nullptr;
    pcmBytes = 0;
    fileImageBytes = 0;
}

void KSound::releaseModule() {
    if (renderer) duh_end_sigrenderer(asRenderer(renderer));
    renderer = nullptr;
    if (module) unload_duh(static_cast<DUH*>(module));
    module = nullptr;
}

// ---------------------------------------------------------------------------
// Sound effects
// ---------------------------------------------------------------------------

void KSound::prepareSample(int32_t volumeArg, bool loop, int16_t voiceCountArg) {
    isMusic = false;
    currentVoice = 0;
    stopStreamWorker();
    releaseModule();
    releaseVoices();

    loopSample = loop ? 1 : 0;
    volume = volumeArg;
    const int16_t maxVoices = MAX_SOUND_VOICES;
    voiceCount = voiceCountArg < 1 ? 1 : (voiceCountArg > maxVoices ? maxVoices : voiceCountArg);
    ready = true;
}

bool KSound::loadSample(const char* fileName, int32_t volumeArg, bool loop, int16_t voiceCountArg) {
    prepareSample(volumeArg, loop, voiceCountArg);
    // No device: every voice creation would fail, so skip the decoding.
    if (!fileName || !KSoundDevice::device) return false;
    bool loaded = std::strstr(fileName, ".ogg") ? loadOgg(fileName) : loadWav(fileName);
    if (!loaded) return false;
    setPan(0);
    return true;
}

bool KSound::loadDecodedSample(KDecodedSample* decoded, int32_t volumeArg, bool loop,
                               int16_t voiceCountArg) {
    prepareSample(volumeArg, loop, voiceCountArg);
    KDecodedSample taken = *decoded;
    decoded->block = nullptr;
    if (!KSoundDevice::device) {
        delete[] taken.block;
        return false;
    }
    if (!adoptOgg(taken)) return false;
    setPan(0);
    return true;
}

bool KSound::loadWav(const char* fileName) {
    FILE* file = std::fopen(fileName, "rb");
    if (!file) return false;
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length <= 0 || length > 0x0FFFFFFF || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return false;
    }
    // The spare kilobyte keeps a format record read near the end inside the block.
    fileImage = new (std::nothrow) uint8_t[length + 1024]();
    if (!fileImage) {
        std::fclose(file);
        return false;
    }
    size_t got = std::fread(fileImage, 1, static_cast<size_t>(length), file);
    std::fclose(file);
    fileImageBytes = static_cast<uint32_t>(got);
    const uint32_t size = fileImageBytes;

    // The first tag bytes win; chunk sizes are not followed.
    const uint8_t* fmt = nullptr;
    bool found = false;
    for (uint32_t i = 0; i + 5 < size; ++i) {
        const uint8_t* p = fileImage + i;
        if (!fmt && std::memcmp(p, "fmt ", 4) == 0) fmt = p + 8;
        if (std::memcmp(p, "data", 4) == 0) {
            pcm = p + 8;
            pcmBytes = readLe32(p + 4);
            found = true;
            break;
        }
    }
    // Without a format there is nothing to build the voices from.
    if (!found || !fmt) {
        releaseVoices();
        return false;
    }
    // A data size past the end of the file: keep only what the file holds.
    uint32_t held = pcm - fileImage <= size ? size - static_cast<uint32_t>(pcm - fileImage) : 0;
    if (pcmBytes > held) pcmBytes = held;

    ownFormat.formatTag = readLe16(fmt);
    ownFormat.channels = readLe16(fmt + 2);
    ownFormat.samplesPerSec = readLe32(fmt + 4);
    ownFormat.avgBytesPerSec = readLe32(fmt + 8);
    ownFormat.blockAlign = readLe16(fmt + 12);
    ownFormat.bitsPerSample = readLe16(fmt + 14);
    ownFormat.extraSize = readLe16(fmt + 16);
    format = &ownFormat;

    for (int v = 0; v < voiceCount; ++v) {
        if (!createVoiceBuffer(v, pcmBytes, false) || !fillVoice(voices[v], pcm, pcmBytes)) {
            releaseVoices();
            return false;
        }
    }
    dropFileImage();
    return true;
}

// The voices hold the samples from here on. Software voices are never lost,
// so there is no need to keep a second copy to restore them from.
void KSound::dropFileImage() {
    delete[] fileImage;
    fileImage = nullptr;
    fileImageBytes = 0;
    pcm = nullptr;
}

namespace {

// Bytes of 16-bit PCM the whole stream decodes to, by its own account
// (every link's length times its channels); 0 when it cannot say.
uint64_t expectedOggBytes(OggVorbis_File* vf) {
    uint64_t bytes = 0;
    const long links = ov_streams(vf);
    for (long link = 0; link < links; ++link) {
        const ogg_int64_t frames = ov_pcm_total(vf, link);
        const vorbis_info* info = ov_info(vf, link);
        if (frames < 0 || !info || info->channels <= 0) return 0;
        bytes += static_cast<uint64_t>(frames) * static_cast<uint64_t>(info->channels) * 2;
    }
    return bytes;
}

// Decodes the whole stream once, as signed 16-bit little-endian samples,
// into a new[] block sized by the stream's own length; a stream that says
// nothing or too little of its length grows the block as it goes. Returns
// the block (none when nothing decodes) and its decoded bytes.
uint8_t* decodeOgg(const char* fileName, uint32_t* bytes, int* channels, long* rate) {
    *bytes = 0;
    OggVorbis_File vf;
    if (ov_fopen(fileName, &vf) != 0) return nullptr;
    const vorbis_info* info = ov_info(&vf, -1);
    *channels = info ? info->channels : 0;
    *rate = info ? info->rate : 0;
    const uint64_t expected = expectedOggBytes(&vf);
    uint32_t capacity = expected > 0 && expected <= MAX_PCM_BYTES ? static_cast<uint32_t>(expected)
                                                                  : OGG_FIRST_GUESS_BYTES;
    uint8_t* block = new (std::nothrow) uint8_t[capacity];
    uint32_t total = 0;
    int bitstream = 0;
    while (block) {
        char probe[4096];
        const bool full = total == capacity;
        char* into = full ? probe : reinterpret_cast<char*>(block + total);
        const uint32_t room = full ? sizeof(probe) : capacity - total;
        const long got = ov_read(&vf, into, static_cast<int>(room), 0, 2, 1, &bitstream);
        if (got == OV_HOLE) continue;
        if (got <= 0) break;
        const uint32_t n = static_cast<uint32_t>(got);
        if (full) {
            // The stream runs past its stated length: make room for the rest.
            if (capacity > MAX_PCM_BYTES - n) break;
            const uint32_t grown = capacity > MAX_PCM_BYTES / 2 ? MAX_PCM_BYTES : capacity * 2;
            uint8_t* bigger = new (std::nothrow) uint8_t[grown];
            if (!bigger) break;
            std::memcpy(bigger, block, total);
            delete[] block;
            block = bigger;
            capacity = grown;
            std::memcpy(block + total, probe, n);
        }
        total += n;
    }
    ov_clear(&vf);
    if (total == 0) {
        delete[] block;
        return nullptr;
    }
    *bytes = total;
    return block;
}

} // namespace

KDecodedSample KSound::decodeSampleFile(const char* fileName) {
    KDecodedSample decoded = {nullptr, 0, 0, 0};
    if (fileName)
        decoded.block = decodeOgg(fileName, &decoded.bytes, &decoded.channels, &decoded.rate);
    return decoded;
}

bool KSound::loadOgg(const char* fileName) {
    return adoptOgg(decodeSampleFile(fileName));
}

bool KSound::adoptOgg(const KDecodedSample& decoded) {
    releaseVoices();
    uint8_t* block = decoded.block;
    const int channels = decoded.channels;
    const long rate = decoded.rate;
    const uint32_t total = decoded.bytes;
    if (!block) return false;
    if (channels <= 0 || channels > 8 || rate <= 0 || rate > 1000000) {
        delete[] block;
        return false;
    }
    pcmBytes = total;

    ownFormat.formatTag = 1;
    ownFormat.channels = static_cast<uint16_t>(channels);
    ownFormat.samplesPerSec = static_cast<uint32_t>(rate);
    ownFormat.avgBytesPerSec = static_cast<uint32_t>(rate * channels * 2);
    ownFormat.blockAlign = static_cast<uint16_t>(channels * 2);
    ownFormat.bitsPerSample = 16;
    ownFormat.extraSize = 20;
    format = &ownFormat;

    // Voice 0 takes the decoded block as its own memory (it frees the block
    // if it cannot); any further voice copies voice 0.
    voices[0] = KSoundDevice::device->adoptBuffer(ownFormat, block, total, VOICE_FLAGS);
    if (!voices[0]) return false;
    voices[0]->setCurrentPosition(1);
    if (voiceCount > 1) {
        void* samples = nullptr;
        uint32_t n = 0;
        if (voices[0]->lock(0, 0, &samples, &n, nullptr, nullptr, KSND_LOCK_ENTIREBUFFER) !=
            KSND_OK) {
            releaseVoices();
            return false;
        }
        bool copied = true;
        for (int v = 1; v < voiceCount && copied; ++v) {
            copied = createVoiceBuffer(v, total, false) &&
                     fillVoice(voices[v], static_cast<const uint8_t*>(samples), n);
        }
        voices[0]->unlock(samples, n, nullptr, 0);
        if (!copied) {
            releaseVoices();
            return false;
        }
    }
    return true;
}

void KSound::playSample() {
    if (!voices[0]) return;
    currentVoice = currentVoice + 1 >= voiceCount ? 0 : currentVoice + 1;
    KAudioBuffer* voice = voices[currentVoice];
    if (!voice) return;
    voice->setCurrentPosition(0);
    setVolume(volume);
    if (voice->play(loopSample == 1 ? KSND_PLAY_LOOPING : 0u) == KSND_ERR_BUFFERLOST) {
        restoreVoices();
    }
}

void KSound::stopSample() {
    if (!voices[0] || voiceCount <= 0) return;
    for (int i = 0; i < voiceCount; ++i) {
        if (voices[i]) voices[i]->stop();
    }
}

void KSound::setVolume(int32_t v) {
    const int32_t clamped = v < 0 ? 0 : (v > 100 ? 100 : v);
    volume = clamped;
    applyVolume(clamped);
}

void KSound::applyVolume(int32_t clamped) {
    int32_t master = isMusic ? KSoundDevice::musicMaster : KSoundDevice::sampleMaster;
    int32_t index = clamped * master / 100;
    index = index < 0 ? 0 : (index > 99 ? 99 : index);
    for (KAudioBuffer* voice : voices) {
        if (!voice) break;
        voice->setVolume(KSoundDevice::SoundVolumeTable[index]);
    }
}

// Pans ±99 come out as ±10001, which the device refuses: the voice then
// keeps its previous pan.
void KSound::setPan(int32_t p) {
    p = p < -100 ? -100 : (p > 100 ? 100 : p);
    for (KAudioBuffer* voice : voices) {
        if (!voice) break;
        voice->setPan(KSoundDevice::SoundPanTable[p + 100]);
    }
}

bool KSound::isPlaying() {
    if (!ready || !voices[0] || voiceCount < 1) return false;
    for (KAudioBuffer* voice : voices) {
        if (!voice) break;
        uint32_t status = 0;
        if (voice->getStatus(&status) == KSND_OK && (status & (1 | 4 | 8 | 16))) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Music
// ---------------------------------------------------------------------------

bool KSound::loadModule(const char* fileName) {
    isMusic = true;
    stopStreamWorker();
    releaseModule();
    releaseVoices();
    // Without a device the module player was never given its file access:
    // nothing could play anyway, so do not touch it.
    if (!fileName || !KSoundDevice::device) return false;

    DUH* duh = dumb_load_it_quick(fileName);
    if (!duh) duh = dumb_load_xm_quick(fileName);
    if (!duh) duh = dumb_load_s3m_quick(fileName);
    if (!duh) duh = dumb_load_mod_quick(fileName);
    if (!duh) return false;
    module = duh;
    renderer = duh_start_sigrenderer(duh, 0, 2, 0);
    if (!renderer) {
        releaseModule();
        return false;
    }

    uint32_t rate = static_cast<uint32_t>(KSoundDevice::outputRate);
    ownFormat.formatTag = 1;
    ownFormat.channels = 2;
    ownFormat.samplesPerSec = rate;
    ownFormat.avgBytesPerSec = rate * 4;
    ownFormat.blockAlign = 4;
    ownFormat.bitsPerSample = 16;
    ownFormat.extraSize = 18;
    format = &ownFormat;

    if (!createVoiceBuffer(0, STREAM_BUFFER_BYTES, true)) {
        // Without a stream buffer the module could never play: keep nothing.
        releaseModule();
        return false;
    }
    setPan(0);
    return true;
}

int32_t KSound::getModuleOrder() const {
    if (!renderer) return -1;
    DUMB_IT_SIGRENDERER* it = duh_get_it_sigrenderer(asRenderer(renderer));
    return it ? dumb_it_sr_get_current_order(it) : -1;
}

int KSound::onModuleLoop(void* data) {
    KSound* sound = static_cast<KSound*>(data);
    if (sound && !sound->loopModule) sound->ended = true;
    return 0;
}

void KSound::playModule(bool loop) {
    if (!voices[0]) return;
    voices[0]->stop();
    ended = false;
    if (!loop && renderer) {
        dumb_it_set_loop_callback(duh_get_it_sigrenderer(asRenderer(renderer)), onModuleLoop, this);
    }
    loopModule = loop;
    ended = false;
    refillCount = 0;
    lastRefillHalf = -1;
    startStreamWorker();
    if (voices[0]->play(KSND_PLAY_LOOPING) == KSND_ERR_BUFFERLOST) restoreVoices();
    setVolume(volume);
}

void KSound::stopModule() {
    if (!voices[0]) return;
    voices[0]->stop();
    if (streamingSound == this) {
        // The worker's own end of a module played once: it stops here and
        // the game's next stopModule does the rest.
        stopRequested = true;
        return;
    }
    stopStreamWorker();
    clearVoiceBuffer(0, STREAM_BUFFER_BYTES);
    setModuleOrder(0);
    if (renderer) {
        dumb_it_set_loop_callback(duh_get_it_sigrenderer(asRenderer(renderer)), nullptr, nullptr);
    }
    ended = true;
}

void KSound::setModuleOrder(int32_t order) {
    if (!module || !renderer) return;
    duh_end_sigrenderer(asRenderer(renderer));
    DUH* duh = static_cast<DUH*>(module);
    // An order the module does not have starts it from the top rather than
    // send the renderer outside its order list.
    DUMB_IT_SIGDATA* sigdata = duh_get_it_sigdata(duh);
    int orders = sigdata ? dumb_it_sd_get_n_orders(sigdata) : 0;
    if (order < 0 || order >= orders) order = 0;
    renderer = dumb_it_start_at_order(duh, 2, order);
}

void KSound::fillStreamHalf(int half) {
    KAudioBuffer* voice = voices[0];
    if (!voice) return;
    void* p1 = nullptr;
    uint32_t n1 = 0;
    if (voice->lock(static_cast<uint32_t>(half) * STREAM_HALF_BYTES, STREAM_HALF_BYTES, &p1, &n1,
                    nullptr, nullptr, 0) != KSND_OK) {
        voice->restore();
        return;
    }
    std::memset(p1, 0, n1);
    if (!ended && renderer) {
        float delta = 65536.0f / KSoundDevice::outputRate;
        duh_render(asRenderer(renderer), 16, 0, 1.0f, delta, STREAM_HALF_FRAMES, p1);
    }
    voice->unlock(p1, n1, nullptr, 0);
    if (ended) stopModule();
    // Counted last, so whoever sees the count sees the whole refill.
    lastRefillHalf = half;
    ++refillCount;
}

bool KSound::startStreamWorker() {
    ready = false;
    if (!voices[0]) return false;
    voices[0]->stop();
    if (workerThread.joinable()) {
        stopStreamWorker();
        ready = false;
    }
    workerThread = std::thread(streamWorker, this);
    while (!ready)
        sleepZero();
    // Raising the priority needs a privilege most desktops do not grant;
    // the stream keeps up without it.
    if (workerId != 0) setpriority(PRIO_PROCESS, static_cast<id_t>(workerId), -5);
    return true;
}

void KSound::streamWorker(KSound* sound) {
    streamingSound = sound;
    sound->workerId = static_cast<uint32_t>(syscall(SYS_gettid));
    char name1[32], name2[32];
    std::snprintf(name1, sizeof(name1), "ksoundev%d", KSoundDevice::streamNumber);
    std::snprintf(name2, sizeof(name2), "ksoundev%d2", KSoundDevice::streamNumber);

    KAudioBuffer* voice = sound->voices[0];
    if (!voice || !voice->hasNotify()) {
        sound->ready = true;
        return;
    }
    // Without its events the stream keeps looping what the buffer holds.
    // The events outlive this thread: stopStreamWorker signals them to wake
    // it, and frees them once it has been joined.
    sound->notify = voice;
    sound->events[0] = new (std::nothrow) KEvent(name1);
    sound->events[1] = new (std::nothrow) KEvent(name2);
    const uint32_t offsets[2] = {0, STREAM_HALF_BYTES};
    bool armed = sound->events[0] && sound->events[1] &&
                 voice->setNotificationPositions(2, offsets, sound->events) == KSND_OK;
    if (!armed) {
        sound->ready = true;
        return;
    }
    sound->stopRequested = false;
    sound->ready = true;
    int32_t lastMaster = -1;
    // A stop signals both events too, so every wake looks at the flag
    // before it refills.
    for (;;) {
        if (KSoundDevice::musicMaster != lastMaster) {
            // The game may set the volume meanwhile: apply until what was
            // applied is still the volume, never writing an old one back.
            for (int32_t v = sound->volume;; v = sound->volume) {
                sound->applyVolume(v);
                if (sound->volume == v) break;
            }
            lastMaster = KSoundDevice::musicMaster;
        }
        if (sound->events[0]->wait(streamWaitMs) && !sound->stopRequested) {
            sound->fillStreamHalf(1);
            sleepZero();
        }
        if (!sound->stopRequested && sound->events[1]->wait(streamWaitMs) &&
            !sound->stopRequested) {
            sound->fillStreamHalf(0);
            sleepZero();
        }
        if (!sound->voices[0] || sound->stopRequested) break;
        sleepZero();
    }
    // Unhook the events: the mixer must not signal them once they are freed.
    voice->setNotificationPositions(0, nullptr, nullptr);
}

// Wakes the worker and waits for it: it is never left running, so nothing
// it uses (voice 0, the renderer, the events) can go from under it.
void KSound::stopStreamWorker() {
    ready = false;
    stopRequested = true;
    if (voices[0]) {
        voices[0]->stop();
        voices[0]->setCurrentPosition(1);
    }
    if (workerThread.joinable()) {
        for (KEvent* event : events) {
            if (event) event->set();
        }
        workerThread.join();
    }
    for (KEvent*& event : events) {
        delete event;
        event = nullptr;
    }
    notify = nullptr;
    sleepZero();
    workerId = 0;
}

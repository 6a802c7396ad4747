// The engine's sound layer: a small software sound device (secondary
// buffers mixed in an SDL audio callback) and the sound class KSound built
// on it. Knows nothing of the game. No SDL or module-player headers here:
// the game folders include this file and must compile without them.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

// ---------------------------------------------------------------------------
// Device layer
// ---------------------------------------------------------------------------

// Result codes of the device calls; 0 is success.
enum KSoundResult {
    KSND_OK = 0,
    KSND_ERR_GENERIC = 1,
    KSND_ERR_INVALIDPARAM = 2,
    KSND_ERR_BUFFERLOST = 3,
    KSND_ERR_OUTOFMEMORY = 4,
};

// Buffer creation flags (the values the sound class passes).
constexpr uint32_t KSND_CAPS_LOCSOFTWARE = 0x0008;
constexpr uint32_t KSND_CAPS_CTRLFREQUENCY = 0x0020;
constexpr uint32_t KSND_CAPS_CTRLPAN = 0x0040;
constexpr uint32_t KSND_CAPS_CTRLVOLUME = 0x0080;
constexpr uint32_t KSND_CAPS_CTRLPOSITIONNOTIFY = 0x0100;
constexpr uint32_t KSND_CAPS_GLOBALFOCUS = 0x8000;

// Play, lock and status flags.
constexpr uint32_t KSND_PLAY_LOOPING = 0x1;
constexpr uint32_t KSND_LOCK_ENTIREBUFFER = 0x2;
constexpr uint32_t KSND_STATUS_PLAYING = 0x1;
constexpr uint32_t KSND_STATUS_BUFFERLOST = 0x2;
constexpr uint32_t KSND_STATUS_LOOPING = 0x4;

// Device volume and pan limits, hundredths of a decibel.
enum {
    KSND_VOLUME_MIN = -10000,
    KSND_VOLUME_MAX = 0,
    KSND_PAN_LEFT = -10000,
    KSND_PAN_RIGHT = 10000
};

// PCM wave format record, field order as in a WAV "fmt " chunk.
struct KWaveFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
};

// Auto-reset event with a name (kept for the log and for tests). set() may be
// called from the mixer thread: it never blocks for long.
class KEvent {
  public:
    explicit KEvent(const char* eventName);
    ~KEvent();
    KEvent(const KEvent&) = delete;
    KEvent& operator=(const KEvent&) = delete;
    void set();
    // True if the event was signalled within timeoutMs; resets it.
    bool wait(int timeoutMs);
    const char* name() const { return name_; }

  private:
    struct Impl;
    Impl* impl_;
    char name_[32];
};

enum { MAX_AUDIO_BUFFERS = 128, MAX_BUFFER_NOTIFY = 4 };

class KAudioDevice;

// A secondary buffer: raw PCM of its own format, mixed into the output at
// its own rate while playing. Positions are byte offsets.
class KAudioBuffer {
  public:
    // Gives up to two regions (the second when the range wraps); one lock
    // at a time. While a range is locked the mixer does not read it: a
    // voice whose next samples lie inside it is mixed as silence. Lock and
    // unlock pass through the device lock, so what the caller wrote before
    // unlock is what the mixer reads after it.
    int lock(uint32_t offset, uint32_t bytes, void** ptr1, uint32_t* bytes1, void** ptr2,
             uint32_t* bytes2, uint32_t flags);
    int unlock(void* ptr1, uint32_t bytes1, void* ptr2, uint32_t bytes2);
    int play(uint32_t flags);
    int stop();
    int setCurrentPosition(uint32_t bytePosition);
    int getCurrentPosition(uint32_t* playPosition, uint32_t* writePosition);
    int getStatus(uint32_t* status);
    // Refuses values outside -10000 … 0 (volume) and -10000 … 10000 (pan).
    int setVolume(int32_t hundredthsDb);
    int setPan(int32_t hundredthsDb);
    int getVolume(int32_t* hundredthsDb);
    int getPan(int32_t* hundredthsDb);
    int restore();
    // Events signalled when the play position passes each offset; 0 positions clear them.
    int setNotificationPositions(int count, const uint32_t* offsets, KEvent* const* events);
    bool hasNotify() const { return (flags_ & KSND_CAPS_CTRLPOSITIONNOTIFY) != 0; }
    uint32_t bytes() const { return bytes_; }
    const KWaveFormat& format() const { return format_; }
    // Returns the buffer to its device; the pointer is dead afterwards.
    void release();

  private:
    friend class KAudioDevice;
    KAudioDevice* device_ = nullptr;
    bool inUse_ = false;
    KWaveFormat format_ = {};
    uint32_t flags_ = 0;
    uint8_t* data_ = nullptr;
    uint32_t bytes_ = 0;
    uint32_t frames_ = 0;
    // Mixer state, guarded by the device lock.
    bool playing_ = false;
    bool looping_ = false;
    uint64_t position_ = 0; // frames in 32.32 fixed point
    uint64_t step_ = 0;     // source frames per output frame, 32.32
    int32_t volume_ = 0;
    int32_t pan_ = 0;
    int32_t gainLeft_ = 0; // Q16 amplitude factors from volume and pan
    int32_t gainRight_ = 0;
    bool locked_ = false;
    uint32_t lockedOffset_ = 0; // byte range a caller holds, may wrap
    uint32_t lockedBytes_ = 0;
    int notifyCount_ = 0;
    uint32_t notifyOffsets_[MAX_BUFFER_NOTIFY] = {};
    KEvent* notifyEvents_[MAX_BUFFER_NOTIFY] = {};
    void updateGains();
    bool readsLockedRange(int frames) const;
    void mixInto(int32_t* acc, int frames);
};

// The software device: a fixed pool of buffers and the output they mix into.
class KAudioDevice {
  public:
    // Opens SDL audio output (44100 Hz, stereo, 16-bit); none when there is
    // no audio device, so the game runs silent.
    static KAudioDevice* create();
    // A device without output that mixes only when asked (benchmarks, mixer tests).
    static KAudioDevice* createOffline(int outputRate);
    ~KAudioDevice();
    KAudioDevice(const KAudioDevice&) = delete;
    KAudioDevice& operator=(const KAudioDevice&) = delete;

    KAudioBuffer* createBuffer(const KWaveFormat& format, uint32_t bytes, uint32_t flags);
    // A buffer over samples the caller already holds (a new[] block of at
    // least bytes): the buffer owns the block from now on, and frees it
    // even when it cannot be created. Saves a second copy of decoded sound.
    KAudioBuffer* adoptBuffer(const KWaveFormat& format, uint8_t* data, uint32_t bytes,
                              uint32_t flags);
    // Mixes every playing buffer into interleaved stereo S16 (what the
    // callback does), through the soft limiter: a sum that would pass full
    // scale is bent under it instead of clipping or wrapping.
    void mix(int16_t* out, int frames);
    // Output can be closed and opened again; buffers stay valid meanwhile.
    // Closing flushes what the SDL disk driver wrote.
    bool openOutput();
    void closeOutput();
    bool hasOutput() const { return outputId_ != 0; }
    int outputRate() const { return outputRate_; }
    // Number of buffers that are playing now.
    int playingCount();

  private:
    friend class KAudioBuffer;
    KAudioDevice() = default;
    struct Lock;
    uint32_t outputId_ = 0;
    int outputRate_ = 44100;
    void* mutex_ = nullptr; // std::mutex, kept out of this header
    KAudioBuffer buffers_[MAX_AUDIO_BUFFERS];
    int32_t* accumulator_ = nullptr;
    int accumulatorFrames_ = 0;
    float limiterEnvelope_ = 0.0f; // peak of the sum, falling at limiterRelease_ per frame
    float limiterRelease_ = 0.0f;
    void limit(const int32_t* acc, int16_t* out, int frames);
    static void outputCallback(void* userdata, uint8_t* stream, int len);
};

// ---------------------------------------------------------------------------
// KSoundDevice and KSound
// ---------------------------------------------------------------------------

enum { MAX_SOUND_VOICES = 9, SOUND_VOLUME_TABLE_SIZE = 100, SOUND_PAN_TABLE_SIZE = 201 };
enum { STREAM_BUFFER_BYTES = 131072, STREAM_HALF_BYTES = 65536, STREAM_HALF_FRAMES = 16384 };

// Engine-wide sound state, set up by the first KSound constructed.
struct KSoundDevice {
    static KAudioDevice* device;
    static int32_t liveCount;
    static float outputRate;
    static int32_t sampleMaster;
    static int32_t musicMaster;
    static int32_t SoundVolumeTable[SOUND_VOLUME_TABLE_SIZE];
    static int32_t SoundPanTable[SOUND_PAN_TABLE_SIZE];
    static int32_t streamNumber;
};

// Builds the tables and opens the device; liveCount stays 0 on failure so
// the next construction tries again.
void initSoundDevice();
// Makes device the engine's device, with the same set-up as the real one
// gets; the benches and fuzzers hand in an offline device here.
void useSoundDevice(KAudioDevice* device);
void buildSoundTables();

// An Ogg Vorbis file decoded whole into 16-bit samples (a new[] block, none
// when nothing decoded), before any voice is made from it.
struct KDecodedSample {
    uint8_t* block;
    uint32_t bytes;
    int channels;
    long rate;
};

// One sound effect (decoded whole into 1-9 voices) or one streamed module.
class KSound {
  public:
    KSound();
    // The game never destroys its sounds; this tidies up for tests.
    ~KSound();
    KSound(const KSound&) = delete;
    KSound& operator=(const KSound&) = delete;

    // WAV, or Ogg Vorbis when the name contains ".ogg".
    bool loadSample(const char* fileName, int32_t volume, bool loop, int16_t voiceCount);
    // The same from a file decoded ahead; takes the block over (and frees it
    // when no voice can be made of it).
    bool loadDecodedSample(KDecodedSample* decoded, int32_t volume, bool loop, int16_t voiceCount);
    // Touches no device or sound: safe on any thread.
    static KDecodedSample decodeSampleFile(const char* fileName);
    // IT, XM, S3M or MOD; renderer at order 0.
    bool loadModule(const char* fileName);
    void playSample();
    void stopSample();
    void playModule(bool loop);
    void stopModule();
    void setModuleOrder(int32_t order);
    void setVolume(int32_t volume);
    void setPan(int32_t pan);
    bool isPlaying();

    // Read access for the bank's callers and tests.
    int16_t getVoiceCount() const { return voiceCount; }
    int32_t getVolume() const { return volume; }
    int32_t getCurrentVoice() const { return currentVoice; }
    KAudioBuffer* getVoice(int index) const;
    bool hasModule() const { return module != nullptr; }
    // Order the module renderer is at, or -1 without one. Not safe while
    // the worker streams.
    int32_t getModuleOrder() const;
    bool isEnded() const { return ended; }
    // Halves refilled by the worker since the last playModule (tests, logs).
    int32_t getRefillCount() const { return refillCount; }
    int32_t getLastRefillHalf() const { return lastRefillHalf; }

    // Renders 16384 frames into one half of the stream buffer.
    void fillStreamHalf(int half);

    // How long the stream worker waits for each half's notification before
    // it looks around again (50 ms). A stop wakes it at once whatever this is.
    static int streamWaitMs;

  private:
    int16_t voiceCount;
    std::atomic<int32_t> volume; // the worker reapplies it while the game may set it
    int32_t loopSample;
    bool isMusic;
    int32_t currentVoice;
    void* module;   // DUH*
    void* renderer; // DUH_SIGRENDERER*
    bool loopModule;
    const KWaveFormat* format;
    const uint8_t* pcm;
    uint32_t pcmBytes;
    KWaveFormat ownFormat;
    KAudioBuffer* voices[MAX_SOUND_VOICES];
    KAudioBuffer* notify;
    KEvent* events[2];
    std::thread workerThread;
    uint32_t workerId;
    std::atomic<bool> stopRequested;
    std::atomic<bool> ready;
    std::atomic<bool> ended;
    std::atomic<int32_t> refillCount;
    std::atomic<int32_t> lastRefillHalf;
    uint8_t* fileImage;
    uint32_t fileImageBytes;

    bool createVoiceBuffer(int voice, uint32_t byteCount, bool withNotify);
    void clearVoiceBuffer(int voice, uint32_t byteCount);
    void restoreVoices();
    void releaseVoices();
    void releaseModule();
    bool loadWav(const char* fileName);
    void prepareSample(int32_t volume, bool loop, int16_t voiceCount);
    // Sets every voice to volume (0..100) under the master of its kind.
    void applyVolume(int32_t volume);
    bool loadOgg(const char* fileName);
    bool adoptOgg(const KDecodedSample& decoded);
    void dropFileImage();
    bool startStreamWorker();
    void stopStreamWorker();
    static void streamWorker(KSound* sound);
    static int onModuleLoop(void* data);
};

// KSound (stub, filled in next).
#include "audio/audio.h"

KAudioDevice* KSoundDevice::device = nullptr;
int32_t KSoundDevice::liveCount = 0;
float KSoundDevice::outputRate = 44100.0f;
int32_t KSoundDevice::sampleMaster = 100;
int32_t KSoundDevice::musicMaster = 100;
int32_t KSoundDevice::SoundVolumeTable[SOUND_VOLUME_TABLE_SIZE];
int32_t KSoundDevice::SoundPanTable[SOUND_PAN_TABLE_SIZE];
int32_t KSoundDevice::streamNumber = 0;

void initSoundDevice() {}
void buildSoundTables() {}

KSound::KSound()
    : voiceCount(1), volume(80), loopSample(0), isMusic(false), currentVoice(0), module(nullptr),
      renderer(nullptr), loopModule(false), format(nullptr), pcm(nullptr), pcmBytes(0), ownFormat(),
      voices(), notify(nullptr), events(), workerId(0), stopRequested(false), ready(false),
      ended(false), workerDone(true), refillCount(0), lastRefillHalf(-1), fileImage(nullptr),
      fileImageBytes(0) {}
KSound::~KSound() {}
bool KSound::loadSample(const char*, int32_t, bool, int16_t) {
    return false;
}
bool KSound::loadModule(const char*) {
    return false;
}
void KSound::playSample() {}
void KSound::stopSample() {}
void KSound::playModule(bool) {}
void KSound::stopModule() {}
void KSound::setModuleOrder(int32_t) {}
void KSound::setVolume(int32_t) {}
void KSound::setPan(int32_t) {}
bool KSound::isPlaying() {
    return false;
}
KAudioBuffer* KSound::getVoice(int) const {
    return nullptr;
}
void KSound::fillStreamHalf(int) {}
bool KSound::createVoiceBuffer(int, uint32_t, bool) {
    return false;
}
void KSound::clearVoiceBuffer(int, uint32_t) {}
void KSound::restoreVoices() {}
void KSound::releaseVoices() {}
void KSound::releaseModule() {}
bool KSound::loadWav(const char*) {
    return false;
}
bool KSound::loadOgg(const char*) {
    return false;
}
bool KSound::startStreamWorker() {
    return false;
}
void KSound::stopStreamWorker() {}
void KSound::streamWorker(KSound*) {}
int KSound::onModuleLoop(void*) {
    return 0;
}

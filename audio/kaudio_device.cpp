// Software sound device (stub, filled in next).
#include "audio/audio.h"

struct KEvent::Impl {};
KEvent::KEvent(const char*) : impl_(nullptr), name_() {}
KEvent::~KEvent() {}
void KEvent::set() {}
bool KEvent::wait(int) {
    return false;
}

int KAudioBuffer::lock(uint32_t, uint32_t, void**, uint32_t*, void**, uint32_t*, uint32_t) {
    return KSND_ERR_GENERIC;
}
int KAudioBuffer::unlock(void*, uint32_t, void*, uint32_t) {
    return KSND_OK;
}
int KAudioBuffer::play(uint32_t) {
    return KSND_OK;
}
int KAudioBuffer::stop() {
    return KSND_OK;
}
int KAudioBuffer::setCurrentPosition(uint32_t) {
    return KSND_OK;
}
int KAudioBuffer::getCurrentPosition(uint32_t*, uint32_t*) {
    return KSND_OK;
}
int KAudioBuffer::getStatus(uint32_t* status) {
    *status = 0;
    return KSND_OK;
}
int KAudioBuffer::setVolume(int32_t) {
    return KSND_OK;
}
int KAudioBuffer::setPan(int32_t) {
    return KSND_OK;
}
int KAudioBuffer::getVolume(int32_t* v) {
    *v = 0;
    return KSND_OK;
}
int KAudioBuffer::getPan(int32_t* p) {
    *p = 0;
    return KSND_OK;
}
int KAudioBuffer::restore() {
    return KSND_OK;
}
int KAudioBuffer::setNotificationPositions(int, const uint32_t*, KEvent* const*) {
    return KSND_OK;
}
void KAudioBuffer::release() {}
void KAudioBuffer::updateGains() {}
void KAudioBuffer::mixInto(int32_t*, int) {}

KAudioDevice* KAudioDevice::create() {
    return nullptr;
}
KAudioDevice* KAudioDevice::createOffline(int) {
    return nullptr;
}
KAudioDevice::~KAudioDevice() {}
KAudioBuffer* KAudioDevice::createBuffer(const KWaveFormat&, uint32_t, uint32_t) {
    return nullptr;
}
void KAudioDevice::mix(int16_t*, int) {}
bool KAudioDevice::openOutput() {
    return false;
}
void KAudioDevice::closeOutput() {}
int KAudioDevice::playingCount() {
    return 0;
}
void KAudioDevice::outputCallback(void*, uint8_t*, int) {}

// Fuzzes the WAV reader of KSound::loadSample, then plays what it accepted
// through an offline device so odd formats reach the mixer too.
#include "audio/audio.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string fuzzPath;

void setUpOnce() {
    if (!fuzzPath.empty()) return;
    // An offline device: voices are real buffers but nothing needs SDL audio.
    useSoundDevice(KAudioDevice::createOffline(44100));
    fuzzPath = "/tmp/k3d-wav-fuzz-" + std::to_string(getpid()) + ".wav";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    setUpOnce();
    FILE* file = std::fopen(fuzzPath.c_str(), "wb");
    if (!file) return 0;
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);

    static KSound sound;
    int16_t voices = size ? static_cast<int16_t>(data[size - 1] % 4) : 1;
    if (sound.loadSample(fuzzPath.c_str(), 100, size % 2 == 1, voices)) {
        sound.setPan(size % 3 ? -30 : 60);
        sound.playSample();
        static int16_t out[2 * 4096];
        KSoundDevice::device->mix(out, 4096);
        sound.stopSample();
    }
    return 0;
}

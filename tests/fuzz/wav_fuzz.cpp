// Fuzzes the WAV reader of KSound::loadSample, then plays what it accepted
// through an offline device so odd formats reach the mixer too.
#include "audio/audio.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

std::string fuzzPath;
int fuzzFile = -1;

void setUpOnce() {
    if (!fuzzPath.empty()) return;
    // An offline device: voices are real buffers but nothing needs SDL audio.
    useSoundDevice(KAudioDevice::createOffline(44100));
    // The reader wants a file name: a memory file has one under /proc and
    // leaves nothing behind when the fuzzer ends, however it ends.
    fuzzFile = memfd_create("k3d-wav-fuzz", 0);
    fuzzPath = "/proc/self/fd/" + std::to_string(fuzzFile);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    setUpOnce();
    if (fuzzFile < 0 || ftruncate(fuzzFile, 0) != 0) return 0;
    if (size && pwrite(fuzzFile, data, size, 0) != (ssize_t)size) return 0;

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

// Mixer cost: one output callback (1024 frames) with N playing voices, and
// the module refill the music worker does every 16384 frames; start-up's
// load of the 32 effects, with the heap they hold.
#include "audio/audio.h"
#include "audio/sound_bank.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

const int CALLBACK_FRAMES = 1024;

KWaveFormat Mono16(int rate) {
    KWaveFormat f = {};
    f.formatTag = 1;
    f.channels = 1;
    f.samplesPerSec = static_cast<uint32_t>(rate);
    f.blockAlign = 2;
    f.avgBytesPerSec = f.samplesPerSec * 2;
    f.bitsPerSample = 16;
    return f;
}

// Effects as the game has them: 16-bit mono, a mix of 44100 and 22050 Hz
// (the latter resampled), at volume 75 with varied pans, all looping.
void BM_MixVoices(benchmark::State& state) {
    KAudioDevice* device = KAudioDevice::createOffline(44100);
    const int voices = static_cast<int>(state.range(0));
    const uint32_t flags = KSND_CAPS_LOCSOFTWARE | KSND_CAPS_CTRLPAN | KSND_CAPS_CTRLVOLUME;
    for (int v = 0; v < voices; ++v) {
        int rate = v % 2 ? 22050 : 44100;
        KAudioBuffer* b = device->createBuffer(Mono16(rate), rate, flags); // half a second
        void* p = nullptr;
        uint32_t n = 0;
        b->lock(0, 0, &p, &n, nullptr, nullptr, KSND_LOCK_ENTIREBUFFER);
        int16_t* s = static_cast<int16_t*>(p);
        for (uint32_t i = 0; i < n / 2; ++i) {
            s[i] = static_cast<int16_t>(3000 * std::sin(i * 0.05 * (v + 1)));
        }
        b->unlock(p, n, nullptr, 0);
        b->setVolume(-345);
        b->setPan((v * 1237) % 4001 - 2000);
        b->play(KSND_PLAY_LOOPING);
    }
    std::vector<int16_t> out(2 * CALLBACK_FRAMES);
    for (auto _ : state) {
        device->mix(out.data(), CALLBACK_FRAMES);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["callbacks_per_s_of_output"] = 44100.0 / CALLBACK_FRAMES;
    state.SetItemsProcessed(state.iterations() * CALLBACK_FRAMES);
    delete device;
}
BENCHMARK(BM_MixVoices)->Arg(1)->Arg(8)->Arg(33);

// The worker's refill of one half from the game's module.
void BM_ModuleRefill(benchmark::State& state) {
    std::string path = std::string(K3D_GAME_DIR) + "/Music/quon.xm";
    if (!KSoundDevice::device) useSoundDevice(KAudioDevice::createOffline(44100));
    KSound music;
    if (!music.loadModule(path.c_str())) {
        state.SkipWithError("no Music/quon.xm in the build directory");
        return;
    }
    int32_t part = static_cast<int32_t>(state.range(0));
    const int32_t orders[5] = {0, 9, 36, 57, 72};
    music.setModuleOrder(orders[part]);
    int half = 0;
    for (auto _ : state) {
        music.fillStreamHalf(half);
        half ^= 1;
    }
    state.counters["halves_per_s_of_output"] = 44100.0 / STREAM_HALF_FRAMES;
    state.SetItemsProcessed(state.iterations() * STREAM_HALF_FRAMES);
}
BENCHMARK(BM_ModuleRefill)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// The effects of the bank, decoded the way start-up loads them; the heap
// they hold afterwards (the allocator's own count, mmapped blocks included)
// next to the bytes of PCM they are.
void BM_LoadSoundEffects(benchmark::State& state) {
    if (!KSoundDevice::device) useSoundDevice(KAudioDevice::createOffline(44100));
    std::vector<std::string> paths;
    for (int i = 1; i <= SOUND_EFFECT_COUNT; ++i) {
        std::string name = SoundBankFiles[i];
        std::replace(name.begin(), name.end(), '\\', '/');
        paths.push_back(std::string(K3D_GAME_DIR) + "/" + name);
    }
    double held = 0, pcm = 0;
    for (auto _ : state) {
        struct mallinfo2 before = mallinfo2();
        std::vector<std::unique_ptr<KSound>> bank;
        for (const std::string& path : paths) {
            bank.emplace_back(new KSound());
            if (!bank.back()->loadSample(path.c_str(), 100, false, 1)) {
                state.SkipWithError(("cannot load " + path).c_str());
                return;
            }
            bank.back()->setVolume(75);
        }
        struct mallinfo2 after = mallinfo2();
        state.PauseTiming();
        held = double(after.uordblks + after.hblkhd) - double(before.uordblks + before.hblkhd);
        pcm = 0;
        for (auto& s : bank)
            pcm += s->getVoice(0)->bytes();
        bank.clear();
        state.ResumeTiming();
    }
    state.counters["heap_MiB_held"] = held / 1048576.0;
    state.counters["pcm_MiB"] = pcm / 1048576.0;
}
BENCHMARK(BM_LoadSoundEffects)->Unit(benchmark::kMillisecond);

} // namespace

// The game's sound bank: every sound object the game has, loaded once at
// start-up and never released, and the rule that cuts the one music module
// into five tunes.
#include "audio/sound_bank.h"

#include "audio/audio.h"
#include "platform/platform.h"
#include "shell/shell.h"

#include <cstring>
#include <new>
#include <string>

const char* const SoundBankFiles[SOUND_EFFECT_COUNT + 1] = {
    "Music\\quon.xm",        "Sample\\multiball.ogg", "Sample\\laser.ogg",
    "Sample\\explosion.ogg", "Sample\\enlarge.ogg",   "Sample\\reduce.ogg",
    "Sample\\bigball.ogg",   "Sample\\boostball.ogg", "Sample\\scoreup.ogg",
    "Sample\\lifeup.ogg",    "Sample\\stageup.ogg",   "Sample\\moving.ogg",
    "Sample\\falling.ogg",   "Sample\\fireball.ogg",  "Sample\\flying.ogg",
    "Sample\\raquette1.ogg", "Sample\\raquette2.ogg", "Sample\\raquette3.ogg",
    "Sample\\raquette4.ogg", "Sample\\raquette5.ogg", "Sample\\murdroit.ogg",
    "Sample\\murhaut.ogg",   "Sample\\murgauche.ogg", "Sample\\brique1.ogg",
    "Sample\\brique2.ogg",   "Sample\\brique3.ogg",   "Sample\\brique4.ogg",
    "Sample\\lost.ogg",      "Sample\\win.ogg",       "Sample\\gameover.ogg",
    "Sample\\rollover.ogg",  "Sample\\click.ogg",     "Sample\\bonus.ogg",
};
const int32_t MusicPartOrders[MUSIC_PART_COUNT] = {0, 9, 36, 57, 72};

SoundBankTable SoundBank = {};
bool SoundEnabled = false;
int16_t TuneCounter = 0;

namespace {

// The effects being decoded on the loader while start-up goes on. Never
// freed while the loader may still run it: a start-up that stops early
// leaves with the loader still at it.
struct EffectDecoding {
    std::string paths[SOUND_EFFECT_COUNT + 1]; // empty: loaded the plain way
    KDecodedSample samples[SOUND_EFFECT_COUNT + 1];
    LoaderJob job;
    bool started; // handed to the loader
};
EffectDecoding* Decoding = nullptr;

void DecodeEffects(void* data) {
    EffectDecoding* work = static_cast<EffectDecoding*>(data);
    for (int i = 1; i <= SOUND_EFFECT_COUNT; ++i)
        if (!work->paths[i].empty())
            work->samples[i] = KSound::decodeSampleFile(work->paths[i].c_str());
}

} // namespace

void BeginLoadingSoundBank() {
    if (!SoundEnabled) return;
    SoundBank.music = LoadMusic(SoundBankFiles[0]);
    EffectDecoding* work = new (std::nothrow) EffectDecoding();
    for (int i = 1; i <= SOUND_EFFECT_COUNT; ++i) {
        const char* fileName = SoundBankFiles[i];
        logTagged("Loading: ", fileName);
        SoundBank.effects[i] = new (std::nothrow) KSound();
        if (!SoundBank.effects[i]) logTagged("Error Loading! ", fileName);
        if (work && std::strstr(fileName, ".ogg")) work->paths[i] = pathJoin(fileName);
    }
    Decoding = work;
    if (work == nullptr) return;
    work->job.run = DecodeEffects;
    work->job.data = work;
    work->started = false;
}

void ContinueLoadingSoundBank() {
    if (!Decoding) return;
    if (!Decoding->started) {
        Decoding->started = StartLoaderJob(&Decoding->job);
        if (Decoding->started) return;
    } else if (!LoaderJobDone(&Decoding->job)) {
        return;
    }
    FinishLoadingSoundBank();
}

void FinishLoadingSoundBank() {
    if (!Decoding) return;
    if (Decoding->started)
        WaitLoaderJob(&Decoding->job);
    else
        DecodeEffects(Decoding); // never handed to the worker: decode here
    for (int i = 1; i <= SOUND_EFFECT_COUNT; ++i) {
        KSound* sound = SoundBank.effects[i];
        KDecodedSample* decoded = &Decoding->samples[i];
        if (sound == nullptr) {
            delete[] decoded->block;
            continue;
        }
        if (Decoding->paths[i].empty())
            sound->loadSample(pathJoin(SoundBankFiles[i]), 100, false, 1);
        else
            sound->loadDecodedSample(decoded, 100, false, 1);
        sound->setVolume(75);
    }
    delete Decoding;
    Decoding = nullptr;
}

void LoadSoundBank() {
    BeginLoadingSoundBank();
    FinishLoadingSoundBank();
}

KSound* LoadMusic(const char* fileName) {
    logTagged("Loading: ", fileName);
    KSound* music = new (std::nothrow) KSound();
    if (!music) {
        logTagged("Error Loading! ", fileName);
        return nullptr;
    }
    // A module that fails to load leaves an object that plays nothing.
    music->loadModule(pathJoin(fileName));
    return music;
}

KSound* LoadSoundEffect(const char* fileName) {
    logTagged("Loading: ", fileName);
    KSound* sound = new (std::nothrow) KSound();
    if (!sound) {
        logTagged("Error Loading! ", fileName);
        return nullptr;
    }
    sound->loadSample(pathJoin(fileName), 100, false, 1);
    sound->setVolume(75);
    return sound;
}

void PlaySoundEffect(KSound* sound) {
    if (!SoundEnabled || !sound) return;
    FinishLoadingSoundBank();
    sound->stopSample();
    sound->playSample();
}

bool IsMusicPlaying() {
    return SoundBank.music && SoundBank.music->isPlaying();
}

void StopMusic() {
    if (SoundBank.music) SoundBank.music->stopModule();
}

void SetMusicVolume(int32_t volume) {
    if (SoundBank.music) SoundBank.music->setVolume(volume);
}

int32_t MusicPartOrder(int32_t part) {
    return part >= 1 && part < MUSIC_PART_COUNT ? MusicPartOrders[part] : MusicPartOrders[0];
}

// Looping play: the stream never stops at the module's loop point.
void PlayMusicPart(KSound* music, int32_t part) {
    if (!SoundEnabled || !music) return;
    music->stopModule();
    music->setModuleOrder(MusicPartOrder(part));
    music->playModule(true);
}

// A pause stops the stream's buffer where it plays and leaves the renderer
// and its worker alone, so the tune goes on from the same note. Only music
// that a pause stopped is started again.
static bool MusicHeldByPause = false;

void PauseMusic(bool paused) {
    KAudioBuffer* stream = SoundBank.music ? SoundBank.music->getVoice(0) : nullptr;
    if (stream == nullptr) return;
    if (paused) {
        if (MusicHeldByPause || !SoundBank.music->isPlaying()) return;
        MusicHeldByPause = true;
        stream->stop();
    } else if (MusicHeldByPause) {
        MusicHeldByPause = false;
        stream->play(KSND_PLAY_LOOPING);
    }
}

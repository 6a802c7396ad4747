// The game's sound bank (stub, filled in next).
#include "audio/sound_bank.h"
#include "audio/audio.h"

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

void LoadSoundBank() {}
KSound* LoadMusic(const char*) {
    return nullptr;
}
KSound* LoadSoundEffect(const char*) {
    return nullptr;
}
void PlaySoundEffect(KSound*) {}
bool IsMusicPlaying() {
    return false;
}
void StopMusic() {}
void SetMusicVolume(int32_t) {}
void PlayMusicPart(KSound*, int32_t) {}
int32_t MusicPartOrder(int32_t part) {
    return part >= 1 && part < MUSIC_PART_COUNT ? MusicPartOrders[part] : MusicPartOrders[0];
}

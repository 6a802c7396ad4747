// The game's sound bank: the music object and the 32 effects loaded once at
// start-up, and the few calls through which the game plays them.
//
// How to call it:
//   PlaySoundEffect(SoundBank.effects[SFX_CLICK]);      // "Sample\click.ogg"
//   PlaySoundEffect(SoundBank.effects[SFX_RAQUETTE1 + RandomInt(0, 5)]);
//   PlayMusicPart(SoundBank.music, MUSIC_PART_MENU);
//   if (!IsMusicPlaying()) ...; StopMusic(); SetMusicVolume(MusicVolume);
// Effects are named by their number in the bank table (SFX_*, 1 to 32), so
// effects[0] is always none. A missing entry is none and plays nothing.
#pragma once

#include <cstdint>

class KSound;

enum SoundEffectNumber {
    SFX_NONE = 0,
    SFX_MULTIBALL = 1,
    SFX_LASER = 2,
    SFX_EXPLOSION = 3,
    SFX_ENLARGE = 4,
    SFX_REDUCE = 5,
    SFX_BIGBALL = 6,
    SFX_BOOSTBALL = 7,
    SFX_SCOREUP = 8,
    SFX_LIFEUP = 9,
    SFX_STAGEUP = 10,
    SFX_MOVING = 11,
    SFX_FALLING = 12,
    SFX_FIREBALL = 13,
    SFX_FLYING = 14,
    SFX_RAQUETTE1 = 15, // raquette1 … raquette5: 15 … 19
    SFX_RAQUETTE2 = 16,
    SFX_RAQUETTE3 = 17,
    SFX_RAQUETTE4 = 18,
    SFX_RAQUETTE5 = 19,
    SFX_MURDROIT = 20,
    SFX_MURHAUT = 21,
    SFX_MURGAUCHE = 22,
    SFX_BRIQUE1 = 23, // brique1 … brique4: 23 … 26
    SFX_BRIQUE2 = 24,
    SFX_BRIQUE3 = 25,
    SFX_BRIQUE4 = 26,
    SFX_LOST = 27,
    SFX_WIN = 28,
    SFX_GAMEOVER = 29,
    SFX_ROLLOVER = 30,
    SFX_CLICK = 31,
    SFX_BONUS = 32,
};

enum { SOUND_EFFECT_COUNT = 32, RAQUETTE_SOUND_COUNT = 5, BRIQUE_SOUND_COUNT = 4 };

// Music parts: the five tunes of the one module.
enum {
    MUSIC_PART_MENU = 0,
    MUSIC_PART_TUNE_A = 1,
    MUSIC_PART_TUNE_B = 2,
    MUSIC_PART_TUNE_C = 3,
    MUSIC_PART_END = 4,
    MUSIC_PART_COUNT = 5,
};

struct SoundBankTable {
    KSound* music;
    KSound* effects[SOUND_EFFECT_COUNT + 1]; // by SFX_* number; [0] unused
};

// File names as the game passes them, in load order (index = SFX_* number;
// [0] is the music module).
extern const char* const SoundBankFiles[SOUND_EFFECT_COUNT + 1];
// First order of each music part; any other part number plays part 0.
extern const int32_t MusicPartOrders[MUSIC_PART_COUNT];

// Written only by the sound bank; start-up sets SoundEnabled, TuneCounter.
extern SoundBankTable SoundBank;
extern bool SoundEnabled;
extern int16_t TuneCounter;

// Loads the music then the 32 effects in table order (only if SoundEnabled).
void LoadSoundBank();
// The same in parts: Begin loads the music and logs each effect; Continue,
// called once a frame, hands the decoding to a worker the first time (so it
// does not compete with the window's opening for the CPU) and, once the
// worker is through, gives each effect its voice, never waiting; Finish
// does the rest at once (at once when nothing is pending), decoding here
// what was never handed over. An effect plays nothing before it is
// finished; PlaySoundEffect finishes first.
void BeginLoadingSoundBank();
void ContinueLoadingSoundBank();
void FinishLoadingSoundBank();
// Always returns an object unless allocation fails; a failed load plays nothing.
KSound* LoadMusic(const char* fileName);
KSound* LoadSoundEffect(const char* fileName);
// Restarts the effect from its beginning; does nothing on none or while disabled.
void PlaySoundEffect(KSound* sound);
bool IsMusicPlaying();
void StopMusic();
void SetMusicVolume(int32_t volume);
// Holds the playing music where it is (true) or lets it go on from there
// (false); resuming starts nothing a pause did not hold.
void PauseMusic(bool paused);
// stopModule, setModuleOrder(part's order), playModule(true).
void PlayMusicPart(KSound* music, int32_t part);
// Start order of a part number (0 for anything but 1 to 4).
int32_t MusicPartOrder(int32_t part);

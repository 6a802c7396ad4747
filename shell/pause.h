// Pause: P stops and restarts play, and a window that loses its focus stops
// it. While paused nothing on the field moves, the stage clock and a held
// stage message wait, and the music holds its note.
#pragma once

extern bool Paused;
// Whether a focus loss pauses. The game's own loop turns it on; tests that
// share an X server, where each new window takes the focus, leave it off.
extern bool PauseOnFocusLoss;

// The states a pause can hold: play and its two held messages.
bool CanPause(int state);

// Starts or ends a pause at nowMs on the game clock. Ending one moves the
// stage clock's start and a held transition's due time on by its length,
// so the paused time counts nowhere. The music is held and let go with it.
void SetPaused(bool on, double nowMs);

// Once per frame, before anything is drawn or moved: a press of P toggles
// the pause in a play state, a focus loss starts one, and a pause outside
// the play states ends. Returns Paused.
bool UpdatePause();

#pragma once
// The game's sounds, all synthesised: the background loop and six effects,
// written below "sound/" as 16-bit PCM WAV files.
#include "content.h"

namespace contentgen {

// "sound/shriek.wav", "sound/wasser2.wav", "sound/rechen2.wav",
// "sound/spray.wav", "sound/au.wav", "sound/tot.wav".
void addSoundEffects(ContentSink& sink);

// "sound/hintergrund3.wav": a stereo loop whose end runs on into its start.
void addMusicLoop(ContentSink& sink);

}  // namespace contentgen

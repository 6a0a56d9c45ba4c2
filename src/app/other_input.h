#pragma once
// Input that is not a key reaches the game through one seam, so that a
// recording keeps it and a replay gives it to the game again at the same
// moment. The source calls deliverOtherInput; what the game does with it is
// the handler registered for its kind.
enum class OtherInputKind : int {
    WindowHidden = 1,  // reserved: the window went out of sight (1) or came back (0)
};

using OtherInputHandler = void (*)(int value);

// Registers what the game does with input of this kind (once, at start-up).
void setOtherInputHandler(OtherInputKind kind, OtherInputHandler handler);

// A live event: recorded, then handed to its handler. Ignored while a replay
// plays (the replay delivers the recorded ones).
void deliverOtherInput(OtherInputKind kind, int value);

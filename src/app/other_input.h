#pragma once
// Input that is not a key reaches the game through one seam, so that a
// recording keeps it and a replay gives it to the game again at the same
// moment. The source calls deliverOtherInput; what the game does with it is
// the handler registered for its kind.
enum class OtherInputKind : int {
    WindowHidden = 1,  // the window went out of sight (1) or came back (0)
};
constexpr int kOtherInputKinds = 256;  // kinds 0 to 255 can be recorded

using OtherInputHandler = void (*)(int value);

// Registers what the game does with input of this kind (once, at start-up).
void setOtherInputHandler(OtherInputKind kind, OtherInputHandler handler);

// Looked at before a live event reaches its handler: a recorder notes it, a
// replay drops it (it delivers the recorded ones). False: dropped.
using OtherInputGate = bool (*)(int kind, int value);
void setOtherInputGate(OtherInputGate gate);

// A live event: through the gate, then to its handler.
void deliverOtherInput(OtherInputKind kind, int value);

// An event straight to its handler (a replay's). False when the kind is out
// of range or has no handler.
bool handleOtherInput(int kind, int value);

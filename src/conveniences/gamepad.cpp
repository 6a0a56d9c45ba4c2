#include "conveniences/gamepad.h"

#include "app/game_state.h"
#include "app/keyboard.h"
#include "conveniences/pad_mapping.h"

#include <SDL.h>

#include <cstdlib>

namespace {

constexpr const char* kScriptedPadName = "Burrik script pad";

PadKeyHold padKeyHold = nullptr;

void sendKey(PadKey key, bool press)
{
    if (press && padKeyHold != nullptr && padKeyHold()) return;
    const PadKeyCode code = padKeyCode(key);
    if (code.special) deliverKeyEvent(press ? KeyEventKind::SpecialKey : KeyEventKind::SpecialKeyUp, code.code);
    else deliverKeyEvent(press ? KeyEventKind::Key : KeyEventKind::KeyUp, code.code);
}

struct Gamepad {
    bool started = false;
    SDL_GameController* controller = nullptr;
    SDL_JoystickID instance = -1;
    SDL_Joystick* scripted = nullptr;  // the virtual controller, while attached
    SDL_JoystickID scriptedInstance = -1;
    bool scriptedOnly = false;         // a script drives the pad: real ones are left alone
    PadMapping mapping{sendKey};
    PadPressFilter pressFilter = nullptr;
};

Gamepad pad;

bool acceptable(int deviceIndex)
{
    return SDL_IsGameController(deviceIndex) &&
           (!pad.scriptedOnly || SDL_JoystickGetDeviceInstanceID(deviceIndex) == pad.scriptedInstance);
}

void openController(int deviceIndex)
{
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (controller == nullptr) return;
    pad.controller = controller;
    pad.instance = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
}

void openFirstPluggedIn()
{
    for (int index = 0; index < SDL_NumJoysticks() && pad.controller == nullptr; ++index) {
        if (acceptable(index)) openController(index);
    }
}

void closeController()
{
    if (pad.controller == nullptr) return;
    pad.mapping.releaseAll();
    SDL_GameControllerClose(pad.controller);
    pad.controller = nullptr;
    pad.instance = -1;
}

}  // namespace

void stopGamepad()
{
    if (!pad.started) return;
    if (pad.controller != nullptr) SDL_GameControllerClose(pad.controller);
    pad.controller = nullptr;
    detachScriptedPad();
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    pad.started = false;
}

void startGamepad()
{
    if (pad.started) return;
    // SDL would turn SIGINT and SIGTERM into quit events that nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) return;  // no joystick support: no pad
    pad.started = true;
}

void pollGamepad()
{
    if (!pad.started) return;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
            if (pad.controller == nullptr && acceptable(event.cdevice.which)) openController(event.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            if (pad.controller != nullptr && event.cdevice.which == pad.instance) {
                closeController();
                openFirstPluggedIn();
            }
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            if (pad.controller != nullptr && event.cbutton.which == pad.instance) {
                if (event.type == SDL_CONTROLLERBUTTONDOWN && pad.pressFilter != nullptr &&
                    pad.pressFilter(event.cbutton.button))
                    break;
                pad.mapping.button(event.cbutton.button, event.type == SDL_CONTROLLERBUTTONDOWN,
                                   gameSession.gameState == Playing);
            }
            break;
        case SDL_CONTROLLERAXISMOTION:
            if (pad.controller != nullptr && event.caxis.which == pad.instance)
                pad.mapping.axis(event.caxis.axis, event.caxis.value);
            break;
        default: break;  // the joystick's own events, the sound device's, ...
        }
    }
}

void setPadPlayingButtonKeys(const PadButtonKeys& keys) { pad.mapping.setPlayingButtonKeys(keys); }

void setPadPressFilter(PadPressFilter filter) { pad.pressFilter = filter; }

void setPadKeyHold(PadKeyHold hold) { padKeyHold = hold; }

bool attachScriptedPad(std::string& error)
{
    if (!pad.started) {
        error = std::string("no joystick support (") + SDL_GetError() + ")";
        return false;
    }
    if (pad.scripted != nullptr) return true;
    SDL_VirtualJoystickDesc description;
    SDL_zero(description);
    description.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    description.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    description.naxes = SDL_CONTROLLER_AXIS_MAX;
    description.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    description.name = kScriptedPadName;
    const int index = SDL_JoystickAttachVirtualEx(&description);
    SDL_Joystick* joystick = index < 0 ? nullptr : SDL_JoystickOpen(index);
    if (joystick == nullptr) {
        error = std::string("no virtual controller (") + SDL_GetError() + ")";
        if (index >= 0) SDL_JoystickDetachVirtual(index);
        return false;
    }
    pad.scripted = joystick;
    pad.scriptedInstance = SDL_JoystickInstanceID(joystick);
    pad.scriptedOnly = true;
    if (pad.controller != nullptr) closeController();  // a real pad gives way
    // Its arrival is taken in at once, through the same path as a pad
    // plugged in, so the script's pad events of this frame count.
    pollGamepad();
    if (pad.controller == nullptr) {
        error = std::string("the virtual controller is no game controller (") + SDL_GetError() + ")";
        detachScriptedPad();
        return false;
    }
    return true;
}

void detachScriptedPad()
{
    if (pad.scripted == nullptr) return;
    SDL_JoystickClose(pad.scripted);
    pad.scripted = nullptr;
    for (int index = 0; index < SDL_NumJoysticks(); ++index) {
        if (SDL_JoystickGetDeviceInstanceID(index) == pad.scriptedInstance) {
            SDL_JoystickDetachVirtual(index);
            break;
        }
    }
    // The removal reaches pollGamepad as for a real pad.
}

void setScriptedPadButton(int button, bool pressed)
{
    if (pad.scripted != nullptr) SDL_JoystickSetVirtualButton(pad.scripted, button, pressed ? 1 : 0);
}

void setScriptedPadAxis(int axis, int value)
{
    if (pad.scripted != nullptr) SDL_JoystickSetVirtualAxis(pad.scripted, axis, static_cast<Sint16>(value));
}

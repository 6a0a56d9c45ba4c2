#include "conveniences/options_screen.h"

#include "app/game_state.h"
#include "app/screens.h"
#include "conveniences/bound_keys.h"
#include "conveniences/display.h"
#include "conveniences/pause.h"
#include "conveniences/screen_text.h"
#include "conveniences/settings.h"
#include "conveniences/sound_controls.h"
#include "platform/window.h"

#include <GL/freeglut.h>
#include <SDL_gamecontroller.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The rows, top to bottom.
enum Row : int { DisplayRow, VideoModeRow, MusicRow, VolumeRow, FirstActionRow };
constexpr int kRestoreRow = FirstActionRow + static_cast<int>(kActionCount);
constexpr int kBackRow = kRestoreRow + 1;
constexpr int kRowCount = kBackRow + 1;

enum class Column { Key, Pad };
enum class Capture { None, Key, Pad };

constexpr std::size_t kCellLength = 48;
constexpr std::size_t kMessageLength = 112;
using Cell = std::array<char, kCellLength>;

constexpr float kDimming = 0.4f;  // the menu's brightness behind the screen, as the pause's garden
constexpr float kTitleHeight = 0.06f;  // of the window's height
constexpr float kTextHeight = 0.024f;
constexpr float kRowStep = 0.04f;
constexpr float kTitleLineWidth = 3.0f;
constexpr float kTextLineWidth = 1.5f;
constexpr float kLabelColumn = 0.14f;  // of the window's width
constexpr float kKeyColumn = 0.48f;
constexpr float kPadColumn = 0.70f;
constexpr float kTitleY = 0.91f;  // of the window's height
constexpr float kFirstRowY = 0.83f;
constexpr float kMessageY = 0.07f;
constexpr float kHelpY = 0.03f;
constexpr float kHintY = 0.035f;  // the menus' hint
constexpr float kHintHeight = 0.03f;

constexpr const char* kTitle = "Options";
constexpr const char* kHelp = "Up/down: choose   Left/right or space: change   Escape: back";
constexpr const char* kMenuHint = "O or Y on a gamepad: options";

enum class OpenedOver { Menu, Pause };

struct OptionsScreen {
    bool act = false;
    bool open = false;
    OpenedOver over = OpenedOver::Menu;
    int row = DisplayRow;
    Column column = Column::Key;
    Capture capture = Capture::None;
    HeldKeys taken;  // presses it took, so their releases are its own too
    std::vector<std::string> modes;  // offered by the screen, read when it opens
    // The texts, made when something changes, so that drawing allocates nothing.
    std::array<Cell, kRowCount> labels{};
    std::array<Cell, kRowCount> values{};
    std::array<Cell, kRowCount> padValues{};
    std::array<char, kMessageLength> message{};
};

OptionsScreen screen;

void say(const std::string& text) { std::snprintf(screen.message.data(), screen.message.size(), "%s", text.c_str()); }

void setCell(Cell& cell, const std::string& text) { std::snprintf(cell.data(), cell.size(), "%s", text.c_str()); }

Action actionOfRow(int row) { return static_cast<Action>(row - FirstActionRow); }
bool isActionRow(int row) { return row >= FirstActionRow && row < kRestoreRow; }

void makeTexts()
{
    setCell(screen.labels[DisplayRow], "Display");
    setCell(screen.values[DisplayRow], displayFullScreen() ? "Full screen" : "Window");
    setCell(screen.labels[VideoModeRow], "Video mode");
    setCell(screen.values[VideoModeRow], chosenVideoMode());
    setCell(screen.labels[MusicRow], "Music");
    setCell(screen.values[MusicRow], musicHeard() ? "On" : "Off");
    setCell(screen.labels[VolumeRow], "Sound volume");
    setCell(screen.values[VolumeRow], std::to_string(soundVolumeHeard()) + " of " + std::to_string(kSoundVolumeSteps));
    const KeyBindings& bindings = currentBindings();
    for (int row = FirstActionRow; row < kRestoreRow; ++row) {
        const auto slot = static_cast<std::size_t>(row - FirstActionRow);
        setCell(screen.labels[static_cast<std::size_t>(row)], actionTitle(actionOfRow(row)));
        std::string key = shownKeyName(bindings.keys[slot]);
        const KeyCode gameKey = gameKeyOf(actionOfRow(row));
        if (bindings.keys[slot] == gameKey && actionOfRow(row) == Action::Water) key += " or Page Up";
        if (bindings.keys[slot] == gameKey && actionOfRow(row) == Action::Spray) key += " or Home";
        std::string pad = shownPadButtonName(bindings.padButtons[slot]);
        if (actionOfRow(row) == Action::Strike && bindings.padButtons[slot] == SDL_CONTROLLER_BUTTON_A) pad += " or D-pad down";
        if (row == screen.row && screen.capture == Capture::Key) key = "press a key...";
        if (row == screen.row && screen.capture == Capture::Pad) pad = "press a button...";
        setCell(screen.values[static_cast<std::size_t>(row)], key);
        setCell(screen.padValues[static_cast<std::size_t>(row)], pad);
    }
    setCell(screen.labels[kRestoreRow], "Restore the default keys");
    setCell(screen.labels[kBackRow], "Back");
}

void close()
{
    screen.open = false;
    screen.capture = Capture::None;
}

void open(OpenedOver over)
{
    screen.open = true;
    screen.over = over;
    screen.row = DisplayRow;
    screen.column = Column::Key;
    screen.capture = Capture::None;
    screen.modes = offeredVideoModes();
    say("");
    makeTexts();
}

// Where o opens the screen: the two menus and the pause screen.
bool mayOpen() { return screen.act && (gameSession.gameState == StartMenu || gameSession.gameState == Menu || gamePaused()); }

OpenedOver openingOver() { return gamePaused() ? OpenedOver::Pause : OpenedOver::Menu; }

// The game's own sound keys, as if the player had pressed them.
void pressGameKey(KeyEventKind press, KeyEventKind release, int key)
{
    deliverKeyEvent(press, key);
    deliverKeyEvent(release, key);
}

void stepVideoMode(int step)
{
    if (screen.modes.empty()) {
        say("The screen names no video modes");
        return;
    }
    const auto found = std::find(screen.modes.begin(), screen.modes.end(), chosenVideoMode());
    const int count = static_cast<int>(screen.modes.size());
    int index = found == screen.modes.end() ? (step > 0 ? -1 : 0) : static_cast<int>(found - screen.modes.begin());
    index = ((index + step) % count + count) % count;
    const std::string& mode = screen.modes[static_cast<std::size_t>(index)];
    say(mode + ": " + chooseVideoMode(mode));
}

// Left (-1), right (+1) or space (0) on the chosen row.
void change(int step)
{
    switch (screen.row) {
    case DisplayRow:
        toggleFullScreen();
        say(displayFullScreen() ? "Full screen" : "A window");
        break;
    case VideoModeRow: stepVideoMode(step == 0 ? 1 : step); break;
    case MusicRow: pressGameKey(KeyEventKind::SpecialKey, KeyEventKind::SpecialKeyUp, kKeyMusicOnOff); break;
    case VolumeRow: {
        const int volume = soundVolumeHeard();
        if (step < 0 || (step == 0 && volume == kSoundVolumeSteps)) {
            // Space past the loudest starts again from silence.
            const int times = step < 0 ? 1 : kSoundVolumeSteps;
            for (int i = 0; i < times; ++i) pressGameKey(KeyEventKind::Key, KeyEventKind::KeyUp, kKeySoundsQuieter);
        } else {
            pressGameKey(KeyEventKind::Key, KeyEventKind::KeyUp, kKeySoundsLouder);
        }
        break;
    }
    case kRestoreRow:
        if (step == 0) {
            changeBindings(defaultBindings());
            say("The default keys and buttons are back");
        }
        break;
    case kBackRow:
        if (step == 0) close();
        break;
    default:
        if (!isActionRow(screen.row)) break;
        if (step != 0) {
            screen.column = screen.column == Column::Key ? Column::Pad : Column::Key;
        } else {
            screen.capture = screen.column == Column::Key ? Capture::Key : Capture::Pad;
            say(std::string("Press the new ") + (screen.capture == Capture::Key ? "key" : "pad button") + " for " +
                actionTitle(actionOfRow(screen.row)) + " (escape: keep the old one)");
        }
        break;
    }
}

void bindKey(KeyCode key)
{
    const Action action = actionOfRow(screen.row);
    screen.capture = Capture::None;
    const std::string refusal = refusalOfKey(currentBindings(), action, key);
    if (!refusal.empty()) {
        say("Refused: " + refusal);
        return;
    }
    KeyBindings bindings = currentBindings();
    bindings.keys[static_cast<std::size_t>(action)] = key;
    changeBindings(bindings);
    say(std::string(actionTitle(action)) + ": " + shownKeyName(key));
}

void bindPadButton(int button)
{
    const Action action = actionOfRow(screen.row);
    screen.capture = Capture::None;
    const std::string refusal = refusalOfPadButton(currentBindings(), action, button);
    if (!refusal.empty()) {
        say("Refused: " + refusal);
        return;
    }
    KeyBindings bindings = currentBindings();
    bindings.padButtons[static_cast<std::size_t>(action)] = button;
    changeBindings(bindings);
    say(std::string(actionTitle(action)) + ": " + shownPadButtonName(button));
}

void cancelCapture()
{
    screen.capture = Capture::None;
    say("Kept as it was");
}

void moveRow(int step) { screen.row = std::clamp(screen.row + step, 0, kRowCount - 1); }

// A key pressed while open.
void onKeyPress(KeyCode key)
{
    const bool escape = !key.special && key.code == kKeyEscape;
    if (screen.capture == Capture::Key) {
        if (escape) cancelCapture();
        else bindKey(key);
        return;
    }
    if (screen.capture == Capture::Pad) {
        if (escape) cancelCapture();
        return;
    }
    if (escape) {
        close();
        return;
    }
    if (key.special) {
        switch (key.code) {
        case GLUT_KEY_UP: moveRow(-1); break;
        case GLUT_KEY_DOWN: moveRow(1); break;
        case GLUT_KEY_LEFT: change(-1); break;
        case GLUT_KEY_RIGHT: change(1); break;
        default: break;
        }
    } else if (key.code == kKeySpace || key.code == '\r') {
        change(0);
    }
}

void drawBackdrop(int width, int height)
{
    if (screen.over == OpenedOver::Pause) {
        preparePausePicture(width, height);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        PixelSpace pixels;
        drawPausePicture(width, height);
        return;
    }
    // The menu as the game draws it, then dimmed as the pause dims the garden.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    drawPictureScreen(gameSession.gameState, gameSession.menuChoice);
    glPopMatrix();
    PixelSpace pixels;
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f - kDimming);
    fillPixelRect(0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height));
}

void drawRows(float w, float h)
{
    const float textHeight = h * kTextHeight;
    float y = h * kFirstRowY;
    for (int row = 0; row < kRowCount; ++row) {
        if (row == FirstActionRow) {
            // The column heads of the controls.
            glColor3f(0.7f, 0.7f, 0.7f);
            drawPixelText("Controls", w * kLabelColumn, y, textHeight, kTextLineWidth, TextAlign::Left);
            drawPixelText("Key", w * kKeyColumn, y, textHeight, kTextLineWidth, TextAlign::Left);
            drawPixelText("Pad", w * kPadColumn, y, textHeight, kTextLineWidth, TextAlign::Left);
            y -= h * kRowStep;
        }
        const auto slot = static_cast<std::size_t>(row);
        const bool chosen = row == screen.row;
        const bool action = isActionRow(row);
        auto colour = [&](bool lit) {
            if (lit) glColor3f(1.0f, 1.0f, 0.0f);  // the HUD's yellow
            else glColor3f(1.0f, 1.0f, 1.0f);
        };
        colour(chosen && !action);
        if (chosen && action) glColor3f(1.0f, 0.85f, 0.4f);
        drawPixelText(screen.labels[slot].data(), w * kLabelColumn, y, textHeight, kTextLineWidth, TextAlign::Left);
        colour(chosen && (!action || screen.column == Column::Key));
        drawPixelText(screen.values[slot].data(), w * kKeyColumn, y, textHeight, kTextLineWidth, TextAlign::Left);
        if (action) {
            colour(chosen && screen.column == Column::Pad);
            drawPixelText(screen.padValues[slot].data(), w * kPadColumn, y, textHeight, kTextLineWidth, TextAlign::Left);
        }
        y -= h * kRowStep;
    }
}

}  // namespace

void startOptionsScreen(bool act)
{
    screen = OptionsScreen{};
    screen.act = act;
}

bool optionsScreenOpen() { return screen.open; }

bool optionsScreenKeyTaken(KeyEventKind kind, int key)
{
    const bool special = kind == KeyEventKind::SpecialKey || kind == KeyEventKind::SpecialKeyUp;
    const KeyCode code{special, key};
    if (kind == KeyEventKind::KeyUp || kind == KeyEventKind::SpecialKeyUp) {
        KeyCode delivered{};
        bool dropped = false;
        return screen.taken.release(code, delivered, dropped);
    }
    if (!screen.open) {
        if (special || key != kKeyOptions || !mayOpen()) return false;
        open(openingOver());
    } else {
        onKeyPress(code);
        if (screen.open) makeTexts();
    }
    screen.taken.press(code, code, true);
    return true;
}

bool optionsScreenPadPress(int sdlButton)
{
    if (!screen.open) {
        if (sdlButton != SDL_CONTROLLER_BUTTON_Y || !mayOpen()) return false;
        open(openingOver());
        return true;
    }
    if (screen.capture == Capture::Pad) {
        if (sdlButton == SDL_CONTROLLER_BUTTON_BACK) cancelCapture();
        else bindPadButton(sdlButton);
    } else if (screen.capture == Capture::Key) {
        if (sdlButton == SDL_CONTROLLER_BUTTON_BACK) cancelCapture();
    } else {
        switch (sdlButton) {
        case SDL_CONTROLLER_BUTTON_DPAD_UP: moveRow(-1); break;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN: moveRow(1); break;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT: change(-1); break;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: change(1); break;
        case SDL_CONTROLLER_BUTTON_A:
        case SDL_CONTROLLER_BUTTON_START: change(0); break;
        case SDL_CONTROLLER_BUTTON_B:
        case SDL_CONTROLLER_BUTTON_BACK: close(); break;
        default: break;
        }
    }
    if (screen.open) makeTexts();
    return true;
}

bool optionsScreenHoldsPadKeys() { return screen.open; }

bool drawOptionsScreen()
{
    if (!screen.open) return false;
    // What it was opened over went away by other input than the player's
    // (the autopilot starts a game from the menu): the screen goes with it.
    const bool menu = gameSession.gameState == StartMenu || gameSession.gameState == Menu;
    if ((screen.over == OpenedOver::Menu && !menu) || (screen.over == OpenedOver::Pause && !gamePaused())) {
        close();
        return false;
    }
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int width = viewport[2];
    const int height = viewport[3];
    if (width <= 0 || height <= 0) return true;
    drawBackdrop(width, height);
    {
        PixelSpace pixels;
        const float w = static_cast<float>(width);
        const float h = static_cast<float>(height);
        glColor3f(1.0f, 1.0f, 0.0f);
        drawPixelText(kTitle, w / 2.0f, h * kTitleY, h * kTitleHeight, kTitleLineWidth, TextAlign::Centre);
        drawRows(w, h);
        glColor3f(1.0f, 0.85f, 0.4f);
        drawPixelText(screen.message.data(), w / 2.0f, h * kMessageY, h * kTextHeight, kTextLineWidth, TextAlign::Centre);
        glColor3f(0.8f, 0.8f, 0.8f);
        drawPixelText(kHelp, w / 2.0f, h * kHelpY, h * kTextHeight * 0.85f, kTextLineWidth, TextAlign::Centre);
    }
    presentFrame();
    return true;
}

void drawOptionsHint(int gameState)
{
    if (!screen.act || (gameState != StartMenu && gameState != Menu)) return;
    PixelSpace pixels;
    const float w = static_cast<float>(pixels.width());
    const float h = static_cast<float>(pixels.height());
    glColor3f(1.0f, 1.0f, 1.0f);
    drawPixelText(kMenuHint, w / 2.0f, h * kHintY, h * kHintHeight, kTextLineWidth, TextAlign::Centre);
}

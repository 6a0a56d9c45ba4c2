#pragma once
// The names of keys, one table for every text that names a key: a key
// script's lines and the player's key bindings in settings.ini. A character
// from '!' to '~' is its own name; the others are space, escape, left, right,
// up, down, pageup, pagedown, home and f1 to f12.
#include <optional>
#include <string>
#include <string_view>

// A key as the toolkit reports it: a GLUT special key (arrows, page up,
// function keys) or a character code.
struct KeyCode {
    bool special = false;
    int code = 0;
    friend bool operator==(const KeyCode&, const KeyCode&) = default;
};

std::optional<KeyCode> keyFromName(std::string_view name);

// The name keyFromName reads back; empty for a key without a name.
std::string keyName(KeyCode key);

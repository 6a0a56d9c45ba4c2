#pragma once
// The four keyboard callbacks: state changes, held-key flags, option keys and
// the start of the gardener's actions.

constexpr unsigned char kKeyEscape = 27;
constexpr unsigned char kKeySpace = ' ';

void onKey(unsigned char key, int x, int y);
void onKeyUp(unsigned char key, int x, int y);
void onSpecialKey(int key, int x, int y);
void onSpecialKeyUp(int key, int x, int y);

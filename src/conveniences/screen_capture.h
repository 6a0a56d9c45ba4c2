#pragma once
// F12: the frame on screen saved as a PNG in Burrik/ under the desktop's
// pictures folder (xdg-user-dir PICTURES, ~/Pictures without it), named by
// the date and time, and a note naming the file over the frames of the next
// two seconds. The frame saved is the next one drawn after the key, as it is
// shown, without any note; the note's lifetime is counted in frames at the
// tick rate, so a scripted run's frames never depend on the wall clock.
// Neither the key nor the file touches the game.
#include "app/keyboard.h"

#include <GL/freeglut.h>

#include <string>

constexpr int kKeyScreenshot = GLUT_KEY_F12;

// The tick rate, for the note's two seconds.
void startScreenCapture(int ticksPerSecond);

// F12's press asks for the next frame; both are taken.
bool screenCaptureKeyTaken(KeyEventKind kind, int key);

// Before present, after the run's own screenshots: the frame asked for.
void saveRequestedFrame();
// Before present, last: the note over the frame while it lasts. What lies
// under it is kept, and put back into the back buffer by
// removeNoteFromLastFrame before the next frame is drawn, so that a picture
// taken of the last frame (the pause's) shows no note.
void drawScreenshotNote();
void removeNoteFromLastFrame();

// Told of each picture saved, by its path (the browser offers it as a
// download: the page's folders are the browser's memory).
using SavedPictureListener = void (*)(const std::string& path);
void setSavedPictureListener(SavedPictureListener listener);

// The folder the pictures go to.
std::string screenshotFolder();

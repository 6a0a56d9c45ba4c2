#include "conveniences/screen_capture.h"

#include "app/main_loop.h"
#include "conveniences/screen_text.h"
#include "platform/screenshot.h"
#include "platform/window.h"

#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr int kNoteSeconds = 2;
constexpr std::size_t kNoteLength = 160;
constexpr float kNoteHeight = 0.028f;  // of the window's height
constexpr float kNoteLineWidth = 1.5f;
constexpr float kNoteBaseY = 0.94f;
constexpr float kNoteBand = 0.05f;     // the band behind the text
constexpr float kNoteMargin = 0.02f;   // of the window's width
constexpr int kMostSameNames = 99;

struct NoteBackground {
    GLuint texture = 0;
    int textureWidth = 0;
    int textureHeight = 0;
    int x = 0, y = 0, width = 0, height = 0;  // of the window's pixels kept
    bool kept = false;
};

struct ScreenCapture {
    int ticksPerSecond = 60;
    bool requested = false;
    long noteUntilFrame = -1;
    std::array<char, kNoteLength> note{};
    NoteBackground background;
    std::string folder;  // found at the first F12
};

ScreenCapture capture;
SavedPictureListener savedPictureListener = nullptr;

int powerOfTwoAtLeast(int size)
{
    int side = 1;
    while (side < size) side *= 2;
    return side;
}

std::string picturesFolder()
{
    std::string folder;
    if (std::FILE* pipe = ::popen("xdg-user-dir PICTURES 2>/dev/null", "r")) {
        std::array<char, 4096> line{};
        if (std::fgets(line.data(), static_cast<int>(line.size()), pipe) != nullptr) folder = line.data();
        ::pclose(pipe);
    }
    while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\r')) folder.pop_back();
    const char* home = std::getenv("HOME");
    // xdg-user-dir answers the home folder itself when it has no pictures folder.
    if (folder.empty() || folder[0] != '/' || (home != nullptr && fs::path(folder) == fs::path(home))) {
        if (home == nullptr || home[0] != '/') return {};
        folder = (fs::path(home) / "Pictures").string();
    }
    return folder;
}

// PATH/burrik-2026-12-08-191709.png, or -2, -3, ... after it when two come in one second.
std::string freeFileName(const fs::path& folder)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::array<char, 64> stamp{};
    std::strftime(stamp.data(), stamp.size(), "burrik-%Y-%m-%d-%H%M%S", &local);
    std::error_code error;
    for (int copy = 1; copy <= kMostSameNames; ++copy) {
        std::string name = stamp.data();
        if (copy > 1) name += "-" + std::to_string(copy);
        const fs::path path = folder / (name + ".png");
        if (!fs::exists(fs::symlink_status(path, error))) return path.string();
    }
    return {};
}

void showNote(const std::string& text)
{
    std::snprintf(capture.note.data(), capture.note.size(), "%s", text.c_str());
    capture.noteUntilFrame = framesRun() + static_cast<long>(kNoteSeconds) * capture.ticksPerSecond;
}

void keepBackground(int x, int y, int width, int height)
{
    NoteBackground& kept = capture.background;
    if (kept.texture == 0) glGenTextures(1, &kept.texture);
    glBindTexture(GL_TEXTURE_2D, kept.texture);
    if (width > kept.textureWidth || height > kept.textureHeight) {
        kept.textureWidth = powerOfTwoAtLeast(width);
        kept.textureHeight = powerOfTwoAtLeast(height);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kept.textureWidth, kept.textureHeight, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    glReadBuffer(GL_BACK);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, x, y, width, height);
    kept.x = x;
    kept.y = y;
    kept.width = width;
    kept.height = height;
    kept.kept = true;
}

}  // namespace

void startScreenCapture(int ticksPerSecond)
{
    capture.ticksPerSecond = ticksPerSecond > 0 ? ticksPerSecond : capture.ticksPerSecond;
}

bool screenCaptureKeyTaken(KeyEventKind kind, int key)
{
    if (key != kKeyScreenshot) return false;
    if (kind == KeyEventKind::SpecialKey) {
        capture.requested = true;
        // A run that draws only when the toolkit asks draws the frame to save now.
        requestRedisplay();
        return true;
    }
    return kind == KeyEventKind::SpecialKeyUp;
}

std::string screenshotFolder()
{
    if (capture.folder.empty()) {
        const std::string pictures = picturesFolder();
        if (!pictures.empty()) capture.folder = (fs::path(pictures) / "Burrik").string();
    }
    return capture.folder;
}

void setSavedPictureListener(SavedPictureListener listener) { savedPictureListener = listener; }

void saveRequestedFrame()
{
    if (!capture.requested) return;
    capture.requested = false;
    const std::string folder = screenshotFolder();
    if (folder.empty()) {
        showNote("No screenshot: no pictures folder (HOME is not set)");
        return;
    }
    std::error_code error;
    fs::create_directories(folder, error);
    const std::string path = error ? std::string() : freeFileName(folder);
    if (path.empty()) {
        std::fprintf(stderr, "burrik: cannot make the screenshot folder %s (%s)\n", folder.c_str(), error.message().c_str());
        showNote("No screenshot: the folder " + folder + " cannot be made");
        return;
    }
    // Written whole beside its name, then renamed: never a half picture.
    const std::string temporary = path + ".tmp." + std::to_string(::getpid());
    glFinish();
    glReadBuffer(GL_BACK);
    if (!writeScreenshotPng(temporary, windowWidth(), windowHeight()) || std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int code = errno;
        std::remove(temporary.c_str());
        std::fprintf(stderr, "burrik: cannot write the screenshot %s (%s)\n", path.c_str(), std::strerror(code));
        showNote("No screenshot: " + path + " cannot be written");
        return;
    }
    std::printf("burrik: screenshot %s\n", path.c_str());
    std::fflush(stdout);
    if (savedPictureListener != nullptr) savedPictureListener(path);
    showNote("Saved " + path);
}

void drawScreenshotNote()
{
    if (framesRun() >= capture.noteUntilFrame) return;
    PixelSpace pixels;
    const float w = static_cast<float>(pixels.width());
    const float h = static_cast<float>(pixels.height());
    if (w <= 0.0f || h <= 0.0f) return;
    float textHeight = h * kNoteHeight;
    const float room = w * (1.0f - 2.0f * kNoteMargin);
    const float width = pixelTextWidth(capture.note.data(), textHeight);
    if (width > room) textHeight *= room / width;
    const float bottom = h * (kNoteBaseY - kNoteBand / 3.0f);
    const float top = bottom + h * kNoteBand;
    const int keptBottom = static_cast<int>(bottom);
    const int keptTop = std::min(pixels.height(), static_cast<int>(top) + 1);
    keepBackground(0, keptBottom, pixels.width(), keptTop - keptBottom);
    glColor4f(0.0f, 0.0f, 0.0f, 0.6f);
    fillPixelRect(0.0f, bottom, w, top);
    glColor3f(1.0f, 1.0f, 1.0f);
    drawPixelText(capture.note.data(), w / 2.0f, h * kNoteBaseY, textHeight, kNoteLineWidth, TextAlign::Centre);
}

void removeNoteFromLastFrame()
{
    NoteBackground& kept = capture.background;
    if (!kept.kept) return;
    kept.kept = false;
    PixelSpace pixels;
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, kept.texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    const float right = static_cast<float>(kept.width) / static_cast<float>(kept.textureWidth);
    const float top = static_cast<float>(kept.height) / static_cast<float>(kept.textureHeight);
    const auto x0 = static_cast<float>(kept.x);
    const auto y0 = static_cast<float>(kept.y);
    const auto x1 = static_cast<float>(kept.x + kept.width);
    const auto y1 = static_cast<float>(kept.y + kept.height);
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f); glVertex2f(x0, y0);
    glTexCoord2f(right, 0.0f); glVertex2f(x1, y0);
    glTexCoord2f(right, top); glVertex2f(x1, y1);
    glTexCoord2f(0.0f, top); glVertex2f(x0, y1);
    glEnd();
}

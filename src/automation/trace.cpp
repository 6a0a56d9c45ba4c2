#include "automation/trace.h"

#include "app/camera.h"
#include "app/game_state.h"
#include "app/hud.h"
#include "app/tick.h"
#include "audio/game_sounds.h"
#include "character/gardener.h"
#include "effects/particles.h"
#include "conveniences/pause.h"
#include "conveniences/sound_controls.h"
#include "garden/flower_bed.h"
#include "garden/mole.h"
#include "garden/rake.h"

#include <cmath>
#include <cstdarg>

namespace {

constexpr std::size_t kLineCapacity = 16384;

void appendf(std::string& out, const char* format, ...)
{
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (written > 0) out.append(buffer, static_cast<std::size_t>(written) < sizeof buffer ? written : sizeof buffer - 1);
}

// JSON has no NaN or infinity.
double jsonNumber(double value) { return std::isfinite(value) ? value : 0.0; }

// A part's current animation by name (empty without a table) and its frame.
void appendAnimation(std::string& out, const char* part, const MeshModel& model)
{
    const char* name = "";
    if (model.currentAnimation >= 0 && static_cast<std::size_t>(model.currentAnimation) < model.animations.size()) {
        name = model.animations[static_cast<std::size_t>(model.currentAnimation)].name.c_str();
    }
    appendf(out, "\"%s\":{\"animation\":\"", part);
    // Names come from the configuration file: keep only what JSON takes plainly.
    for (const char* c = name; *c != '\0'; ++c) {
        if (*c != '"' && *c != '\\' && static_cast<unsigned char>(*c) >= 0x20) out.push_back(*c);
    }
    appendf(out, "\",\"frame\":%d}", model.currentFrame);
}

}  // namespace

void formatTraceLine(long frame, std::string& out)
{
    out.clear();
    appendf(out, "{\"frame\":%ld,\"state\":\"%s\",\"paused\":%s,\"menuChoice\":%d,\"level\":%d,\"score\":%d,",
            frame, gameStateName(gameSession.gameState), gamePaused() ? "true" : "false", gameSession.menuChoice,
            gameSession.level, hud.score);
    appendf(out, "\"molesLeft\":%d,\"secondsLeft\":%d,\"flowers\":[", gameSession.molesLeft,
            hud.clock.secondsLeft);
    for (int i = 0; i < kFlowerCount; ++i) {
        const Flower& flower = flowerBed[i];
        const std::string_view name = flowerStateName(flowerState(flower));
        appendf(out, "%s{\"state\":\"%.*s\",\"eaten\":%d}", i ? "," : "", static_cast<int>(name.size()),
                name.data(), flowerEatenStage(flower));
    }
    appendf(out, "],\"gardener\":{\"x\":%.3f,\"y\":%.3f,\"z\":%.3f,\"heading\":%.3f,", jsonNumber(gardener.position.x),
            jsonNumber(gardener.position.y), jsonNumber(gardener.position.z), jsonNumber(gardener.heading));
    appendf(out, "\"busy\":%d,\"falling\":%d,\"dying\":%s,\"stepAllowed\":%s,", gardener.busy, gardener.falling,
            gardener.dying ? "true" : "false", gardener.stepAllowed ? "true" : "false");
    appendf(out, "\"waterEffect\":%s,\"sprayEffect\":%s,\"effectVisible\":%s,\"effectFinished\":%s,",
            gardener.waterEffect ? "true" : "false", gardener.sprayEffect ? "true" : "false",
            gardener.effectVisible ? "true" : "false", gardener.effectFinished ? "true" : "false");
    appendAnimation(out, "legs", gardener.character.lower);
    out.push_back(',');
    appendAnimation(out, "torso", gardener.character.upper);
    out.append("},\"rakes\":[");
    for (int i = 0; i < kRakeCount; ++i) {
        const Rake& rake = rakes[i];
        appendf(out, "%s{\"x\":%.3f,\"z\":%.3f,\"heading\":%.3f,\"swing\":%.3f}", i ? "," : "",
                jsonNumber(rake.placement.position.x), jsonNumber(rake.placement.position.z),
                jsonNumber(rake.placement.heading), jsonNumber(rake.swingAngle));
    }
    appendf(out, "],\"actions\":{\"striking\":%d,\"walking\":%d,\"watering\":%d,\"spraying\":%d,\"dancing\":%d},",
            actionFlags.striking, actionFlags.walking, actionFlags.watering, actionFlags.spraying,
            actionFlags.dancing);
    const ChaseCamera& camera = chaseCamera;
    appendf(out, "\"camera\":{\"yaw\":%.4f,\"pitch\":%.4f,\"eye\":[%.3f,%.3f,%.3f]},", jsonNumber(camera.yaw),
            jsonNumber(camera.pitch), jsonNumber(camera.eye.x), jsonNumber(camera.eye.y), jsonNumber(camera.eye.z));
    appendf(out, "\"options\":{\"useDisplayLists\":%d,\"useVertexArrays\":%d,\"wireframe\":%d,\"mipmapping\":%d,"
                 "\"filterMode\":%d,\"showFps\":%d},",
            renderOptions.useDisplayLists, renderOptions.useVertexArrays, renderOptions.wireframe,
            renderOptions.mipmapping, renderOptions.filterMode, renderOptions.showFps);
    // After the camera, so that the first "pitch" of a line stays the camera's.
    appendf(out, "\"moles\":[");
    bool firstMole = true;
    for (const Mole* mole = moleList.get(); mole; mole = mole->next.get()) {
        const std::string_view name = moleStateName(moleState(*mole));
        const Vector3 p = mole->placement.position;
        appendf(out, "%s{\"id\":%d,\"state\":\"%.*s\",\"x\":%.3f,\"y\":%.3f,\"z\":%.3f,\"hungry\":%d,",
                firstMole ? "" : ",", mole->id, static_cast<int>(name.size()), name.data(), jsonNumber(p.x),
                jsonNumber(p.y), jsonNumber(p.z), mole->hungry);
        appendf(out, "\"satiety\":%.4f,\"pitch\":%.3f,\"roll\":%.3f,\"flies\":%d}", jsonNumber(mole->satiety),
                jsonNumber(mole->pitch), jsonNumber(mole->roll), mole->flies);
        firstMole = false;
    }
    appendf(out, "],");
    appendf(out, "\"flowerUpdates\":%llu,", static_cast<unsigned long long>(flowerUpdateCount));
    out.append("\"sounds\":[");
    const std::uint32_t started = takeStartedSounds();
    bool first = true;
    for (int i = 0; i < kGameSoundCount; ++i) {
        if ((started & (1u << i)) == 0) continue;
        appendf(out, "%s\"%s\"", first ? "" : ",", gameSoundPath(static_cast<GameSound>(i)));
        first = false;
    }
    appendf(out, "],\"musicHeard\":%s,\"soundVolume\":%d", musicHeard() ? "true" : "false", soundVolumeHeard());
    appendf(out, ",\"particles\":{\"spray\":%d,\"water\":%d,\"flies\":%d},", liveSprayParticles(),
            liveWaterParticles(), fliesActive() ? 1 : 0);
    appendf(out, "\"frameSeconds\":%.6f,\"fps\":%.3f}", jsonNumber(frameSeconds), jsonNumber(fpsMeter.fps));
}

TraceWriter::~TraceWriter() { close(); }

bool TraceWriter::open(const std::string& path)
{
    close();
    file_ = std::fopen(path.c_str(), "w");
    line_.reserve(kLineCapacity);
    return file_ != nullptr;
}

void TraceWriter::writeTick(long frame)
{
    if (file_ == nullptr) return;
    formatTraceLine(frame, line_);
    line_.push_back('\n');
    std::fwrite(line_.data(), 1, line_.size(), file_);
}

void TraceWriter::close()
{
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
}

// Costs of the flower bed and the rakes per tick, and of the model reload at
// a bite or round set-up.
#include "assets/model_3ds.h"
#include "garden/flower_bed.h"
#include "garden/rake.h"
#include "platform/message_box.h"
#include "platform/random.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

constexpr float kTick = 1.0f / 60.0f;

// Runs in the generated data folder; false when the flower models are missing.
bool enterDataFolder()
{
    setDialogsEnabled(false);
    std::error_code error;
    std::filesystem::current_path(BURRIK_DATA_DIR, error);
    return !error && std::filesystem::exists("modelle/blumen_gesund.3ds");
}

// One tick of ageing with range(0) moles listed: the whole bed once per mole.
void BM_AgeBedPerTick(benchmark::State& state)
{
    seedRandom(1);
    for (Flower& flower : flowerBed) resetFlower(flower, 3);
    const auto moles = state.range(0);
    constexpr std::int64_t kTicksPerRound = 4096;  // a fresh bed now and then keeps most flowers alive
    std::int64_t tick = 0;
    for (auto _ : state) {
        if (++tick % kTicksPerRound == 0) {
            for (Flower& flower : flowerBed) resetFlower(flower, 3);
        }
        for (std::int64_t mole = 0; mole < moles; ++mole) {
            for (Flower& flower : flowerBed) {
                if (flowerState(flower) != FlowerState::Gone) updateFlower(flower, kTick, 3);
            }
        }
        benchmark::DoNotOptimize(flowerBed[0].calmCountdown);
    }
    state.SetItemsProcessed(state.iterations() * moles * kFlowerCount);
}
BENCHMARK(BM_AgeBedPerTick)->Arg(4)->Arg(8)->Arg(16);

// A bite's reload: the flower's own model read again from disk.
void BM_ReloadFlowerModel(benchmark::State& state)
{
    if (!enterDataFolder()) {
        state.SkipWithError("generated flower models not found");
        return;
    }
    Flower flower;
    resetFlower(flower, 0);
    for (auto _ : state) {
        reloadFlowerModel(flower);
        benchmark::DoNotOptimize(flower.model.objects.data());
    }
}
BENCHMARK(BM_ReloadFlowerModel)->Unit(benchmark::kMicrosecond);

// Starting a change of form: one step per vertex against the shared target model.
void BM_StartChangeOfForm(benchmark::State& state)
{
    if (!enterDataFolder()) {
        state.SkipWithError("generated flower models not found");
        return;
    }
    Model3dsReader reader;
    const auto dryIndex = static_cast<std::size_t>(flowerModelIndex(FlowerState::Dry1, 0));
    flowerModels[dryIndex] = MeshModel{};
    reader.import(flowerModels[dryIndex], flowerModelPath(FlowerState::Dry1, 0));
    Flower flower;
    resetFlower(flower, 0);
    reloadFlowerModel(flower);
    for (auto _ : state) {
        flower.state = FlowerState::Healthy;
        flower.changing = false;
        changeFlowerState(flower, FlowerState::Dry1);
        benchmark::DoNotOptimize(flower.steps.data());
    }
    state.counters["vertices"] = static_cast<double>(flower.steps.size());
}
BENCHMARK(BM_StartChangeOfForm);

// The gardener's trap test against all eight rakes (24 sphere sweeps at most).
void BM_RakeTrapPerStep(benchmark::State& state)
{
    seedRandom(7);
    placeRakes();
    const Vector3 gardener{0.0f, 24.0f, 0.0f};
    const Vector3 step{1.25f, 0.0f, 0.0f};
    for (auto _ : state) {
        int hits = 0;
        for (const Rake& rake : rakes) {
            float distance = 0.0f;
            if (firstTineHit(rake, gardener, kGardenerTineRadius, step, distance) && stepsOnTines(rake, step))
                ++hits;
        }
        benchmark::DoNotOptimize(hits);
    }
}
BENCHMARK(BM_RakeTrapPerStep);

}  // namespace

// Pick-up checks of one race frame: 13 race units each tested against a bonus list of 50 objects
// (pick-ups with their glow children, bumpers, pads, barriers and halos) spread over the track, as
// CPPlayer::ApplyBonus runs at the end of every unit update. Reported per frame.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "simulation/units/CPPlayer.h"
#include "support/BonusRig.h"

namespace {

constexpr int kUnits = 13;
constexpr int kBonuses = 50;

struct Race {
    BonusRig rig;
    std::vector<CPPlayer*> units;

    Race() {
        const std::vector<std::pair<std::string, std::vector<std::string>>> kinds = {
            {"bonus_remont", {}},          {"bonus", {"glow3", "sparkle"}}, {"bonus", {"glow2"}},
            {"bonus", {"glow6"}},          {"bonus", {"glow4"}},            {"bumper", {"base", "sphera"}},
            {"portal", {"ring", "portal_a"}}, {"pad", {"v_bii"}},           {"light", {}},
            {"halo", {}},                  {"empty", {"v_bii"}},
        };
        for (int i = 0; i < kBonuses; ++i) {
            const auto& kind = kinds[static_cast<size_t>(i) % kinds.size()];
            rig.AddBonus(kind.first, D3DXVECTOR3(static_cast<float>(i % 10) * 50.0f,
                                                 static_cast<float>(i / 10) * 50.0f, 0.0f),
                         kind.second);
        }
        const int32_t sides[] = {kSidePlayer, kSideSelvanta, kSideOrvanta, kSideThird, 0};
        for (int i = 0; i < kUnits; ++i)
            units.push_back(rig.AddUnit(sides[i % 5], D3DXVECTOR3(25.0f + static_cast<float>(i) * 30.0f, 25.0f, 0.0f)));
    }
};

void BM_BonusChecksPerFrame(benchmark::State& state) {
    Race race;
    for (auto _ : state) {
        for (CPPlayer* unit : race.units) unit->ApplyBonus();
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kUnits * kBonuses);
}
BENCHMARK(BM_BonusChecksPerFrame)->Unit(benchmark::kMicrosecond);

// For comparison: every unit reads every bonus's kind again, by the searches through its descendants,
// as a check that does not keep the kinds would.
void BM_BonusChecksReadingKindsEachTime(benchmark::State& state) {
    Race race;
    for (auto _ : state) {
        for (CPPlayer* unit : race.units) {
            for (BonusEntry& entry : race.rig.Data().mBonusList) entry.mTraitsRead = false;
            unit->ApplyBonus();
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kUnits * kBonuses);
}
BENCHMARK(BM_BonusChecksReadingKindsEachTime)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

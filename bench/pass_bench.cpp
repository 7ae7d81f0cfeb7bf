// A whole emulated 52-key pass per program, in-process: the runner's RunProgram with the key
// script of scripts/keys/ (without its screenshot lines), from the program's start to its end.
// Items are counted keys, so the rate is keys per second through the whole emulated handset.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "harness/platform_constants.h"
#include "platform/emu/runner/runner.h"
#include "vantor/test_run.h"
#include "vantor1/line_test_app.h"
#include "vantor1_resources.h"
#include "vantor_resources.h"

namespace {

constexpr int kCountedKeys = 52;

const emu::ProgramSpec kVantor{"vantor", vantorResourceBytes(), true,
                               [](harness::Hinstance instance, const std::u16string& commandLine) {
                                 return vantor::vantorMain(instance, nullptr, commandLine.c_str(),
                                                           harness::SW_SHOW);
                               }};
const emu::ProgramSpec kVantor1{"vantor1", vantor1ResourceBytes(), false,
                                [](harness::Hinstance instance, const std::u16string&) {
                                  return vantor1::RunLineTestProgram(instance);
                                }};

// The plan of a run with these options and the script's actions, screenshots left out.
emu::RunPlan PassPlan(const emu::ProgramSpec& program, const std::string& script,
                      const std::vector<std::string>& options) {
  const std::string path = std::string(VANTOR_SOURCE_DIR) + "/scripts/keys/" + script;
  std::ifstream in(path);
  std::ostringstream kept;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("screenshot", 0) != 0) kept << line << "\n";
  }
  emu::RunPlan plan = emu::ParseRunPlan(options, program);
  plan.script = emu::ParseKeyScript(kept.str(), path);
  return plan;
}

void RunPasses(benchmark::State& state, const emu::ProgramSpec& program, const emu::RunPlan& plan) {
  if (plan.script.actions.empty()) {
    state.SkipWithError("key script not found");
    return;
  }
  for (auto _ : state) {
    const emu::RunOutcome outcome = emu::RunProgram(plan, program);
    if (!outcome.error.empty() || outcome.result.exitCode != 0) {
      state.SkipWithError("the pass did not end with exit code 0");
      break;
    }
    benchmark::DoNotOptimize(outcome.screen.pixels.data());
  }
  state.SetItemsProcessed(state.iterations() * kCountedKeys);
}

void BM_VantorFullPass(benchmark::State& state) {
  static const emu::RunPlan plan =
      PassPlan(kVantor, "vantor-full-pass.keys",
               {"--headless", "--foreign-window", "PLW_APP:Plenwick", "test"});
  RunPasses(state, kVantor, plan);
}
BENCHMARK(BM_VantorFullPass)->Unit(benchmark::kMillisecond);

void BM_Vantor1FullPass(benchmark::State& state) {
  static const emu::RunPlan plan =
      PassPlan(kVantor1, "vantor1-full-pass.keys",
               {"--headless", "--profile",
                std::string(VANTOR_SOURCE_DIR) + "/profiles/loopback-requested.reg"});
  RunPasses(state, kVantor1, plan);
}
BENCHMARK(BM_Vantor1FullPass)->Unit(benchmark::kMillisecond);

}  // namespace

// Measures how well the estimated corrections undo known falloffs and glows put on the
// committed photographs, and prints the tables of bench/ESTIMATE.md.
//
//   hosei-estimate-quality > bench/ESTIMATE.md
//   hosei-estimate-quality --time FILE...   times each estimate from the file, reading included

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "estimate_trials.h"

using namespace hosei;
using namespace hosei::test;

namespace {

std::string Options(const VignettingEstimate& e) {
  return e.nothingToCorrect ? "nothing to correct" : "`" + CommandLineOptions(e) + "`";
}

// The median of five runs of each estimate from the file, reading included.
int Time(int count, char** files) {
  for (int i = 0; i < count; ++i)
    for (const Mode mode : {Mode::kVignetting, Mode::kFog}) {
      std::vector<double> seconds;
      EstimateResult result;
      for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (FileError error = EstimateFromFile(files[i], mode, result)) {
          std::fprintf(stderr, "%s\n", DescribeFileError(error).c_str());
          return 1;
        }
        seconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
      }
      std::sort(seconds.begin(), seconds.end());
      std::printf("%s, %s: median %.0f ms (min %.0f, max %.0f): %s\n", files[i],
                  mode == Mode::kVignetting ? "vignetting" : "fog", seconds[2] * 1000,
                  seconds[0] * 1000, seconds[4] * 1000,
                  mode == Mode::kVignetting ? Options(*result.vignetting).c_str()
                                            : CommandLineOptions(*result.fog).c_str());
    }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--time") == 0) return Time(argc - 2, argv + 2);
  std::printf("| picture | falloff | error before | error after | best reachable | estimate |\n");
  std::printf("| --- | --- | ---: | ---: | ---: | --- |\n");
  double sumRatio = 0, worstRatio = 0, worstGap = -1;
  int trials = 0;
  for (const std::string& name : PhotoNames()) {
    const TopDownPicture clean = LoadPhoto(name);
    for (const LensFalloff& falloff : TrialFalloffs()) {
      const FalloffTrial t = RunFalloffTrial(clean, falloff);
      std::printf("| %s | %s | %.3f | %.3f | %.3f | %s |\n", name.c_str(),
                  falloff.describe().c_str(), t.before, t.after, t.best,
                  Options(t.estimate).c_str());
      std::fflush(stdout);
      sumRatio += t.after / t.before;
      worstRatio = std::max(worstRatio, t.after / t.before);
      worstGap = std::max(worstGap, t.after - t.best);
      ++trials;
    }
  }
  std::printf("\nafter / before: mean %.3f, worst %.3f; after - best: worst %.3f\n",
              sumRatio / trials, worstRatio, worstGap);
  std::printf("\n| picture | estimate on the clean photograph | profile change |\n");
  std::printf("| --- | --- | ---: |\n");
  for (const std::string& name : PhotoNames()) {
    const TopDownPicture clean = LoadPhoto(name);
    const VignettingEstimate e = EstimateVignettingOf(clean);
    const double change =
        ProfileError(CorrectVignetting(clean, e), clean, clean.width / 2.0, clean.height / 2.0);
    std::printf("| %s | %s | %.3f |\n", name.c_str(), Options(e).c_str(), change);
  }
  std::printf(
      "\n| picture | glow | centre error / diagonal | error before | error after | estimate |\n");
  std::printf("| --- | --- | ---: | ---: | ---: | --- |\n");
  double worstCentre = 0;
  for (const std::string& name : PhotoNames()) {
    const TopDownPicture clean = LoadPhoto(name);
    for (const Glow& glow : TrialGlows(clean.width, clean.height)) {
      const FogTrial t = RunFogTrial(clean, glow);
      std::printf("| %s | %s | %.3f | %.3f | %.3f | %s |\n", name.c_str(), glow.describe().c_str(),
                  t.centreError, t.before, t.after,
                  t.estimate.nothingToCorrect
                      ? "nothing to correct"
                      : ("`" + CommandLineOptions(t.estimate) + "`").c_str());
      std::fflush(stdout);
      worstCentre = std::max(worstCentre, t.centreError);
    }
  }
  std::printf("\nworst centre error: %.3f of the diagonal\n", worstCentre);
  std::printf("\n| picture | fog estimate on the clean photograph | profile change |\n");
  std::printf("| --- | --- | ---: |\n");
  for (const std::string& name : PhotoNames()) {
    const TopDownPicture clean = LoadPhoto(name);
    const FogEstimate e = EstimateFogOf(clean);
    const double change =
        ProfileError(CorrectFog(clean, e), clean, std::stod(e.lightX), std::stod(e.lightY));
    std::printf(
        "| %s | %s | %.3f |\n", name.c_str(),
        e.nothingToCorrect ? "nothing to correct" : ("`" + CommandLineOptions(e) + "`").c_str(),
        change);
  }
  return 0;
}

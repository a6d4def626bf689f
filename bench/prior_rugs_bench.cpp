// The prior-rug list at scale: a known_rugs.txt of 1,000,000 distinct names, and one of
// 10,000,000 lines that repeat 1,000 names, each loaded in a fresh child process. Prints the load
// time (median of 5 loads) and the resident growth of the first load: its peak (getrusage, the
// whole load with its transient buffers) and what stays held with the list (/proc, where there
// is one), against the goals of 1 s and 16 MiB for the million.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chain/prior_rug_list.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Peak resident memory of this process so far, in bytes.
double peak_resident_bytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
#if defined(__APPLE__)
  return static_cast<double>(usage.ru_maxrss);  // bytes on macOS
#else
  return static_cast<double>(usage.ru_maxrss) * 1024.0;  // KiB on Linux
#endif
}

// A 12-character name, distinct for every n below 26^5 (its first five letters spell n), the rest
// varied as real names are.
std::string name_for(std::uint64_t n) {
  constexpr std::string_view alphabet = "abcdefghijklmnopqrstuvwxyz12345";
  std::string name;
  std::uint64_t mix = n * 0x9E3779B97F4A7C15ULL;
  for (int i = 0; i < 5; ++i, n /= 26) name += alphabet[n % 26];
  for (int i = 0; i < 7; ++i) {
    mix = mix * 6364136223846793005ULL + 1442695040888963407ULL;
    name += alphabet[(mix >> 33) % alphabet.size()];
  }
  return name;
}

void write_list(const fs::path& file, std::uint64_t lines, std::uint64_t distinct) {
  std::FILE* out = std::fopen(file.c_str(), "w");
  if (out == nullptr) return;
  std::fputs("# generated list\n", out);
  for (std::uint64_t i = 0; i < lines; ++i)
    std::fprintf(out, "%s\n", name_for(i % distinct).c_str());
  std::fclose(out);
}

// Resident memory of this process now, in bytes, where the system shows it (/proc).
std::optional<double> resident_bytes_now() {
  std::FILE* statm = std::fopen("/proc/self/statm", "r");
  if (statm == nullptr) return std::nullopt;
  unsigned long pages = 0;
  unsigned long resident = 0;
  const bool read = std::fscanf(statm, "%lu %lu", &pages, &resident) == 2;
  std::fclose(statm);
  if (!read) return std::nullopt;
  return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// Loads the list in `folder` in a child process and prints the figures there.
void measure(const char* title, const fs::path& folder, std::size_t expected) {
  std::fflush(stdout);
  const pid_t child = ::fork();
  if (child == 0) {
    const double peak_before = peak_resident_bytes();
    const std::optional<double> held_before = resident_bytes_now();
    std::vector<double> seconds;
    std::size_t loaded = 0;
    double growth = 0;
    std::optional<double> held;
    for (int round = 0; round < 5; ++round) {
      const auto start = Clock::now();
      const tarnwick::PriorRugList list = tarnwick::load_prior_rugs(folder);
      seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
      if (round == 0) {
        growth = peak_resident_bytes() - peak_before;
        const std::optional<double> held_now = resident_bytes_now();
        if (held_before && held_now) held = *held_now - *held_before;
        loaded = list.names.size();
      }
    }
    std::sort(seconds.begin(), seconds.end());
    const double file_mib =
        static_cast<double>(fs::file_size(folder / "known_rugs.txt")) / 1048576.0;
    std::printf("%s\n  file %.1f MiB, %zu names loaded%s\n", title, file_mib, loaded,
                loaded == expected ? "" : " (NOT the expected count)");
    std::printf("  load time, median of 5: %.3f s (fastest %.3f s)\n", seconds[2], seconds[0]);
    std::printf("  resident growth of the first load: peak %.1f MiB (%.1f bytes a name loaded)",
                growth / 1048576.0, loaded > 0 ? growth / static_cast<double>(loaded) : 0.0);
    if (held) std::printf(", held with the list %.1f MiB", *held / 1048576.0);
    std::printf("\n");
    std::fflush(stdout);
    ::_exit(loaded == expected ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
}

}  // namespace

int main() {
  const fs::path folder =
      fs::temp_directory_path() / ("tarnwick-rugs-bench-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  write_list(folder / "known_rugs.txt", 1'000'000, 1'000'000);
  measure("1,000,000 distinct 12-character names (goals: under 1 s, under 16 MiB)", folder,
          1'000'000);
  write_list(folder / "known_rugs.txt", 10'000'000, 1'000);
  measure("10,000,000 lines repeating 1,000 names", folder, 1'000);
  fs::remove_all(folder);
  return 0;
}

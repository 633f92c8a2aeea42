// Decoding board texts: a distinct 32-byte GB18030 name (decoded and kept)
// and a repeated one (found among those kept). The distinct figure is the
// median of five sets of names never seen before. Prints figures; asserts
// nothing. No network.
#include "protocol/TextDecoding.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace quorvel;

namespace {

double nanosecondsEach(const std::vector<std::string>& names, int rounds) {
    std::size_t kept = 0; // so that the calls are not optimised away
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round)
        for (const std::string& name : names)
            kept += InternBoardText(name)->size();
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    if (kept == 0)
        std::fprintf(stderr, "nothing decoded\n");
    return spent.count() / (static_cast<double>(names.size()) * rounds);
}

} // namespace

int main() {
    // 16 two-byte characters from the GB2312 block: 32 bytes, all distinct.
    constexpr int kNames = 50000, kSets = 5;
    std::vector<std::vector<std::string>> sets(kSets);
    for (int n = 0; n < kNames * kSets; ++n) {
        std::string name;
        for (int c = 0, v = n; c < 16; ++c, v /= 7)
            name += {static_cast<char>(0xB0 + (v % 7) + c), static_cast<char>(0xA1 + (n + c) % 90)};
        sets[n / kNames].push_back(std::move(name));
    }
    std::vector<double> distinctEach;
    for (const auto& set : sets)
        distinctEach.push_back(nanosecondsEach(set, 1));
    std::sort(distinctEach.begin(), distinctEach.end());
    const double distinct = distinctEach[kSets / 2];
    const std::vector<std::string>& names = sets.back();
    const double repeated = nanosecondsEach(names, 10);
    const std::vector<std::string> one(1000, names.front());
    const double sameName = nanosecondsEach(one, 1000);
    std::printf("== board text decoding (32-byte GB18030 names)\n");
    std::printf("decode_distinct_name_ns %.0f   (target < 200; median of %d sets, %.0f to %.0f)\n",
                distinct, kSets, distinctEach.front(), distinctEach.back());
    std::printf("decode_repeated_name_ns %.1f   (target < 30; %d names in turn)\n", repeated,
                kNames);
    std::printf("decode_same_name_again_ns %.1f\n", sameName);
    return 0;
}

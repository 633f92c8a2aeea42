// Decoding board texts: a distinct 32-byte GB18030 name (decoded and kept)
// and a repeated one (found among those kept). The distinct figure is the
// median of five sets of names never seen before. Then the heap allocations
// of parsing a reply whose texts were seen before. Prints figures; asserts
// nothing. No network.
#include "protocol/SearchDatagrams.h"
#include "protocol/TextDecoding.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

using namespace quorvel;

namespace {
long g_allocations = 0;
} // namespace

void* operator new(std::size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// Allocations per parse of one reply with four GB18030 texts, all longer
// than a short string holds, once their first parse has interned them.
double allocationsPerRepeatedReply() {
    std::vector<std::uint8_t> reply(kSearchReplyFixedSize);
    reply[0] = SearchReplyType;
    for (const char* text : {"\xC6\xB1\xBE\xDD\xB4\xF2\xD3\xA1\xBB\xFA-0001-\xB6\xFE\xC2\xA5",
                             "80\xBA\xC1\xC3\xD7\xC8\xC8\xC3\xF4\xB4\xF2\xD3\xA1\xBB\xFA",
                             "\xBF\xAA\xBB\xFA\xCA\xB1\xBC\xE4\xA3\xA8\xC0\xDB\xBC\xC6\xA3\xA9",
                             "\xC1\xAA\xCD\xF8\xCA\xB1\xBC\xE4\xA3\xA8\xC0\xDB\xBC\xC6\xA3\xA9"}) {
        reply.insert(reply.end(), text, text + std::char_traits<char>::length(text));
        reply.push_back(0);
    }
    std::size_t kept = ParseSearchReply(reply, 3040).record.name.size();
    constexpr int kParses = 10000;
    const long before = g_allocations;
    for (int i = 0; i < kParses; ++i)
        kept += ParseSearchReply(reply, 3040).record.leftLabel.size();
    if (kept == 0)
        std::fprintf(stderr, "nothing parsed\n");
    return static_cast<double>(g_allocations - before) / kParses;
}

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
    std::printf("parse_seen_reply_allocations_each %.2f   (target 0)\n",
                allocationsPerRepeatedReply());
    return 0;
}

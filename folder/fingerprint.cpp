// The 64-bit hash of xxHash's XXH64 design (seed 0): fast on whole words, with lanes
// that do not wait for one another.
#include "fingerprint.h"

#include <string.h>

namespace {

constexpr uint64_t P1 = 11400714785074694791ull;
constexpr uint64_t P2 = 14029467366897019727ull;
constexpr uint64_t P3 = 1609587929392839161ull;
constexpr uint64_t P4 = 9650029242287828579ull;
constexpr uint64_t P5 = 2870177450012600261ull;
constexpr uint32_t STRIPE = 32;

uint64_t rotate(uint64_t value, int bits) { return value << bits | value >> (64 - bits); }

// Both targets are little-endian.
uint64_t word64(const uint8_t* bytes) {
    uint64_t value;
    memcpy(&value, bytes, sizeof value);
    return value;
}

uint32_t word32(const uint8_t* bytes) {
    uint32_t value;
    memcpy(&value, bytes, sizeof value);
    return value;
}

uint64_t round(uint64_t lane, uint64_t input) {
    lane += input * P2;
    return rotate(lane, 31) * P1;
}

uint64_t merge(uint64_t hash, uint64_t lane) {
    hash ^= round(0, lane);
    return hash * P1 + P4;
}

void take_stripe(uint64_t* lanes, const uint8_t* bytes) {
    for (int i = 0; i < 4; i++) lanes[i] = round(lanes[i], word64(bytes + 8 * i));
}

}  // namespace

void hash_begin(HashState* state) {
    *state = {};
    state->lanes[0] = P1 + P2;
    state->lanes[1] = P2;
    state->lanes[2] = 0;
    state->lanes[3] = 0 - P1;
}

void hash_feed(HashState* state, const void* data, size_t size) {
    // No bytes may come as a null pointer (an empty replacement): memcpy must not see it.
    if (size == 0) return;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    state->size += size;
    if (state->buffered + size < STRIPE) {
        memcpy(state->stripe + state->buffered, bytes, size);
        state->buffered += static_cast<uint32_t>(size);
        return;
    }
    if (state->buffered) {
        uint32_t fill = STRIPE - state->buffered;
        memcpy(state->stripe + state->buffered, bytes, fill);
        take_stripe(state->lanes, state->stripe);
        bytes += fill;
        size -= fill;
        state->buffered = 0;
    }
    uint64_t lanes[4] = {state->lanes[0], state->lanes[1], state->lanes[2], state->lanes[3]};
    for (; size >= STRIPE; bytes += STRIPE, size -= STRIPE) take_stripe(lanes, bytes);
    memcpy(state->lanes, lanes, sizeof lanes);
    memcpy(state->stripe, bytes, size);
    state->buffered = static_cast<uint32_t>(size);
}

Fingerprint hash_end(const HashState* state) {
    const uint64_t* lanes = state->lanes;
    uint64_t hash;
    if (state->size >= STRIPE) {
        hash = rotate(lanes[0], 1) + rotate(lanes[1], 7) + rotate(lanes[2], 12) +
               rotate(lanes[3], 18);
        for (int i = 0; i < 4; i++) hash = merge(hash, lanes[i]);
    } else {
        hash = P5;
    }
    hash += state->size;
    const uint8_t* rest = state->stripe;
    uint32_t left = state->buffered;
    for (; left >= 8; rest += 8, left -= 8) hash = rotate(hash ^ round(0, word64(rest)), 27) * P1 + P4;
    if (left >= 4) {
        hash = rotate(hash ^ (word32(rest) * P1), 23) * P2 + P3;
        rest += 4;
        left -= 4;
    }
    for (; left > 0; rest++, left--) hash = rotate(hash ^ (*rest * P5), 11) * P1;
    hash ^= hash >> 33;
    hash *= P2;
    hash ^= hash >> 29;
    hash *= P3;
    hash ^= hash >> 32;
    return Fingerprint{static_cast<int64_t>(state->size), hash};
}

int same_fingerprint(const Fingerprint* a, const Fingerprint* b) {
    return a->size == b->size && a->hash == b->hash;
}

// A file content's fingerprint: its size and a 64-bit hash, computed as the bytes stream
// past in pieces of any size, so that a scan that already passes every byte gets it for
// the cost of the hash alone. It tells whether a content is still the one seen before;
// it is no defence against someone who makes collisions on purpose.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct Fingerprint {
    int64_t size;
    uint64_t hash;
};

// The hash's state between pieces: four lanes over 32-byte stripes, and the bytes of a
// stripe not yet complete.
struct HashState {
    uint64_t lanes[4];
    uint64_t size;
    uint8_t stripe[32];
    uint32_t buffered;
};

void hash_begin(HashState* state);
// `bytes` may be null when `size` is 0.
void hash_feed(HashState* state, const void* bytes, size_t size);
Fingerprint hash_end(const HashState* state);

int same_fingerprint(const Fingerprint* a, const Fingerprint* b);

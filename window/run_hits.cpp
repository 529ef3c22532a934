#include "run_hits.h"

#include <stdlib.h>
#include <string.h>

#include "document_text.h"
#include "fingerprint.h"
#include "text_encoding.h"
#include "window_alloc.h"

namespace {

char* copy_of(const char* text, bool* failed) {
    if (!text) return nullptr;
    size_t size = strlen(text) + 1;
    char* copy = static_cast<char*>(window_alloc(size));
    if (copy) memcpy(copy, text, size);
    else *failed = true;
    return copy;
}

// Room for one more of `size` bytes each; the walk's thread calls this, so it uses the
// plain allocator.
bool grow(void** block, uint32_t* capacity, uint32_t count, size_t size) {
    if (count < *capacity) return true;
    uint32_t more = *capacity ? *capacity * 2 : 64;
    void* grown = realloc(*block, more * size);
    if (!grown) return false;
    *block = grown;
    *capacity = more;
    return true;
}

bool add_path(RunHits* run, const char* path, size_t length) {
    if (run->paths_length + length > run->paths_capacity) {
        size_t capacity = run->paths_capacity ? run->paths_capacity * 2 : 4096;
        while (capacity < run->paths_length + length) capacity *= 2;
        char* grown = static_cast<char*>(realloc(run->paths, capacity));
        if (!grown) return false;
        run->paths = grown;
        run->paths_capacity = capacity;
    }
    memcpy(run->paths + run->paths_length, path, length);
    run->paths_length += length;
    return true;
}

bool same_path(const RunHits* run, const RunFile* file, const char* path, size_t length) {
    return file->path_length == length && memcmp(run->paths + file->path_at, path, length) == 0;
}

// The file whose hits follow: the last one while the events stay in it.
RunFile* file_for(RunHits* run, const char* path) {
    size_t length = strlen(path);
    if (run->file_count > 0) {
        RunFile* last = &run->files[run->file_count - 1];
        if (same_path(run, last, path, length)) return last;
    }
    void* files = run->files;
    if (!grow(&files, &run->file_capacity, run->file_count, sizeof(RunFile))) return nullptr;
    run->files = static_cast<RunFile*>(files);
    size_t at = run->paths_length;
    if (!add_path(run, path, length)) return nullptr;
    RunFile* file = &run->files[run->file_count++];
    *file = {at, static_cast<uint32_t>(length), run->hit_count, 0, 0};
    return file;
}

// The characters that `size` bytes of a file in `encoding` show as in the editor,
// counted and hashed as shown_hash hashes them.
void hash_shown_bytes(int encoding, const char* bytes, uint32_t size, uint32_t* characters,
                      uint64_t* hash) {
    HashState state;
    hash_begin(&state);
    if (shown_as_bytes(encoding)) {
        if (size) hash_feed(&state, bytes, size);
        *characters = size;
    } else {
        TextDecoder decoder = {static_cast<uint8_t>(encoding), UNSHOWN_CHARACTER, 0, 0, 0};
        char view[4096];
        uint32_t done = 0, count = 0;
        while (done < size) {
            uint32_t produced = 0;
            done += decode_text(&decoder, bytes + done, size - done, 1, view, nullptr,
                                sizeof view, &produced);
            if (produced) hash_feed(&state, view, produced);
            count += produced;
            if (produced == 0) break;
        }
        *characters = count;
    }
    *hash = hash_end(&state).hash;
}

}  // namespace

RunHits* new_run_hits(const char* query, const char* replacement, int match_case,
                      int whole_word) {
    RunHits* run = static_cast<RunHits*>(window_alloc(sizeof(RunHits)));
    if (!run) return nullptr;
    memset(run, 0, sizeof *run);
    bool failed = false;
    run->query = copy_of(query, &failed);
    run->replacement = copy_of(replacement, &failed);
    run->match_case = match_case ? 1 : 0;
    run->whole_word = whole_word ? 1 : 0;
    if (failed) {
        free_run_hits(run);
        return nullptr;
    }
    return run;
}

void free_run_hits(RunHits* run) {
    if (!run) return;
    free(run->query);
    free(run->replacement);
    free(run->hits);
    free(run->files);
    free(run->paths);
    free(run);
}

int record_run_hit(RunHits* run, const FolderEvent* event) {
    if (!event->path) return 0;
    RunFile* file = file_for(run, event->path);
    void* hits = run->hits;
    if (!file || !grow(&hits, &run->hit_capacity, run->hit_count, sizeof(RunHit))) return -1;
    run->hits = static_cast<RunHit*>(hits);
    RunHit hit = {};
    hit.offset = event->offset;
    hit.place = event->offset;
    hit.kind = event->kind == FOLDER_HIT_REPLACED ? HIT_REPLACED : HIT_FOUND;
    hit.match_length = event->match_length;
    hit.told = event->match_length > 0;
    if (hit.kind == HIT_REPLACED && hit.told) {
        hit.place = event->offset + file->shift;
        hit.written_length = event->written_length;
        hit.written_known = event->written != nullptr || event->written_length == 0;
        if (hit.written_known)
            hash_shown_bytes(event->encoding, event->written, event->written_length,
                             &hit.written_characters, &hit.written_hash);
        file->shift += static_cast<int64_t>(event->written_length) - event->match_length;
    }
    run->hits[run->hit_count++] = hit;
    file->count++;
    return 0;
}

const RunHit* find_run_hit(const RunHits* run, const HitLine* line) {
    if (!run) return nullptr;
    for (uint32_t f = 0; f < run->file_count; f++) {
        const RunFile* file = &run->files[f];
        if (!same_path(run, file, line->path, line->path_length)) continue;
        // By offset: a file's hits come in the order of their offsets.
        const RunHit* low = run->hits + file->first;
        const RunHit* high = low + file->count;
        while (low < high) {
            const RunHit* middle = low + (high - low) / 2;
            if (middle->offset < line->offset) low = middle + 1;
            else high = middle;
        }
        if (low < run->hits + file->first + file->count && low->offset == line->offset &&
            low->kind == line->kind)
            return low;
    }
    return nullptr;
}

uint64_t shown_hash(const char* text, size_t length) {
    HashState state;
    hash_begin(&state);
    if (length) hash_feed(&state, text, length);
    return hash_end(&state).hash;
}

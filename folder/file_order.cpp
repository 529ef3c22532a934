#include "file_order.h"

#include <stdlib.h>
#include <string.h>

#include "commit_queue.h"
#include "folder_events.h"

// What a file holds: entries one after another in a chain of blocks, each entry a head
// and an event's copy (held_event_copy) or a written copy.
struct HeldChunk {
    HeldChunk* next;
    size_t used;
    size_t size;   // the bytes for entries behind the head
};

namespace {

// The events that files hold before their turn, in all; past it their scanners wait.
constexpr size_t HELD_MOST = 4u << 20;
// A file's first block of entries, and the largest that later ones double up to.
constexpr size_t FIRST_CHUNK = 4096;
constexpr size_t LARGEST_CHUNK = 65536;

constexpr size_t rounded(size_t size) {
    return (size + alignof(max_align_t) - 1) / alignof(max_align_t) * alignof(max_align_t);
}

enum HeldKind { HELD_EVENT = 0, HELD_COPY = 1 };

struct HeldEntry {
    int kind;
    size_t size;   // of what follows the head, rounded
};

constexpr size_t CHUNK_HEAD = rounded(sizeof(HeldChunk));
constexpr size_t ENTRY_HEAD = rounded(sizeof(HeldEntry));

char* entries_of(HeldChunk* chunk) { return reinterpret_cast<char*>(chunk) + CHUNK_HEAD; }
void* what_of(HeldEntry* entry) { return reinterpret_cast<char*>(entry) + ENTRY_HEAD; }

// Room for an entry of `size` bytes behind the file's last one, not yet counted as used:
// its head, or null when memory cannot be had. Its scanner's alone.
HeldEntry* entry_room(OrderedFile* file, size_t size) {
    size_t needed = ENTRY_HEAD + rounded(size);
    HeldChunk* last = file->last;
    if (!last || last->size - last->used < needed) {
        size_t capacity = last ? last->size * 2 : FIRST_CHUNK;
        if (capacity > LARGEST_CHUNK) capacity = LARGEST_CHUNK;
        if (capacity < needed) capacity = needed;
        HeldChunk* chunk = static_cast<HeldChunk*>(malloc(CHUNK_HEAD + capacity));
        if (!chunk) return nullptr;
        *chunk = HeldChunk{nullptr, 0, capacity};
        if (last) last->next = chunk;
        else file->first = chunk;
        file->last = last = chunk;
    }
    return reinterpret_cast<HeldEntry*>(entries_of(last) + last->used);
}

// The entry that entry_room gave, filled: it is the file's last one now.
void entry_made(OrderedFile* file, HeldEntry* entry, int kind, size_t size) {
    entry->kind = kind;
    entry->size = rounded(size);
    file->last->used += ENTRY_HEAD + entry->size;
}

// A copy that a stop leaves: removed, with a line when that fails, as a file that a
// Replace leaves has its copy removed. The caller has the turn.
void drop_copy(FileOrder* order, WrittenCopy* written) {
    if (int error = remove_copy(&written->copy)) {
        FolderEvent event = file_event(FOLDER_TEMP_NOT_DELETED, written->copy.name, written->encoding);
        event.error = error;
        send_event(order->job, &event);
    }
    release_copy(&written->copy);
    free(written->held);
}

// What the file holds goes on through the walk's job, in order, or after a stop is
// dropped; the caller has the turn (or the file is done, and only its bytes are counted).
void send_held(FileOrder* order, OrderedFile* file, int drop) {
    for (HeldChunk* chunk = file->first; chunk;) {
        for (size_t at = 0; at < chunk->used;) {
            HeldEntry* entry = reinterpret_cast<HeldEntry*>(entries_of(chunk) + at);
            if (entry->kind == HELD_EVENT) {
                if (!drop) send_event(order->job, static_cast<FolderEvent*>(what_of(entry)));
            } else {
                WrittenCopy* written = static_cast<WrittenCopy*>(what_of(entry));
                if (drop) drop_copy(order, written);
                else commit_copy(order->job, written);
            }
            at += ENTRY_HEAD + entry->size;
        }
        HeldChunk* next = chunk->next;
        free(chunk);
        chunk = next;
    }
    file->first = file->last = nullptr;
    if (file->held == 0) return;
    {
        std::lock_guard<std::mutex> held(order->lock);
        order->held -= file->held;
        file->held = 0;
    }
    order->changed.notify_all();
}

// The turn, taken for the file when it is the oldest and nobody has it; under the lock.
bool take_turn(FileOrder* order, OrderedFile* file) {
    if (order->cut || file->number != order->oldest || order->turn_taken) return false;
    order->turn_taken = 1;
    file->has_turn = 1;
    return true;
}

enum Way { WAY_HOLD = 0, WAY_TURN = 1, WAY_DROP = 2 };

// What becomes of `bytes` that the file sends (SIZE_MAX: they cannot be held): held
// (counted against the bound), sent in the turn that the file has now, or dropped after
// a stop. Waits while the bound is reached and the turn is another's. Under the lock.
int way_of(FileOrder* order, OrderedFile* file, size_t bytes, std::unique_lock<std::mutex>& held) {
    for (;;) {
        if (order->cut) return WAY_DROP;
        if (take_turn(order, file)) return WAY_TURN;
        if (bytes != SIZE_MAX && order->held + bytes <= order->held_most) {
            order->held += bytes;
            file->held += bytes;
            return WAY_HOLD;
        }
        order->changed.wait(held);
    }
}

}  // namespace

int order_begin(FileOrder* order, const FolderJob* job, uint32_t room) {
    order->files = static_cast<OrderedFile*>(calloc(room, sizeof(OrderedFile)));
    if (!order->files) return -1;
    order->job = job;
    order->room = room;
    order->held_most = HELD_MOST;
    return 0;
}

void order_end(FileOrder* order) {
    free(order->files);
    order->files = nullptr;
}

int order_hand_over(FileOrder* order, const char* path, size_t length) {
    char* block = static_cast<char*>(malloc(2 * length + 1 + sizeof(TEMP_SUFFIX)));
    if (!block) return -1;
    memcpy(block, path, length + 1);
    {
        std::unique_lock<std::mutex> held(order->lock);
        while (order->next - order->oldest == order->room) order->changed.wait(held);
        OrderedFile* file = &order->files[order->next % order->room];
        *file = {};
        file->number = order->next++;
        file->path = block;
        file->name = block + length + 1;
        file->path_length = length;
    }
    order->changed.notify_all();
    return 0;
}

void order_close(FileOrder* order) {
    {
        std::lock_guard<std::mutex> held(order->lock);
        order->closed = 1;
    }
    order->changed.notify_all();
}

OrderedFile* order_take(FileOrder* order) {
    std::unique_lock<std::mutex> held(order->lock);
    while (order->taken == order->next && !order->closed) order->changed.wait(held);
    if (order->taken == order->next) return nullptr;
    OrderedFile* file = &order->files[order->taken++ % order->room];
    file->state = ORDER_SCANNING;
    return file;
}

int order_hold_event(FileOrder* order, OrderedFile* file, const FolderEvent* event) {
    if (file->has_turn) return 0;
    size_t size = held_event_size(event);
    HeldEntry* entry = entry_room(file, size);
    int way;
    {
        std::unique_lock<std::mutex> held(order->lock);
        way = way_of(order, file, entry ? ENTRY_HEAD + rounded(size) : SIZE_MAX, held);
    }
    if (way == WAY_TURN) {
        send_held(order, file, 0);
        return 0;
    }
    if (way == WAY_HOLD) {
        held_event_copy(event, what_of(entry));
        entry_made(file, entry, HELD_EVENT, size);
    }
    return 1;
}

int order_hold_copy(FileOrder* order, OrderedFile* file, WrittenCopy* written) {
    if (file->has_turn) return 0;
    HeldEntry* entry = entry_room(file, sizeof(WrittenCopy));
    // Its hits wait with it.
    size_t bytes = ENTRY_HEAD + rounded(sizeof(WrittenCopy)) + written->held_count * sizeof(int64_t);
    int way;
    {
        std::unique_lock<std::mutex> held(order->lock);
        way = way_of(order, file, entry ? bytes : SIZE_MAX, held);
        // Dropped in its turn, when a failed removal can be told.
        if (way == WAY_DROP && entry) {
            order->held += bytes;
            file->held += bytes;
            way = WAY_HOLD;
        }
    }
    if (way == WAY_TURN) {
        send_held(order, file, 0);
        return 0;
    }
    if (way == WAY_HOLD) {
        *static_cast<WrittenCopy*>(what_of(entry)) = *written;
        entry_made(file, entry, HELD_COPY, sizeof(WrittenCopy));
    } else {
        remove_copy(&written->copy);
        release_copy(&written->copy);
        free(written->held);
    }
    *written = {};
    return 1;
}

int order_turn(FileOrder* order, OrderedFile* file) {
    if (file->has_turn) return 1;
    {
        std::lock_guard<std::mutex> held(order->lock);
        if (!take_turn(order, file)) return 0;
    }
    send_held(order, file, 0);
    return 1;
}

void order_done(FileOrder* order, OrderedFile* file) {
    std::unique_lock<std::mutex> held(order->lock);
    file->state = ORDER_DONE;
    if (!file->has_turn) {
        // Another sends it in its turn, unless the turn is free and the file's now.
        if (file->number != order->oldest || order->turn_taken) return;
        order->turn_taken = 1;
    }
    file->has_turn = 0;
    // The turn is this thread's: the files done go, from the oldest on.
    for (;;) {
        OrderedFile* current = &order->files[order->oldest % order->room];
        int drop = order->cut;
        if (drop) order->short_of_files = 1;
        held.unlock();
        send_held(order, current, drop);
        free(current->path);
        held.lock();
        // The file whose turn it was when a stop is seen is the last one whose events go.
        if (stop_requested(order->job) || order->halted) order->cut = 1;
        order->oldest++;
        bool more = order->oldest < order->next &&
                    order->files[order->oldest % order->room].state == ORDER_DONE;
        if (!more) order->turn_taken = 0;
        held.unlock();
        order->changed.notify_all();
        if (!more) return;
        held.lock();
    }
}

void order_cut_short(FileOrder* order, int failed) {
    std::lock_guard<std::mutex> held(order->lock);
    order->short_of_files = 1;
    if (failed) order->halted = 1;
}

int order_stopping(FileOrder* order) {
    if (stop_requested(order->job)) return 1;
    std::lock_guard<std::mutex> held(order->lock);
    return order->halted;
}

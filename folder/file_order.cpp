#include "file_order.h"

#include <stdlib.h>
#include <string.h>

#include "commit_queue.h"
#include "file_fate.h"
#include "folder_events.h"

// What a file holds: entries one after another in a chain of blocks, each entry a head
// and an event's copy (held_event_copy) or a written copy. A block counts against the
// bound as a whole, from when it is made.
struct HeldChunk {
    HeldChunk* next;
    size_t used;
    size_t size;   // the bytes for entries behind the head
};

namespace {

// What files hold before their turn, in all; past it their scanners wait.
constexpr size_t HELD_MOST = 4u << 20;
// The paths handed over ahead of the files being scanned: the walk lists on while the
// scanners are busy, and waits, and wakes them, less often.
constexpr uint32_t PATHS_AHEAD = 256;
// Idle scanners are woken for this many files at once rather than for each (waking a
// thread costs about as much as scanning a small file), unless none is busy.
constexpr uint64_t WAKE_FOR = 4;
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

// Room for an entry of `size` bytes behind the file's last one: its head, or null when
// the last block has none.
HeldEntry* room_in_last(OrderedFile* file, size_t size) {
    HeldChunk* last = file->last;
    if (!last || last->size - last->used < ENTRY_HEAD + rounded(size)) return nullptr;
    return reinterpret_cast<HeldEntry*>(entries_of(last) + last->used);
}

// The entry that room_in_last gave, filled: it is the file's last one now.
void entry_made(OrderedFile* file, HeldEntry* entry, int kind, size_t size) {
    entry->kind = kind;
    entry->size = rounded(size);
    file->last->used += ENTRY_HEAD + entry->size;
}

// Wakes the scanners that wait for their turn or for room, if any; under the lock.
void tell_turn_waiters(FileOrder* order) {
    if (__atomic_load_n(&order->turn_waits, __ATOMIC_SEQ_CST)) order->turned.notify_all();
}

// A copy that a stop leaves: removed, with a line when that fails, as a file that a
// Replace leaves has its copy removed. The caller has the turn.
void drop_copy(FileOrder* order, WrittenCopy* written) {
    remove_copy_telling(order->job, &written->copy, written->encoding);
    release_written(written);
}

// The file's bytes held no more: counted off the bound, without the lock (its scanners
// do that at every file), and the scanners that wait for room are told. A waiter counts
// itself before it looks at the bytes, and this looks at the waiters after counting the
// bytes off, so that one of the two sees the other.
void release_held(FileOrder* order, OrderedFile* file) {
    if (file->held == 0) return;
    __atomic_sub_fetch(&order->held, file->held, __ATOMIC_SEQ_CST);
    file->held = 0;
    if (__atomic_load_n(&order->turn_waits, __ATOMIC_SEQ_CST) == 0) return;
    std::lock_guard<std::mutex> held(order->lock);
    order->turned.notify_all();
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
    release_held(order, file);
}

// 1 when the file is the oldest: only then can it have the turn. Without the lock: the
// oldest changes under it, and a file is made the oldest only once.
bool is_oldest(FileOrder* order, const OrderedFile* file) {
    return file->number == __atomic_load_n(&order->oldest, __ATOMIC_ACQUIRE);
}

// The turn, taken for the file when it is the oldest and nobody has it; under the lock.
bool take_turn(FileOrder* order, OrderedFile* file) {
    if (order->cut || !is_oldest(order, file) || order->turn_taken) return false;
    order->turn_taken = 1;
    file->has_turn = 1;
    return true;
}

// Counts `bytes` against the bound: 1, or 0 when they pass it.
bool reserve(FileOrder* order, OrderedFile* file, size_t bytes) {
    if (__atomic_add_fetch(&order->held, bytes, __ATOMIC_SEQ_CST) > order->held_most) {
        __atomic_sub_fetch(&order->held, bytes, __ATOMIC_SEQ_CST);
        return false;
    }
    file->held += bytes;
    return true;
}

enum Way { WAY_HOLD = 0, WAY_TURN = 1, WAY_DROP = 2 };

// What becomes of a block of `bytes` that the file would hold (SIZE_MAX: it cannot):
// counted against the bound and held, or what it would hold is sent in the turn that the
// file has now, or dropped after a stop. Waits while the bound is reached and the turn is
// another's.
int way_of(FileOrder* order, OrderedFile* file, size_t bytes) {
    // Most files are not the oldest and hold what they send: without the lock.
    if (!__atomic_load_n(&order->cut, __ATOMIC_ACQUIRE) && !is_oldest(order, file) &&
        bytes != SIZE_MAX && reserve(order, file, bytes))
        return WAY_HOLD;
    std::unique_lock<std::mutex> held(order->lock);
    for (;;) {
        if (order->cut) return WAY_DROP;
        if (take_turn(order, file)) return WAY_TURN;
        __atomic_add_fetch(&order->turn_waits, 1, __ATOMIC_SEQ_CST);
        if (bytes != SIZE_MAX && reserve(order, file, bytes)) {
            __atomic_sub_fetch(&order->turn_waits, 1, __ATOMIC_SEQ_CST);
            return WAY_HOLD;
        }
        order->turned.wait(held);
        __atomic_sub_fetch(&order->turn_waits, 1, __ATOMIC_SEQ_CST);
    }
}

// Room for an entry of `size` bytes that the file holds: in its last block, or in a new
// one. Returns WAY_HOLD with the entry's head in `entry`, or what else becomes of it.
int hold_room(FileOrder* order, OrderedFile* file, size_t size, HeldEntry** entry) {
    if ((*entry = room_in_last(file, size))) return WAY_HOLD;
    size_t needed = ENTRY_HEAD + rounded(size);
    size_t capacity = file->last ? file->last->size * 2 : FIRST_CHUNK;
    if (capacity > LARGEST_CHUNK) capacity = LARGEST_CHUNK;
    if (capacity < needed) capacity = needed;
    HeldChunk* chunk = static_cast<HeldChunk*>(malloc(CHUNK_HEAD + capacity));
    // Nothing can be held without memory: the file waits for its turn.
    int way = way_of(order, file, chunk ? CHUNK_HEAD + capacity : SIZE_MAX);
    if (way != WAY_HOLD) {
        free(chunk);
        return way;
    }
    *chunk = HeldChunk{nullptr, 0, capacity};
    if (file->last) file->last->next = chunk;
    else file->first = chunk;
    file->last = chunk;
    *entry = room_in_last(file, size);
    return WAY_HOLD;
}

}  // namespace

int order_begin(FileOrder* order, const FolderJob* job, uint32_t scanned_most) {
    uint32_t room = scanned_most + PATHS_AHEAD;
    order->files = static_cast<OrderedFile*>(calloc(room, sizeof(OrderedFile)));
    if (!order->files) return -1;
    order->job = job;
    order->room = room;
    order->scanned_most = scanned_most;
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
    std::unique_lock<std::mutex> held(order->lock);
    while (order->next - order->oldest == order->room) {
        order->walk_waits = 1;
        order->room_freed.wait(held);
        order->walk_waits = 0;
    }
    OrderedFile* file = &order->files[order->next % order->room];
    *file = {};
    file->number = order->next++;
    file->path = block;
    file->name = block + length + 1;
    file->path_length = length;
    if (order->idle && (order->next - order->taken >= WAKE_FOR || order->taken == order->oldest))
        order->handed.notify_all();
    return 0;
}

void order_close(FileOrder* order) {
    std::lock_guard<std::mutex> held(order->lock);
    order->closed = 1;
    order->handed.notify_all();
}

OrderedFile* order_take(FileOrder* order) {
    std::unique_lock<std::mutex> held(order->lock);
    for (;;) {
        if (order->taken == order->next) {
            if (order->closed) return nullptr;
            order->idle++;
            order->handed.wait(held);
            order->idle--;
        } else if (order->taken - order->oldest >= order->scanned_most) {
            order->ahead_waits++;
            order->handed.wait(held);
            order->ahead_waits--;
        } else {
            break;
        }
    }
    OrderedFile* file = &order->files[order->taken++ % order->room];
    file->state = ORDER_SCANNING;
    return file;
}

int order_hold_event(FileOrder* order, OrderedFile* file, const FolderEvent* event) {
    if (file->has_turn) return 0;
    size_t size = held_event_size(event);
    HeldEntry* entry;
    int way = hold_room(order, file, size, &entry);
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
    HeldEntry* entry;
    int way = hold_room(order, file, sizeof(WrittenCopy), &entry);
    if (way == WAY_TURN) {
        send_held(order, file, 0);
        return 0;
    }
    if (way == WAY_HOLD) {
        *static_cast<WrittenCopy*>(what_of(entry)) = *written;
        entry_made(file, entry, HELD_COPY, sizeof(WrittenCopy));
    } else {
        // After a stop, with no turn to tell a failure in.
        remove_copy(&written->copy);
        release_written(written);
    }
    *written = {};
    return 1;
}

int order_turn(FileOrder* order, OrderedFile* file) {
    if (file->has_turn) return 1;
    if (!is_oldest(order, file)) return 0;
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
        if (stop_requested(order->job) || order->halted) __atomic_store_n(&order->cut, 1, __ATOMIC_RELEASE);
        __atomic_store_n(&order->oldest, order->oldest + 1, __ATOMIC_RELEASE);
        // The walk goes on once half the room is free, rather than at every file.
        if (order->walk_waits && order->next - order->oldest <= order->room / 2)
            order->room_freed.notify_one();
        if (order->ahead_waits) order->handed.notify_all();
        if (order->oldest == order->next ||
            order->files[order->oldest % order->room].state != ORDER_DONE)
            break;
    }
    order->turn_taken = 0;
    tell_turn_waiters(order);
}

void order_cut_short(FileOrder* order, int failed) {
    std::lock_guard<std::mutex> held(order->lock);
    order->short_of_files = 1;
    if (failed) __atomic_store_n(&order->halted, 1, __ATOMIC_RELAXED);
}

int order_stopping(FileOrder* order) {
    return stop_requested(order->job) || __atomic_load_n(&order->halted, __ATOMIC_RELAXED);
}

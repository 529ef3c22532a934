// The files of a walk in the walk's order while several threads scan them. What a file
// sends (its events, and its copy once written whole) waits until every earlier file's
// has gone, so that the report keeps the walk's order whichever thread scans what. The
// turn passes from file to file in walk order: the thread whose file has it sends at
// once, and is the only one that reaches the commit queue and the sink; the others hold
// what their files send, up to a bound past which they wait for their turn. The earliest
// file whose events have not all gone never waits, so the bound cannot hold the walk up
// for good.
//
// After a stop, the file whose turn it is when the stop is seen is the last one whose
// events go: what the files after it hold is dropped and their copies removed, as if the
// walk had stopped there on one thread.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <condition_variable>
#include <mutex>

#include "folder.h"

struct HeldChunk;
struct WrittenCopy;

enum OrderState {
    ORDER_HANDED = 0,     // waits for a scanner
    ORDER_SCANNING = 1,
    ORDER_DONE = 2,       // scanned; what it holds goes in its turn
};

// A file from its hand-over until what it sent has gone.
struct OrderedFile {
    uint64_t number;      // its place among the files handed over
    char* path;           // a heap block: the path, then room for its copy's name
    char* name;
    size_t path_length;
    int state;            // an OrderState
    int has_turn;         // its scanner's own: set when it takes the turn
    HeldChunk* first;     // what it sent before its turn, in order: its scanner's own
    HeldChunk* last;      //   until it is done
    size_t held;          // the bytes of its blocks, which count against the bound
};

// Under the lock but for what the functions read and count without it, atomically: the
// bytes held, `oldest`, `cut` and `halted`, and the waiters for turns.
struct FileOrder {
    std::mutex lock;
    // Each wait has its own signal, given only while some thread waits: a walk over
    // many small files hands over, scans and sends thousands of files a second.
    std::condition_variable room_freed;   // the walk waits for room
    std::condition_variable handed;       // scanners wait for a file, or for the files
                                          //   ahead of the oldest to be fewer
    std::condition_variable turned;       // scanners wait for their turn, or for room
                                          //   for what they hold
    int walk_waits;
    uint32_t idle;
    uint32_t ahead_waits;
    uint32_t turn_waits;
    const FolderJob* job; // the walk's: what was held goes through it in its turn
    OrderedFile* files;   // a ring of `room`: files [oldest, next) not gone yet
    uint32_t room;
    uint32_t scanned_most;   // files [oldest, taken): at most this many
    uint64_t oldest;
    uint64_t next;
    uint64_t taken;       // files before it have their scanners
    int turn_taken;       // some thread has the turn
    size_t held;          // what every file holds, against held_most
    size_t held_most;
    int closed;           // no more files come
    int halted;           // a scan failed for memory: the walk ends as after a stop
    int cut;              // a stop was seen in a turn: nothing more goes
    int short_of_files;   // a file was dropped, passed over or not scanned to its end
};

// Sets up the order of `job`'s files (a FileOrder made with value initialisation): at
// most `scanned_most` of them taken by scanners and not gone, and some more handed over
// ahead of them, which are no more than their paths. Returns 0, or -1 when memory cannot
// be had.
int order_begin(FileOrder* order, const FolderJob* job, uint32_t scanned_most);
// Releases it, once every file has gone.
void order_end(FileOrder* order);

// The walk's thread: hands over the file at `path` (`length` bytes), waiting while the
// ring is full. Returns 0, or -1 when memory for its path cannot be had.
int order_hand_over(FileOrder* order, const char* path, size_t length);
// No more files come.
void order_close(FileOrder* order);

// A scanner: the next file handed over, in walk order; waits for one (and while the
// files taken and not gone are as many as may be), and gives null once no more come.
OrderedFile* order_take(FileOrder* order);
// The scanner of `file`, for an event or a copy written whole: 1 when it waits (or is
// dropped after a stop, a copy removed), 0 when the file has its turn and the caller
// sends it on at once.
int order_hold_event(FileOrder* order, OrderedFile* file, const FolderEvent* event);
int order_hold_copy(FileOrder* order, OrderedFile* file, WrittenCopy* written);
// 1 when the file has its turn: taken now if it is free and the file's (what the file
// held goes first). The scanner may then reach the commit queue.
int order_turn(FileOrder* order, OrderedFile* file);
// The scanner is done with `file`: what it holds goes in its turn, and with the turn
// the files done after it.
void order_done(FileOrder* order, OrderedFile* file);

// A file was not scanned to its end: stopped, or, with `failed`, for want of memory,
// which ends the walk as a stop does.
void order_cut_short(FileOrder* order, int failed);
// 1 once no more files are to be scanned: the job was stopped, or a scan failed.
int order_stopping(FileOrder* order);

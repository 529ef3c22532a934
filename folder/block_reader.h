// The block of a file that the scan has at hand: read in large pieces into the scan
// tools' buffer, moved forward as the scan goes; and the file's bytes elsewhere, read
// again. It only reads.
#pragma once

#include <stdint.h>

struct FileBlock {
    int source;           // descriptor of the file
    int64_t size;         // the file's size when it was opened
    char* bytes;          // file bytes [start, start + length)
    uint32_t capacity;    // of `bytes`, one byte of it kept free for a window's closing NUL
    int64_t start;
    uint32_t length;
    int at_end;           // the block reaches the end of the file
    int read_failed;
};

// The file offset behind the block's last byte.
int64_t block_end(const FileBlock* block);

// 1 while reading on may give more of the file.
int block_can_grow(const FileBlock* block);

// Reads until the block is full or the file ends. Fewer bytes than asked for, up to the
// size that the file had when it was opened, mark the end without another read; short of
// that size, the next read tells an error from a file that shrank.
void fill_block(FileBlock* block);

// Drops the bytes before `offset` (all of them when it lies beyond) and reads on.
void slide_block(FileBlock* block, int64_t offset);

// Copies the file's `size` bytes from offset `from` into `out`: from the block where it
// holds them, else read from the file again. Returns the count (fewer only where the
// file ends), or -1 when reading failed.
int32_t block_read_range(const FileBlock* block, int64_t from, uint32_t size, char* out);

#include "block_reader.h"

#include <string.h>

#include "folder_platform.h"

int64_t block_end(const FileBlock* block) { return block->start + block->length; }

int block_can_grow(const FileBlock* block) { return !block->at_end && !block->read_failed; }

void fill_block(FileBlock* block) {
    while (block_can_grow(block) && block->length < block->capacity - 1) {
        uint32_t wanted = block->capacity - 1 - block->length;
        int32_t count = file_ops.read_at(block->source, block_end(block),
                                         block->bytes + block->length, wanted);
        if (count < 0) {
            block->read_failed = 1;
        } else {
            block->length += static_cast<uint32_t>(count);
            if (count == 0 ||
                (static_cast<uint32_t>(count) < wanted && block_end(block) >= block->size))
                block->at_end = 1;
        }
    }
}

void slide_block(FileBlock* block, int64_t offset) {
    if (offset >= block_end(block)) {
        block->length = 0;
    } else {
        uint32_t drop = static_cast<uint32_t>(offset - block->start);
        memmove(block->bytes, block->bytes + drop, block->length - drop);
        block->length -= drop;
    }
    block->start = offset;
    fill_block(block);
}

int32_t block_read_range(const FileBlock* block, int64_t from, uint32_t size, char* out) {
    uint32_t got = 0;
    while (got < size) {
        int64_t at = from + got;
        uint32_t wanted = size - got;
        if (at >= block->start && at < block_end(block)) {
            uint32_t held = static_cast<uint32_t>(block_end(block) - at);
            uint32_t taken = held < wanted ? held : wanted;
            memcpy(out + got, block->bytes + (at - block->start), taken);
            got += taken;
            continue;
        }
        if (at < block->start && block->start - at < wanted)
            wanted = static_cast<uint32_t>(block->start - at);
        int32_t count = file_ops.read_at(block->source, at, out + got, wanted);
        if (count < 0) return -1;
        if (count == 0) break;
        got += static_cast<uint32_t>(count);
    }
    return static_cast<int32_t>(got);
}

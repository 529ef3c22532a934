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

// The bytes that replace a hit in the file's own encoding. In a UTF-8 or UTF-16 file the
// engine builds the replacement from the view's one byte per character, so the file's
// own bytes of each capture and the template's literal text in the file's encoding are
// put together here instead.
#pragma once

#include <stddef.h>

#include "query.h"

struct FileScan;
struct ScanWindow;
struct WindowAnswer;

// The replacement of the match that `query` found last in `window`, in a new heap block
// (null when it is empty). Returns 0, or -1 when memory cannot be had.
int encoded_replacement(const FileScan* scan, const ScanWindow* window,
                        const PreparedQuery* query, char** bytes, size_t* length);

// The bytes that replace the hit in `answer`, which `query` found with its template: the
// engine's own in a file of the ANSI code page, else encoded_replacement's in `*owned`,
// which the caller releases. Returns 0, or -1 when memory cannot be had.
int hit_replacement(const FileScan* scan, const PreparedQuery* query, const WindowAnswer* answer,
                    const char** bytes, size_t* length, char** owned);

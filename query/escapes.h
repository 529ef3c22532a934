// Where escapes go wrong, and where decoded bytes came from: for telling the user which
// characters of a query or template as typed are at fault.
#pragma once

#include "query.h"

// The first escape of `length` bytes of `source` that the end cuts short: its kind
// (QUERY_FAULT_LONE_BACKSLASH or QUERY_FAULT_SHORT_HEX), with the offset of its backslash
// and the bytes that it has; QUERY_FAULT_NONE when all of them decode.
QueryFaultKind find_escape_fault(const char* source, uint32_t length, uint32_t* offset,
                                 uint32_t* span);

// The offset in `source` (`length` bytes) of what decodes into the byte at `decoded_offset`:
// the escape that gives it, or `length` past the decoded end.
uint32_t source_offset(const char* source, uint32_t length, uint32_t decoded_offset);

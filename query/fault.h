// Recording a query's or template's fault where the compilation meets it.
#pragma once

#include <stddef.h>

#include "query.h"

// Records the fault when `fault` is given (null: the caller wants only the error);
// returns `error`.
int note_fault(QueryFault* fault, QueryFaultKind kind, size_t position, size_t length,
               int error);

// The escape fault of the literal run [run, run + length) in `text`, which failed to
// decode, recorded with its position in `text`; returns ENOEXEC.
int note_escape_fault(QueryFault* fault, const char* text, const char* run, uint32_t length);

// A string of the folder search kept beyond the call that handed it over.
#pragma once

// A copy of `text` in a heap block (released with free); null for a null text, or when
// memory cannot be had.
char* copy_string(const char* text);

// What the scan of a file asks of search_in_file, which decides about the file.
#pragma once

struct FileScan;

// Whether a Replace would rewrite the file that `scan` has open (its copy_name set):
// asked once per file, by the search before a Replace at the file's first candidate or
// at its end.
int scan_would_rewrite(FileScan* scan);

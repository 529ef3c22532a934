// search_in_file: the visitor of folder-mode Find and Replace. Tests a file's path
// against the mask, scans the file (file_scan.cpp) and, for Replace, lets the finished
// copy take the file's place in one step.
#include "folder.h"

#include "file_scan.h"
#include "folder_platform.h"
#include "query.h"
#include "replace_file.h"

#include <errno.h>
#include <inttypes.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char LINE_CANNOT_OPEN[] = "%s /tневозможно открыть для чтения!\r\n";
const char LINE_NOT_REPLACED[] = "%s \tошибка удаления/переименования!: %" PRId64 "\r\n";
const char LINE_READ_FAILED[] = "%s \tошибка чтения, файл не изменён!\r\n";
const char LINE_COPY_FAILED[] = "%s \tошибка записи копии, файл не изменён!\r\n";

constexpr size_t COPY_BUFFER = 1 << 16;

// The mask must match the lower-cased path up to its end; the first match decides, and
// one of length 0 passes.
int passes_mask(char* lowered, const char* mask) {
    lower_case(lowered);
    uint32_t length = 0;
    const char* match = match_query(lowered, mask, &length, nullptr);
    return match && (length == 0 || match[length] == 0);
}

// The bytes that every match begins with. With a literal prefix as typed, its bytes; with
// none (the query begins with a backslash), the query's leading literal as the engine
// decodes it, up to its first zero byte, which ends the engine's comparison; with none
// at all, every offset is a candidate. Returns 1 to scan; 0 when no window can hold a
// hit (an empty query, a leading literal that does not decode or does not fit in a
// window); -1 when memory runs out. `decoded` receives a block to release.
int choose_prefix(FileScan* scan, const FolderJob* job, char** decoded) {
    const char* query = job->query;
    size_t query_length = strlen(query);
    if (query_length == 0) return 0;
    size_t length = job->prefix_length < query_length ? job->prefix_length : query_length;
    if (length == 0) {
        size_t run = leading_literal_length(query);
        if (run > 0) {
            *decoded = static_cast<char*>(malloc(run));
            if (!*decoded) return -1;
            length = decode_escapes(query, *decoded, static_cast<uint32_t>(run));
            if (length == 0) return 0;
            const char* zero = static_cast<const char*>(memchr(*decoded, 0, length));
            if (zero) length = zero - *decoded;
            query = *decoded;
        }
    }
    if (length > WINDOW_SIZE) return 0;
    scan_set_prefix(scan, query, static_cast<uint32_t>(length));
    return 1;
}

// After the scan: a copy that holds replacements takes the file's place, any other copy
// is removed, and failures are reported.
void settle_copy(FileScan* scan) {
    const FolderJob* job = scan->job;
    if (scan->read_failed) {
        // A copy of part of the file must never take its place.
        if (scan->copy) scan_drop_copy(scan);
        report_line(job, LINE_READ_FAILED, scan->path, 0);
        return;
    }
    if (scan->copy_failed) {
        report_line(job, LINE_COPY_FAILED, scan->path, 0);
        return;
    }
    if (!scan->copy) return;
    if (!scan->copy_started) {
        scan_drop_copy(scan);
        return;
    }
    if (scan_finish_copy(scan) != 0 || flush_to_disk(scan->copy) != 0 || ferror(scan->copy)) {
        if (scan->copy) scan_drop_copy(scan);
        report_line(job, LINE_COPY_FAILED, scan->path, 0);
        return;
    }
    int closed = fclose(scan->copy);
    scan->copy = nullptr;
    if (closed != 0) {
        scan_drop_copy(scan);
        report_line(job, LINE_COPY_FAILED, scan->path, 0);
        return;
    }
    // In one step, never deleting the file first; a read-only file is refused and keeps
    // its bytes.
    if (replace_file(scan->copy_name, scan->path) != 0) {
        int error = errno;
        scan_drop_copy(scan);
        report_line(job, LINE_NOT_REPLACED, scan->path, error);
    }
}

// Opens and scans a file that passed the mask; `name` has room for the copy's name.
// Returns the visitor's code.
int scan_one(const FolderJob* job, const char* path, size_t path_length, char* name,
             FileScan* scan, int searchable) {
    scan->source = file_ops.open_source(path, &scan->size_at_open);
    if (scan->source < 0) {
        report_line(job, LINE_CANNOT_OPEN, path, 0);
        return VISIT_CONTINUE;
    }
    if (scan_begin(scan) != 0) {
        file_ops.close_source(scan->source);
        return VISIT_STOP;
    }

    int skip = 0;
    if (job->replacement) {
        // This system's own temporary files are never rewritten.
        skip = strstr(path, TEMP_SUFFIX) != nullptr;
        memcpy(name, path, path_length);
        memcpy(name + path_length, TEMP_SUFFIX, sizeof(TEMP_SUFFIX));
        // A copy that exists already is left alone (the file is then only searched), and
        // a link is only searched: its copy would take the place of the link itself.
        if (!skip && !is_link(path)) {
            scan->copy = file_ops.create_copy(name);
            if (scan->copy) {
                scan->copy_name = name;
                setvbuf(scan->copy, nullptr, _IOFBF, COPY_BUFFER);
            }
        }
    }
    if (!skip && searchable) scan_file(scan);
    file_ops.close_source(scan->source);
    if (!skip) settle_copy(scan);
    scan_end(scan);
    return VISIT_CONTINUE;
}

}  // namespace

int search_in_file(const char* path, int is_folder, int32_t*, int32_t*, void* user) {
    const FolderJob* job = static_cast<const FolderJob*>(user);
    if (is_folder || !path || !job || !job->query || !job->mask) return VISIT_CONTINUE;

    // First the lower-cased path, then the copy's name; on the stack for the paths that
    // the walker hands over.
    size_t path_length = strlen(path);
    char local[PATH_LIMIT + sizeof(TEMP_SUFFIX)];
    char* name = path_length < PATH_LIMIT
                     ? local
                     : static_cast<char*>(malloc(path_length + sizeof(TEMP_SUFFIX)));
    if (!name) return VISIT_STOP;
    memcpy(name, path, path_length + 1);

    int code = VISIT_CONTINUE;
    if (passes_mask(name, job->mask)) {
        FileScan scan = {};
        scan.job = job;
        scan.path = path;
        char* decoded = nullptr;
        int searchable = choose_prefix(&scan, job, &decoded);
        code = searchable < 0 ? VISIT_STOP
                              : scan_one(job, path, path_length, name, &scan, searchable);
        free(decoded);
    }
    if (name != local) free(name);
    return code;
}

// The scan of one file. The file is read in large blocks rather than byte by byte, and a
// window is handed to the engine in place inside the block, yet the candidates, hits,
// offsets and rewritten bytes are those of a byte-by-byte scan: a candidate is the first
// occurrence of the prefix at or after the point where the scan resumed; its window is
// the file from there, at most WINDOW_SIZE bytes (the engine stops at a zero byte); a
// hit resumes the scan behind the match, a candidate without one behind the prefix.
#include "file_scan.h"

#include "find_bytes.h"
#include "folder.h"
#include "folder_job.h"
#include "folder_platform.h"
#include "query.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

namespace {

constexpr uint32_t BLOCK_SIZE = 1 << 20;
constexpr uint32_t COPY_CHUNK = 32768;
constexpr uint32_t PAGE_SIZE = 4096;
// How often, in candidates, a scan that finds many in one block looks at the stop byte.
constexpr uint32_t STOP_CHECK_CANDIDATES = 4096;
// The first window of an encoded file's candidate, in file bytes, and how much each next
// one is longer, up to WINDOW_SIZE.
constexpr uint32_t FIRST_REACH = 1024;
constexpr uint32_t REACH_GROWTH = 8;

int64_t buffer_end(const FileScan* scan) { return scan->buffer_start + scan->buffer_length; }

// Reads until the buffer is full (one byte is kept free for a window's closing NUL) or
// the file ends. Fewer bytes than asked for, up to the size that the file had when it
// was opened, mark the end without another read; short of that size, the next read
// tells an error from a file that shrank.
void fill(FileScan* scan) {
    // Between blocks is a safe point to stop at: nothing of the file is half done. Files
    // written before may take their places meanwhile.
    if (stop_requested(scan->job)) scan->stopped = 1;
    if (scan->job->work) commit_poll(job_commits(scan->job), scan->job, 0);
    uint32_t capacity = scan->tools->capacity;
    while (!scan->at_end && !scan->read_failed && !scan->stopped &&
           scan->buffer_length < capacity - 1) {
        uint32_t wanted = capacity - 1 - scan->buffer_length;
        int32_t count = file_ops.read_at(scan->source, buffer_end(scan),
                                         scan->buffer + scan->buffer_length, wanted);
        if (count < 0) {
            scan->read_failed = 1;
        } else {
            scan->buffer_length += static_cast<uint32_t>(count);
            if (count == 0 || (static_cast<uint32_t>(count) < wanted &&
                               buffer_end(scan) >= scan->identity.size))
                scan->at_end = 1;
        }
    }
}

int write_copy(FileScan* scan, const char* bytes, size_t size) {
    if (scan->hashing) hash_feed(&scan->new_content, bytes, size);
    return size == 0 || fwrite(bytes, 1, size, scan->copy.stream) == size ? 0 : -1;
}

// Bytes of the file that the copy takes as they are.
int write_unchanged(FileScan* scan, const char* bytes, size_t size) {
    if (scan->hashing) hash_feed(&scan->old_content, bytes, size);
    return write_copy(scan, bytes, size);
}

// Writes the file's bytes [scan->copied, end) to the copy: from the buffer where they are
// in it, else read again from the file (the part before the buffer at the first
// replacement of a file, the part after it when the scan passes over hopeless bytes).
int copy_through(FileScan* scan, int64_t end) {
    char chunk[COPY_CHUNK];
    while (scan->copied < end) {
        if (scan->copied >= scan->buffer_start && scan->copied < buffer_end(scan)) {
            int64_t stop = end < buffer_end(scan) ? end : buffer_end(scan);
            if (write_unchanged(scan, scan->buffer + (scan->copied - scan->buffer_start),
                                static_cast<size_t>(stop - scan->copied)))
                return -1;
            scan->copied = stop;
            continue;
        }
        int64_t stop = end;
        if (scan->copied < scan->buffer_start && scan->buffer_start < stop) stop = scan->buffer_start;
        uint32_t size = stop - scan->copied < COPY_CHUNK ? static_cast<uint32_t>(stop - scan->copied)
                                                         : COPY_CHUNK;
        int32_t count = file_ops.read_at(scan->source, scan->copied, chunk, size);
        if (count <= 0) {
            scan->read_failed = 1;
            return -1;
        }
        if (write_unchanged(scan, chunk, static_cast<size_t>(count))) return -1;
        scan->copied += count;
    }
    return 0;
}

int copy_alive(const FileScan* scan) { return scan->copy.stream && !scan->copy_failed; }

// Ends the rewriting of the file after a failed write (or a failed read of bytes for
// the copy): the file stays as it was and the partial copy is removed; the scan goes on
// as a search.
void fail_copy(FileScan* scan) {
    scan_give_up(scan, scan->read_failed ? REASON_READ_FAILED : REASON_COPY_FAILED, 0);
}

// Keeps a hit's offset until the file's fate is known. Returns 0, or the reason why the
// file can only be searched from here on.
int hold(FileScan* scan, int64_t offset) {
    if (scan->held_count == MAX_HELD_HITS) return REASON_TOO_MANY_HITS;
    if (scan->held_count == scan->held_capacity) {
        uint32_t capacity = scan->held_capacity ? scan->held_capacity * 2 : 64;
        int64_t* held = static_cast<int64_t*>(realloc(scan->held, capacity * sizeof(int64_t)));
        if (!held) return REASON_TOO_MANY_HITS;
        scan->held = held;
        scan->held_capacity = capacity;
    }
    scan->held[scan->held_count++] = offset;
    return 0;
}

// Drops the buffer's bytes before `offset` and reads on. Bytes of a copy in progress
// are written out first.
void slide_to(FileScan* scan, int64_t offset) {
    // A copy in progress holds everything before the buffer, so this only writes.
    if (copy_alive(scan) && scan->copy_started && copy_through(scan, offset) != 0)
        fail_copy(scan);
    if (offset >= buffer_end(scan)) {
        scan->buffer_length = 0;   // passed over whole: nothing of it is kept
    } else {
        uint32_t drop = static_cast<uint32_t>(offset - scan->buffer_start);
        memmove(scan->buffer, scan->buffer + drop, scan->buffer_length - drop);
        scan->buffer_length -= drop;
    }
    scan->buffer_start = offset;
    fill(scan);
}

int more_to_read(const FileScan* scan) {
    return !scan->at_end && !scan->read_failed && !scan->stopped;
}

// The first candidate at or after `from`: 1 with its offset, or 0 when the file (or
// what could be read of it) holds none.
int next_candidate(FileScan* scan, int64_t from, int64_t* candidate) {
    const PrefixForm* prefix = scan->prefix;
    const uint32_t prefix_length = prefix->length;
    // In UTF-16 a character begins at an even offset of the text only.
    const bool pairs = is_utf16(scan->form.encoding);
    for (;;) {
        if (pairs && (from - scan->text_start) % 2) from++;
        uint32_t at = static_cast<uint32_t>(from - scan->buffer_start);
        if (prefix_length == 0) {
            // Without a prefix every place is a candidate; in an encoded file the scan
            // goes from character to character (take_candidate resumes at the next one).
            if (at < scan->buffer_length) {
                *candidate = from;
                return 1;
            }
        } else if (scan->buffer_length >= at + prefix_length) {
            const char* found =
                find_bytes(&prefix->finder, scan->buffer + at, scan->buffer_length - at);
            if (found && pairs && (scan->buffer_start + (found - scan->buffer) - scan->text_start) % 2) {
                from = scan->buffer_start + (found - scan->buffer) + 1;
                continue;
            }
            if (found) {
                *candidate = scan->buffer_start + (found - scan->buffer);
                return 1;
            }
        }
        if (!more_to_read(scan)) return 0;
        // Keep the bytes that may begin an occurrence which the next block completes.
        int64_t keep = buffer_end(scan) - (prefix_length ? prefix_length - 1 : 0);
        if (keep > from) from = keep;
        slide_to(scan, from);
        if (scan->read_failed || scan->stopped) return 0;
    }
}

// Where the scan goes on from `from` when no candidate before `useful` can give a hit.
// A prefix that cannot overlap itself begins no candidate that the scan would pass over,
// so the scan goes on at `useful`. One that can (aa, abab) is followed byte by byte as
// the scan would follow it, each occurrence a candidate and the next looked for behind
// it, up to the first occurrence from `useful` on. Returns 0 when the file ends first.
int pass_hopeless(FileScan* scan, int64_t from, int64_t useful, int64_t* next) {
    const PrefixForm* form = scan->prefix;
    if (!form->failure) {
        *next = useful;
        return 1;
    }
    const char* prefix = form->finder.needle;
    const uint32_t length = form->length;
    uint32_t matched = 0;
    int64_t at = from;
    for (;;) {
        for (; at < buffer_end(scan); at++) {
            char byte = scan->buffer[at - scan->buffer_start];
            while (matched > 0 && prefix[matched] != byte) matched = form->failure[matched - 1];
            if (prefix[matched] == byte) matched++;
            if (matched < length) continue;
            int64_t occurrence = at + 1 - length;
            if (occurrence >= useful) {
                *next = occurrence;
                return 1;
            }
            matched = 0;   // a hopeless candidate: the scan resumes behind its prefix
        }
        if (!more_to_read(scan)) return 0;
        slide_to(scan, at - matched);   // the bytes of an occurrence begun stay
        if (scan->read_failed || scan->stopped) return 0;
    }
}

// The query (and template) compiled at the walk's first candidate that needs it, rather
// than at every candidate or file.
PreparedQuery* prepared(ScanTools* tools, PreparedQuery* query, const char* replacement) {
    int* ready = query == &tools->find ? &tools->find_ready : &tools->rewrite_ready;
    if (*ready) return query;
    prepare_query(query, tools->job->query, replacement);
    *ready = 1;
    const PrefixForm* ansi = &tools->prefixes[TEXT_ANSI];
    if (query == &tools->find && query->plain && query->plain_length == ansi->length &&
        memcmp(query->plain, ansi->bytes, ansi->length) == 0)
        tools->find_is_prefix = 1;
    return query;
}

// A candidate's window as the engine sees it: the file's own bytes, or, for an encoded
// file, the view of its characters, numbered as the view numbers them.
struct Window {
    const char* text;
    uint32_t size;
    uint32_t readable;
    int64_t offset;     // the engine's number of text[0]
    uint32_t first;     // encoded: the view's index of text[0]
    uint32_t bytes;     // the file's bytes that a whole window would span
    int whole;          // it spans them: no longer window can be had
};

// The file offset that a place in the window stands for.
int64_t file_offset(const FileScan* scan, const Window* window, const char* at) {
    if (!scan->encoded) return window->offset + (at - window->text);
    return view_offset(&scan->tools->view, window->first + static_cast<uint32_t>(at - window->text));
}

// Sets the window of the candidate at `candidate`, whose bytes are in the buffer up to
// its end, spanning at most `reach` bytes of the file. Returns 1 when the engine's numbers
// begin afresh.
int make_window(FileScan* scan, int64_t candidate, uint32_t reach, Window* window) {
    uint32_t readable = static_cast<uint32_t>(buffer_end(scan) - candidate);
    uint32_t bytes = readable > WINDOW_SIZE ? WINDOW_SIZE : readable;
    if (!scan->encoded) {
        // The window's text ends at its first zero byte, which the engine looks for itself
        // only as far as a match reaches. The rest of the buffer may be read beyond it, so
        // that the engine learns where the query's literals are for the windows to come.
        *window = {scan->buffer + (candidate - scan->buffer_start), bytes, readable, candidate,
                   0, bytes, 1};
        return 0;
    }
    TextView* view = &scan->tools->view;
    uint32_t first = 0;
    int fresh = view_window(view, candidate, candidate + (reach < bytes ? reach : bytes),
                            scan->buffer, scan->buffer_start, buffer_end(scan), scan->at_end,
                            &first);
    uint32_t size = view->count - first;
    *window = {view->bytes + first, size, size, view->base + first, first, bytes, reach >= bytes};
    return fresh;
}

// Whether the engine's answer for a window short of the whole may differ from its answer
// for the whole: a match that runs to the window's end, or a failure that a longer window
// may turn into a match (the text that it needs lies beyond).
bool answer_may_grow(const PreparedQuery* query, const char* match, const Window* window) {
    if (window->whole) return false;
    if (match) return query->reaches_text_end;
    return query->needed_end == 0 || query->needed_end <= window->offset + window->bytes;
}

// The stream offset that a window of the file must reach for a hit, from the engine's
// number: the view's characters lead back to the file.
int64_t needed_in_file(const FileScan* scan, int64_t needed) {
    if (!scan->encoded) return needed;
    const TextView* view = &scan->tools->view;
    int64_t index = needed - view->base;
    return index < view->count ? view_offset(view, static_cast<uint32_t>(index)) : view->end + 1;
}

// An encoded file's replacement: the file's own bytes of each capture, the template's
// literal text in the file's encoding.
struct Encoded {
    const FileScan* scan;
    const Window* window;
    char* bytes;
    size_t length;
    size_t capacity;
    int failed;
};

void put_encoded(Encoded* built, const char* bytes, size_t size, int encode) {
    int encoding = built->scan->form.encoding;
    size_t needed = encode ? static_cast<size_t>(encoded_size(encoding, bytes, static_cast<uint32_t>(size))) : size;
    if (built->length + needed > built->capacity) {
        size_t capacity = (built->length + needed) * 2 + 64;
        char* grown = static_cast<char*>(realloc(built->bytes, capacity));
        if (!grown) {
            built->failed = 1;
            return;
        }
        built->bytes = grown;
        built->capacity = capacity;
    }
    if (encode) encode_text(encoding, bytes, static_cast<uint32_t>(size), built->bytes + built->length);
    else memcpy(built->bytes + built->length, bytes, size);
    built->length += needed;
}

void encoded_part(void* user, const char* capture, uint32_t capture_length, const char* literal,
                  uint32_t literal_length) {
    Encoded* built = static_cast<Encoded*>(user);
    if (capture_length) {
        // Exactly the bytes that the capture spans in the file, whatever they are.
        const FileScan* scan = built->scan;
        int64_t from = file_offset(scan, built->window, capture);
        int64_t to = file_offset(scan, built->window, capture + capture_length);
        put_encoded(built, scan->buffer + (from - scan->buffer_start), static_cast<size_t>(to - from), 0);
    }
    if (literal_length) put_encoded(built, literal, literal_length, 1);
}

// One candidate's window, evaluated by the engine. Returns the offset at which the scan
// resumes, or -1 after a read failure.
int64_t take_candidate(FileScan* scan, int64_t candidate) {
    if (candidate + WINDOW_SIZE > buffer_end(scan) && !scan->at_end) {
        slide_to(scan, candidate);
        if (scan->read_failed || scan->stopped) return -1;
    }
    const FolderJob* job = scan->job;
    ScanTools* tools = scan->tools;
    int replacing = copy_alive(scan);
    PreparedQuery* query = replacing ? prepared(tools, &tools->rewrite, job->replacement)
                                     : prepared(tools, &tools->find, nullptr);
    // An encoded file's text is decoded as far as the engine needs it: most matches end
    // soon after their candidate, so a short window comes first, then longer ones while
    // the answer may grow with them.
    uint32_t reach = scan->encoded ? FIRST_REACH : WINDOW_SIZE;
    Window window;
    uint32_t match_length = 0;
    const char* match;
    char* replacement = nullptr;
    uint32_t replacement_length = 0;
    for (;;) {
        if (make_window(scan, candidate, reach, &window)) forget_stream(query);
        if (!replacing && !scan->encoded && tools->find_is_prefix) {
            // A query that is its prefix alone matches each candidate, as the engine would
            // find: the text begins with the literal, which holds no zero byte.
            match = window.text;
            match_length = scan->prefix->length;
        } else if (replacing) {
            match = replace_window(query, window.text, window.size, window.readable,
                                   window.offset, &match_length, &replacement,
                                   &replacement_length);
        } else {
            match = match_window(query, window.text, window.size, window.readable,
                                 window.offset, &match_length);
        }
        if (!answer_may_grow(query, match, &window)) break;
        free(replacement);
        replacement = nullptr;
        reach *= REACH_GROWTH;
    }

    int64_t resume = candidate + (scan->prefix->length ? scan->prefix->length : 1);
    if (scan->encoded && scan->prefix->length == 0)
        resume = file_offset(scan, &window, window.text + (window.size ? 1 : 0));
    if (resume == candidate) resume++;
    // Passed over only where the scan's own next candidate is known: not for an encoded
    // prefix that can overlap itself or an encoded file scanned character by character.
    bool may_pass = !scan->encoded || (scan->prefix->length && !scan->prefix->failure);
    if (!match && query->needed_end > 0 && may_pass) {
        // A window must reach that far for a hit: the candidates before the one whose
        // window does are passed over, all of them when the file ends sooner.
        int64_t needed = needed_in_file(scan, query->needed_end);
        scan->useful_from = needed - WINDOW_SIZE;
        if (scan->at_end && needed > buffer_end(scan)) scan->useful_from = INT64_MAX;
    }
    if (match && match_length != 0) {
        int64_t offset = file_offset(scan, &window, match);
        int64_t end = file_offset(scan, &window, match + match_length);
        Encoded encoded = {scan, &window, nullptr, 0, 0, 0};
        if (replacing && scan->encoded) {
            replacement_parts(query, encoded_part, &encoded);
            free(replacement);
            replacement = encoded.bytes;
            replacement_length = static_cast<uint32_t>(encoded.length);
        }
        if (replacing) {
            if (encoded.failed || copy_through(scan, offset) != 0 ||
                write_copy(scan, replacement, replacement_length) != 0) {
                if (scan->read_failed) {
                    free(replacement);
                    return -1;
                }
                fail_copy(scan);
                replacing = 0;
            } else {
                // The file's own bytes that the match spans (of an encoded file, not its view).
                if (scan->hashing)
                    hash_feed(&scan->old_content, scan->buffer + (offset - scan->buffer_start),
                              static_cast<size_t>(end - offset));
                scan->copy_started = 1;
                scan->copied = end;
                if (int reason = hold(scan, offset)) {
                    scan_give_up(scan, reason, 0);
                    replacing = 0;
                }
            }
        }
        if (!replacing) emit(job, FOLDER_HIT_FOUND, scan->path, offset, 0, 0, nullptr, scan->form.encoding);
        scan->hits++;
        resume = end;
    }
    free(replacement);
    return resume;
}

}  // namespace


void emit(const FolderJob* job, int kind, const char* path, int64_t offset, int reason,
          int error, const char* other, int encoding) {
    FolderEvent event = {kind, reason, path, offset, error, other, encoding, 0, nullptr, 0};
    send_event(job, &event);
}

void send_event(const FolderJob* job, const FolderEvent* event) {
    // Behind the files of the walk that wait to take their places, if any; progress,
    // which is no line of the report, at once.
    if (job->work && event->kind != FOLDER_FILE_PASSED) commit_emit(job_commits(job), job, event);
    else if (job->sink) job->sink(job->sink_user, event);
}

int stop_requested(const FolderJob* job) {
    // Set by another thread: the atomic load makes sure that its store is seen.
    return job->stop && __atomic_load_n(job->stop, __ATOMIC_RELAXED) != 0;
}

namespace {

// The finder of a prefix form in `encoding`, and its failure function when it can overlap
// itself. In UTF-16 it looks for the characters' low bytes: most high bytes are alike.
int set_up_prefix(PrefixForm* form, int encoding) {
    form->ready = 1;
    if (form->length == 0) return 0;
    if (is_utf16(encoding))
        prepare_finder_among(&form->finder, form->bytes, form->length,
                             encoding == TEXT_UTF16_BE ? 1 : 0, 2);
    else
        prepare_finder(&form->finder, form->bytes, form->length);
    uint32_t* failure = static_cast<uint32_t*>(malloc(form->length * sizeof(uint32_t)));
    if (!failure) return -1;
    failure[0] = 0;
    for (uint32_t i = 1, k = 0; i < form->length; i++) {
        while (k > 0 && form->bytes[i] != form->bytes[k]) k = failure[k - 1];
        if (form->bytes[i] == form->bytes[k]) k++;
        failure[i] = k;
    }
    if (failure[form->length - 1] > 0) form->failure = failure;
    else free(failure);
    return 0;
}

// The prefix in `encoding`, made the first time a file in it is met; null when memory
// runs out. Binary files are searched as bytes.
const PrefixForm* prefix_for(ScanTools* tools, int encoding) {
    if (encoding == TEXT_BINARY) encoding = TEXT_ANSI;
    PrefixForm* form = &tools->prefixes[encoding];
    if (form->ready) return form;
    const PrefixForm* ansi = &tools->prefixes[TEXT_ANSI];
    uint64_t size = encoded_size(encoding, ansi->bytes, ansi->length);
    form->bytes = static_cast<char*>(malloc(static_cast<size_t>(size) + 1));
    if (!form->bytes) return nullptr;
    form->owned = 1;
    form->length = encode_text(encoding, ansi->bytes, ansi->length, form->bytes);
    return set_up_prefix(form, encoding) == 0 ? form : nullptr;
}

// A byte that no literal of the query holds, for characters that no literal can match:
// one that the code page leaves undefined if the query has none, else a control byte.
char choose_placeholder(const char* query) {
    bool used[256] = {};
    size_t length = strlen(query);
    for (size_t i = 0; i < length; i++) used[static_cast<unsigned char>(query[i])] = true;
    // Escapes put bytes of their own into the literals; every one of them counts. An
    // escape is at most four bytes, and decodes into at most as many.
    for (size_t i = 0; i + 1 < length; i++) {
        if (query[i] != '\\') continue;
        char decoded[4];
        uint32_t got = decode_escapes(query + i, decoded, length - i < 4 ? static_cast<uint32_t>(length - i) : 4);
        for (uint32_t k = 0; k < got; k++) used[static_cast<unsigned char>(decoded[k])] = true;
    }
    const unsigned char preferred[] = {0x98, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x0E, 0x0F, 0x10,
                                       0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A,
                                       0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x7F};
    for (unsigned char byte : preferred)
        if (!used[byte]) return static_cast<char>(byte);
    for (unsigned byte = 1; byte < 256; byte++)
        if (!used[byte]) return static_cast<char>(byte);
    return static_cast<char>(0x98);
}

}  // namespace

int tools_begin(ScanTools* tools, const FolderJob* job) {
    *tools = {};
    tools->job = job;
    tools->capacity = BLOCK_SIZE + WINDOW_SIZE + 1;
    // Reads into a page-aligned buffer copy faster.
    tools->block = static_cast<char*>(malloc(tools->capacity + PAGE_SIZE));
    if (!tools->block) return -1;
    uintptr_t address = reinterpret_cast<uintptr_t>(tools->block);
    tools->buffer = tools->block + (PAGE_SIZE - address % PAGE_SIZE) % PAGE_SIZE;

    const char* prefix = nullptr;
    uint32_t length = 0;
    char* decoded = nullptr;
    int found = candidate_prefix(job->query, job->prefix_length, &prefix, &length, &decoded);
    PrefixForm* ansi = &tools->prefixes[TEXT_ANSI];
    ansi->bytes = decoded ? decoded : const_cast<char*>(prefix);
    ansi->owned = decoded != nullptr;
    if (found < 0) return -1;
    tools->searchable = found > 0 && length <= WINDOW_SIZE;  // a window must hold a match
    ansi->length = tools->searchable ? length : 0;
    tools->placeholder = choose_placeholder(job->query);
    return set_up_prefix(ansi, TEXT_ANSI);
}

void tools_end(ScanTools* tools) {
    if (tools->find_ready) release_query(&tools->find);
    if (tools->rewrite_ready) release_query(&tools->rewrite);
    for (PrefixForm& form : tools->prefixes) {
        free(form.failure);
        if (form.owned) free(form.bytes);
    }
    if (tools->view_ready) view_end(&tools->view);
    free(tools->block);
    *tools = {};
}

int scan_begin(FileScan* scan, ScanTools* tools, int with_binary) {
    scan->tools = tools;
    scan->buffer = tools->buffer;
    scan->hashing = scan->job->undo != nullptr;
    if (scan->hashing) {
        hash_begin(&scan->old_content);
        hash_begin(&scan->new_content);
    }
    // What the query learnt was of the last file.
    if (tools->find_ready) forget_stream(&tools->find);
    if (tools->rewrite_ready) forget_stream(&tools->rewrite);
    // The first block tells the file's encoding.
    fill(scan);
    scan->form = TextForm{TEXT_ANSI, 0};
    if (!scan->job->bytes_only) {
        scan->form = with_binary ? detect_text_form(scan->buffer, scan->buffer_length)
                                 : detect_text_encoding(scan->buffer, scan->buffer_length);
    }
    scan->text_start = scan->form.mark_length;
    scan->prefix = prefix_for(tools, scan->form.encoding);
    if (!scan->prefix) return -1;
    scan->encoded = scan->form.encoding == TEXT_UTF8 || is_utf16(scan->form.encoding);
    if (!scan->encoded) return 0;
    if (!tools->view_ready) {
        if (view_begin(&tools->view, scan->form.encoding, tools->placeholder, WINDOW_SIZE) != 0)
            return -1;
        tools->view_ready = 1;
    }
    tools->view.count = 0;   // the next window begins the view afresh
    tools->view.decoder.encoding = scan->form.encoding;
    return 0;
}

void scan_end(FileScan* scan) {
    free(scan->held);
    scan->held = nullptr;
    scan->held_count = scan->held_capacity = 0;
}

void scan_file(FileScan* scan) {
    if (scan->prefix->length > WINDOW_SIZE) return;   // no window could hold a match
    int64_t position = scan->text_start;
    int64_t candidate;
    uint32_t taken = 0;
    while (next_candidate(scan, position, &candidate)) {
        position = take_candidate(scan, candidate);
        if (position < 0) return;
        if (scan->useful_from == INT64_MAX) return;   // no hit in the rest of the file
        if (scan->useful_from > position &&
            !pass_hopeless(scan, position, scan->useful_from, &position))
            return;
        if (++taken % STOP_CHECK_CANDIDATES == 0 && stop_requested(scan->job)) {
            scan->stopped = 1;
            return;
        }
    }
}

int scan_finish_copy(FileScan* scan) {
    if (copy_through(scan, buffer_end(scan)) != 0) {
        fail_copy(scan);
        return -1;
    }
    return 0;
}

void scan_drop_copy(FileScan* scan) {
    if (int error = remove_copy(&scan->copy))
        emit(scan->job, FOLDER_TEMP_NOT_DELETED, scan->copy.name, 0, 0, error, nullptr,
             scan->form.encoding);
    release_copy(&scan->copy);
}

void scan_give_up(FileScan* scan, int reason, int error, const char* other) {
    scan_drop_copy(scan);
    scan->copy_failed = 1;
    if (!scan->given_up) {
        scan->given_up = 1;
        scan->reason = reason;
        scan->error = error;
        scan->other = other;
    }
    for (uint32_t i = 0; i < scan->held_count; i++)
        emit(scan->job, FOLDER_HIT_FOUND, scan->path, scan->held[i], 0, 0, nullptr,
             scan->form.encoding);
    scan->held_count = 0;
}

void scan_commit_copy(FileScan* scan) {
    // The C library's buffer now, so that a full disk is known while the file is at hand;
    // the system may start writing it while the scan goes on.
    if (fflush(scan->copy.stream) != 0) {
        scan_give_up(scan, REASON_COPY_FAILED, 0);
        return;
    }
    file_ops.begin_writing(scan->copy.stream);
    WrittenCopy written = {scan->path,
                           scan->copy,
                           scan->identity,
                           scan->form.encoding,
                           scan->held,
                           scan->held_count,
                           hash_end(&scan->old_content),
                           hash_end(&scan->new_content),
                           KEEP_NOT_YET,
                           {}};
    scan->copy = {};
    scan->held = nullptr;
    scan->held_count = scan->held_capacity = 0;
    if (scan->job->work && commit_add(job_commits(scan->job), scan->job, &written) == 0) return;
    int error = 0;
    file_ops.flush_copies(&written.copy.stream, 1, &error);
    settle_written(scan->job, &written, error, send_event);
}

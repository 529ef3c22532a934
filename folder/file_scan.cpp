// The scan of one file. The file is read in large blocks rather than byte by byte, and a
// window is handed to the engine in place inside the block, yet the candidates, hits,
// offsets and rewritten bytes are those of a byte-by-byte scan: a candidate is the first
// occurrence of the prefix at or after the point where the scan resumed; its window is
// the file from there, at most WINDOW_SIZE bytes (the engine stops at a zero byte); a
// hit resumes the scan behind the match, a candidate without one behind the prefix.
#include "file_scan.h"

#include <stdlib.h>

#include "commit_queue.h"
#include "encoded_replacement.h"
#include "folder.h"
#include "folder_events.h"
#include "folder_job.h"
#include "hit_excerpt.h"
#include "scan_tools.h"
#include "scan_window.h"
#include "search_in_file.h"

namespace {

// How often, in candidates, a scan that finds many in one block looks at the stop byte.
constexpr uint32_t STOP_CHECK_CANDIDATES = 4096;

// Before a block is read is a safe point to stop at: nothing of the file is half done.
// The scan waits here while the user is asked; files written before may take their
// places meanwhile, when this file has its turn.
void between_blocks(FileScan* scan) {
    const FolderJob* job = scan->job;
    if (job->work) pause_point(job);
    if (stop_requested(job)) scan->stopped = 1;
    if (job->work && job_has_turn(job)) commit_poll(job_commits(job), job, 0);
}

// Moves the block forward to `offset`. Returns 1 when the scan can go on there, 0 when
// the file ends, cannot be read or the job was stopped.
int next_block(FileScan* scan, int64_t offset) {
    if (!block_can_grow(&scan->block) || scan->stopped) return 0;
    copy_before_dropping(scan, offset);
    lines_before_dropping(scan, offset);
    between_blocks(scan);
    if (scan->block.read_failed || scan->stopped) return 0;
    slide_block(&scan->block, offset);
    return !scan->block.read_failed;
}

// 1 when the block ends before the candidate's whole window (and with whole word the
// character behind it) and the file goes on.
int window_cut_short(const FileScan* scan, int64_t candidate) {
    int64_t needed = candidate + WINDOW_SIZE + (scan->job->whole_word ? WINDOW_LOOK_AHEAD : 0);
    return needed > block_end(&scan->block) && !scan->block.at_end;
}

// A hit that is not written into the copy is found: told at once, with its note when
// its line is listed.
void tell_found(FileScan* scan, int64_t offset, const HitNote* note) {
    send_hits(scan->job, FOLDER_HIT_FOUND, scan->path, scan->form.encoding, &offset, 1, note,
              note ? 1 : 0);
}

// The search before a Replace matches as the Replace will: with its template in a file
// that it would rewrite, as a Find in any other. Whether it would is asked once a file
// has a candidate: a file without one costs no more than in a Find.
int matches_as_rewritten(FileScan* scan) {
    const FolderJob* job = scan->job;
    return job->counting && job->replacement && scan_would_rewrite(scan);
}

// The hit that the engine found in `answer` (with a Replace's template: `replacing`):
// written into the copy while the file is rewritten, else told. Returns the offset behind
// it, where the scan resumes, or -1 after a read failure.
int64_t take_hit(FileScan* scan, const PreparedQuery* query, const WindowAnswer* answer,
                 int replacing) {
    const int writing = copy_alive(scan), listed = hit_listed(scan);
    if (!writing && !listed) {
        // Most hits of a search with many: told as they are.
        tell_found(scan, answer->offset, nullptr);
        scan->hits++;
        return answer->end;
    }
    // The bytes that replace the hit in the file, where they are written or shown.
    const char* replacement = nullptr;
    size_t length = 0;
    char* encoded = nullptr;
    int made = replacing ? hit_replacement(scan, query, answer, &replacement, &length, &encoded) : -1;
    HitNote note;
    char text[EXCERPT_ROOM];
    if (listed) {
        int with_new = made != 0 ? NOTE_OLD_ONLY : writing ? NOTE_WRITTEN : NOTE_PREVIEW;
        make_hit_note(scan, answer, with_new, replacement, length, text, &note);
    }
    int written = HIT_NOT_WRITTEN;
    if (writing && made != 0) scan_give_up(scan, REASON_COPY_FAILED);   // no memory for it
    else if (writing) written = write_hit(scan, answer, replacement, length);
    if (written == HIT_HELD && listed) notes_keep(&scan->copy.notes, &note);
    if (written == HIT_NOT_WRITTEN) tell_found(scan, answer->offset, listed ? &note : nullptr);
    if (encoded) free(encoded);   // made for UTF-8 and UTF-16 files alone
    if (written == HIT_READ_FAILED) return -1;
    scan->hits++;
    return scan->block.read_failed ? -1 : answer->end;
}

// One candidate, its window in the block: evaluated by the engine. Returns the offset at
// which the scan resumes, or -1 after a read failure.
int64_t take_candidate(FileScan* scan, int64_t candidate) {
    int replacing = copy_alive(scan) || matches_as_rewritten(scan);
    PreparedQuery* query = tools_query(scan->tools, replacing);
    WindowAnswer answer;
    ask_engine(scan, query, replacing, candidate, &answer);
    if (scan->block.read_failed) {
        free(answer.replacement);
        return -1;
    }
    if (!answer.match) note_needed_reach(scan, query);
    int64_t resume = answer.match && answer.match_length != 0
                         ? take_hit(scan, query, &answer, replacing)
                         : resume_without_hit(scan, candidate, &answer.window);
    free(answer.replacement);
    return resume;
}

// Passes over the candidates before scan->useful_from, which can give no hit. Returns the
// offset of the next useful one, or -1 when the scan ends first.
int64_t pass_useless(FileScan* scan, int64_t position) {
    while (!pass_hopeless(scan, position, scan->useful_from, &position))
        if (!next_block(scan, position)) return -1;
    return position;
}

}  // namespace

int scan_begin(FileScan* scan, ScanTools* tools, int with_binary) {
    scan->tools = tools;
    scan->block.bytes = tools->buffer;
    scan->block.capacity = tools->capacity;
    scan->block.size = scan->identity.size;
    scan->copy.hashing = scan->job->undo != nullptr;
    if (scan->copy.hashing) {
        hash_begin(&scan->copy.old_content);
        hash_begin(&scan->copy.new_content);
    }
    tools_new_file(tools);
    scan->listed_before = hits_handed_on(scan->job);
    // The first block tells the file's encoding.
    between_blocks(scan);
    if (!scan->stopped) fill_block(&scan->block);
    scan->form = TextForm{TEXT_ANSI, 0};
    if (!scan->job->bytes_only) {
        scan->form = with_binary ? detect_text_form(scan->block.bytes, scan->block.length)
                                 : detect_text_encoding(scan->block.bytes, scan->block.length);
    }
    scan->fate.path = scan->path;
    scan->fate.encoding = scan->form.encoding;
    scan->text_start = scan->form.mark_length;
    scan->prefix = finder_prefix(&tools->finder, scan->form.encoding);
    if (!scan->prefix) return -1;
    scan->encoded = scan->form.encoding == TEXT_UTF8 || is_utf16(scan->form.encoding);
    if (scan->encoded && !tools_view(tools, scan->form.encoding)) return -1;
    return 0;
}

int hit_listed(FileScan* scan) {
    uint32_t listed = scan->job->listed_hits;
    if (listed == 0) return 1;
    if (static_cast<uint64_t>(scan->listed_before) + scan->hits >= listed) return 0;
    // Before its turn every hit counted is of a file before it.
    if (job_ahead_of_turn(scan->job)) scan->listed_before = hits_handed_on(scan->job);
    return static_cast<uint64_t>(scan->listed_before) + scan->hits < listed;
}

void scan_end(FileScan* scan) {
    copy_end(&scan->copy);
}

void scan_file(FileScan* scan) {
    if (scan->prefix->length > WINDOW_SIZE) return;   // no window could hold a match
    int64_t position = scan->text_start;
    uint32_t taken = 0;
    for (;;) {
        int64_t candidate;
        if (!next_candidate(scan, position, &candidate, &position)) {
            if (!next_block(scan, position)) return;
            continue;
        }
        if (window_cut_short(scan, candidate) && !next_block(scan, candidate)) return;
        position = take_candidate(scan, candidate);
        if (position < 0) return;
        if (scan->useful_from == INT64_MAX) return;   // no hit in the rest of the file
        if (scan->useful_from > position && (position = pass_useless(scan, position)) < 0)
            return;
        if (++taken % STOP_CHECK_CANDIDATES == 0 && stop_requested(scan->job)) {
            scan->stopped = 1;
            return;
        }
    }
}

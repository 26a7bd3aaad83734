// The end-text pager: pages of positioned lines read from a small script ("ENDTEXT.TXT"),
// cross-faded line by line on the text screen, looping back to the text's start at its end.
#pragma once

#include <cstdint>
#include <cstdio>

#define ENDTEXT_PAGE_LINES 20
#define ENDTEXT_TEXT_BYTES 100        // at most 99 characters and the terminator
#define ENDTEXT_LINE_BYTES 200        // a file line is read in pieces of at most 199 characters
#define ENDTEXT_DEFAULT_DURATION 700  // ticks a page stays when its closing line gives none
#define ENDTEXT_LINE_SPACING 19       // y of a line placed below the previous one
#define ENDTEXT_FULL_LEVEL 239

// One positioned line; an all-zero entry draws nothing.
struct EndTextEntry {
    int32_t x;                           // left edge in pixels
    int32_t y;                           // top edge in pixels
    char text[ENDTEXT_TEXT_BYTES];
};

// The pager's state, exposed for tests and benchmarks.
struct EndTextState {
    EndTextEntry pages[2][ENDTEXT_PAGE_LINES];
    EndTextEntry* current;     // the page fading in
    EndTextEntry* previous;    // the page fading out; swapped with current when a page is read
    int64_t pageStart;         // elapsed tick at which the current page was read; -1: read one next
    int64_t pageDuration;      // ticks the current page stays
    FILE* stream;              // the open text, or null
    long textStart;            // stream position of the text's first byte
    long textEnd;              // stream position just past the text: the end of its archive member
    long readPosition;         // stream position of the first line not yet consumed
};
extern EndTextState ENDTEXT_State;

// Opens the text (a loose file, else the archive member) and makes the next update read its
// first page. 1 on success, 0 if it cannot be opened (the pager then shows empty pages).
int EndTextOpen(const char* fileName);

// Starts the pager on stream (owned from now on), whose text runs from the stream's position
// for size bytes (a negative size: to the end of the stream). EndTextOpen's second half; tests
// and fuzz targets hand it streams on memory.
void ENDTEXT_Start(FILE* stream, long size);

// Closes the stream and empties the pages.
void ENDTEXT_Close(void);

// Once per frame with the ticks elapsed since the closing screen started: reads the next page
// when one is due, then draws the current page fading in and the previous one fading out
// with the start-up font. STEXT_InitColors must have run.
void EndTextUpdate(uint32_t elapsed);

// Cleans one line in place: leading blanks and control characters go, control characters go
// wherever they stand, /* comments */ (nested, within the line) go, trailing blanks go.
void ENDTEXT_CleanLine(char* line);

// Splits a cleaned line into at most 3 tokens (quoted with ' or ", or up to the next space;
// the third runs to the end of the line), writing terminators into line. Returns the count.
int ENDTEXT_SplitLine(char* line, char* tokens[3]);

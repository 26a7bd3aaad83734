// The end-text pager. The script is read one page at a time when the previous page has been
// shown long enough: each line is cleaned, split into tokens and taken as a positioned text
// line, a page end with its duration, or the text's end, after which reading starts over.
#include "sections/endtext.h"

#include "data/file.h"
#include "driver/demo.h"
#include "text/stext.h"
#include "text/tcscr.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

EndTextState ENDTEXT_State = {{}, ENDTEXT_State.pages[0], ENDTEXT_State.pages[1], -1,
                              ENDTEXT_DEFAULT_DURATION, nullptr, 0, -1, 0};

// Character classes of the C locale; bytes 128-255 are ordinary characters.
static bool ENDTEXT_IsControl(unsigned char c) { return c < 32 || c == 127; }
static bool ENDTEXT_IsSpace(unsigned char c) { return c == ' ' || (c >= 9 && c <= 13); }

void ENDTEXT_CleanLine(char* line)
{
    size_t in = 0, out = 0;
    while (line[in] && (ENDTEXT_IsControl((unsigned char)line[in]) || ENDTEXT_IsSpace((unsigned char)line[in])))
        in++;
    for (; line[in]; in++)
        if (!ENDTEXT_IsControl((unsigned char)line[in]))
            line[out++] = line[in];
    line[out] = 0;

    // Comments nest; the depth starts at 0 on every line. A "*/" outside a comment is text.
    int depth = 0;
    size_t n = out;
    out = 0;
    for (in = 0; in < n;) {
        if (line[in] == '/' && line[in + 1] == '*') {
            depth++;
            in += 2;
        } else if (depth > 0 && line[in] == '*' && line[in + 1] == '/') {
            depth--;
            in += 2;
        } else if (depth > 0 || (out == 0 && ENDTEXT_IsSpace((unsigned char)line[in]))) {
            in++;
        } else {
            line[out++] = line[in++];
        }
    }
    while (out > 0 && ENDTEXT_IsSpace((unsigned char)line[out - 1]))
        out--;
    line[out] = 0;
}

int ENDTEXT_SplitLine(char* line, char* tokens[3])
{
    int count = 0;
    char* p = line;
    while (count < 3) {
        while (*p == ' ')
            p++;
        if (!*p)
            break;
        if (*p == '\'' || *p == '"') {
            // Up to the same quote, or the end of the line; the closing quote ends the token
            // even without a space after it. After a quoted third token the rest is ignored.
            const char quote = *p++;
            tokens[count++] = p;
            char* end = std::strchr(p, quote);
            if (end) {
                *end = 0;
                p = end + 1;
            } else {
                p += std::strlen(p);
            }
        } else if (count == 2) {
            tokens[count++] = p;   // the third token: the rest of the line, spaces and quotes included
            break;
        } else {
            tokens[count++] = p;
            char* space = std::strchr(p, ' ');
            if (space) {
                *space = 0;
                p = space + 1;
            } else {
                p += std::strlen(p);
            }
        }
    }
    return count;
}

static bool ENDTEXT_SameWord(const char* a, const char* b)
{
    for (; *a && *b; a++, b++)
        if (std::toupper((unsigned char)*a) != std::toupper((unsigned char)*b))
            return false;
    return *a == *b;
}

// Reads the next piece of a line (at most 199 characters) without passing the text's end.
static bool ENDTEXT_ReadLine(char* line)
{
    EndTextState& s = ENDTEXT_State;
    if (!s.stream || std::feof(s.stream))
        return false;
    int room = ENDTEXT_LINE_BYTES;
    if (s.textEnd >= 0) {
        const long pos = std::ftell(s.stream);
        if (pos < 0 || pos >= s.textEnd)
            return false;
        room = (int)std::min<long>(room, s.textEnd - pos + 1);
    }
    return std::fgets(line, room, s.stream) != nullptr;
}

// Fills the current page from the read position up to its closing line.
static void ENDTEXT_ReadPage(void)
{
    EndTextState& s = ENDTEXT_State;
    std::swap(s.current, s.previous);
    s.pageDuration = ENDTEXT_DEFAULT_DURATION;
    std::memset(s.current, 0, sizeof(EndTextEntry) * ENDTEXT_PAGE_LINES);
    if (!s.stream)
        return;
    std::fseek(s.stream, s.readPosition, SEEK_SET);

    int count = 0;
    for (;;) {
        char line[ENDTEXT_LINE_BYTES];
        if (!ENDTEXT_ReadLine(line)) {
            s.readPosition = s.textStart;   // the end of the text: start over
            return;
        }
        ENDTEXT_CleanLine(line);
        if (!line[0] || std::strchr(";:#", line[0]))
            continue;   // an empty line or a comment line
        s.readPosition = std::ftell(s.stream);

        char* tokens[3];
        const int n = ENDTEXT_SplitLine(line, tokens);
        if (n == 3) {
            if (count >= ENDTEXT_PAGE_LINES)
                continue;   // a 21st line on a page is dropped
            EndTextEntry& e = s.current[count];
            e.x = std::atoi(tokens[0]);
            e.y = std::atoi(tokens[1]);
            std::strncpy(e.text, tokens[2], ENDTEXT_TEXT_BYTES - 1);
            e.text[ENDTEXT_TEXT_BYTES - 1] = 0;
            if (e.x < 0)
                e.x = (int32_t)(((int64_t)TCS_Width - GetTextExtent(&DemoFont, e.text)) / 2);
            if (e.y < 0 && count > 0)
                e.y = (int32_t)std::min<int64_t>((int64_t)s.current[count - 1].y + ENDTEXT_LINE_SPACING, INT32_MAX);
            count++;
        } else if (ENDTEXT_SameWord(tokens[0], "ENDPAGE") || ENDTEXT_SameWord(tokens[0], "ENDTEXT")) {
            if (n == 2)
                s.pageDuration = (int64_t)std::atoi(tokens[1]) * 70;
            if (ENDTEXT_SameWord(tokens[0], "ENDTEXT"))
                s.readPosition = s.textStart;
            return;
        }
        // Any other line of one or two tokens is ignored.
    }
}

void ENDTEXT_Close(void)
{
    EndTextState& s = ENDTEXT_State;
    if (s.stream)
        FILE_Close(s.stream);
    s.stream = nullptr;
    std::memset(s.pages, 0, sizeof s.pages);
    s.current = s.pages[0];
    s.previous = s.pages[1];
    s.pageStart = -1;
    s.pageDuration = ENDTEXT_DEFAULT_DURATION;
    s.textStart = s.readPosition = 0;
    s.textEnd = -1;
}

void ENDTEXT_Start(FILE* stream, long size)
{
    EndTextState& s = ENDTEXT_State;
    ENDTEXT_Close();
    s.stream = stream;
    if (!stream)
        return;
    s.textStart = s.readPosition = std::max(0L, std::ftell(stream));
    // The stream of a member runs on into the members after it: the text ends with its member.
    s.textEnd = size < 0 ? -1 : s.textStart + size;
}

int EndTextOpen(const char* fileName)
{
    ENDTEXT_Close();
    // The size first: it is the loose file's, or the member's when the text lies in the archive.
    const uint32_t size = FILE_GetSize(fileName);
    FILE* stream = FILE_OpenText(fileName);
    if (!stream)
        return 0;
    ENDTEXT_Start(stream, (long)size);
    return 1;
}

void EndTextUpdate(uint32_t elapsed)
{
    EndTextState& s = ENDTEXT_State;
    const int64_t t = elapsed;
    if (s.pageStart < 0) {
        ENDTEXT_ReadPage();
        s.pageStart = t;
    }
    // Line i fades in from tick 25 i to full level at tick 120 + 25 i, two levels a tick;
    // the line of the old page at the same place fades out in step.
    const int64_t since = t - s.pageStart;
    for (int i = 0; i < ENDTEXT_PAGE_LINES; i++) {
        const int level = (int)std::clamp<int64_t>(2 * since - 50 * i, 0, ENDTEXT_FULL_LEVEL);
        if (level > 0)
            WriteText(&DemoFont, s.current[i].x, s.current[i].y, s.current[i].text, level);
        if (ENDTEXT_FULL_LEVEL - level > 0)
            WriteText(&DemoFont, s.previous[i].x, s.previous[i].y, s.previous[i].text, ENDTEXT_FULL_LEVEL - level);
    }
    if (since > s.pageDuration)
        s.pageStart = -1;
}

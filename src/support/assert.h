// Assertion stops: report expression, function, source unit and line, then abort.
// The unit and line are passed explicitly where the reports must name fixed places
// (for example "VantrelPAL" line 712), independent of where the code sits in our files.
#pragma once

// Called when an assertion fails. The default handler writes the report to stderr and
// aborts; a test or fuzz target may install one that throws instead.
typedef void (*SYS_AssertHandler)(const char* expr, const char* func, const char* unit, int line);

// Installs handler (null restores the default); returns the previous one.
SYS_AssertHandler SYS_SetAssertHandler(SYS_AssertHandler handler);

// Reports a failed assertion through the installed handler. If the handler returns,
// the program aborts: an assertion stop never resumes the code that failed.
[[noreturn]] void SYS_AssertFailed(const char* expr, const char* func, const char* unit, int line);

// Assertion with everything fixed by the caller: text is the expression as reported.
#define SYS_ASSERT_AT(cond, text, func, unit, line) \
    do { if (!(cond)) SYS_AssertFailed(text, func, unit, line); } while (0)

// Assertion reporting the expression's own text, the enclosing function and our line.
#define SYS_ASSERT(cond, unit) \
    do { if (!(cond)) SYS_AssertFailed(#cond, __func__, unit, __LINE__); } while (0)

// Stop of an entry point that is not provided: expression !"NYI".
#define SYS_NOT_PROVIDED(func, unit, line) SYS_AssertFailed("!\"NYI\"", func, unit, line)

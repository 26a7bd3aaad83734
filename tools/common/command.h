// The command-line tools' shared front: "TOOL COMMAND ARGS...", with --help for the tool as a
// whole and for each of its commands. Header-only: a folder of .cpp files under tools/ would
// be built as a tool of its own.
#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

// One command of a tool: its name, its --help text, and what runs it (given the tool's whole
// argc and argv, so argv[1] is the command); returns the exit status.
struct TOOL_Command {
    const char* name;
    const char* help;
    int (*run)(int argc, char** argv);
};

// Whether any argument after the command asks for help.
inline bool TOOL_WantsHelp(int argc, char** argv)
{
    for (int i = 2; i < argc; i++)
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h"))
            return true;
    return false;
}

// Runs the command argv[1] names and returns the exit status. No command prints usage on stderr
// (status 1); --help, -h or help print it on stdout; a command given --help or -h prints its
// help instead of running; an unknown command is an error named after tool.
template <size_t N>
int TOOL_Main(const char* tool, const char* usage, const TOOL_Command (&commands)[N], int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(usage, stderr);
        return 1;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(usage, stdout);
        return 0;
    }
    for (const TOOL_Command& c : commands)
        if (command == c.name) {
            if (TOOL_WantsHelp(argc, argv)) {
                std::fputs(c.help, stdout);
                return 0;
            }
            return c.run(argc, argv);
        }
    std::fprintf(stderr, "%s: unknown command \"%s\" (see --help)\n", tool, command.c_str());
    return 1;
}

// Checks that path names a readable file, so that a message can say why it cannot be read.
inline bool TOOL_CheckFile(const char* path, std::string* error)
{
    struct stat st;
    if (::stat(path, &st) != 0) {
        *error = std::string("cannot read ") + path + ": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        *error = std::string("cannot read ") + path + ": it is a folder";
        return false;
    }
    return true;
}

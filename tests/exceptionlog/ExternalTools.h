#pragma once

// Runs a shell command of the outside tools the exception-log tests compare
// against (gzip, tar, python3) and collects its standard output.

#include <cstdio>
#include <string>
#include <sys/wait.h>

struct ToolResult {
    int Status = -1;
    std::string Output;
};

inline ToolResult RunTool(const std::string& Command)
{
    ToolResult R;
    FILE* P = popen(Command.c_str(), "r");
    if (!P)
        return R;
    char Buf[4096];
    size_t N = 0;
    while ((N = fread(Buf, 1, sizeof Buf, P)) > 0)
        R.Output.append(Buf, N);
    const int Raw = pclose(P);
    R.Status = WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1;
    return R;
}

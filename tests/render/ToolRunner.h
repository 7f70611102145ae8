// Runs the built quenor-render with arguments and collects its exit status
// and what it printed on stderr.
#pragma once

#include <string>
#include <vector>

struct ToolResult {
    int exitCode = -1;
    std::string errors;
};

// interruptAfterMs > 0 sends SIGINT that long after the start. program: a
// copy of the built quenor-render (empty: the built one), run with
// environment's NAME=value entries added.
ToolResult runRenderTool(const std::vector<std::string>& arguments, int interruptAfterMs = 0,
                         const std::string& program = "", const std::vector<std::string>& environment = {});

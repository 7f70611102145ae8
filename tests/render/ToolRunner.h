// Runs the built quenor-render with arguments and collects its exit status
// and what it printed on stderr.
#pragma once

#include <string>
#include <vector>

struct ToolResult {
    int exitCode = -1;
    std::string errors;
};

ToolResult runRenderTool(const std::vector<std::string>& arguments);

// velmo-bench sub-commands register themselves here, one file each.
#pragma once

#include <string>
#include <vector>

namespace velmo::bench {

using CommandFn = int (*)(const std::vector<std::string>& args);

struct Command {
    const char* name;
    const char* usage;
    CommandFn run;
};

std::vector<Command>& Commands();

struct RegisterCommand {
    RegisterCommand(const char* name, const char* usage, CommandFn run)
    {
        Commands().push_back({name, usage, run});
    }
};

} // namespace velmo::bench

// velmo-bench: the headless harness. It drives the document through the same
// routines the application uses, with a headless host.
#include "bench/velmo-bench/Commands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace velmo::bench {

std::vector<Command>& Commands()
{
    static std::vector<Command> commands;
    return commands;
}

} // namespace velmo::bench

namespace {

void Usage(std::FILE* out)
{
    std::fprintf(out, "usage: velmo-bench COMMAND [ARGS]\n");
    auto commands = velmo::bench::Commands();
    std::sort(commands.begin(), commands.end(),
              [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });
    for (const auto& c : commands)
        std::fprintf(out, "  %s %s\n", c.name, c.usage);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        Usage(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        Usage(stdout);
        return 0;
    }
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const auto& c : velmo::bench::Commands())
        if (std::strcmp(c.name, argv[1]) == 0)
            return c.run(args);
    std::fprintf(stderr, "velmo-bench: unknown command '%s'\n", argv[1]);
    Usage(stderr);
    return 2;
}

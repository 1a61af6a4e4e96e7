// Starting another process: the restart after "Reset All" or a change of
// language starts the program again once this one has written its settings.
#pragma once

#include <string>
#include <vector>

namespace velmo {

class IProcessLauncher {
public:
    virtual ~IProcessLauncher() = default;
    // Starts program with arguments, detached; false when it could not start.
    virtual bool StartDetached(const std::string& program, const std::vector<std::string>& arguments) = 0;
};

// QProcess::startDetached.
class QtProcessLauncher final : public IProcessLauncher {
public:
    bool StartDetached(const std::string& program, const std::vector<std::string>& arguments) override;
};

} // namespace velmo

#include "platform/core/MessageBox.h"

#include <atomic>
#include <cstdio>

namespace velmo {

namespace {

std::atomic<IMessageBoxHost*> installedHost{nullptr};
thread_local IMessageBoxHost* threadHost = nullptr;

// Without a user to ask, a message is printed and its question taken as
// agreed to.
int ShowHeadless(const std::string& text, unsigned type)
{
    std::fprintf(stderr, "%s\n", text.c_str());
    unsigned buttons = type & 0xF;
    return (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) ? IDYES : IDOK;
}

} // namespace

int ShowMessage(const std::string& text, unsigned type)
{
    IMessageBoxHost* host = threadHost != nullptr ? threadHost : installedHost.load();
    return host != nullptr ? host->Show(text, type) : ShowHeadless(text, type);
}

void InstallMessageBoxHost(IMessageBoxHost* host)
{
    installedHost.store(host);
}

ScopedThreadMessageHost::ScopedThreadMessageHost(IMessageBoxHost* host) : previous(threadHost)
{
    threadHost = host;
}

ScopedThreadMessageHost::~ScopedThreadMessageHost()
{
    threadHost = previous;
}

} // namespace velmo

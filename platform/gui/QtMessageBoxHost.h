// Message boxes shown with QMessageBox. The engine asks through
// IMessageBoxHost (platform/core/MessageBox.h); calls from another thread
// wait for the answer given on the user-interface thread.
#pragma once

#include "platform/core/MessageBox.h"

#include <QString>

#include <functional>

class QWidget;

namespace velmo {

class QtMessageBoxHost final : public IMessageBoxHost {
public:
    // parent: the window the boxes belong to (may give nullptr).
    QtMessageBoxHost(std::function<QWidget*()> parent, QString title);
    int Show(const std::string& text, unsigned type) override;

private:
    int ShowHere(const std::string& text, unsigned type);
    std::function<QWidget*()> parent;
    QString title;
};

} // namespace velmo

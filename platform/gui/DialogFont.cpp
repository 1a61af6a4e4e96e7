#include "platform/gui/DialogFont.h"

#include <QFontDatabase>
#include <QWidget>

namespace velmo {

DialogFontSetting& DialogFont()
{
    static DialogFontSetting setting;
    return setting;
}

QFont ResolveDialogFont(const DialogFontSetting& setting)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // A size no screen font has (a damaged setting) counts as 0.
    if (setting.pointSize >= 1 && setting.pointSize <= kMaxDialogFontSize) {
        if (!setting.faceName.empty())
            font.setFamilies({QString::fromStdString(setting.faceName)});
        font.setPointSize(setting.pointSize);
    }
    return font;
}

void ApplyDialogFont(QWidget* widget, const DialogFontSetting& setting)
{
    if (widget != nullptr)
        widget->setFont(ResolveDialogFont(setting));
}

} // namespace velmo

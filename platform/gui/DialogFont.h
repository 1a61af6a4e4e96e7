// The dialog-font override: every dialog and palette is created with the
// face "FontName" at "FontSize" points, or with the system's dialog font at
// its own size when "FontSize" is 0 (the face name is then ignored).
#pragma once

#include <QFont>

#include <string>

class QWidget;

namespace velmo {

inline constexpr int kMaxDialogFontSize = 96;

struct DialogFontSetting {
    std::string faceName; // "FontName"
    int pointSize = 0;    // "FontSize"; 0: the system font
};

// The process-wide setting, read at start-up and written at exit.
DialogFontSetting& DialogFont();

QFont ResolveDialogFont(const DialogFontSetting& setting);
// Gives widget (a dialog or a palette's contents) the font of the setting.
void ApplyDialogFont(QWidget* widget, const DialogFontSetting& setting = DialogFont());

} // namespace velmo

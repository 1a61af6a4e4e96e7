// The About box: the program's version and build, the language the system
// asked for at start, the translator of the language in use and the
// libraries the program is built on.
#pragma once

#include <QDialog>

#include <string>

namespace velmo {

struct AboutTexts {
    std::string build;      // "build 164 : Nov  6 2009 20:26:28"
    std::string version;    // "velmo v0.4.7"
    std::string language;   // "Your default language is 0407-65001"
    std::string translator; // string 216 of the language in use
};

// The texts for the locale's language id at start-up and the code page,
// in the language in use.
AboutTexts MakeAboutTexts(int threadLocale, int codePage);

class CAboutDlg final : public QDialog {
public:
    CAboutDlg(const AboutTexts& texts, QWidget* parent = nullptr);
};

// The program's icon at size x size pixels.
QPixmap ProgramIcon(int size);

} // namespace velmo

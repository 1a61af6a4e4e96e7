// The status bar's first pane: the message ("Ready", a menu prompt, "...
// was saved.") or the progress of a long operation, a bar with "%s %02d%%".
#pragma once

#include <QString>
#include <QWidget>

namespace velmo {

class StatusProgressPane final : public QWidget {
public:
    explicit StatusProgressPane(QWidget* parent = nullptr);

    void SetMessage(const QString& text);
    // percent 0..100 draws a bar, -1 erases it (the message shows again), -2
    // shows label alone on a white pane. wholePane false uses the right third.
    // The pane is painted at once, so that a busy user-interface thread still
    // shows its progress.
    void ShowProgress(int percent, const QString& label, bool wholePane);

    bool InProgress() const { return progress; }
    int Percent() const { return percent; }
    // What the pane shows: the progress text while in progress, else the message.
    QString Text() const;
    // The message shown when no progress is (under a progress bar meanwhile).
    const QString& Message() const { return message; }
    static QString ProgressText(int percent, const QString& label);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString message;
    QString label;
    int percent = 0;
    bool progress = false;
    bool wholePane = true;
};

} // namespace velmo

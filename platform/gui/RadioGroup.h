// A group of radio buttons numbered in template order: the group's value is
// the index of the checked radio, -1 when none is checked (as DDX_Radio
// exchanges it).
#pragma once

#include <QButtonGroup>

class QAbstractButton;

namespace velmo {

class RadioGroup : public QButtonGroup {
public:
    explicit RadioGroup(QObject* parent = nullptr);
    // Adds the next radio; returns its index.
    int Add(QAbstractButton* radio);
    int CheckedIndex() const;
    // -1 (or any index without a radio) clears the group.
    void SetCheckedIndex(int index);
};

// The same for any exclusive group whose button ids are the indices.
int RadioIndex(const QButtonGroup& group);
void SetRadioIndex(QButtonGroup& group, int index);

} // namespace velmo

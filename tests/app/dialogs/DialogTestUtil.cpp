#include "tests/app/dialogs/DialogTestUtil.h"

#include "platform/gui/ControlUnit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTreeView>

namespace velmo::test {

QAbstractItemView* ShownView(QFileDialog& dialog)
{
    auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (tree != nullptr && tree->isVisible())
        return tree;
    return dialog.findChild<QListView*>(QStringLiteral("listView"));
}

bool ClickFileItem(QFileDialog& dialog, const QString& path)
{
    QAbstractItemView* list = ShownView(dialog);
    auto* model = dialog.findChild<QFileSystemModel*>(QStringLiteral("qt_filesystem_model"));
    if (list == nullptr || model == nullptr)
        return false;
    for (int i = 0; i < 250; ++i) {
        const QModelIndex index = model->index(path);
        if (index.isValid() && index.parent() == list->rootIndex()) {
            list->scrollTo(index);
            const QRect rect = list->visualRect(index);
            if (!rect.isEmpty()) {
                QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
                return list->currentIndex() == index;
            }
        }
        QTest::qWait(20);
    }
    return false;
}

QString CurrentItemName(QFileDialog& dialog)
{
    QAbstractItemView* list = ShownView(dialog);
    return list != nullptr && list->currentIndex().isValid() ? list->currentIndex().data().toString() : QString();
}

void ClickCheckBox(QAbstractButton& box)
{
    QTest::mouseClick(&box, Qt::LeftButton, Qt::NoModifier, QPoint(box.height() / 2, box.height() / 2));
}

void ClickAcceptButton(QFileDialog& dialog)
{
    auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QPushButton* button = box != nullptr ? box->button(dialog.acceptMode() == QFileDialog::AcceptOpen
                                                           ? QDialogButtonBox::Open
                                                           : QDialogButtonBox::Save)
                                         : nullptr;
    if (button != nullptr)
        QTest::mouseClick(button, Qt::LeftButton);
}

// Whether every item of a drop-down list fits the field that shows the
// chosen one (any item may be chosen).
bool ComboShowsEveryItem(const QComboBox& combo)
{
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = combo.isEditable();
    option.frame = combo.hasFrame();
    const QRect field = combo.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &combo);
    for (int i = 0; i < combo.count(); ++i)
        if (combo.fontMetrics().horizontalAdvance(combo.itemText(i)) > field.width())
            return false;
    return true;
}

QStringList ClippedControls(QWidget& root)
{
    QStringList clipped;
    for (QWidget* w : root.findChildren<QWidget*>()) {
        if (!w->isVisible())
            continue;
        if (const auto* combo = qobject_cast<QComboBox*>(w)) {
            if (!ComboShowsEveryItem(*combo))
                clipped << QStringLiteral("QComboBox '%1' %2 wide, its text cut off")
                               .arg(combo->accessibleName())
                               .arg(combo->width());
            continue;
        }
        const auto* button = qobject_cast<QAbstractButton*>(w);
        const auto* label = qobject_cast<QLabel*>(w);
        const auto* edit = qobject_cast<QLineEdit*>(w);
        if (label == nullptr && edit == nullptr && (button == nullptr || button->text().isEmpty()))
            continue;
        const QSize need = w->minimumSizeHint();
        bool ok = w->width() >= need.width() && w->height() >= need.height();
        if (label != nullptr && label->pixmap().isNull())
            ok = ok && label->width() >= label->fontMetrics().horizontalAdvance(PlainCaption(label->text()));
        if (edit != nullptr)
            ok = ok && edit->width() > edit->fontMetrics().horizontalAdvance(edit->text()) + 4;
        if (!ok)
            clipped << QStringLiteral("%1 '%2' %3x%4 < %5x%6")
                           .arg(QString::fromLatin1(w->metaObject()->className()), w->accessibleName())
                           .arg(w->width())
                           .arg(w->height())
                           .arg(need.width())
                           .arg(need.height());
    }
    return clipped;
}

} // namespace velmo::test

#include "gui/articles/FocusCopy.h"

#include "gui/articles/KebNSTableView.h"

#include <QApplication>

void copyFromFocusedWidget()
{
    QWidget *focus = QApplication::focusWidget();
    if (auto *table = qobject_cast<KebNSTableView *>(focus))
        table->copy();
    // Text fields and views copy their own selection.
    else if (focus)
        QMetaObject::invokeMethod(focus, "copy");
}

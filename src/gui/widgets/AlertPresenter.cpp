#include "AlertPresenter.h"

#include "gui/widgets/UntrustedText.h"
#include "search/SearchMessages.h"

#include <QMessageBox>
#include <QPushButton>

Alert Alert::networkError()
{
    return {Alert::Style::Warning, SearchMessages::NetworkErrorTitle, SearchMessages::NetworkErrorTitle,
            SearchMessages::NetworkErrorMessage, {SearchMessages::OK}};
}

int MessageBoxAlertPresenter::run(const Alert &alert, QWidget *parent)
{
    QMessageBox box(parent);
    switch (alert.style) {
    case Alert::Style::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Alert::Style::Informational:
        box.setIcon(QMessageBox::Information);
        break;
    case Alert::Style::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    }
    box.setWindowTitle(alert.title);
    // Either text may hold a server's words; the informative one has no
    // plain-text mode of its own.
    box.setTextFormat(Qt::PlainText);
    box.setText(alert.message);
    box.setInformativeText(literalRichText(alert.informativeText));
    QList<QPushButton *> buttons;
    for (qsizetype i = 0; i < alert.buttons.size(); ++i) {
        // The first button accepts; a second one is the escape route.
        const auto role = i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
        buttons.append(box.addButton(alert.buttons[i], role));
    }
    if (!buttons.isEmpty())
        box.setDefaultButton(buttons.first());
    if (buttons.size() > 1)
        box.setEscapeButton(buttons.last());
    box.exec();
    return int(buttons.indexOf(qobject_cast<QPushButton *>(box.clickedButton())));
}

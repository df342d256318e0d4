#include "EzproxyHelpDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

QString EzproxyHelpDialog::helpText()
{
    return QStringLiteral(
        "Many libraries let their members read journals from home through EZproxy: the article's address is "
        "handed to the library's login page, which asks for the library login and then opens the article.\n\n"
        "An EZproxy login address is the library's proxy host followed by a login path and the article's "
        "address, for example:\n\n"
        "    https://login.ezproxy.library.example.edu/login?url=%@\n\n"
        "In the Proxy URL field, %@ marks where the article's address goes: Vexmoor puts the article's DOI link "
        "(https://doi.org/…) there. Everything else is your library's own prefix.\n\n"
        "To find your library's prefix, look on its web site for \"off-campus access\", \"EZproxy\" or a "
        "\"bookmarklet\", or open any journal article through the library's catalogue from home and copy the "
        "address up to and including \"url=\". Your librarians can also tell you. Then add %@ at its end and "
        "tick \"Open article links through my institution's EZproxy\".");
}

EzproxyHelpDialog::EzproxyHelpDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("EZproxy Help"));
    auto *text = new QLabel(helpText(), this);
    text->setObjectName(QStringLiteral("ezProxyHelpText"));
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    resize(520, sizeHint().height());
}

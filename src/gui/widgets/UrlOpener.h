#pragma once

#include <QUrl>

// Opens addresses in the user's web browser; tests record them instead.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    virtual void open(const QUrl &url) = 0;
};

class DesktopUrlOpener : public UrlOpener
{
public:
    void open(const QUrl &url) override;
};

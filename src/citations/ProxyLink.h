#pragma once

#include <QString>

// The institution's proxy login address for a DOI URL: the template with its
// first "%@" replaced by the DOI URL, inserted as it is. Any other "%"
// sequence stays as the user typed it, and a template without "%@" comes back
// unchanged. The template is never used as a printf-style format.
QString proxiedUrl(const QString &proxyTemplate, const QString &doiUrl);

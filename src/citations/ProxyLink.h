#pragma once

#include <QString>

// Why an institution's proxy template cannot be used, or an empty text when
// it can. A pasted template is untrusted: only an http or https address that
// names its host and holds "%@" after the host is used, so neither a
// "javascript:" or "file:" address nor one whose host the article decides
// ever reaches the browser.
QString proxyTemplateProblem(const QString &proxyTemplate);

// The institution's proxy login address for a DOI URL: the template with its
// first "%@" replaced by the DOI URL, percent-encoded as a query value so that
// an "&", "=" or "#" in a DOI cannot add parameters to the proxy's address.
// Any other "%" sequence stays as the user typed it; the template is never
// used as a printf-style format. A template that proxyTemplateProblem()
// refuses is not used: the DOI URL comes back as it is.
QString proxiedUrl(const QString &proxyTemplate, const QString &doiUrl);
